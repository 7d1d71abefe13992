#pragma once

#include "db/Connection.h"

#include <memory>

namespace db {

class MySqlSession;

// A MySQL source connection over MariaDB Connector/C. Profile lines: Database, User_Name, Password,
// HostName, and optionally CharSet (utf8mb4 when absent).
//
// Threads: one thread at a time uses the connection and its data sets.
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

    std::shared_ptr<MySqlSession> m_session;
    std::shared_ptr<MySqlSession> m_untimed;
    ConnectionProfile m_openedWith; // the profile of the open session, which the second one shares
};

} // namespace db
