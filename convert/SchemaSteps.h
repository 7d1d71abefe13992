#pragma once

#include "ConversionOptions.h"
#include "KeyConversion.h"
#include "LogSink.h"
#include "ObjectNamePlanner.h"
#include "SchemaStatements.h"
#include "TableNames.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// What carrying the rest of a table's schema did: the statements Oracle refused (named as key failures
// are), and lines for what was not carried and why.
struct SchemaResult {
    std::size_t sent = 0;
    std::vector<KeyFailure> failures;
    std::vector<std::string> notes;
    bool stopped = false; // a stop came between two statements: the rest were not sent
};

// Whether an earlier run made what a statement makes; a run that makes a whole table sends everything.
using AlreadyThere = std::function<bool(const SchemaStatement &)>;

// After a table's rows: NOT NULL, the identity's next value, CHECK constraints and comments. Added after
// the rows so that a constraint Oracle refuses never refuses rows. Errors of MySQL are thrown.
SchemaResult AddSchemaAfterRows(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                                const ConversionOptions &options, ObjectNamePlanner &objects,
                                const AlreadyThere &there = {});

// The statements AddSchemaAfterRows would send, with the NOT NULL columns' nulling values counted.
std::vector<SchemaStatement> BuildSchemaAfterRows(db::Connection &catalog, const TableNames &names,
                                                  const ConversionOptions &options, ObjectNamePlanner &objects,
                                                  std::vector<std::string> &notes);

// A table's foreign keys (the referenced tables' Oracle names in targets, by MySQL name), sent with the
// failures and notes gathered into result.
void AddForeignKeys(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                    const std::map<std::string, std::string> &targets, const ConversionOptions &options,
                    ObjectNamePlanner &objects, SchemaResult &result, const AlreadyThere &there = {},
                    const std::function<bool()> &goOn = {});

// The lines a schema step leaves in the log: each refused statement with Oracle's reason, each note, and
// an empty line after them when there were any.
void LogSchemaResult(LogSink &log, const SchemaResult &schema);

// Sends the statements in order; a refused one is recorded and the others still go. goOn, when given, is
// asked after each: false (a stop) leaves the rest unsent, since each may scan a large table. A statement
// a Stop broke is no refusal: it ends the sending with result.stopped.
void SendSchemaStatements(db::Connection &oracleData, const std::vector<SchemaStatement> &statements,
                          SchemaResult &result, const AlreadyThere &there = {}, const std::function<bool()> &goOn = {});

} // namespace convert
