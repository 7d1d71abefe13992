#pragma once

#include <mysql.h>

namespace db {

// True for the error numbers that mean the session itself is gone, not just the statement refused.
bool isConnectionLost(unsigned int code) noexcept;

// Throws db::ConnectionLostError or db::Error with the client's text unchanged and its number as code.
[[noreturn]] void throwMySqlError(unsigned int code, const char *message);
[[noreturn]] void throwMySqlError(MYSQL *mysql);
[[noreturn]] void throwMySqlError(MYSQL_STMT *statement);

} // namespace db
