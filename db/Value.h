#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// What a value is, as far as the copy between the two servers cares. Numbers keep their exact decimal
// text (never a binary double), dates their ISO text, so nothing is rounded on the way.
enum class ValueKind {
    Null,
    Text,     // character data, UTF-8 (or the connection's character set)
    Binary,   // raw bytes, may hold NUL
    Integer,  // decimal text of a whole number, possibly beyond int64 (unsigned bigint)
    Decimal,  // exact decimal text such as "-12.50"
    Float,    // the server's own decimal text of a float or double
    Date,     // "YYYY-MM-DD"
    DateTime, // "YYYY-MM-DD HH:MM:SS" (fractions allowed after a dot)
    Time,     // "[-]HHH:MM:SS" (MySQL TIME range)
};

// Threads: a plain value; const use from several threads at once is safe.
struct Value {
    ValueKind kind = ValueKind::Null;
    std::string data; // text form, or the raw bytes for Binary; empty for Null

    static Value null() { return {}; }
    static Value text(std::string s) { return {ValueKind::Text, std::move(s)}; }
    static Value binary(std::string s) { return {ValueKind::Binary, std::move(s)}; }
    static Value integer(std::int64_t v) { return {ValueKind::Integer, std::to_string(v)}; }
    static Value of(ValueKind k, std::string s) { return {k, std::move(s)}; }

    bool isNull() const noexcept { return kind == ValueKind::Null; }
    // NULL reads as empty text.
    const std::string &toText() const noexcept { return data; }
    // Throws db::Error "'<text>' is not a valid integer value" when the text is not a whole number.
    std::int64_t toInteger() const;

    friend bool operator==(const Value &, const Value &) = default;
};

// Strict decimal conversion shared by every "read as integer": optional sign, digits, nothing else.
std::int64_t parseInteger(std::string_view text);

} // namespace db
