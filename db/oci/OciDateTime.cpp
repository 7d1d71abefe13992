#include "OciDateTime.h"

#include <cstdio>

namespace db {

namespace {

// Reads exactly `digits` decimal digits at pos.
bool readNumber(std::string_view text, std::size_t &pos, std::size_t digits, int &out)
{
    if (pos + digits > text.size())
        return false;
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    out = value;
    pos += digits;
    return true;
}

bool expect(std::string_view text, std::size_t &pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// An optional ".fraction" at pos, as nanoseconds; false when it has more digits than a TIMESTAMP keeps.
bool readFraction(std::string_view text, std::size_t &pos, int &nanos)
{
    nanos = 0;
    if (!expect(text, pos, '.'))
        return true;
    int digits = 0, digit = 0;
    while (pos < text.size() && readNumber(text, pos, 1, digit)) {
        if (++digits > 9)
            return false;
        nanos = nanos * 10 + digit;
    }
    for (; digits < 9; ++digits)
        nanos *= 10;
    return true;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

OciDateTimeConversion invalid(std::string_view text, const char *what)
{
    OciDateTimeConversion result;
    result.outcome = OciDateTimeConversion::Outcome::Invalid;
    result.problem = "'" + std::string(text) + "' " + what;
    return result;
}

OciDateTimeConversion fromDateText(std::string_view text)
{
    static const char *const kForm = "is not a date of the form YYYY-MM-DD HH:MM:SS";
    std::size_t pos = 0;
    OciDateTime m;
    m.year = m.month = m.day = 0;
    if (!readNumber(text, pos, 4, m.year) || !expect(text, pos, '-') || !readNumber(text, pos, 2, m.month) ||
        !expect(text, pos, '-') || !readNumber(text, pos, 2, m.day))
        return invalid(text, kForm);
    if (pos < text.size()) {
        if (!(expect(text, pos, ' ') || expect(text, pos, 'T')) || !readNumber(text, pos, 2, m.hour) ||
            !expect(text, pos, ':') || !readNumber(text, pos, 2, m.minute) || !expect(text, pos, ':') ||
            !readNumber(text, pos, 2, m.second))
            return invalid(text, kForm);
        if (!readFraction(text, pos, m.nanos))
            return invalid(text, "has more fractional digits than an Oracle timestamp keeps (9)");
        if (pos != text.size())
            return invalid(text, kForm);
    }
    OciDateTimeConversion result;
    if (m.month == 0 || m.day == 0) {
        // MySQL's zero date stands for "no date": NULL. A zero month or day in a date that is otherwise
        // real, or a zero date with a time, holds something Oracle has no value for; NULL would lose it.
        if (m.year == 0 && m.month == 0 && m.day == 0 && m.hour == 0 && m.minute == 0 && m.second == 0 && m.nanos == 0)
            return result;
        return invalid(text, "has a month or day of 0, which no Oracle date has");
    }
    // A real month and day in year 0: Oracle's calendar has no year 0, and NULL would hide the value.
    if (m.year == 0)
        return invalid(text, "lies in year 0, which an Oracle date cannot hold");
    if (m.month > 12 || m.day > daysInMonth(m.year, m.month))
        return invalid(text, "is not a valid date");
    if (m.hour > 23 || m.minute > 59 || m.second > 59)
        return invalid(text, "is not a valid time of day");
    result.outcome = OciDateTimeConversion::Outcome::Moment;
    result.moment = m;
    return result;
}

OciDateTimeConversion fromTime(std::string_view text)
{
    static const char *const kForm = "is not a time of the form HH:MM:SS";
    std::size_t pos = 0;
    OciDateTime m;
    const bool negative = expect(text, pos, '-');
    std::size_t hourDigits = 0;
    while (pos + hourDigits < text.size() && text[pos + hourDigits] >= '0' && text[pos + hourDigits] <= '9')
        ++hourDigits;
    if (hourDigits == 0 || hourDigits > 3 || !readNumber(text, pos, hourDigits, m.hour) ||
        !expect(text, pos, ':') || !readNumber(text, pos, 2, m.minute) || !expect(text, pos, ':') ||
        !readNumber(text, pos, 2, m.second))
        return invalid(text, kForm);
    if (!readFraction(text, pos, m.nanos))
        return invalid(text, "has more fractional digits than an Oracle timestamp keeps (9)");
    if (pos != text.size() || m.minute > 59 || m.second > 59)
        return invalid(text, kForm);
    // An Oracle date holds a time of day only; a MySQL duration beyond one day has no faithful form.
    if (negative || m.hour > 23)
        return invalid(text, "is outside 00:00:00-23:59:59 and cannot be stored as a time of day");
    OciDateTimeConversion result;
    result.outcome = OciDateTimeConversion::Outcome::Moment;
    result.moment = m;
    return result;
}

// Text holds either form: a time is digits (after an optional minus) up to its first colon.
bool looksLikeTime(std::string_view text)
{
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::size_t digitsFrom = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    return i > digitsFrom && i < text.size() && text[i] == ':';
}

} // namespace

bool OciDateTime::hasFractionBeyond(int digits) const noexcept {
    int unit = 1000000000;
    for (int i = 0; i < digits && unit > 1; ++i)
        unit /= 10;
    return nanos % unit != 0;
}

oci::OCIDate OciDateTime::toOciDate() const noexcept {
    return {static_cast<sb2>(year), static_cast<ub1>(month),  static_cast<ub1>(day),
            static_cast<ub1>(hour), static_cast<ub1>(minute), static_cast<ub1>(second)};
}

std::size_t OciDateTime::timestampText(char (&out)[kTimestampTextSize]) const noexcept {
    const int n = std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d.%09d", year, month, day, hour,
                                minute, second, nanos);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

OciDateTimeConversion OciDateTimeConversion::from(ValueKind kind, std::string_view data)
{
    switch (kind) {
    case ValueKind::Null:
        return {};
    case ValueKind::Text:
        if (data.empty())
            return {}; // Oracle reads empty text as NULL in every type
        return looksLikeTime(data) ? fromTime(data) : fromDateText(data);
    case ValueKind::Date:
    case ValueKind::DateTime:
        return fromDateText(data);
    case ValueKind::Time:
        return fromTime(data);
    default:
        return invalid(data, "is not a date");
    }
}

std::string formatOciDate(const oci::OCIDate &date) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(date.year),
                  static_cast<int>(date.month), static_cast<int>(date.day), static_cast<int>(date.hour),
                  static_cast<int>(date.minute), static_cast<int>(date.second));
    return buffer;
}

} // namespace db
