#include "MySqlConnection.h"

#include "MySqlConnect.h"
#include "MySqlDataSet.h"
#include "MySqlError.h"
#include "MySqlSession.h"
#include "MySqlStatement.h"
#include "db/Drivers.h"
#include "db/Trace.h"

namespace db {

namespace {

// How long the session that carries a KILL QUERY waits on the server, to connect and for its answer. A
// server slower than that to take a KILL leaves the call to its own time limit.
constexpr unsigned kKillWaitSeconds = 5;

} // namespace

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
    std::lock_guard lock(m_openedMutex);
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

void MySqlConnection::cancel() noexcept
{
    // Both sessions are asked, and both answer: a connect stops on its own, a statement needs a KILL.
    const bool ownBusy = m_session->interrupt();
    const bool untimedBusy = m_untimed->interrupt();
    if (!ownBusy && !untimedBusy)
        return;
    try {
        ConnectionProfile profile;
        {
            std::lock_guard lock(m_openedMutex);
            profile = m_openedWith;
        }
        // A KILL needs no database, and the one of the profile may be gone by now.
        profile.setParameter("Database", "");
        const MySqlHandle killer = connectMySql(profile, kKillWaitSeconds, kKillWaitSeconds);
        m_session->killStatement(killer.get());
        m_untimed->killStatement(killer.get());
    } catch (const std::exception &e) {
        // Nothing to report to: the call goes on to its end, or to its time limit.
        if (Trace::enabled())
            Trace::write("mysql", std::string("the call under way could not be cancelled: ") + e.what());
    }
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
    const auto &session = current();
    MYSQL *mysql = session->handle();
    session->call([&] {
        if (mysql_commit(mysql) != 0)
            throwMySqlError(mysql);
    });
}

void MySqlConnection::rollback()
{
    const auto &session = current();
    MYSQL *mysql = session->handle();
    session->call([&] {
        if (mysql_rollback(mysql) != 0)
            throwMySqlError(mysql);
    });
}

std::vector<Row> MySqlConnection::query(const std::string &sql, const std::vector<Value> &binds)
{
    const auto &session = current();
    if (binds.empty())
        return session->queryText(sql);
    return session->call([&] {
        MySqlStatement statement(session->handle(), sql);
        return statement.run(binds);
    });
}

} // namespace db
