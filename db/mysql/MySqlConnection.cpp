#include "MySqlConnection.h"

#include "MySqlDataSet.h"
#include "MySqlError.h"
#include "MySqlSession.h"
#include "MySqlStatement.h"
#include "db/Drivers.h"

namespace db {

std::unique_ptr<Connection> createMySqlConnection() { return std::make_unique<MySqlConnection>(); }

MySqlConnection::MySqlConnection()
    : m_session(std::make_shared<MySqlSession>()), m_untimed(std::make_shared<MySqlSession>())
{
}

// Data sets may still hold a session; closing it here leaves them with a closed session rather
// than a dangling one.
MySqlConnection::~MySqlConnection()
{
    m_untimed->close();
    m_session->close();
}

void MySqlConnection::open()
{
    if (m_session->isOpen())
        return;
    m_session->open(profile(), callTimeoutChosen() ? std::optional<unsigned>(callTimeout()) : std::nullopt);
    m_openedWith = profile();
}

void MySqlConnection::close()
{
    m_untimed->close();
    m_session->close();
}

bool MySqlConnection::isOpen() const { return m_session->isOpen(); }

std::unique_ptr<Connection> MySqlConnection::another() const
{
    auto other = std::make_unique<MySqlConnection>();
    other->replaceProfile(profile().lines());
    if (callTimeoutChosen())
        other->setCallTimeout(callTimeout());
    return other;
}

std::string MySqlConnection::serverVersion() const
{
    // Kept by the client library from the handshake: no round trip.
    const char *version = m_session->isOpen() ? mysql_get_server_info(m_session->handle()) : nullptr;
    return version ? version : "";
}

const std::shared_ptr<MySqlSession> &MySqlConnection::current()
{
    if (!callsUntimed())
        return m_session;
    // Only for an open connection, and with the profile it was opened with.
    m_session->handle();
    if (!m_untimed->isOpen())
        m_untimed->open(m_openedWith, 0);
    return m_untimed;
}

std::unique_ptr<DataSet> MySqlConnection::createDataSet() { return std::make_unique<MySqlDataSet>(current()); }

void MySqlConnection::execute(const std::string &sql) { m_session->execute(sql); }

void MySqlConnection::commit()
{
    MYSQL *mysql = current()->handle();
    if (mysql_commit(mysql) != 0)
        throwMySqlError(mysql);
}

void MySqlConnection::rollback()
{
    MYSQL *mysql = current()->handle();
    if (mysql_rollback(mysql) != 0)
        throwMySqlError(mysql);
}

std::vector<Row> MySqlConnection::query(const std::string &sql, const std::vector<Value> &binds)
{
    const auto &session = current();
    if (binds.empty())
        return session->queryText(sql);
    MySqlStatement statement(session->handle(), sql);
    return statement.run(binds);
}

} // namespace db
