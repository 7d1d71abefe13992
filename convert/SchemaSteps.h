#pragma once

#include "ConversionOptions.h"
#include "KeyConversion.h"
#include "TableNames.h"

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
};

// After a table's rows: NOT NULL, the identity's next value, CHECK constraints and comments. Added after
// the rows so that a constraint Oracle refuses never refuses rows. Errors of MySQL are thrown.
SchemaResult AddSchemaAfterRows(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                                const ConversionOptions &options);

// After every table of the run: the foreign keys between them.
SchemaResult AddForeignKeys(db::Connection &oracleData, db::Connection &catalog, const std::vector<TableNames> &tables,
                            const ConversionOptions &options);

} // namespace convert
