#pragma once

#include "ConversionOptions.h"
#include "ObjectNamePlanner.h"
#include "SchemaObject.h"
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
    std::string statement; // as sent; empty when none could be built
};

struct KeyResult : StepResult {
    std::vector<KeyFailure> failures; // in the order the statements ran
    std::vector<std::string> notes;   // keys not sent, and why
    bool stopped = false;             // a stop broke a statement or came between two: the rest were not sent
};

// The statement of one key, built from its rows of "show index".
struct KeyStatement {
    std::string name; // constraint or index name as sent
    std::string sql;
    std::string error; // why no statement could be built (a name Oracle cannot take); then sql is unused
    ObjectKind kind = ObjectKind::Index;
};

// The statements of one table's keys, in listing order: the primary key as a constraint, every other key
// as an index (unique when constraints are kept). Names come from `objects`, which settles each the first
// time it is asked ("PRIMARY" + table + row number, "idx_" + key + W, as usual, when free). Reads "show
// index" on the catalog connection; its errors are thrown. Full-text and spatial keys get no statement;
// notes, when given, says so for each.
std::vector<KeyStatement> BuildKeyStatements(db::Connection &catalog, const TableNames &names,
                                             const ConversionOptions &options, ObjectNamePlanner &objects,
                                             std::vector<std::string> *notes = nullptr);

// Runs the statements on the definition connection, one by one; a refused one is recorded and the others
// still run. goOn, when given, is asked after each: false (a stop) leaves the rest unsent. A key build
// on a large table may take minutes, so a stop does not wait for the others.
KeyResult RunKeyStatements(db::Connection &oracleData, const std::vector<KeyStatement> &statements,
                           const std::function<bool()> &goOn = {});

// Recreates the primary key and the other keys of one table: BuildKeyStatements, then RunKeyStatements.
KeyResult ConvertKeys(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                      const ConversionOptions &options, ObjectNamePlanner &objects,
                      const std::function<bool()> &goOn = {});

} // namespace convert
