#pragma once

#include <map>
#include <set>
#include <string>

namespace db {
class Connection;
}

namespace convert {

// What the Oracle schema held when a run or a check began, as far as choosing names goes: its tables,
// the MySQL table each marked one was made from, and which table owns each constraint and index name.
// Read once, in a few dictionary queries, before the first statement.
struct OracleSchema {
    std::set<std::string> tables;
    std::map<std::string, std::string> markedSources; // Oracle table -> the MySQL table its marker names
    // Constraint and index names -> the table they belong to. Oracle keeps constraints and indexes in two
    // namespaces, but a primary-key or unique constraint brings an index of its own name, so a name Morvane
    // gives must be free in both.
    std::map<std::string, std::string> objectOwners;

    // Throws the server's error: names cannot be chosen without it.
    static OracleSchema read(db::Connection &oracle, const std::string &user);
};

} // namespace convert
