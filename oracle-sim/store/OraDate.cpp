#include "OraDate.h"

#include "OraError.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <tuple>

namespace oraclesim {

namespace {

const std::array<const char *, 12> monthNames = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                                 "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};

bool isLeap(int y)
{
    if (y < 0)
        y = y + 1; // proleptic: 1 BC behaves like year 0
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysIn(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool startsWithNoCase(std::string_view text, std::size_t pos, std::string_view word)
{
    if (text.size() - pos < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (upper(text[pos + i]) != word[i])
            return false;
    return true;
}

// The format elements we understand, longest first so that "HH24" wins over "HH" and "FF6" over "FF".
const std::array<std::string_view, 27> elements = {"SYYYY", "YYYY", "RRRR", "MONTH", "HH24", "HH12", "A.M.",
                                                   "P.M.",  "FF1",  "FF2",  "FF3",   "FF4",  "FF5",  "FF6",
                                                   "FF7",   "FF8",  "FF9",  "YYY",   "MON",  "YY",   "RR",
                                                   "MM",    "DD",   "HH",   "MI",    "SS",   "FF"};

std::string_view elementAt(std::string_view format, std::size_t pos)
{
    for (auto e : elements)
        if (startsWithNoCase(format, pos, e))
            return e;
    if (startsWithNoCase(format, pos, "AM") || startsWithNoCase(format, pos, "PM"))
        return "AM";
    if (startsWithNoCase(format, pos, "X"))
        return "X";
    return {};
}

bool isFraction(std::string_view element) {
    return element.size() >= 2 && element.substr(0, 2) == "FF";
}

// Digits an FF element stands for: its own number, or the precision of the value for a bare FF.
int fractionDigitsOf(std::string_view element, int precision) {
    return element.size() == 3 ? element[2] - '0' : precision;
}

void addOneSecond(OraDate &d) {
    if (++d.second < 60)
        return;
    d.second = 0;
    if (++d.minute < 60)
        return;
    d.minute = 0;
    if (++d.hour < 24)
        return;
    d.hour = 0;
    if (++d.day <= daysIn(d.year, d.month))
        return;
    d.day = 1;
    if (++d.month <= 12)
        return;
    d.month = 1;
    d.year = d.year == -1 ? 1 : d.year + 1;
}

int currentYear()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

} // namespace

OraDate OraDate::checked(int year, int month, int day, int hour, int minute, int second, int nanos) {
    if (year == 0 || year < -4713 || year > 9999)
        throw OraError::of(1841);
    if (month < 1 || month > 12)
        throw OraError::of(1843);
    if (day < 1 || day > daysIn(year, month))
        throw OraError::of(1847);
    if (hour < 0 || hour > 23)
        throw OraError::of(1850);
    if (minute < 0 || minute > 59)
        throw OraError::of(1851);
    if (second < 0 || second > 59)
        throw OraError::of(1852);
    if (nanos < 0 || nanos > 999999999)
        throw OraError::of(1880);
    return OraDate{year, month, day, hour, minute, second, nanos};
}

OraDate OraDate::roundedTo(int digits) const {
    static const int scale[] = {1000000000, 100000000, 10000000, 1000000, 100000, 10000, 1000, 100, 10, 1};
    const int unit = scale[digits < 0 ? 0 : (digits > 9 ? 9 : digits)];
    OraDate d = *this;
    d.nanos = (nanos + unit / 2) / unit * unit;
    if (d.nanos >= 1000000000) {
        d.nanos = 0;
        addOneSecond(d);
        // UNVERIFIED: the error Oracle gives when rounding passes 9999-12-31 23:59:59.
        if (d.year > 9999)
            throw OraError::of(1841);
    }
    return d;
}

OraDate OraDate::withoutFraction() const {
    OraDate d = *this;
    d.nanos = 0;
    return d;
}

OraDate OraDate::parse(std::string_view text, std::string_view format, bool timestamp) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, nanos = 0;
    bool haveYear = false, pm = false, twelveHour = false;
    std::size_t t = 0, f = 0;
    auto skipSeparators = [&] {
        while (t < text.size() && !std::isalnum(static_cast<unsigned char>(text[t])))
            ++t;
    };
    auto readNumber = [&](int maxDigits, bool allowSign = false) {
        // A signed year's minus is its sign, not a separator to pass over: '-0044' is 44 BC.
        std::size_t next = t;
        while (next < text.size() && text[next] == ' ')
            ++next;
        if (allowSign && next + 1 < text.size() && (text[next] == '-' || text[next] == '+') &&
            std::isdigit(static_cast<unsigned char>(text[next + 1])))
            t = next;
        else
            skipSeparators();
        bool negative = false;
        if (allowSign && t < text.size() && (text[t] == '-' || text[t] == '+'))
            negative = text[t++] == '-';
        if (t >= text.size() || !std::isdigit(static_cast<unsigned char>(text[t])))
            throw OraError::of(1858);
        int value = 0, digits = 0;
        while (t < text.size() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(text[t]))) {
            value = value * 10 + (text[t++] - '0');
            ++digits;
        }
        return std::pair(negative ? -value : value, digits);
    };
    while (f < format.size()) {
        // Leading blanks of the input never matter; running out of input leaves the rest at defaults.
        std::size_t save = t;
        while (t < text.size() && text[t] == ' ')
            ++t;
        if (t >= text.size())
            break;
        t = save;
        char fc = format[f];
        if (fc == '"') { // quoted literal text in the format
            std::size_t end = format.find('"', f + 1);
            std::string_view lit = format.substr(f + 1, end == std::string_view::npos ? std::string_view::npos : end - f - 1);
            std::string up;
            for (char c : lit)
                up += upper(c);
            if (!startsWithNoCase(text, t, up))
                throw OraError::of(1861);
            t += lit.size();
            f = end == std::string_view::npos ? format.size() : end + 1;
            continue;
        }
        std::string_view el = elementAt(format, f);
        if (el.empty()) {
            if (std::isalnum(static_cast<unsigned char>(fc)))
                throw OraError::of(1821);
            // A separator in the format must meet a separator (of any kind) in the input.
            if (t < text.size() && std::isalnum(static_cast<unsigned char>(text[t])))
                throw OraError::of(1861);
            if (t < text.size() && !std::isalnum(static_cast<unsigned char>(text[t])))
                ++t;
            ++f;
            continue;
        }
        if ((isFraction(el) || el == "X") && !timestamp)
            throw OraError::of(1821);
        f += el == "AM" ? 2 : el.size();
        if (el == "X") {
            // The radix character before the fractions: any separator of the input stands for it.
            if (t < text.size() && !std::isalnum(static_cast<unsigned char>(text[t])))
                ++t;
        } else if (isFraction(el)) {
            // At most nine digits (or as many as FFn names); a tenth is left over, and the input
            // then does not end with the format (ORA-01830). UNVERIFIED for FFn.
            auto [v, digits] = readNumber(el.size() == 3 ? el[2] - '0' : 9);
            nanos = v;
            for (int i = digits; i < 9; ++i)
                nanos *= 10;
        } else if (el == "YYYY" || el == "SYYYY" || el == "RRRR") {
            auto [v, digits] = readNumber(4, el == "SYYYY");
            year = v;
            if (el == "RRRR" && digits <= 2)
                year = v < 50 ? 2000 + v : 1900 + v;
            haveYear = true;
            if (year == 0)
                throw OraError::of(1841);
        } else if (el == "YYY") {
            year = (currentYear() / 1000) * 1000 + readNumber(3).first;
            haveYear = true;
        } else if (el == "YY" || el == "RR") {
            auto [v, digits] = readNumber(el == "RR" ? 4 : 2);
            if (digits > 2)
                year = v;
            else if (el == "RR") {
                int cur = currentYear() % 100, century = currentYear() / 100;
                if (v < 50)
                    year = (cur < 50 ? century : century + 1) * 100 + v;
                else
                    year = (cur < 50 ? century - 1 : century) * 100 + v;
            } else {
                year = (currentYear() / 100) * 100 + v;
            }
            haveYear = true;
            if (year == 0)
                throw OraError::of(1841);
        } else if (el == "MM") {
            month = readNumber(2).first;
            if (month < 1 || month > 12)
                throw OraError::of(1843);
        } else if (el == "MON" || el == "MONTH") {
            skipSeparators();
            month = 0;
            for (int m = 0; m < 12 && month == 0; ++m) {
                std::string_view full = monthNames[static_cast<std::size_t>(m)];
                if (startsWithNoCase(text, t, full)) {
                    month = m + 1;
                    t += full.size();
                } else if (startsWithNoCase(text, t, full.substr(0, 3))) {
                    month = m + 1;
                    t += 3;
                }
            }
            if (month == 0)
                throw OraError::of(1843);
        } else if (el == "DD") {
            day = readNumber(2).first;
            if (day < 1 || day > 31)
                throw OraError::of(1847);
        } else if (el == "HH24") {
            hour = readNumber(2).first;
            if (hour > 23)
                throw OraError::of(1850);
        } else if (el == "HH" || el == "HH12") {
            hour = readNumber(2).first;
            twelveHour = true;
            if (hour < 1 || hour > 12)
                throw OraError(1849, "ORA-01849: hour must be between 1 and 12");
        } else if (el == "MI") {
            minute = readNumber(2).first;
            if (minute > 59)
                throw OraError::of(1851);
        } else if (el == "SS") {
            second = readNumber(2).first;
            if (second > 59)
                throw OraError::of(1852);
        } else { // AM / PM / A.M. / P.M.
            skipSeparators();
            if (startsWithNoCase(text, t, "A.M.") || startsWithNoCase(text, t, "P.M.")) {
                pm = upper(text[t]) == 'P';
                t += 4;
            } else if (startsWithNoCase(text, t, "AM") || startsWithNoCase(text, t, "PM")) {
                pm = upper(text[t]) == 'P';
                t += 2;
            } else {
                throw OraError(1855, "ORA-01855: AM/A.M. or PM/P.M. required");
            }
        }
    }
    while (t < text.size() && text[t] == ' ')
        ++t;
    if (t < text.size())
        throw OraError::of(1830);
    if (twelveHour)
        hour = (hour % 12) + (pm ? 12 : 0);
    if (!haveYear)
        year = currentYear();
    if (month == 0) {
        // Oracle defaults a missing month to the current one, and a missing day to the first.
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        month = tm.tm_mon + 1;
    }
    if (day == 0)
        day = 1;
    return checked(year, month, day, hour, minute, second, nanos);
}

std::string OraDate::format(std::string_view fmt, int fractionDigits) const {
    std::string out;
    char buf[16];
    std::size_t f = 0;
    while (f < fmt.size()) {
        if (fmt[f] == '"') {
            std::size_t end = fmt.find('"', f + 1);
            if (end == std::string_view::npos)
                end = fmt.size();
            out.append(fmt.substr(f + 1, end - f - 1));
            f = end + 1;
            continue;
        }
        std::string_view el = elementAt(fmt, f);
        if (el.empty()) {
            out += fmt[f++];
            continue;
        }
        if ((isFraction(el) || el == "X") && fractionDigits < 0)
            throw OraError::of(1821);
        // Month names follow the case of the element: MON, Mon or mon.
        bool lowerFirst = std::islower(static_cast<unsigned char>(fmt[f])) != 0;
        bool lowerRest = f + 1 < fmt.size() && std::islower(static_cast<unsigned char>(fmt[f + 1])) != 0;
        f += el == "AM" ? 2 : el.size();
        int absYear = year < 0 ? -year : year;
        if (el == "X") {
            // A TIMESTAMP(0) shows neither the radix character nor fractions ("05.57.12 AM").
            std::string_view next = elementAt(fmt, f);
            if (!isFraction(next) || fractionDigitsOf(next, fractionDigits) > 0)
                out += '.';
        } else if (isFraction(el)) {
            // Fractions are cut to the digits asked for, not rounded. UNVERIFIED for FFn below the
            // value's precision.
            std::snprintf(buf, sizeof buf, "%09d", nanos);
            out.append(buf, static_cast<std::size_t>(fractionDigitsOf(el, fractionDigits)));
        } else if (el == "YYYY" || el == "RRRR") {
            std::snprintf(buf, sizeof buf, "%04d", absYear);
            out += buf;
        } else if (el == "SYYYY") {
            std::snprintf(buf, sizeof buf, "%s%04d", year < 0 ? "-" : " ", absYear);
            out += buf;
        } else if (el == "YYY") {
            std::snprintf(buf, sizeof buf, "%03d", absYear % 1000);
            out += buf;
        } else if (el == "YY" || el == "RR") {
            std::snprintf(buf, sizeof buf, "%02d", absYear % 100);
            out += buf;
        } else if (el == "MM") {
            std::snprintf(buf, sizeof buf, "%02d", month);
            out += buf;
        } else if (el == "MON" || el == "MONTH") {
            std::string name = monthNames[static_cast<std::size_t>(month - 1)];
            if (el == "MON")
                name = name.substr(0, 3);
            else
                name.resize(9, ' ');
            for (std::size_t i = 0; i < name.size(); ++i)
                if ((i == 0 && lowerFirst) || (i > 0 && lowerRest))
                    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
            out += name;
        } else if (el == "DD") {
            std::snprintf(buf, sizeof buf, "%02d", day);
            out += buf;
        } else if (el == "HH24") {
            std::snprintf(buf, sizeof buf, "%02d", hour);
            out += buf;
        } else if (el == "HH" || el == "HH12") {
            std::snprintf(buf, sizeof buf, "%02d", hour % 12 == 0 ? 12 : hour % 12);
            out += buf;
        } else if (el == "MI") {
            std::snprintf(buf, sizeof buf, "%02d", minute);
            out += buf;
        } else if (el == "SS") {
            std::snprintf(buf, sizeof buf, "%02d", second);
            out += buf;
        } else if (el == "A.M." || el == "P.M.") {
            out += hour < 12 ? "A.M." : "P.M.";
        } else {
            out += hour < 12 ? "AM" : "PM";
        }
    }
    return out;
}

std::string OraDate::toStorage() const
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d %02d:%02d:%02d", year < 0 ? "-" : "", year < 0 ? -year : year,
                  month, day, hour, minute, second);
    return buf;
}

std::string OraDate::toTimestampStorage() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, ".%09d", nanos);
    return toStorage() + buf;
}

OraDate OraDate::fromStorage(std::string_view text)
{
    OraDate d;
    bool negative = !text.empty() && text[0] == '-';
    std::string s(negative ? text.substr(1) : text);
    if (std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d.%d", &d.year, &d.month, &d.day, &d.hour, &d.minute,
                    &d.second, &d.nanos) < 3)
        return {};
    if (negative)
        d.year = -d.year;
    return d;
}

int OraDate::compare(const OraDate &other) const
{
    auto key = [](const OraDate &d) {
        return std::tie(d.year, d.month, d.day, d.hour, d.minute, d.second, d.nanos);
    };
    return key(*this) < key(other) ? -1 : (key(other) < key(*this) ? 1 : 0);
}

} // namespace oraclesim
