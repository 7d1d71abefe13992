#pragma once

#include "SchemaDetails.h"
#include "TableNames.h"

#include <map>
#include <string>
#include <vector>

namespace convert {

// What a column adds to its clause in the create statement when constraints and defaults are kept: the
// identity of an auto-increment column, or its default where Oracle has one ("" when neither). A default
// Oracle has no equivalent for adds nothing and a line to notes.
std::string ColumnClauseExtras(const ColumnDetails &column, std::vector<std::string> &notes);

// One statement of the schema that follows the rows, named for the log.
struct SchemaStatement {
    std::string name; // the constraint, column or table it concerns
    std::string sql;
};

// The statements that follow a table's rows: NOT NULL on the columns MySQL declares NOT NULL (but those
// whose empty strings arrive as NULL, which notes name; emptyStrings counts them per column), the
// identity's next value above the rows copied, CHECK constraints for ENUM and SET value lists and
// unsigned ranges, and the comments. keyColumns are the primary key's, already NOT NULL.
std::vector<SchemaStatement> StatementsAfterRows(const TableNames &names, const TableDetails &details,
                                                 const std::vector<std::string> &keyColumns,
                                                 const std::map<std::string, long long> &emptyStrings, bool uppercase,
                                                 std::vector<std::string> &notes);

// The columns whose empty strings would become NULL, which must be counted before NOT NULL is added.
std::vector<std::string> ColumnsToCountEmpty(const TableDetails &details);

// A table's foreign keys whose referenced table is in the run (targets maps MySQL names to Oracle
// names); keys to other tables, and ON UPDATE rules Oracle does not have, get a line in notes.
std::vector<SchemaStatement> ForeignKeyStatements(const TableNames &names, const TableDetails &details,
                                                  const std::map<std::string, std::string> &targets, bool uppercase,
                                                  std::vector<std::string> &notes);

} // namespace convert
