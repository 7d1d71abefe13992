#pragma once

#include "ConnectionProfile.h"
#include "DataSet.h"
#include "Value.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace db {

class TargetTable;

using Row = std::vector<Value>;

// One server session, described by its profile. A profile changed while the connection is open takes
// effect at the next open(), so callers close before they replace it.
//
// Threads: a connection, and the data sets and target tables made from it, belong to one thread at a
// time; another thread may take them over between calls, once the first has handed them on (a queue, a
// join). cancel() is the exception: any thread may call it at any time while the object lives.
class Connection {
public:
    virtual ~Connection() = default;

    ConnectionProfile &profile() noexcept { return m_profile; }
    const ConnectionProfile &profile() const noexcept { return m_profile; }
    void replaceProfile(std::vector<std::string> lines) { m_profile.replace(std::move(lines)); }
    void setParameter(std::string_view key, std::string_view value) { m_profile.setParameter(key, value); }

    // How long, in seconds, one call may wait for its server before the program gives up on it as not
    // answering, for the calls whose time does not grow with the data: logon checks, pings, dictionary
    // lookups, array inserts. 0: no limit. Work that grows with the table runs without it (see
    // UntimedCalls). Set before open(): an open connection may take it only at its next open().
    static constexpr unsigned kDefaultCallTimeout = 30;
    void setCallTimeout(unsigned seconds) { m_callTimeout = seconds; }
    unsigned callTimeout() const noexcept { return m_callTimeout.value_or(kDefaultCallTimeout); }
    // Whether the caller chose it, rather than leaving the default.
    bool callTimeoutChosen() const noexcept { return m_callTimeout.has_value(); }

    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // A new connection of the same kind, profile and call timeout, not yet open: a session of its own
    // for another thread of the same work.
    virtual std::unique_ptr<Connection> another() const = 0;
    // Breaks the call under way on this connection's session, from another thread, so that a Stop is
    // acted on within a second whatever the session waits for; the broken call fails with
    // db::CancelledError. Does nothing when no call is under way or the driver cannot break one. Safe to
    // call from any thread, at any time, while the connection object lives.
    // A cancel with nothing under way is forgotten, never kept for the next call, so it cannot fail
    // the work that follows a Stop (a rollback, a close). The caller sets its own stop flag first and
    // looks at it between calls; a call begun in the instant between that look and a cancel is broken
    // by the next cancel, so a caller that must be sure repeats cancel() until its worker has returned.
    virtual void cancel() noexcept {}
    // Whether the session still answers, asked of the server where the client offers a round trip for
    // it; false once it is gone. Never throws. For a caller about to do what it could not undo.
    virtual bool ping() { return isOpen(); }

    // The server's own version text, as it gave it when the session began ("10.11.6-MariaDB-0+deb12u1",
    // "8.0.36"); empty while closed, or when the client has no way to ask.
    virtual std::string serverVersion() const { return {}; }

    // A new data set on this connection; it must not outlive the connection's session.
    virtual std::unique_ptr<DataSet> createDataSet() = 0;
    // Runs a statement that returns no rows. On Oracle its time may grow with the data (DDL builds
    // indexes and validates constraints over every row, DML touches them), so it runs without the call
    // timeout. MySQL runs it on the connection's own session, under its timeout: what the program sends
    // there this way sets that session up (SET NAMES ...).
    virtual void execute(const std::string &sql) = 0;
    // Ends the open transaction, if any. Servers without one (or in autocommit) do nothing.
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // A one-off query: run with the bound values (positional markers of the server's own syntax),
    // read whole, closed. Values are never pasted into the text.
    virtual std::vector<Row> query(const std::string &sql, const std::vector<Value> &binds = {}) = 0;
    // The append-and-apply target data set over this connection, for servers that are written to.
    virtual std::unique_ptr<TargetTable> createTargetTable(const std::string &name);

protected:
    // An UntimedCalls scope is open on this connection.
    bool callsUntimed() const noexcept { return m_untimedScopes > 0; }
    // The first UntimedCalls scope opened, or the last one closed.
    virtual void untimedChanged() {}

private:
    friend class UntimedCalls;

    ConnectionProfile m_profile;
    std::optional<unsigned> m_callTimeout;
    int m_untimedScopes = 0;
};

} // namespace db
