#pragma once

#include "Privileges.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oraclesim {

// What a user may do besides logging on: its system privileges, and its quota on the USERS tablespace
// (none; -1 unlimited; else bytes).
struct UserGrants {
    Privileges privileges;
    std::optional<std::int64_t> quota;
};

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

    // Creates the user, or gives it a new password; either way it holds these privileges (every one
    // without a list) and this quota (none without one).
    static void setUser(sqlite3 *db, const std::string &user, const std::string &password,
                        const std::optional<Privileges> &privileges = std::nullopt,
                        std::optional<std::int64_t> quota = std::nullopt);
    static bool checkUser(sqlite3 *db, const std::string &user, const std::string &password);
    static UserGrants grantsOf(sqlite3 *db, const std::string &user);
};

} // namespace oraclesim
