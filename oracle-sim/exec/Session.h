#pragma once

#include "Catalog.h"
#include "NlsSettings.h"
#include "ServiceStore.h"
#include "SimConfig.h"
#include "SqliteStatement.h"
#include "TableRules.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oraclesim {

// Rows a query still reads from its session's own connection (inside the session's transaction). Before
// that connection changes anything, the rows are read to the end, so the query keeps the snapshot it
// began with, as Oracle's read consistency gives it.
class PendingRead {
public:
    virtual ~PendingRead() = default;
    virtual void readToEnd() = 0;
};

// One logged-on user on one service: its own SQLite connection, so that its uncommitted rows are
// its own, as in Oracle. The connection holds SQLite's write lock only while the session has
// uncommitted changes; reads never wait for writers (WAL). A query whose rows are fetched over many
// calls reads them through a connection of its own, in a snapshot of what was committed when it began.
//
// One thread at a time makes the session's calls; another may break the call under way (OCIBreak):
// requestBreak() is the only member that may be called from any thread.
class Session {
public:
    // Throws ORA-12154 for an unknown service, ORA-01017 for a wrong user or password, ORA-01045 for a
    // user without CREATE SESSION.
    static std::shared_ptr<Session> logon(std::string_view user, std::string_view password,
                                          std::string_view connectString);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    const std::string &user() const noexcept { return m_user; }
    // What the user holds, read at logon as Oracle reads it for the session.
    const UserGrants &grants() const noexcept { return m_grants; }
    // ORA-01031 unless the session holds this system privilege.
    void requirePrivilege(std::string_view privilege) const;
    // ORA-01950 unless the user may take space in its tablespace for rows: UNLIMITED TABLESPACE, or a
    // quota there. (How much of a quota is used is not counted.)
    void requireSpace() const;
    NlsSettings &nls() noexcept { return m_nls; }
    const SimConfig &config() const noexcept { return m_config; }
    sqlite3 *db() const noexcept { return m_db; }
    Catalog &catalog();
    // The parsed defaults and CHECK conditions of a table of the catalog.
    const TableRules &rules(const TableMeta &table) { return m_rules.of(m_catalog, table); }
    // A statement prepared once per session; reset and unbound before it is handed out.
    SqliteStatement &cached(const std::string &sql);

    // Starts the write transaction of the first change; ORA-00054 when another session holds it too long.
    // Queries still reading through this connection read their rows to the end first.
    void beginWrite();
    // The session now has an uncommitted change.
    void markDirty() noexcept { m_dirty = true; }
    bool hasUncommittedWork() const noexcept { return m_inTransaction && m_dirty; }
    bool inTransaction() const noexcept { return m_inTransaction; }
    // Ends a transaction that a failed statement opened without changing anything, so that the
    // session never holds the write lock for nothing.
    void releaseIfClean();
    void commit();
    void rollback();

    // Runs fn inside a read snapshot unless a write transaction already gives one.
    template <class Fn> auto read(Fn &&fn)
    {
        if (m_inTransaction)
            return fn();
        sqliteExec(m_db, "BEGIN");
        try {
            auto result = fn();
            sqliteExec(m_db, "COMMIT");
            return result;
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    // CURRVAL: the last NEXTVAL of each sequence in this session.
    void setCurrentValue(const std::string &sequence, std::int64_t value) { m_currentValues[sequence] = value; }
    std::optional<std::int64_t> currentValue(const std::string &sequence) const
    {
        auto it = m_currentValues.find(sequence);
        return it == m_currentValues.end() ? std::nullopt : std::optional<std::int64_t>(it->second);
    }

    // A connection that reads what is committed, in a snapshot of its own; back to the session when the
    // lease ends. Throws like logon when the service file cannot be opened.
    class Reader {
    public:
        Reader(Session &session, sqlite3 *db) : m_session(&session), m_db(db) {}
        Reader(Reader &&other) noexcept : m_session(other.m_session), m_db(other.m_db) { other.m_db = nullptr; }
        Reader &operator=(Reader &&) = delete;
        ~Reader();
        sqlite3 *db() const noexcept { return m_db; }

    private:
        Session *m_session;
        sqlite3 *m_db;
    };
    Reader reader();
    // Queries reading through the session's own connection (see PendingRead).
    void addPendingRead(PendingRead *read) { m_pendingReads.push_back(read); }
    void removePendingRead(PendingRead *read) { std::erase(m_pendingReads, read); }

    // A call of the client being served; between its start and end, requestBreak() stops it.
    class Call {
    public:
        explicit Call(Session &session);
        ~Call();
        Call(const Call &) = delete;
        Call &operator=(const Call &) = delete;

    private:
        Session &m_session;
    };
    // From any thread: the call under way on this session ends as soon as it can with ORA-01013, having
    // done nothing more. Without a call under way it changes nothing.
    void requestBreak();
    // ORA-01013 once the call under way was broken.
    void checkBreak() const;
    bool breakRequested() const noexcept { return m_break.load(std::memory_order_relaxed); }

    // Fault injection: the connection is gone (ORA-03113 happened); every later call gets ORA-03114.
    void disconnect();
    void checkConnected() const;
    bool connected() const noexcept { return m_connected; }
    // The cost of one message to the server and back, with the server's work on top; atServer runs
    // when the message has arrived, before the work. A round trip that would take longer than the call
    // timeout is given up when it passes, as Oracle's client does: ORA-03156, and the call's work is
    // not done. Broken, it ends with ORA-01013. No lock is held while it waits, unless the session
    // holds the write lock of its open transaction.
    void roundTrip(double workMs = 0, const std::function<void()> &atServer = nullptr);
    // A call whose work is done at once (commit, rollback): the work, then the time the message takes.
    // The write lock goes before the wait, which a break only shortens.
    void workThenRoundTrip(const std::function<void()> &work);
    // OCI_ATTR_CALL_TIMEOUT of the service context, in milliseconds; 0 for none.
    void setCallTimeout(std::uint32_t milliseconds) noexcept { m_callTimeoutMs = milliseconds; }
    std::uint32_t callTimeout() const noexcept { return m_callTimeoutMs; }

private:
    Session(sqlite3 *db, std::string user, std::string path, SimConfig config, UserGrants grants);
    // Waits, unless broken first; true when it waited the whole time.
    bool pause(double ms) const;
    void readPendingToEnd();
    static int onBusy(void *session, int count);
    void track(sqlite3 *db);
    void untrack(sqlite3 *db);

    sqlite3 *m_db;
    std::string m_path;
    std::string m_user;
    SimConfig m_config;
    long m_commits = 0; // commits of rows so far, for ORACLE_SIM_LOSE_COMMIT
    UserGrants m_grants;
    NlsSettings m_nls;
    Catalog m_catalog;
    TableRulesCache m_rules;
    std::unordered_map<std::string, std::unique_ptr<SqliteStatement>> m_statements;
    bool m_inTransaction = false;
    bool m_dirty = false;
    bool m_connected = true;
    std::uint32_t m_callTimeoutMs = 0;
    std::map<std::string, std::int64_t> m_currentValues;
    std::vector<PendingRead *> m_pendingReads;
    std::vector<sqlite3 *> m_idleReaders;

    // What a break from another thread touches; the mutex is the session's own, shared with nobody.
    mutable std::mutex m_breakMutex;
    mutable std::condition_variable m_breakSignal;
    std::atomic<bool> m_break{false};
    int m_calls = 0;
    std::vector<sqlite3 *> m_connections; // every open connection of the session, for sqlite3_interrupt
    std::chrono::steady_clock::time_point m_busySince;
};

// The Oracle error a SQLite failure shows as: a lock another session did not give up in time is
// ORA-00054, anything else an internal error carrying SQLite's text.
OraError oraErrorFrom(const SqliteError &e);

} // namespace oraclesim
