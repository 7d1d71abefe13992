#include "ValueCanon.h"

#include <charconv>
#include <cstdlib>

namespace convert {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool digitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (!isDigit(text[i]))
            return false;
    return true;
}

int numberAt(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// ".fraction" with its trailing zeros gone, or nothing when it is all zeros.
void appendFraction(std::string_view fraction, std::string &out)
{
    while (!fraction.empty() && fraction.back() == '0')
        fraction.remove_suffix(1);
    if (!fraction.empty()) {
        out += '.';
        out += fraction;
    }
}

// MySQL's zero date, "0000-00-00" with nothing but a zero time after it: the copy makes it NULL.
bool isZeroDate(std::string_view text)
{
    if (text.substr(0, 10) != "0000-00-00")
        return false;
    text.remove_prefix(10);
    if (text.empty())
        return true;
    if (text.substr(0, 9) != " 00:00:00")
        return false;
    text.remove_prefix(9);
    if (text.empty())
        return true;
    return text[0] == '.' && text.find_first_not_of('0', 1) == std::string_view::npos;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS[.f]" or a TIME "[-]H+:MM:SS[.f]" within one day. Returns false for
// the zero date (no Oracle value: NULL). Any other date with a month or day of 0 is a row the copy
// refuses: it is kept as it is, so it can only differ, like anything else unreadable.
bool canonicalMoment(std::string_view text, std::string &out)
{
    out.clear();
    if (digitsAt(text, 0, 4) && text.size() >= 10 && text[4] == '-' && digitsAt(text, 5, 2) && text[7] == '-' &&
        digitsAt(text, 8, 2)) {
        if (isZeroDate(text))
            return false;
        if (numberAt(text, 5, 2) == 0 || numberAt(text, 8, 2) == 0) {
            out.assign(text);
            return true;
        }
        out.assign(text.substr(0, 10));
        if (text.size() == 10) {
            out += " 00:00:00";
            return true;
        }
        if (text.size() >= 19 && text[10] == ' ') {
            out += text.substr(10, 9);
            if (text.size() > 20 && text[19] == '.')
                appendFraction(text.substr(20), out);
            return true;
        }
        out.assign(text);
        return true;
    }
    // A TIME of the day.
    const auto colon = text.find(':');
    if (colon != std::string_view::npos && colon > 0 && digitsAt(text, 0, colon) && colon <= 2 &&
        digitsAt(text, colon + 1, 2) && text.size() >= colon + 6 && text[colon + 3] == ':' &&
        digitsAt(text, colon + 4, 2) && numberAt(text, 0, colon) < 24) {
        out = "1970-01-01 ";
        if (colon == 1)
            out += '0';
        out += text.substr(0, colon + 6);
        if (text.size() > colon + 7 && text[colon + 6] == '.')
            appendFraction(text.substr(colon + 7), out);
        return true;
    }
    out.assign(text);
    return true;
}

} // namespace

CanonKind canonKindOf(const db::ColumnInfo &column)
{
    switch (column.type) {
    case 1:  // VARCHAR2
    case 96: // CHAR
        return CanonKind::Text;
    case 112: // CLOB
        return CanonKind::LongText;
    case 2:   // NUMBER
    case 100: // BINARY_FLOAT
    case 101: // BINARY_DOUBLE
        return CanonKind::Number;
    case 12:  // DATE
    case 180: // TIMESTAMP (as the data dictionary names it)
    case 187: // TIMESTAMP
        return CanonKind::Moment;
    case 23: // RAW
    case 24: // LONG RAW
        return CanonKind::Bytes;
    default: // BLOB and whatever else holds bytes
        return CanonKind::LongBytes;
    }
}

std::string canonicalNumber(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::string digits;
    long pointAt = -1;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            digits += text[i];
        else if (text[i] == '.' && pointAt < 0)
            pointAt = static_cast<long>(digits.size());
        else
            break;
    }
    if (digits.empty())
        return {};
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const char *begin = text.data() + i + 1, *end = text.data() + text.size();
        if (begin < end && *begin == '+')
            ++begin;
        auto [ptr, ec] = std::from_chars(begin, end, exponent);
        if (ec != std::errc() || ptr != end)
            return {};
    } else if (i != text.size()) {
        return {};
    }
    if (pointAt < 0)
        pointAt = static_cast<long>(digits.size());
    // The value is 0.digits x 10^(pointAt + exponent): place the point there.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return "0";
    const std::size_t last = digits.find_last_not_of('0');
    long point = pointAt + exponent - static_cast<long>(first);
    const std::string significant = digits.substr(first, last - first + 1);
    std::string out = negative ? "-" : "";
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += significant;
    } else if (static_cast<std::size_t>(point) >= significant.size()) {
        out += significant;
        out.append(static_cast<std::size_t>(point) - significant.size(), '0');
    } else {
        out += significant.substr(0, static_cast<std::size_t>(point));
        out += '.';
        out += significant.substr(static_cast<std::size_t>(point));
    }
    return out;
}

bool canonicalValue(CanonKind kind, const db::Value &value, std::string &out)
{
    if (value.isNull())
        return false;
    switch (kind) {
    case CanonKind::Text:
    case CanonKind::Bytes:
        if (value.data.empty())
            return false;
        out.assign(value.data);
        return true;
    case CanonKind::LongText:
    case CanonKind::LongBytes:
        out.assign(value.data);
        return true;
    case CanonKind::Number:
        out = canonicalNumber(value.data);
        if (out.empty())
            out.assign(value.data);
        return true;
    case CanonKind::Moment:
        return canonicalMoment(value.data, out);
    }
    return false;
}

} // namespace convert
