#include "Session.h"

#include "ServiceStore.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace oraclesim {

namespace {

// Which thread holds each service file's write lock through one of this process's sessions. A
// session that finds the lock held by another session of its own thread fails at once: that
// holder cannot commit while this thread waits.
struct WriteLocks {
    std::mutex mutex;
    std::map<std::string, std::pair<const Session *, std::thread::id>> holders;
};

WriteLocks &writeLocks()
{
    static WriteLocks *locks = new WriteLocks;
    return *locks;
}

bool heldByThisThreadElsewhere(const std::string &path, const Session *self)
{
    std::lock_guard lock(writeLocks().mutex);
    auto it = writeLocks().holders.find(path);
    return it != writeLocks().holders.end() && it->second.first != self &&
           it->second.second == std::this_thread::get_id();
}

void setHolder(const std::string &path, const Session *session, bool holds)
{
    std::lock_guard lock(writeLocks().mutex);
    auto it = writeLocks().holders.find(path);
    if (holds)
        writeLocks().holders[path] = {session, std::this_thread::get_id()};
    else if (it != writeLocks().holders.end() && it->second.first == session)
        writeLocks().holders.erase(it);
}

} // namespace

OraError oraErrorFrom(const SqliteError &e)
{
    if ((e.code() & 0xff) == SQLITE_BUSY)
        return OraError::of(54);
    return OraError::of(600, "sqlite", e.what());
}

std::shared_ptr<Session> Session::logon(std::string_view user, std::string_view password,
                                        std::string_view connectString)
{
    SimConfig config = SimConfig::fromEnvironment();
    auto path = ServiceStore::resolve(connectString);
    if (!path)
        throw OraError::of(12154);
    sqlite3 *db = nullptr;
    try {
        db = ServiceStore::open(*path, config.lockTimeoutMs);
    } catch (const std::exception &e) {
        throw OraError::of(600, "sqlite", e.what());
    }
    std::string upperUser(user);
    for (auto &c : upperUser)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    bool ok = false;
    UserGrants grants;
    try {
        ok = !upperUser.empty() && ServiceStore::checkUser(db, upperUser, std::string(password));
        if (ok)
            grants = ServiceStore::grantsOf(db, upperUser);
    } catch (const SqliteError &e) {
        sqlite3_close(db);
        throw oraErrorFrom(e);
    }
    if (!ok) {
        sqlite3_close(db);
        throw OraError::of(1017);
    }
    if (!grants.privileges.has("CREATE SESSION")) {
        sqlite3_close(db);
        throw OraError::of(1045, upperUser);
    }
    std::shared_ptr<Session> session(new Session(db, upperUser, *path, config, std::move(grants)));
    session->roundTrip();
    return session;
}

Session::Session(sqlite3 *db, std::string user, std::string path, SimConfig config, UserGrants grants)
    : m_db(db), m_path(std::move(path)), m_user(std::move(user)), m_config(std::move(config)),
      m_grants(std::move(grants)), m_catalog(db)
{
}

void Session::requirePrivilege(std::string_view privilege) const
{
    if (!m_grants.privileges.has(privilege))
        throw OraError::of(1031);
}

void Session::requireSpace() const
{
    if (!m_grants.privileges.has("UNLIMITED TABLESPACE") && !m_grants.quota)
        throw OraError::of(1950, "USERS");
}

Session::~Session()
{
    // Uncommitted work of a session that goes away is rolled back, never kept.
    m_statements.clear();
    if (m_db) {
        if (m_inTransaction)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    setHolder(m_path, this, false);
}

Catalog &Session::catalog()
{
    return m_catalog;
}

SqliteStatement &Session::cached(const std::string &sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.emplace(sql, std::make_unique<SqliteStatement>(m_db, sql)).first;
    it->second->reset();
    return *it->second;
}

void Session::beginWrite()
{
    if (m_inTransaction)
        return;
    if (heldByThisThreadElsewhere(m_path, this))
        throw OraError::of(54);
    try {
        sqliteExec(m_db, "BEGIN IMMEDIATE");
    } catch (const SqliteError &e) {
        throw oraErrorFrom(e);
    }
    setHolder(m_path, this, true);
    m_inTransaction = true;
    m_dirty = false;
}

void Session::releaseIfClean()
{
    if (m_inTransaction && !m_dirty)
        rollback();
}

void Session::commit()
{
    if (!m_inTransaction)
        return;
    const bool lose = m_dirty && m_config.loseCommitAt == ++m_commits;
    try {
        sqliteExec(m_db, "COMMIT");
    } catch (const SqliteError &e) {
        throw oraErrorFrom(e);
    }
    setHolder(m_path, this, false);
    m_inTransaction = false;
    m_dirty = false;
    // The commit is done on the server, but its answer never reaches the client: the rows are in, and
    // the client only knows its session is gone.
    if (lose) {
        disconnect();
        throw OraError::of(3113);
    }
}

void Session::rollback()
{
    if (!m_inTransaction)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    setHolder(m_path, this, false);
    m_inTransaction = false;
    m_dirty = false;
}

void Session::disconnect()
{
    rollback();
    m_statements.clear();
    sqlite3_close(m_db);
    m_db = nullptr;
    m_connected = false;
}

void Session::checkConnected() const
{
    if (!m_connected)
        throw OraError::of(3114);
}

void Session::roundTrip(double workMs) const
{
    const double cost = m_config.delayMs + workMs;
    if (m_callTimeoutMs > 0 && cost > m_callTimeoutMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_callTimeoutMs));
        throw OraError::of(3156);
    }
    if (cost > 0)
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(cost));
}

} // namespace oraclesim
