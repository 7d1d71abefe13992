#pragma once

#include "db/SourceCatalog.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class CallBreaker;

namespace db {
class Connection;
}

// The server work of pages 2 to 4, done on a worker thread: plain functions that take what they use and
// give back what they made, so the window's thread never waits on a server. A Stop reaches the session
// each one calls through the breaker; they throw what the server or the client library said.
namespace pagework {

// Page 2: a new MySQL session with this profile, and the databases of its server. The session it
// replaces is closed first, here rather than on the window's thread.
struct MySqlConnected {
    std::unique_ptr<db::Connection> catalog;
    db::SourceCatalog::DatabaseList databases;
};
MySqlConnected connectMySql(std::unique_ptr<db::Connection> replaced, std::vector<std::string> profile,
                            const std::string &typedDatabase, CallBreaker &breaker);

// Page 3: three new Oracle sessions with this profile, one after the other, in place of the three given.
using OracleSessions = std::array<std::unique_ptr<db::Connection>, 3>;
OracleSessions connectOracle(OracleSessions replaced, const std::vector<std::string> &profile, CallBreaker &breaker);

// Page 4: the catalog session moved to the chosen database, and its tables and views.
struct TableListing {
    std::vector<std::string> tables, views;
};
TableListing listTables(db::Connection &catalog, const std::string &database, CallBreaker &breaker);

} // namespace pagework
