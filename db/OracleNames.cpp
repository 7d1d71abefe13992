#include "OracleNames.h"

#include "Error.h"

namespace db {

std::string quoteOracleName(std::string_view name, std::string_view what)
{
    if (name.find('"') != std::string_view::npos)
        throw Error("The " + std::string(what) + " name " + std::string(name) +
                    " contains a double quote, which an Oracle name cannot hold");
    std::string quoted;
    quoted.reserve(name.size() + 2);
    quoted += '"';
    quoted += name;
    quoted += '"';
    return quoted;
}

} // namespace db
