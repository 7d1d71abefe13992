#pragma once

#include "db/Value.h"

#include <mysql.h>

namespace db {

// Threads: any.

// MySQL marks byte strings (BLOB, BINARY, VARBINARY, BIT, GEOMETRY) with this character set number.
inline constexpr unsigned int kMySqlBinaryCharset = 63;

// The kind of value a result column carries, from its declared type and character set.
ValueKind valueKindOf(const MYSQL_FIELD &field) noexcept;

// A value as the text protocol delivers it: the server's own bytes, or Null for a null pointer.
Value makeValue(const MYSQL_FIELD &field, const char *data, unsigned long length);

} // namespace db
