#pragma once

#include "ColumnType.h"
#include "SqlValue.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace oraclesim {

// How column values sit in SQLite: text as TEXT, numbers and dates in one canonical TEXT spelling
// each (so that SQLite's unique indexes see equal values as equal), BLOBs as BLOB, NULL as NULL.
class StoredValue {
public:
    // A streamed LOB is bound as zeros of its length; streamInto() then fills them in.
    static void bind(sqlite3_stmt *stmt, int index, const SqlValue &value);
    // Copies a streamed LOB, chunk by chunk, into the row's column just inserted with bind().
    static void streamInto(sqlite3 *db, const std::string &table, const std::string &column, std::int64_t rowId,
                           const SqlValue &value);
    static SqlValue read(sqlite3_stmt *stmt, int column, const ColumnType &type, LobRef ref);
};

} // namespace oraclesim
