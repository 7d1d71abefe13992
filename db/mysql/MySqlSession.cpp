#include "MySqlSession.h"

#include "MySqlDataSet.h"
#include "MySqlError.h"
#include "MySqlResult.h"
#include "MySqlTypes.h"
#include "db/Error.h"
#include "db/Trace.h"

#include <errmsg.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace db {

namespace {
struct MySqlCloser {
    void operator()(MYSQL *mysql) const noexcept { mysql_close(mysql); }
};

const char *orNull(const std::string &text) { return text.empty() ? nullptr : text.c_str(); }

// The client's text for a server that accepted the connection and then said nothing ("Lost connection
// to server at 'handshake: ...'") does not say which server it was, nor that it was a wait that ended.
[[noreturn]] void throwConnectError(MYSQL *mysql, const std::string &host, std::chrono::steady_clock::duration took)
{
    const unsigned int code = mysql_errno(mysql);
    const bool lost = code == CR_SERVER_LOST || code == CR_SERVER_LOST_EXTENDED;
    const auto seconds = std::chrono::round<std::chrono::seconds>(took).count();
    if (!lost || seconds < 1)
        throwMySqlError(mysql);
    throw ConnectionLostError("The MySQL server " + (host.empty() ? std::string("localhost") : host) +
                                  " did not answer within " + std::to_string(seconds) +
                                  " seconds: " + mysql_error(mysql),
                              static_cast<int>(code));
}

// A connection that waits on the server this many seconds to connect, and for every read and write.
std::unique_ptr<MYSQL, MySqlCloser> connectWaiting(const ConnectionProfile &profile, unsigned int connectSeconds,
                                                   unsigned int seconds)
{
    std::unique_ptr<MYSQL, MySqlCloser> mysql(mysql_init(nullptr));
    if (!mysql)
        throw Error("Out of memory while creating a MySQL connection");

    // A server that accepts the connection and never answers must not hold the program: connecting and
    // every read and write give up after a while. Set before the option files are read (the client
    // reads them while connecting), so a connect-timeout there wins.
    mysql_optionsv(mysql.get(), MYSQL_OPT_CONNECT_TIMEOUT, &connectSeconds);
    mysql_optionsv(mysql.get(), MYSQL_OPT_READ_TIMEOUT, &seconds);
    mysql_optionsv(mysql.get(), MYSQL_OPT_WRITE_TIMEOUT, &seconds);
    // Read the [client] group of the standard option files, as every MySQL client does: that is where
    // users (and our test sandbox) name the local socket and the default port.
    mysql_optionsv(mysql.get(), MYSQL_READ_DEFAULT_GROUP, "client");
    const std::string charset = profile.parameterOr("CharSet", "utf8mb4");
    mysql_optionsv(mysql.get(), MYSQL_SET_CHARSET_NAME, charset.c_str());

    const std::string host = profile.parameterOr("HostName", "");
    const std::string user = profile.parameterOr("User_Name", "");
    const std::string password = profile.parameterOr("Password", "");
    const std::string database = profile.parameterOr("Database", "");
    // Port 0 and no socket: the client's defaults, i.e. 3306 and the local socket unless an option
    // file says otherwise. "localhost" is passed as is, which the client takes as the local socket.
    const auto started = std::chrono::steady_clock::now();
    if (!mysql_real_connect(mysql.get(), orNull(host), user.c_str(), password.c_str(), orNull(database), 0, nullptr,
                            CLIENT_MULTI_RESULTS))
        throwConnectError(mysql.get(), host, std::chrono::steady_clock::now() - started);

    // An option file may name its own default character set, which would win over ours.
    const char *current = mysql_character_set_name(mysql.get());
    if (!current || charset != current) {
        if (mysql_set_character_set(mysql.get(), charset.c_str()) != 0)
            throwMySqlError(mysql.get());
    }
    return mysql;
}
} // namespace

MySqlSession::~MySqlSession() { close(); }

void MySqlSession::open(const ConnectionProfile &profile, std::optional<unsigned> waitSeconds)
{
    const unsigned int seconds = waitSeconds.value_or(kTimeoutSeconds);
    auto mysql = connectWaiting(profile, seconds, seconds);
    // The client library takes only connect-timeout from the option files. A user who set it there,
    // and chose no wait otherwise, asked for that wait on the server, so reading and writing get it
    // too; they are fixed when the connection is made, hence a second connection made with it.
    unsigned int wait = seconds;
    mysql_get_optionv(mysql.get(), MYSQL_OPT_CONNECT_TIMEOUT, &wait);
    if (!waitSeconds && wait != seconds)
        mysql = connectWaiting(profile, wait, wait);
    close();
    m_mysql = mysql.release();
    if (Trace::enabled()) {
        const std::string host = profile.parameterOr("HostName", "");
        const std::string user = profile.parameterOr("User_Name", "");
        const std::string database = profile.parameterOr("Database", "");
        Trace::write("mysql", "connected as " + user + "@" + (host.empty() ? "localhost" : host) + " to " +
                                  (database.empty() ? "no database" : database) + ", server " +
                                  mysql_get_server_info(m_mysql));
    }
}

void MySqlSession::close() noexcept
{
    if (!m_mysql)
        return;
    // Results first: a streamed one must be read to its end on a session that still exists.
    for (MySqlDataSet *dataSet : m_dataSets)
        dataSet->releaseResult();
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
}

std::vector<Row> MySqlSession::queryText(const std::string &sql)
{
    MYSQL *mysql = handle();
    Trace::write("mysql", sql);
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

void MySqlSession::attach(MySqlDataSet *dataSet) { m_dataSets.push_back(dataSet); }

void MySqlSession::detach(MySqlDataSet *dataSet) noexcept
{
    m_dataSets.erase(std::remove(m_dataSets.begin(), m_dataSets.end(), dataSet), m_dataSets.end());
}

} // namespace db
