#pragma once

#include "db/ConnectionProfile.h"

#include <mysql.h>

#include <atomic>
#include <memory>

namespace db {

struct MySqlCloser {
    void operator()(MYSQL *mysql) const noexcept { mysql_close(mysql); }
};
using MySqlHandle = std::unique_ptr<MYSQL, MySqlCloser>;

// A session with the profile's server, user and database, in the profile's character set (utf8mb4
// when it names none), after the [client] group of the standard option files, as every MySQL client
// reads them. Connecting waits on the server connectSeconds, and every later read and write waits
// seconds (0: without end); the option files may set another connect-timeout.
//
// The program waits for the server itself while connecting, so that a connect can be given up: when
// `cancelled` turns true (from any thread) the attempt ends within a tenth of a second and this throws
// db::CancelledError. A host name that takes long to look up is the one wait that cannot be cut short.
// Otherwise throws db::Error (db::ConnectionLostError for a server that accepted and then fell silent)
// with the client's own text.
MySqlHandle connectMySql(const ConnectionProfile &profile, unsigned connectSeconds, unsigned seconds,
                         const std::atomic<bool> *cancelled = nullptr);

} // namespace db
