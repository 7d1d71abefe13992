#include "MySqlError.h"

#include "db/Error.h"
#include "db/Trace.h"

#include <errmsg.h>
#include <mysqld_error.h>

namespace db {

bool isConnectionLost(unsigned int code) noexcept
{
    switch (code) {
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case CR_SERVER_LOST_EXTENDED:
    case ER_CONNECTION_KILLED:
    case ER_SERVER_SHUTDOWN:
    // MySQL 8.0.24 and later close a connection idle beyond wait_timeout with this error of their own
    // (ER_CLIENT_INTERACTION_TIMEOUT), which MariaDB's headers do not name.
    case 4031:
        return true;
    default:
        return false;
    }
}

namespace {

std::string textOf(unsigned int code, const char *message)
{
    std::string text = message ? message : "";
    return text.empty() ? "MySQL client error " + std::to_string(code) : text;
}

void trace(unsigned int code, const std::string &text, const std::string &statement)
{
    if (!Trace::enabled())
        return;
    Trace::write("mysql", "error " + std::to_string(code) + ": " + text);
    if (!statement.empty())
        Trace::write("mysql", "the statement that failed: " + statement);
}

// The read timeout, when the client gave up on a call after it: the client reports that as a lost
// connection, like any other.
unsigned timedOutAfter(MYSQL *mysql, unsigned int code, MySqlClock::time_point began)
{
    if (code != CR_SERVER_LOST || !mysql)
        return 0;
    unsigned int seconds = 0;
    mysql_get_optionv(mysql, MYSQL_OPT_READ_TIMEOUT, &seconds);
    const auto waited = MySqlClock::now() - began;
    return seconds > 0 && waited >= std::chrono::seconds(seconds) - std::chrono::milliseconds(250) ? seconds : 0;
}

[[noreturn]] void throwTimedOrNot(MYSQL *mysql, unsigned int code, const char *message, const std::string &statement,
                                  MySqlClock::time_point began)
{
    const unsigned seconds = timedOutAfter(mysql, code, began);
    if (seconds == 0)
        throwMySqlError(code, message, statement);
    const std::string text = textOf(code, message);
    trace(code, text, statement);
    throw CallTimeoutError("The MySQL server did not answer within " + secondsText(seconds) + ": " + text,
                           static_cast<int>(code), statement, seconds);
}

} // namespace

void throwMySqlError(unsigned int code, const char *message, const std::string &statement)
{
    const std::string text = textOf(code, message);
    trace(code, text, statement);
    if (isConnectionLost(code))
        throw ConnectionLostError(text, static_cast<int>(code), statement);
    throw Error(text, static_cast<int>(code), statement);
}

void throwMySqlError(MYSQL *mysql, const std::string &statement)
{
    throwMySqlError(mysql_errno(mysql), mysql_error(mysql), statement);
}

void throwMySqlError(MYSQL_STMT *statement)
{
    throwMySqlError(mysql_stmt_errno(statement), mysql_stmt_error(statement));
}

void throwMySqlError(MYSQL *mysql, const std::string &statement, MySqlClock::time_point began)
{
    throwTimedOrNot(mysql, mysql_errno(mysql), mysql_error(mysql), statement, began);
}

void throwMySqlError(MYSQL_STMT *statement, MySqlClock::time_point began)
{
    throwTimedOrNot(statement->mysql, mysql_stmt_errno(statement), mysql_stmt_error(statement), {}, began);
}

} // namespace db
