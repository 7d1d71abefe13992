#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace oraclesim {

// A prepared SQLite statement, finalized when it goes out of scope. Steps raise
// SqliteError carrying SQLite's own text and extended code.
class SqliteStatement {
public:
    SqliteStatement(sqlite3 *db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    SqliteStatement &bind(int index, std::int64_t value);
    SqliteStatement &bind(int index, std::string_view text);
    SqliteStatement &bindBlob(int index, std::string_view bytes);
    SqliteStatement &bindNull(int index);

    // True while a row is available.
    bool step();
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;
    int columnType(int column) const;
    sqlite3_stmt *handle() const noexcept { return m_stmt; }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// A failure reported by SQLite itself.
class SqliteError : public std::exception {
public:
    SqliteError(int code, std::string message) : m_code(code), m_message(std::move(message)) {}
    int code() const noexcept { return m_code; }
    const char *what() const noexcept override { return m_message.c_str(); }

private:
    int m_code;
    std::string m_message;
};

// Runs statements that return nothing (schema changes, transaction control).
void sqliteExec(sqlite3 *db, const std::string &sql);

} // namespace oraclesim
