#pragma once

#include "ConversionOptions.h"
#include "StepResult.h"
#include "TableNames.h"

#include <functional>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// One key statement Oracle refused: the constraint or index name as sent, and Oracle's message.
struct KeyFailure {
    std::string name;
    std::string message;
};

struct KeyResult : StepResult {
    std::vector<KeyFailure> failures; // in the order the statements ran
    std::vector<std::string> notes;   // keys not sent, and why
};

// The statement of one key, built from its rows of "show index".
struct KeyStatement {
    std::string name;  // constraint or index name as sent (cut and cased)
    std::string sql;
    std::string error; // why no statement could be built (a name Oracle cannot take); then sql is unused
};

// Recreates the primary key and the other keys of one table: reads "show index" on the catalog
// connection and runs one statement per key, in listing order, on the definition connection. A refused
// statement is recorded and the others still run. The listing's own errors are thrown: the run cannot
// tell what this table's keys are. betweenStatements, when given, runs after each statement, so whoever
// drives the run can keep its window answering through a table with many keys.
KeyResult ConvertKeys(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                      const ConversionOptions &options, const std::function<void()> &betweenStatements = {});

// The statements ConvertKeys would run, without running them (listing errors thrown). Full-text and
// spatial keys get no statement; notes, when given, says so for each.
std::vector<KeyStatement> BuildKeyStatements(db::Connection &catalog, const TableNames &names,
                                             const ConversionOptions &options,
                                             std::vector<std::string> *notes = nullptr);

} // namespace convert
