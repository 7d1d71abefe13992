#pragma once

#include "Connection.h"

#include <memory>

namespace db {

class MySqlSession;

// A MySQL source connection over MariaDB Connector/C. Profile lines: Database, User_Name, Password,
// HostName, and optionally CharSet (utf8mb4 when absent).
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
    std::string serverVersion() const override;

    std::unique_ptr<DataSet> createDataSet() override;
    void execute(const std::string &sql) override;
    void commit() override;
    void rollback() override;
    std::vector<Row> query(const std::string &sql, const std::vector<Value> &binds = {}) override;

private:
    std::shared_ptr<MySqlSession> m_session;
};

} // namespace db
