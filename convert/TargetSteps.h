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

// drop table "T" cascade constraints on the definition connection: the foreign keys of other tables that
// point at it go with it (the run reads them first and makes them again). Errors become the step's
// failure message.
StepResult DropTargetTable(db::Connection &oracleData, const std::string &target);

// The create statement of a table, built from MySQL before anything in Oracle is touched: a table whose
// MySQL side cannot be listed, measured or read is found before its Oracle table is dropped.
struct PreparedTable : StepResult {
    std::string statement;
    // An auto-increment column arrives without its identity (the user may not create sequences): the
    // table is made and filled, and counts as failed.
    bool identityLeftOut = false;
    std::vector<std::string> notes; // what the definition chose that the user should know (a column made CLOB)
};

// Lists the MySQL columns (catalog connection), measures the wide ones, builds the create statement and
// reads the table's columns once without rows, as the copy will read them. Errors become the failure.
PreparedTable PrepareTargetTable(db::Connection &catalog, const TableNames &names, const ConversionOptions &options);

struct CreateResult : StepResult {
    std::vector<std::string> notes;
};

// Executes a prepared create statement on the definition connection; a marked table gets its marker
// comment at once, so a run stopped after this point still leaves a table later runs recognise.
CreateResult CreateTargetTable(db::Connection &oracleData, const PreparedTable &prepared, const TableNames &names);

// Both in one: PrepareTargetTable, then (when it succeeded) CreateTargetTable.
CreateResult CreateTargetTable(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                               const ConversionOptions &options);

} // namespace convert
