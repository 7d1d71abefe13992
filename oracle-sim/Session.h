#pragma once

#include "Catalog.h"
#include "NlsSettings.h"
#include "ServiceStore.h"
#include "SimConfig.h"
#include "SqliteStatement.h"
#include "db/oci/OciApi.h"

#include <sqlite3.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace oraclesim {

// One logged-on user on one service: its own SQLite connection, so that its uncommitted rows are
// its own, as in Oracle. The connection holds SQLite's write lock only while the session has
// uncommitted changes; reads never wait for writers (WAL).
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
    // A statement prepared once per session; reset and unbound before it is handed out.
    SqliteStatement &cached(const std::string &sql);

    // Starts the write transaction of the first change; ORA-00054 when another session holds it too long.
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

    // Fault injection: the connection is gone (ORA-03113 happened); every later call gets ORA-03114.
    void disconnect();
    void checkConnected() const;
    bool connected() const noexcept { return m_connected; }
    // The cost of one message to the server and back, with the server's work on top. A round trip that
    // would take longer than the call timeout is given up when it passes, as Oracle's client does:
    // ORA-03156, and the call's work is not done.
    void roundTrip(double workMs = 0) const;
    // OCI_ATTR_CALL_TIMEOUT of the service context, in milliseconds; 0 for none.
    void setCallTimeout(ub4 milliseconds) noexcept { m_callTimeoutMs = milliseconds; }
    ub4 callTimeout() const noexcept { return m_callTimeoutMs; }

private:
    Session(sqlite3 *db, std::string user, std::string path, SimConfig config, UserGrants grants);

    sqlite3 *m_db;
    std::string m_path;
    std::string m_user;
    SimConfig m_config;
    long m_commits = 0; // commits of rows so far, for ORACLE_SIM_LOSE_COMMIT
    UserGrants m_grants;
    NlsSettings m_nls;
    Catalog m_catalog;
    std::unordered_map<std::string, std::unique_ptr<SqliteStatement>> m_statements;
    bool m_inTransaction = false;
    bool m_dirty = false;
    bool m_connected = true;
    ub4 m_callTimeoutMs = 0;
    std::map<std::string, std::int64_t> m_currentValues;
};

// The Oracle error a SQLite failure shows as: a lock another session did not give up in time is
// ORA-00054, anything else an internal error carrying SQLite's text.
OraError oraErrorFrom(const SqliteError &e);

} // namespace oraclesim
