#pragma once

#include "ConversionOptions.h"
#include "ObjectNamePlanner.h"
#include "OracleSchema.h"
#include "TableNames.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// One selected table as the plan sees it.
struct TablePlan {
    TableNames names;
    // Why nothing can be done to the table: its MySQL table cannot be read, or no Oracle name is left for
    // it. Empty for a table the run converts.
    std::string problem;
    // What MySQL's information schema says of its size: rows (an estimate for InnoDB, exact for MyISAM
    // and Aria; nothing for a view) and bytes of data and indexes.
    std::optional<std::size_t> rowsExpected;
    std::size_t bytes = 0;
};

// What a run (or a check of one) settles before its first statement: the Oracle name of every selected
// table and of every key and constraint it will make, from one reading of the Oracle schema and of the
// MySQL tables' listings. A MySQL table that cannot be read is found here, before anything is dropped.
struct RunPlan {
    std::vector<TablePlan> tables;
    OracleSchema oracle;
    ObjectNamePlanner objects;
    // MySQL name -> Oracle name of every table the plan knows one for: the selected ones, and tables
    // outside the selection that Oracle holds from an earlier run (the parents of foreign keys).
    std::map<std::string, std::string> targets;

    // Throws the server's error when the Oracle schema or the MySQL table list cannot be read, or when a
    // MySQL session is lost. afterTable, when given, runs after each table's listings are read.
    static RunPlan make(db::Connection &catalog, db::Connection &oracle, const std::string &user,
                        const std::vector<std::string> &tables, const ConversionOptions &options,
                        const std::function<void()> &afterTable = {});
};

// Every table and view of the catalog connection's database, as MySQL lists them.
std::vector<std::string> ListSourceTables(db::Connection &catalog);

} // namespace convert
