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

// A table's columns as a statement over it names them.
inline std::vector<SourceColumn> sourceColumns(const TableMeta &table)
{
    std::vector<SourceColumn> cols;
    for (const auto &c : table.columns)
        cols.push_back({c.name, c.type, c.nullable});
    return cols;
}

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
