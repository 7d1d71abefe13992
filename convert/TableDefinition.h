#pragma once

#include "ConversionOptions.h"
#include "SchemaDetails.h"
#include "TableNames.h"

#include <string>
#include <vector>

namespace db {
class DataSet;
}

namespace convert {

// The Oracle "Create table" statement for one MySQL table, from its "show FIELDS" listing read on the
// catalog data set. Lines are joined by CR LF with none after the last; the statement ends in " ) ".
// A character column whose declared size could exceed Oracle's 4000-byte VARCHAR2 has its longest value
// measured first (on the same data set); one that does exceed it becomes a CLOB, and a line saying so
// goes to notes. Throws the listing's error, a type without an Oracle equivalent, or a name that Oracle
// cannot take; nothing is sent to Oracle here.
// With details (when constraints and defaults are kept), a column also carries its default or its identity.
std::string BuildTableDefinition(db::DataSet &catalog, const TableNames &names, const ConversionOptions &options,
                                 std::vector<std::string> *notes = nullptr, const TableDetails *details = nullptr);

} // namespace convert
