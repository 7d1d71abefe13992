#pragma once

#include "db/Connection.h"
#include "db/OracleServerInfo.h"

#include <memory>
#include <mutex>

namespace db {

class OciSession;

// Oracle through the Oracle Call Interface. The profile's twelve lines map as follows:
// Database (connect string), User_Name and Password go to OCILogon2; RowsetSize is the number of rows
// asked of the server per fetch (at least); OS Authentication must be False (a client logon with
// name and password is all OCILogon2 offers); Trim Char=True drops the trailing blanks of CHAR values;
// Oracle TransIsolation=Serializable or RepeatableRead sets the session serializable, anything else
// keeps Oracle's read committed. DriverName, LocaleCode, ErrorResourceFile and Multiple Transaction
// change nothing here: Oracle's messages and sorting come from the server and the session has one
// transaction at a time anyway. BlobSize changes nothing either: large objects are always read whole,
// since cutting them would lose data.
//
// Threads: one thread at a time uses the connection and what is made from it; cancel() may come from any.
class OciConnection : public Connection {
public:
    OciConnection();
    ~OciConnection() override;

    void open() override;
    void close() override;
    bool isOpen() const override;
    std::unique_ptr<Connection> another() const override;
    bool ping() override;
    // Breaks the round trip under way (OCIBreak); it fails with db::CancelledError and the session stays
    // usable. Any thread.
    void cancel() noexcept override;

    std::unique_ptr<DataSet> createDataSet() override;
    void execute(const std::string &sql) override;
    void commit() override;
    void rollback() override;
    std::vector<Row> query(const std::string &sql, const std::vector<Value> &binds = {}) override;
    // name: the data set name its "Field not found" messages carry.
    std::unique_ptr<TargetTable> createTargetTable(const std::string &name) override;

    // What the server allows, read when the connection opened.
    const OracleServerInfo &serverInfo() const noexcept { return m_server; }

protected:
    void untimedChanged() override;

private:
    std::shared_ptr<OciSession> requireSession() const;

    void readServerInfo();

    std::shared_ptr<OciSession> m_session;
    // Held where m_session is replaced and where another thread takes it to break a call; the owning
    // thread reads it without.
    mutable std::mutex m_sessionMutex;
    OracleServerInfo m_server;
    unsigned m_rowsetSize = 20;
    bool m_trimChar = false;
};

} // namespace db
