#pragma once

#include "db/Connection.h"

#include <mysql.h>

#include <optional>
#include <string>
#include <vector>

namespace db {

class MySqlDataSet;

// The server session behind one MySQL connection, shared with the data sets made from it. The data
// sets keep it alive, so a data set that outlives its connection finds the session closed instead of
// a freed handle; closing the session first releases every data set's result, because a streamed
// result still points into the session it came from.
//
// Threads: the connection's.
class MySqlSession {
public:
    // Seconds to connect, and to wait on any one read or write, before giving up on a silent server,
    // unless the caller chooses: then reads and writes wait what it chose (0: without end), and so
    // does connecting unless an option file sets connect-timeout. Without a choice an option file's
    // connect-timeout replaces this for all three (MariaDB Connector/C reads no read or write timeout
    // from option files). The client fixes them when it connects: an open session keeps them.
    static constexpr unsigned int kTimeoutSeconds = 30;

    MySqlSession() = default;
    ~MySqlSession();
    MySqlSession(const MySqlSession &) = delete;
    MySqlSession &operator=(const MySqlSession &) = delete;

    void open(const ConnectionProfile &profile, std::optional<unsigned> waitSeconds = std::nullopt);
    void close() noexcept;
    bool isOpen() const noexcept { return m_mysql != nullptr; }

    // The live handle; throws db::Error when the connection is not open.
    MYSQL *handle() const;

    // Sends one statement and throws away whatever rows it returns.
    void execute(const std::string &sql);
    // Sends one statement and reads its rows whole; a statement without rows gives none.
    std::vector<Row> queryText(const std::string &sql);
    // Skips the further results a stored procedure call may leave behind, so the next command runs.
    void discardMoreResults() noexcept;

    void attach(MySqlDataSet *dataSet);
    void detach(MySqlDataSet *dataSet) noexcept;

private:
    MYSQL *m_mysql = nullptr;
    std::vector<MySqlDataSet *> m_dataSets;
};

} // namespace db
