#pragma once

#include "db/Value.h"

#include <string>
#include <string_view>
#include <vector>

namespace db {

// Threads: any.

// The SQL literal for a value that reads back as the same value, so that no value can change the
// statement: numbers as their digits, dates and times between quotes, text as hexadecimal introduced
// by the connection's character set (compared by the column's collation), bytes as hexadecimal, NULL
// as NULL. Throws db::Error for a value that has no such literal (a number or date holding other
// characters).
std::string mysqlLiteral(const Value &value, std::string_view charset);

// The statement with each "?" marker replaced by the literal of the next value, for the text protocol,
// which has no parameters: the caller writes the statement's shape once, and only what is sent holds
// the values. A "?" inside quoted text, a quoted name or a comment is no marker. Throws db::Error when
// markers and values do not pair up.
std::string placeMySqlValues(std::string_view sql, const std::vector<Value> &values, std::string_view charset);

} // namespace db
