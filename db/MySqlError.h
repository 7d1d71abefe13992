#pragma once

#include <mysql.h>

#include <string>

namespace db {

// True for the error numbers that mean the session itself is gone, not just the statement refused.
bool isConnectionLost(unsigned int code) noexcept;

// Throws db::ConnectionLostError or db::Error with the client's text unchanged and its number as code.
[[noreturn]] void throwMySqlError(unsigned int code, const char *message, const std::string &statement = {});
// The statement, when one failed, goes with the error for diagnostics.
[[noreturn]] void throwMySqlError(MYSQL *mysql, const std::string &statement = {});
[[noreturn]] void throwMySqlError(MYSQL_STMT *statement);

} // namespace db
