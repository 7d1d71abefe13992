#pragma once

#include <mysql.h>

#include <memory>

namespace db {

struct MySqlResultFree {
    void operator()(MYSQL_RES *result) const noexcept { mysql_free_result(result); }
};

// Owns a result set. Freeing a streamed result reads its remaining rows off the wire, which is what
// leaves the session ready for the next command.
// Threads: its session's.
using MySqlResult = std::unique_ptr<MYSQL_RES, MySqlResultFree>;

} // namespace db
