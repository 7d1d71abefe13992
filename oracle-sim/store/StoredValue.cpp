#include "StoredValue.h"

#include "SqliteStatement.h"
#include "TempLob.h"

namespace oraclesim {

void StoredValue::bind(sqlite3_stmt *stmt, int index, const SqlValue &value)
{
    if (value.isStreamed()) {
        sqlite3_bind_zeroblob64(stmt, index, value.stream().bytes());
        return;
    }
    switch (value.type()) {
    case SqlType::Null: sqlite3_bind_null(stmt, index); return;
    case SqlType::Number: {
        std::string s = value.decimal().toStorage();
        sqlite3_bind_text64(stmt, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
    }
    case SqlType::Timestamp: {
        std::string s = value.oraDate().toTimestampStorage();
        sqlite3_bind_text64(stmt, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
    }
    case SqlType::Date: {
        std::string s = value.oraDate().toStorage();
        sqlite3_bind_text64(stmt, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
    }
    case SqlType::Blob:
    case SqlType::Raw:
        sqlite3_bind_blob64(stmt, index, value.bytes().data(), value.bytes().size(), SQLITE_TRANSIENT);
        return;
    default:
        sqlite3_bind_text64(stmt, index, value.bytes().data(), value.bytes().size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
    }
}

void StoredValue::streamInto(sqlite3 *db, const std::string &table, const std::string &column, std::int64_t rowId,
                             const SqlValue &value)
{
    const TempLob &source = value.stream();
    if (source.bytes() == 0)
        return;
    sqlite3_blob *blob = nullptr;
    int rc = sqlite3_blob_open(db, "main", table.c_str(), column.c_str(), rowId, 1, &blob);
    int offset = 0;
    source.forEachChunk([&](std::string_view chunk) {
        if (rc == SQLITE_OK)
            rc = sqlite3_blob_write(blob, chunk.data(), static_cast<int>(chunk.size()), offset);
        offset += static_cast<int>(chunk.size());
    });
    sqlite3_blob_close(blob);
    if (rc != SQLITE_OK)
        throw SqliteError(rc, sqlite3_errmsg(db));
}

SqlValue StoredValue::read(sqlite3_stmt *stmt, int column, const ColumnType &type, LobRef ref)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return {};
    const void *p = sqlite3_column_blob(stmt, column);
    std::string bytes(p ? static_cast<const char *>(p) : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
    switch (type.base) {
    case ColumnType::Base::Number: {
        auto d = Decimal::parse(bytes);
        return SqlValue::number(d ? *d : Decimal());
    }
    case ColumnType::Base::Date: return SqlValue::date(OraDate::fromStorage(bytes));
    case ColumnType::Base::Timestamp:
        return SqlValue::timestamp(OraDate::fromStorage(bytes), type.precision);
    case ColumnType::Base::Raw:
        return SqlValue::raw(std::move(bytes));
    case ColumnType::Base::Clob: return SqlValue::clob(std::move(bytes), ref);
    case ColumnType::Base::Blob: return SqlValue::blob(std::move(bytes), ref);
    default: return SqlValue::text(std::move(bytes));
    }
}

} // namespace oraclesim
