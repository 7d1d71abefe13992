#pragma once

#include <mysql.h>

#include <chrono>
#include <string>

namespace db {

// Threads: any; each reads the error of the handle it is given, which is the calling thread's.

// True for the error numbers that mean the session itself is gone, not just the statement refused.
bool isConnectionLost(unsigned int code) noexcept;

// Throws db::ConnectionLostError or db::Error with the client's text unchanged and its number as code.
[[noreturn]] void throwMySqlError(unsigned int code, const char *message, const std::string &statement = {});
// The statement, when one failed, goes with the error for diagnostics.
[[noreturn]] void throwMySqlError(MYSQL *mysql, const std::string &statement = {});
[[noreturn]] void throwMySqlError(MYSQL_STMT *statement);

// The same for a call that began at that moment: a connection the client dropped because its read
// timeout passed is reported as the wait it was, a db::CallTimeoutError "The MySQL server did not
// answer within N seconds: <client's text>".
using MySqlClock = std::chrono::steady_clock;
[[noreturn]] void throwMySqlError(MYSQL *mysql, const std::string &statement, MySqlClock::time_point began);
[[noreturn]] void throwMySqlError(MYSQL_STMT *statement, MySqlClock::time_point began);

} // namespace db
