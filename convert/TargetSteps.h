#pragma once

#include "ConversionOptions.h"
#include "StepResult.h"
#include "TableNames.h"

#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// True when Oracle's catalog counts a table of exactly this name (case included) owned by this user
// (compared in upper case). The name and owner are bound, never pasted into the statement. Throws the
// server's error: a run cannot go on without this answer.
bool TargetTableExists(db::Connection &oracleConn, const std::string &table, const std::string &user);

// drop table "T" on the definition connection; errors become the step's failure message.
StepResult DropTargetTable(db::Connection &oracleData, const std::string &target);

struct CreateResult : StepResult {
    std::vector<std::string> notes; // what the definition chose that the user should know (a column made CLOB)
};

// Builds the create statement from the MySQL column listing (catalog connection) and executes it on the
// definition connection; errors of either side become the step's failure message.
CreateResult CreateTargetTable(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                               const ConversionOptions &options);

} // namespace convert
