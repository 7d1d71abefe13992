#include "MySqlError.h"

#include "Error.h"
#include "Trace.h"

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
        return true;
    default:
        return false;
    }
}

void throwMySqlError(unsigned int code, const char *message, const std::string &statement)
{
    std::string text = message ? message : "";
    if (text.empty())
        text = "MySQL client error " + std::to_string(code);
    Trace::write("mysql", "error " + std::to_string(code) + ": " + text);
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

} // namespace db
