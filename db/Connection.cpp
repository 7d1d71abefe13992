#include "Connection.h"

#include "Error.h"
#include "TargetTable.h"

namespace db {

std::unique_ptr<TargetTable> Connection::createTargetTable(const std::string &)
{
    throw Error("This connection cannot append rows to a table");
}

} // namespace db
