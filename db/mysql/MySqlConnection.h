#pragma once

#include "db/Connection.h"

#include <memory>
#include <mutex>

namespace db {

class MySqlSession;

// A MySQL source connection over MariaDB Connector/C. Profile lines: Database, User_Name, Password,
// HostName, and optionally CharSet (utf8mb4 when absent).
//
// Threads: one thread at a time uses the connection and its data sets; cancel() may come from any
// thread while the connection object lives.
class MySqlConnection final : public Connection {
public:
    MySqlConnection();
    ~MySqlConnection() override;
    MySqlConnection(const MySqlConnection &) = delete;
    MySqlConnection &operator=(const MySqlConnection &) = delete;

    // Does nothing when already open: a changed profile waits for a close and the next open.
    void open() override;
    void close() override;
    bool isOpen() const override;
    std::unique_ptr<Connection> another() const override;
    // A connect under way gives up within a tenth of a second; a statement under way on either session
    // (the connection's own, or the one of UntimedCalls) is ended by KILL QUERY, sent from a session of
    // the same profile opened for that and closed again, which waits on the server a few seconds at
    // most. A streamed result still being read counts as a statement under way. The broken call fails
    // with db::CancelledError and the session stays usable; with nothing under way nothing is sent.
    void cancel() noexcept override;
    std::string serverVersion() const override;

    // Inside an UntimedCalls scope data sets, queries, commits and rollbacks go to the connection's
    // second session, which waits on the server without end; execute() always stays on its own
    // session, whose settings (SET NAMES ...) it is there to make.
    std::unique_ptr<DataSet> createDataSet() override;
    void execute(const std::string &sql) override;
    void commit() override;
    void rollback() override;
    std::vector<Row> query(const std::string &sql, const std::vector<Value> &binds = {}) override;

private:
    // The session calls go to now: the second one, opened when first needed, inside an UntimedCalls
    // scope; the connection's own one otherwise.
    const std::shared_ptr<MySqlSession> &current();

    // Both made with the connection and kept for its life, so that cancel() finds them at any time.
    const std::shared_ptr<MySqlSession> m_session;
    const std::shared_ptr<MySqlSession> m_untimed;
    mutable std::mutex m_openedMutex; // cancel() reads the profile from another thread
    ConnectionProfile m_openedWith;   // the profile of the open session, which the second one shares
};

} // namespace db
