#include "OciDate.h"

#include <cstdio>

namespace db {

namespace {

// Reads exactly `digits` decimal digits at pos.
bool readNumber(const std::string &text, std::size_t &pos, std::size_t digits, int &out)
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

bool expect(const std::string &text, std::size_t &pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

OciDateConversion invalid(const Value &value, const char *what)
{
    OciDateConversion result;
    result.outcome = OciDateConversion::Outcome::Invalid;
    result.problem = "'" + value.data + "' " + what;
    return result;
}

OciDateConversion fromDateText(const Value &value)
{
    const std::string &text = value.data;
    std::size_t pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readNumber(text, pos, 4, year) || !expect(text, pos, '-') || !readNumber(text, pos, 2, month) ||
        !expect(text, pos, '-') || !readNumber(text, pos, 2, day))
        return invalid(value, "is not a date of the form YYYY-MM-DD HH:MM:SS");
    if (pos < text.size()) {
        if (!(expect(text, pos, ' ') || expect(text, pos, 'T')) || !readNumber(text, pos, 2, hour) ||
            !expect(text, pos, ':') || !readNumber(text, pos, 2, minute) || !expect(text, pos, ':') ||
            !readNumber(text, pos, 2, second))
            return invalid(value, "is not a date of the form YYYY-MM-DD HH:MM:SS");
        if (expect(text, pos, '.')) {
            // Oracle's DATE keeps whole seconds; the fraction is dropped, not rounded.
            int digit = 0;
            while (pos < text.size() && readNumber(text, pos, 1, digit)) {
            }
        }
        if (pos != text.size())
            return invalid(value, "is not a date of the form YYYY-MM-DD HH:MM:SS");
    }
    OciDateConversion result;
    if (month == 0 || day == 0)
        return result; // MySQL's zero date, or a zero in a date: NULL
    // A real month and day in year 0: Oracle's calendar has no year 0, and NULL would hide the value.
    if (year == 0)
        return invalid(value, "lies in year 0, which an Oracle date cannot hold");
    if (month > 12 || day > daysInMonth(year, month))
        return invalid(value, "is not a valid date");
    if (hour > 23 || minute > 59 || second > 59)
        return invalid(value, "is not a valid time of day");
    result.outcome = OciDateConversion::Outcome::Date;
    result.date = {static_cast<sb2>(year), static_cast<ub1>(month), static_cast<ub1>(day),
                   static_cast<ub1>(hour), static_cast<ub1>(minute), static_cast<ub1>(second)};
    return result;
}

OciDateConversion fromTime(const Value &value)
{
    const std::string &text = value.data;
    std::size_t pos = 0;
    int hour = 0, minute = 0, second = 0;
    const bool negative = expect(text, pos, '-');
    std::size_t hourDigits = 0;
    while (pos + hourDigits < text.size() && text[pos + hourDigits] >= '0' && text[pos + hourDigits] <= '9')
        ++hourDigits;
    if (hourDigits == 0 || hourDigits > 3 || !readNumber(text, pos, hourDigits, hour) || !expect(text, pos, ':') ||
        !readNumber(text, pos, 2, minute) || !expect(text, pos, ':') || !readNumber(text, pos, 2, second))
        return invalid(value, "is not a time of the form HH:MM:SS");
    if (expect(text, pos, '.')) {
        int digit = 0;
        while (pos < text.size() && readNumber(text, pos, 1, digit)) {
        }
    }
    if (pos != text.size() || minute > 59 || second > 59)
        return invalid(value, "is not a time of the form HH:MM:SS");
    // An Oracle DATE holds a time of day only; a MySQL duration beyond one day has no faithful form.
    if (negative || hour > 23)
        return invalid(value, "is outside 00:00:00-23:59:59 and cannot be stored as a time of day");
    OciDateConversion result;
    result.outcome = OciDateConversion::Outcome::Date;
    result.date = {1970, 1, 1, static_cast<ub1>(hour), static_cast<ub1>(minute), static_cast<ub1>(second)};
    return result;
}

} // namespace

OciDateConversion OciDateConversion::from(const Value &value)
{
    switch (value.kind) {
    case ValueKind::Null:
        return {};
    case ValueKind::Text:
        if (value.data.empty())
            return {}; // Oracle reads empty text as NULL in every type
        return fromDateText(value);
    case ValueKind::Date:
    case ValueKind::DateTime:
        return fromDateText(value);
    case ValueKind::Time:
        return fromTime(value);
    default:
        return invalid(value, "is not a date");
    }
}

std::string formatOciDate(const oci::OCIDate &date)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(date.year),
                  static_cast<int>(date.month), static_cast<int>(date.day), static_cast<int>(date.hour),
                  static_cast<int>(date.minute), static_cast<int>(date.second));
    return buffer;
}

} // namespace db
