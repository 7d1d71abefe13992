#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

namespace oraclesim {

// The files behind the net services: one SQLite database per service in $ORACLE_SIM_HOME, holding
// its users, the data dictionary and one storage table per Oracle table.
class ServiceStore {
public:
    // The service file a connect string names ("SERVICE" or "host:port/SERVICE"), or nothing when
    // the folder is unset, the name is not a plain service name, or no such service exists.
    static std::optional<std::string> resolve(std::string_view connectString);
    // The file a new service of this name gets; throws std::runtime_error when that is impossible.
    static std::string pathFor(std::string_view service);

    // Opens a service file in WAL mode with a busy timeout and makes sure the dictionary exists.
    // Throws std::runtime_error with SQLite's text.
    static sqlite3 *open(const std::string &path, int busyTimeoutMs);

    static void setUser(sqlite3 *db, const std::string &user, const std::string &password);
    static bool checkUser(sqlite3 *db, const std::string &user, const std::string &password);
};

} // namespace oraclesim
