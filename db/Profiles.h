#pragma once

#include <string>
#include <vector>

namespace db {

// Threads: any; these only build lines.

// The four source lines: Database, User_Name, Password, HostName. An empty host means Local, which is
// "HostName=localhost" (the client library's local socket).
std::vector<std::string> mysqlSourceProfile(const std::string &database, const std::string &user,
                                            const std::string &password, const std::string &host);

// The twelve target lines, the same for all three Oracle connections.
std::vector<std::string> oracleTargetProfile(const std::string &service, const std::string &user,
                                             const std::string &password);

} // namespace db
