#pragma once

#include "ColumnType.h"
#include "SqlValue.h"

#include <sqlite3.h>

namespace oraclesim {

// How column values sit in SQLite: text as TEXT, numbers and dates in one canonical TEXT spelling
// each (so that SQLite's unique indexes see equal values as equal), BLOBs as BLOB, NULL as NULL.
class StoredValue {
public:
    static void bind(sqlite3_stmt *stmt, int index, const SqlValue &value);
    static SqlValue read(sqlite3_stmt *stmt, int column, const ColumnType &type, LobRef ref);
};

} // namespace oraclesim
