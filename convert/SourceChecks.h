#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// One CHECK constraint of a MySQL table.
struct SourceCheck {
    enum class Level { Column, Table };
    std::string name;
    // The condition as the server would read it back: MariaDB's CHECK_CLAUSE as it stands; MySQL's with
    // the second escaping its information schema adds and the outer parentheses it adds taken off.
    std::string expression;
    // MariaDB keeps a check written with a column apart (named after the column); MySQL makes every
    // check a table check, and MariaDB before 10.5.10 does not say.
    Level level = Level::Table;
    bool enforced = true; // MySQL 8 can keep a check NOT ENFORCED
};

// What a check's translation needs to know of the table's columns.
struct CheckColumnType {
    std::string name;
    std::string dataType;   // DATA_TYPE: "int", "varchar", "datetime", ...
    std::string columnType; // COLUMN_TYPE: "int(10) unsigned", "varchar(20)", ...
    std::string collation;  // COLLATION_NAME; empty for columns that hold no text
};

struct SourceChecks {
    std::vector<SourceCheck> checks;
    std::vector<CheckColumnType> columns; // read only when there are checks
};

// The table's CHECK constraints, on the catalog connection, whose current database is the table's:
// MariaDB 10.2+ and MySQL 8.0.16+ keep them in information_schema.CHECK_CONSTRAINTS (MariaDB with the
// table's name, MySQL through TABLE_CONSTRAINTS); older servers have neither and give none. Throws the
// server's error.
SourceChecks ReadSourceChecks(db::Connection &catalog, const std::string &table);

// MySQL 8's CHECK_CLAUSE in the SQL the server reads: its information schema escapes the clause once more
// as if it were a string (`a` = _utf8mb4'it\'s' arrives as `a` = _utf8mb4\'it\\\'s\'), and wraps it in
// parentheses. A clause whose
// quotes are not escaped so is left as it is, parentheses aside.
std::string MySqlCheckClauseText(std::string_view clause);

} // namespace convert
