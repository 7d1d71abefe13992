#include "Session.h"

#include "ServiceStore.h"

#include <chrono>
#include <condition_variable>
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
    std::condition_variable released; // a holder let go
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
    {
        std::lock_guard lock(writeLocks().mutex);
        auto it = writeLocks().holders.find(path);
        if (holds)
            writeLocks().holders[path] = {session, std::this_thread::get_id()};
        else if (it != writeLocks().holders.end() && it->second.first == session)
            writeLocks().holders.erase(it);
        else
            return;
    }
    if (!holds)
        writeLocks().released.notify_all();
}

// Waits, at most `limit`, while another session of this process holds the file's write lock; false at
// once when none does (the holder is in another process, or gone). Sessions of one process that wait
// for each other sleep until the holder lets go instead of asking SQLite again and again, which with
// several sessions side by side costs more processor time than the writes themselves.
bool waitForHolderInThisProcess(const std::string &path, const Session *self, std::chrono::milliseconds limit)
{
    std::unique_lock lock(writeLocks().mutex);
    auto heldByAnother = [&] {
        auto it = writeLocks().holders.find(path);
        return it != writeLocks().holders.end() && it->second.first != self;
    };
    if (!heldByAnother())
        return false;
    writeLocks().released.wait_for(lock, limit, [&] { return !heldByAnother(); });
    return true;
}

} // namespace

OraError oraErrorFrom(const SqliteError &e)
{
    if ((e.code() & 0xff) == SQLITE_BUSY)
        return OraError::of(54);
    if ((e.code() & 0xff) == SQLITE_INTERRUPT)
        return OraError::of(1013);
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
    // Waits for another session's write lock in short steps, so that a break or the lock's release is
    // seen at once, not after SQLite's own growing sleeps.
    sqlite3_busy_handler(m_db, &Session::onBusy, this);
    track(m_db);
}

int Session::onBusy(void *self, int count)
{
    auto *session = static_cast<Session *>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0)
        session->m_busySince = now;
    if (session->breakRequested())
        return 0;
    const auto waited = std::chrono::duration<double, std::milli>(now - session->m_busySince).count();
    if (waited >= session->m_config.lockTimeoutMs)
        return 0;
    // A short bound, so a break is still seen at once.
    if (!waitForHolderInThisProcess(session->m_path, session, std::chrono::milliseconds(20)))
        std::this_thread::sleep_for(std::chrono::microseconds(count < 20 ? 100 : 500));
    return 1;
}

void Session::track(sqlite3 *db)
{
    std::lock_guard lock(m_breakMutex);
    m_connections.push_back(db);
}

void Session::untrack(sqlite3 *db)
{
    std::lock_guard lock(m_breakMutex);
    std::erase(m_connections, db);
}

Session::Call::Call(Session &session) : m_session(session)
{
    std::lock_guard lock(session.m_breakMutex);
    if (session.m_calls++ == 0)
        session.m_break = false;
}

Session::Call::~Call()
{
    std::lock_guard lock(m_session.m_breakMutex);
    if (--m_session.m_calls == 0)
        m_session.m_break = false;
}

void Session::requestBreak()
{
    std::lock_guard lock(m_breakMutex);
    if (m_calls == 0)
        return;
    m_break = true;
    for (sqlite3 *db : m_connections)
        sqlite3_interrupt(db);
    m_breakSignal.notify_all();
}

void Session::checkBreak() const
{
    if (breakRequested())
        throw OraError::of(1013);
}

bool Session::pause(double ms) const
{
    if (ms <= 0)
        return !breakRequested();
    std::unique_lock lock(m_breakMutex);
    return !m_breakSignal.wait_for(lock, std::chrono::duration<double, std::milli>(ms), [&] { return m_break.load(); });
}

Session::Reader::~Reader()
{
    if (!m_db)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (m_session->m_connected && m_session->m_idleReaders.size() < 2) {
        m_session->m_idleReaders.push_back(m_db);
        return;
    }
    m_session->untrack(m_db);
    sqlite3_close(m_db);
}

Session::Reader Session::reader()
{
    checkConnected();
    sqlite3 *db = nullptr;
    if (!m_idleReaders.empty()) {
        db = m_idleReaders.back();
        m_idleReaders.pop_back();
    } else {
        try {
            db = ServiceStore::open(m_path, m_config.lockTimeoutMs);
        } catch (const std::exception &e) {
            throw OraError::of(600, "sqlite", e.what());
        }
        track(db);
    }
    return Reader(*this, db);
}

void Session::readPendingToEnd()
{
    // Each one leaves the list as it finishes.
    while (!m_pendingReads.empty())
        m_pendingReads.back()->readToEnd();
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
    for (sqlite3 *reader : m_idleReaders)
        sqlite3_close(reader);
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
    readPendingToEnd();
    if (m_inTransaction)
        return;
    if (heldByThisThreadElsewhere(m_path, this))
        throw OraError::of(54);
    try {
        sqliteExec(m_db, "BEGIN IMMEDIATE");
    } catch (const SqliteError &e) {
        checkBreak(); // a wait for the lock that was broken off
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
    readPendingToEnd();
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
    readPendingToEnd();
    if (!m_inTransaction)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    setHolder(m_path, this, false);
    m_inTransaction = false;
    m_dirty = false;
}

void Session::disconnect()
{
    if (!m_connected)
        return;
    rollback();
    m_statements.clear();
    for (sqlite3 *reader : m_idleReaders) {
        untrack(reader);
        sqlite3_close(reader);
    }
    m_idleReaders.clear();
    untrack(m_db);
    sqlite3_close(m_db);
    m_db = nullptr;
    m_connected = false;
}

void Session::checkConnected() const
{
    if (!m_connected)
        throw OraError::of(3114);
}

void Session::roundTrip(double workMs, const std::function<void()> &atServer)
{
    const double cost = m_config.delayMs + workMs;
    if (m_callTimeoutMs > 0 && cost > m_callTimeoutMs) {
        if (!pause(m_callTimeoutMs))
            throw OraError::of(1013);
        throw OraError::of(3156);
    }
    if (!pause(m_config.delayMs))
        throw OraError::of(1013);
    if (atServer)
        atServer();
    if (!pause(workMs))
        throw OraError::of(1013);
}

void Session::workThenRoundTrip(const std::function<void()> &work)
{
    if (m_callTimeoutMs > 0 && m_config.delayMs > m_callTimeoutMs) {
        if (!pause(m_callTimeoutMs))
            throw OraError::of(1013);
        throw OraError::of(3156);
    }
    checkBreak();
    work();
    // The work is done: a break now only spares the rest of the wait.
    pause(m_config.delayMs);
}

} // namespace oraclesim
