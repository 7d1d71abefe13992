#include "SqliteStatement.h"

namespace oraclesim {

SqliteStatement::SqliteStatement(sqlite3 *db, std::string_view sql) : m_db(db)
{
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        throw SqliteError(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_stmt); }

SqliteStatement &SqliteStatement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_stmt, index, value);
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, std::string_view text)
{
    sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

SqliteStatement &SqliteStatement::bindBlob(int index, std::string_view bytes)
{
    sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement &SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
    return *this;
}

bool SqliteStatement::step()
{
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    int code = sqlite3_extended_errcode(m_db);
    std::string message = sqlite3_errmsg(m_db);
    sqlite3_reset(m_stmt);
    throw SqliteError(code, message);
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

std::string SqliteStatement::text(int column) const
{
    const void *p = sqlite3_column_blob(m_stmt, column);
    int n = sqlite3_column_bytes(m_stmt, column);
    return p ? std::string(static_cast<const char *>(p), static_cast<std::size_t>(n)) : std::string();
}

bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }

int SqliteStatement::columnType(int column) const { return sqlite3_column_type(m_stmt, column); }

void sqliteExec(sqlite3 *db, const std::string &sql)
{
    char *err = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string message = err ? err : sqlite3_errstr(rc);
        sqlite3_free(err);
        throw SqliteError(sqlite3_extended_errcode(db), message);
    }
}

} // namespace oraclesim
