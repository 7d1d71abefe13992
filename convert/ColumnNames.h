#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace convert {

// The Oracle names of one table's columns, before the casing rule: each MySQL name cut to Oracle's limit
// (never inside a character). Two names whose first 30 bytes agree would give one Oracle name twice and
// lose the whole table (ORA-00957), so a cut that meets an earlier column's name, letter case aside, gets
// its first bytes but four and the next free counter 0000 ... 9999 instead. Built from the columns in table
// order, so every step that names a column names it alike, run after run.
class ColumnNames {
public:
    ColumnNames() = default;
    // nameBytes: the longest name Oracle takes here (30, or 128 from Oracle 12.2 on).
    explicit ColumnNames(const std::vector<std::string> &mysqlColumns, std::size_t nameBytes = 30);

    // The Oracle name of a MySQL column (found without regard to case, as MySQL finds it); a column not
    // in the list gets its plain cut.
    std::string of(std::string_view mysqlColumn) const;
    // Whether the column got a counter rather than its plain cut.
    bool counted(std::string_view mysqlColumn) const;

private:
    std::size_t m_nameBytes = 30;
    std::vector<std::string> m_mysql;
    std::vector<std::string> m_oracle;
};

} // namespace convert
