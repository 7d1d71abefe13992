#include "MySqlSession.h"

#include "MySqlConnect.h"
#include "MySqlDataSet.h"
#include "MySqlError.h"
#include "MySqlResult.h"
#include "MySqlTypes.h"
#include "db/Error.h"
#include "db/Trace.h"

#include <mysqld_error.h>

#include <algorithm>
#include <cstdio>

namespace db {

MySqlSession::~MySqlSession() { close(); }

void MySqlSession::open(const ConnectionProfile &profile, std::optional<unsigned> waitSeconds)
{
    {
        std::lock_guard lock(m_callMutex);
        m_connecting = true;
        m_connectCancelled = false;
    }
    struct Connecting {
        MySqlSession &session;
        ~Connecting()
        {
            std::lock_guard lock(session.m_callMutex);
            session.m_connecting = false;
        }
    } connecting{*this};

    const unsigned int seconds = waitSeconds.value_or(kTimeoutSeconds);
    auto mysql = connectMySql(profile, seconds, seconds, &m_connectCancelled);
    // The client library takes only connect-timeout from the option files. A user who set it there,
    // and chose no wait otherwise, asked for that wait on the server, so reading and writing get it
    // too; they are fixed when the connection is made, hence a second connection made with it.
    unsigned int wait = seconds;
    mysql_get_optionv(mysql.get(), MYSQL_OPT_CONNECT_TIMEOUT, &wait);
    if (!waitSeconds && wait != seconds)
        mysql = connectMySql(profile, wait, wait, &m_connectCancelled);
    close();
    m_mysql = mysql.release();
    {
        std::lock_guard lock(m_callMutex);
        m_threadId = mysql_thread_id(m_mysql);
    }
    if (Trace::enabled()) {
        const std::string host = profile.parameterOr("HostName", "");
        const std::string user = profile.parameterOr("User_Name", "");
        const std::string database = profile.parameterOr("Database", "");
        Trace::write("mysql", "connected as " + user + "@" + (host.empty() ? "localhost" : host) + " to " +
                                  (database.empty() ? "no database" : database) + ", server " +
                                  mysql_get_server_info(m_mysql) + ", session " + std::to_string(m_threadId));
    }
}

void MySqlSession::close() noexcept
{
    if (!m_mysql)
        return;
    // Results first: a streamed one must be read to its end on a session that still exists.
    for (MySqlDataSet *dataSet : m_dataSets)
        dataSet->releaseResult();
    {
        std::lock_guard lock(m_callMutex);
        m_threadId = 0;
    }
    mysql_close(m_mysql);
    m_mysql = nullptr;
}

MYSQL *MySqlSession::handle() const
{
    if (!m_mysql)
        throw Error("The MySQL connection is not open");
    return m_mysql;
}

void MySqlSession::execute(const std::string &sql)
{
    MYSQL *mysql = handle();
    Trace::write("mysql", sql);
    call([&] {
        const auto began = MySqlClock::now();
        if (mysql_real_query(mysql, sql.data(), sql.size()) != 0)
            throwMySqlError(mysql, sql, began);
        for (;;) {
            MySqlResult result(mysql_store_result(mysql));
            if (!result && mysql_field_count(mysql) != 0)
                throwMySqlError(mysql, sql, began);
            const int more = mysql_next_result(mysql);
            if (more > 0)
                throwMySqlError(mysql, sql, began);
            if (more < 0)
                return;
        }
    });
}

std::vector<Row> MySqlSession::queryText(const std::string &sql)
{
    MYSQL *mysql = handle();
    Trace::write("mysql", sql);
    return call([&] {
        const auto began = MySqlClock::now();
        if (mysql_real_query(mysql, sql.data(), sql.size()) != 0)
            throwMySqlError(mysql, sql, began);
        MySqlResult result(mysql_store_result(mysql));
        if (!result && mysql_field_count(mysql) != 0)
            throwMySqlError(mysql, sql, began);
        std::vector<Row> rows;
        if (result) {
            const unsigned int count = mysql_num_fields(result.get());
            const MYSQL_FIELD *fields = mysql_fetch_fields(result.get());
            rows.reserve(mysql_num_rows(result.get()));
            while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
                const unsigned long *lengths = mysql_fetch_lengths(result.get());
                Row values;
                values.reserve(count);
                for (unsigned int i = 0; i < count; ++i)
                    values.push_back(makeValue(fields[i], row[i], lengths[i]));
                rows.push_back(std::move(values));
            }
        }
        result.reset();
        discardMoreResults();
        return rows;
    });
}

void MySqlSession::discardMoreResults() noexcept
{
    if (!m_mysql)
        return;
    while (mysql_more_results(m_mysql)) {
        if (mysql_next_result(m_mysql) != 0)
            return;
        MySqlResult extra(mysql_store_result(m_mysql));
    }
}

void MySqlSession::beginCall() noexcept
{
    std::lock_guard lock(m_callMutex);
    if (m_underway++ == 0)
        m_killSent = false;
}

void MySqlSession::endCall() noexcept
{
    std::lock_guard lock(m_callMutex);
    --m_underway;
}

void MySqlSession::holdStatement() noexcept { beginCall(); }

void MySqlSession::releaseStatement() noexcept { endCall(); }

void MySqlSession::rethrowIfKilled(const Error &error) const
{
    if (error.code() != ER_QUERY_INTERRUPTED)
        return;
    {
        std::lock_guard lock(m_callMutex);
        if (!m_killSent)
            return;
    }
    throw CancelledError(std::string("The call to MySQL was cancelled (") + error.what() + ")", error.code(),
                         error.statement());
}

bool MySqlSession::interrupt() noexcept
{
    std::lock_guard lock(m_callMutex);
    if (m_connecting)
        m_connectCancelled = true;
    return m_underway > 0 && m_threadId != 0;
}

void MySqlSession::killStatement(MYSQL *other) noexcept
{
    std::lock_guard lock(m_callMutex);
    if (m_underway == 0 || m_threadId == 0 || m_killSent)
        return;
    char kill[48];
    const int length = std::snprintf(kill, sizeof kill, "KILL QUERY %lu", m_threadId);
    Trace::write("mysql", kill);
    if (mysql_real_query(other, kill, static_cast<unsigned long>(length)) == 0) {
        m_killSent = true;
        return;
    }
    if (Trace::enabled())
        Trace::write("mysql", std::string("the statement under way could not be ended: ") + mysql_error(other));
}

void MySqlSession::attach(MySqlDataSet *dataSet) { m_dataSets.push_back(dataSet); }

void MySqlSession::detach(MySqlDataSet *dataSet) noexcept
{
    m_dataSets.erase(std::remove(m_dataSets.begin(), m_dataSets.end(), dataSet), m_dataSets.end());
}

} // namespace db
