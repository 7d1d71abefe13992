#pragma once

#include <stdexcept>
#include <string>

namespace db {

// Root of every failure the data-access layer reports. what() carries the client's or server's own
// text, because that is what a user needs to see (a lost session or a call not answered in time says
// so in words first); code() is the server's number where it has one (MySQL error number, ORA-nnnnn
// number), 0 otherwise; statement() is the statement the server refused, when a statement was what
// failed, for diagnostics.
// Threads: like any exception, it may be rethrown on another thread (std::exception_ptr).
class Error : public std::runtime_error {
public:
    explicit Error(const std::string &message, int code = 0, std::string statement = {})
        : std::runtime_error(message), m_code(code), m_statement(std::move(statement))
    {
    }
    int code() const noexcept { return m_code; }
    const std::string &statement() const noexcept { return m_statement; }

private:
    int m_code;
    std::string m_statement;
};

// The session is gone (server closed it, network dropped): callers stop using the connection.
class ConnectionLostError : public Error {
public:
    using Error::Error;
};

// The server did not answer one call within the time allowed for it; the client gave up and the
// session is not used again. The message says which server and how long, with the client's own text.
class CallTimeoutError : public ConnectionLostError {
public:
    CallTimeoutError(const std::string &message, int code, std::string statement, unsigned seconds)
        : ConnectionLostError(message, code, std::move(statement)), m_seconds(seconds)
    {
    }
    unsigned seconds() const noexcept { return m_seconds; }

private:
    unsigned m_seconds;
};

// "N seconds", or "1 second".
inline std::string secondsText(unsigned seconds)
{
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

// The call was broken off from another thread (a Stop): neither server is at fault, and the session
// stays usable where the server allows it.
class CancelledError : public Error {
public:
    using Error::Error;
};

// The client library could not be loaded or lacks a function we need.
class ClientLibraryError : public Error {
public:
    using Error::Error;
};

} // namespace db
