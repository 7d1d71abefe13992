#pragma once

#include "ColumnType.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oraclesim {

struct ColumnMeta {
    std::string name;
    ColumnType type;
    bool nullable = true;
};

struct IndexMeta {
    std::string name;
    std::vector<int> columns; // 0-based column indexes, in key order
    bool unique = false;
    std::string constraint;  // the primary key constraint it enforces, if any
    std::string storageName; // the SQLite index enforcing uniqueness
};

// One Oracle table as the data dictionary describes it. Rows live in the SQLite table t_<id>, one
// SQLite column c<k> per Oracle column; ids are never reused, so a stale reference cannot hit a
// newer table of the same name.
struct TableMeta {
    std::int64_t id = 0;
    std::string owner;
    std::string name;
    std::vector<ColumnMeta> columns;
    std::vector<IndexMeta> indexes;

    int findColumn(std::string_view column) const; // -1 when absent
    const IndexMeta *primaryKey() const;
    std::string storageName() const { return "t_" + std::to_string(id); }
    static std::string storageColumn(int index) { return "c" + std::to_string(index + 1); }
    // "OWNER"."TABLE"."COLUMN", as ORA-01400 and ORA-12899 print it.
    std::string columnLabel(int index) const;
};

} // namespace oraclesim
