#pragma once

#include "db/TargetTable.h"
#include "db/Value.h"

#include <string>
#include <string_view>

namespace convert {

// How a value compares once it is in an Oracle column: the form both sides are brought to before they are
// hashed, so that a value and its Oracle copy agree exactly when the copy kept it.
enum class CanonKind {
    Text,     // VARCHAR2, CHAR: the characters; Oracle keeps no empty string, so '' is NULL
    LongText, // CLOB: the characters; an empty CLOB stays empty
    Number,   // exact decimal text: no exponent, no leading or trailing zeros, "0" for any zero
    Moment,   // "YYYY-MM-DD HH:MM:SS[.fraction without trailing zeros]"; a TIME lies on 1970-01-01
    Bytes,    // RAW: the bytes; an empty one is NULL
    LongBytes // BLOB: the bytes; an empty BLOB stays empty
};

CanonKind canonKindOf(const db::ColumnInfo &column);

// The canonical form of a value for a column of that kind, into out (storage kept by the caller); false
// when the value is, or becomes in Oracle, NULL. A value that has no canonical form (a number or date the
// copy would refuse) is returned as its own bytes: it can only differ.
bool canonicalValue(CanonKind kind, const db::Value &value, std::string &out);

// Exact decimal text of a number written with or without an exponent; empty when it is no number.
std::string canonicalNumber(std::string_view text);

} // namespace convert
