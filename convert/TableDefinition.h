#pragma once

#include "ConversionOptions.h"
#include "TableNames.h"

#include <string>

namespace db {
class DataSet;
}

namespace convert {

// The Oracle "Create table" statement for one MySQL table, from its "show FIELDS" listing read on the
// catalog data set. Lines are joined by CR LF with none after the last; the statement ends in " ) ".
// Throws the listing's error, the type-length conversion error, or a name that Oracle cannot take;
// nothing is sent to Oracle here.
std::string BuildTableDefinition(db::DataSet &catalog, const TableNames &names, const ConversionOptions &options);

} // namespace convert
