#pragma once

#include "db/Connection.h"
#include "db/Error.h"

#include <mysql.h>

#include <atomic>
#include <mutex>
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
// Threads: the thread that owns the connection makes every call. interrupt() and killStatement() are
// for any other thread, at any time while the session object lives: they are how a Stop reaches a call
// under way, and they only touch the state below m_callMutex.
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

    // Throws db::CancelledError when interrupt() gave the connect up.
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

    // Runs one exchange with the server (a statement, a fetch, a commit) as the call under way, which
    // another thread may end with killStatement(): the server's "Query execution was interrupted" then
    // becomes db::CancelledError. Calls nest; the outermost one is the call.
    template <class Exchange> decltype(auto) call(Exchange &&exchange);
    // A streamed result keeps its statement under way between fetches, until it is freed: the server
    // is still at work on it.
    void holdStatement() noexcept;
    void releaseStatement() noexcept;

    // From another thread: gives up a connect under way (it ends within a tenth of a second and open()
    // throws db::CancelledError), and tells whether a statement is under way, which only a KILL QUERY
    // from another session can end.
    bool interrupt() noexcept;
    // From another thread: ends the statement under way, if one still is, with KILL QUERY sent over
    // `other`, an open handle of another session of the same user. Returns once the server has taken
    // it; the call under way cannot end before that, so the KILL never meets a later statement.
    void killStatement(MYSQL *other) noexcept;

    void attach(MySqlDataSet *dataSet);
    void detach(MySqlDataSet *dataSet) noexcept;

private:
    void beginCall() noexcept;
    void endCall() noexcept;
    // Throws db::CancelledError for an error that a KILL QUERY of ours caused; returns otherwise.
    void rethrowIfKilled(const Error &error) const;

    MYSQL *m_mysql = nullptr;
    std::vector<MySqlDataSet *> m_dataSets;

    // What another thread may read or change, under the mutex. Its holder may wait on the network
    // (killStatement), which is what keeps a KILL from outliving the call it was meant for.
    mutable std::mutex m_callMutex;
    unsigned long m_threadId = 0; // the server's id of the open session, 0 while closed
    int m_underway = 0;           // calls and held statements under way
    bool m_killSent = false;      // a KILL QUERY reached the call under way
    bool m_connecting = false;
    std::atomic<bool> m_connectCancelled{false};
};

template <class Exchange> decltype(auto) MySqlSession::call(Exchange &&exchange)
{
    struct Underway {
        MySqlSession &session;
        explicit Underway(MySqlSession &s) : session(s) { session.beginCall(); }
        ~Underway() { session.endCall(); }
        Underway(const Underway &) = delete;
        Underway &operator=(const Underway &) = delete;
    } underway(*this);
    try {
        return exchange();
    } catch (const Error &error) {
        rethrowIfKilled(error);
        throw;
    }
}

} // namespace db
