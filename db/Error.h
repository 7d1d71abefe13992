#pragma once

#include <stdexcept>
#include <string>

namespace db {

// Root of every failure the data-access layer reports. what() is the client's or server's own text,
// unchanged, because that is what a user needs to see; code() is the server's number where it has one
// (MySQL error number, ORA-nnnnn number), 0 otherwise.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string &message, int code = 0) : std::runtime_error(message), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

// The session is gone (server closed it, network dropped): callers stop using the connection.
class ConnectionLostError : public Error {
public:
    using Error::Error;
};

// The client library could not be loaded or lacks a function we need.
class ClientLibraryError : public Error {
public:
    using Error::Error;
};

} // namespace db
