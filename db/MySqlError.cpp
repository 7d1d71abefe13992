#include "MySqlError.h"

#include "Error.h"

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

void throwMySqlError(unsigned int code, const char *message)
{
    std::string text = message ? message : "";
    if (text.empty())
        text = "MySQL client error " + std::to_string(code);
    if (isConnectionLost(code))
        throw ConnectionLostError(text, static_cast<int>(code));
    throw Error(text, static_cast<int>(code));
}

void throwMySqlError(MYSQL *mysql) { throwMySqlError(mysql_errno(mysql), mysql_error(mysql)); }

void throwMySqlError(MYSQL_STMT *statement)
{
    throwMySqlError(mysql_stmt_errno(statement), mysql_stmt_error(statement));
}

} // namespace db
