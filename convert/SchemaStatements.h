#pragma once

#include "ColumnNames.h"
#include "ConversionOptions.h"
#include "ObjectNamePlanner.h"
#include "SchemaDetails.h"
#include "SchemaObject.h"
#include "TableNames.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace convert {

// What a column adds to its clause in the create statement when constraints and defaults are kept: the
// identity of an auto-increment column, or its default where Oracle has one ("" when neither). A default
// Oracle has no equivalent for adds nothing and a line to notes.
// A user who may not create sequences gets no identity (allows.identities), and a line saying why.
std::string ColumnClauseExtras(const ColumnDetails &column, const OracleAllows &allows,
                               std::vector<std::string> &notes);

// One statement of the schema that follows the rows, named for the log.
struct SchemaStatement {
    std::string name; // the constraint, column or table it concerns
    std::string sql;
    ObjectKind kind = ObjectKind::Comment;
    std::string column; // the Oracle column, for NOT NULL and the identity
};

// Values of a NOT NULL column that arrive in Oracle as NULL, counted in MySQL before NOT NULL is added.
struct NullingValues {
    long long emptyStrings = 0; // '' in a character column: Oracle holds no empty string
    long long zeroDates = 0;    // MySQL's zero date 0000-00-00, which has no Oracle day
};

// The statements that follow a table's rows: NOT NULL on the columns MySQL declares NOT NULL (but those
// holding values that arrive as NULL, which notes name), the identity's next value above the rows copied,
// CHECK constraints for ENUM and SET value lists and unsigned ranges, and the comments (a marked table's
// comment keeps its marker). keyColumns are the primary key's, already NOT NULL.
std::vector<SchemaStatement> StatementsAfterRows(const TableNames &names, const TableDetails &details,
                                                 const std::vector<std::string> &keyColumns,
                                                 const std::map<std::string, NullingValues> &nulling,
                                                 const ConversionOptions &options, ObjectNamePlanner &objects,
                                                 std::vector<std::string> &notes);

// The NOT NULL columns whose values could arrive as NULL, which must be counted before NOT NULL is added:
// character columns (empty strings) and date columns (zero dates).
std::vector<ColumnDetails> ColumnsToCountNulling(const TableDetails &details);

// The Oracle names of a table's columns, as its create statement gave them.
ColumnNames ColumnNamesOf(const TableDetails &details, std::size_t nameBytes);

// The Oracle column names of a MySQL table, by its name.
using ColumnsOf = std::function<ColumnNames(const std::string &table)>;

// A table's foreign keys whose referenced table has an Oracle table (targets maps MySQL names to Oracle
// names); keys to other tables, and ON UPDATE rules Oracle does not have, get a line in notes.
std::vector<SchemaStatement> ForeignKeyStatements(const TableNames &names, const TableDetails &details,
                                                  const std::map<std::string, std::string> &targets,
                                                  const ConversionOptions &options, ObjectNamePlanner &objects,
                                                  const ColumnsOf &columnsOf, std::vector<std::string> &notes);

// The text of a comment as Oracle can hold it: at most 4000 bytes, cut on a character boundary, leaving
// room for a marker; a line in notes says what was cut.
std::string FittedComment(const std::string &what, const std::string &comment, std::size_t room,
                          std::vector<std::string> &notes);

} // namespace convert
