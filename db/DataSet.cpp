#include "DataSet.h"

#include "ConnectionProfile.h"
#include "Error.h"

namespace db {

int DataSet::fieldIndex(std::string_view name) const
{
    const int count = fieldCount();
    for (int i = 0; i < count; ++i)
        if (equalsIgnoreCase(fieldName(i), name))
            return i;
    throw Error("Field '" + std::string(name) + "' not found");
}

} // namespace db
