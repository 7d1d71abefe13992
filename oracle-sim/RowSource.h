#pragma once

#include "ColumnType.h"
#include "SqlValue.h"
#include "TableMeta.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oraclesim {

struct SourceColumn {
    std::string name;
    ColumnType type;
    bool nullable = true;
};

using Row = std::vector<SqlValue>;

// What a FROM clause reads: a table's rows (with their row ids) or a dictionary view's.
struct RowSource {
    std::string name;
    std::vector<SourceColumn> columns;
    std::vector<Row> rows;
    std::vector<std::int64_t> rowIds; // tables only
    const TableMeta *table = nullptr;
};

} // namespace oraclesim
