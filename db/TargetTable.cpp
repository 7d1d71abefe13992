#include "TargetTable.h"

#include "ConnectionProfile.h"
#include "Error.h"

namespace db {

std::size_t TargetTable::columnIndex(std::string_view column) const
{
    const auto &cols = columns();
    for (std::size_t i = 0; i < cols.size(); ++i)
        if (equalsIgnoreCase(cols[i].name, column))
            return i;
    throw Error(name() + ": Field '" + std::string(column) + "' not found");
}

} // namespace db
