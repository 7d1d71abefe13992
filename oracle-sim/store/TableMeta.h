#pragma once

#include "ColumnType.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oraclesim {

enum class DeleteRule { NoAction, Cascade, SetNull };

struct ColumnMeta {
    std::string name;
    ColumnType type;
    bool nullable = true;
    std::string defaultText;                  // DATA_DEFAULT as written; empty: none
    std::string identity;                     // "ALWAYS", "BY DEFAULT" or empty
    bool identityOnNull = false;              // BY DEFAULT ON NULL
    std::string identitySequence;             // the ISEQ$$_ sequence that numbers it
};

struct IndexMeta {
    std::string name;
    std::vector<int> columns; // 0-based column indexes, in key order
    bool unique = false;
    std::string constraint;  // the primary key or unique constraint it enforces, if any
    std::string storageName; // the SQLite index enforcing uniqueness
};

// A constraint of the table as USER_CONSTRAINTS lists it.
struct ConstraintMeta {
    std::string name;
    char type = 'C';          // P primary key, U unique, R foreign key, C check (NOT NULL included)
    std::vector<int> columns; // P, U, R: the key in order; C: the columns the condition names
    bool generatedName = false;
    // R: the referenced table, its key constraint and its columns pairwise with `columns`
    std::int64_t refTableId = 0;
    std::string refTable, refConstraint;
    std::vector<int> refColumns;
    DeleteRule deleteRule = DeleteRule::NoAction;
    // C: SEARCH_CONDITION as written
    std::string condition;
    bool notNull = false;
};

// A foreign key (of another table, or of this one) whose parent key is in this table.
struct ReferenceMeta {
    std::string constraint;
    std::string childTable;
    std::vector<int> childColumns;
    std::vector<int> parentColumns; // in this table, pairwise with childColumns
    DeleteRule deleteRule = DeleteRule::NoAction;
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
    std::vector<ConstraintMeta> constraints;
    std::vector<ReferenceMeta> referencedBy;

    int findColumn(std::string_view column) const; // -1 when absent
    const IndexMeta *primaryKey() const;
    const ConstraintMeta *findConstraint(char type) const;
    std::string storageName() const { return "t_" + std::to_string(id); }
    static std::string storageColumn(int index) { return "c" + std::to_string(index + 1); }
    // "OWNER"."TABLE"."COLUMN", as ORA-01400 and ORA-12899 print it.
    std::string columnLabel(int index) const;
};

const char *deleteRuleName(DeleteRule rule);
DeleteRule deleteRuleFromName(std::string_view name);

} // namespace oraclesim
