#pragma once

#include <string>
#include <string_view>

namespace oraclesim {

// An Oracle DATE, or with fractions of a second a TIMESTAMP: year (negative before Christ), month,
// day, time to the second, and nanoseconds (always 0 in a DATE).
struct OraDate {
    int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int nanos = 0;

    // Reads text by a format model such as 'YYYY-MM-DD HH24:MI:SS' or 'DD-MON-RR', with Oracle's
    // leniency (separators match loosely; input may stop before the format does) and its errors.
    // FF and X (fractions of a second, the radix character) belong to timestamp formats only: in a
    // DATE format they are ORA-01821, as Oracle has it.
    static OraDate parse(std::string_view text, std::string_view format, bool timestamp = false);
    // Checks every field, throwing the error Oracle raises for the first one out of range.
    static OraDate checked(int year, int month, int day, int hour, int minute, int second, int nanos = 0);

    // fractionDigits: the precision of the TIMESTAMP the value belongs to, which is what a bare FF
    // prints; -1 for a DATE, whose format may not hold FF or X.
    std::string format(std::string_view format, int fractionDigits = -1) const;
    // The same moment kept to `digits` fractional digits, rounded half up as a TIMESTAMP(digits)
    // column stores it; a carry moves on into the seconds, minutes ... and years (ORA-01841 past 9999).
    OraDate roundedTo(int digits) const;
    OraDate withoutFraction() const;
    // One canonical spelling ("YYYY-MM-DD HH24:MI:SS" with a sign for BC, and ".fffffffff" for a
    // timestamp) that sorts by time for AD dates.
    std::string toStorage() const;
    std::string toTimestampStorage() const;
    static OraDate fromStorage(std::string_view text);

    friend bool operator==(const OraDate &, const OraDate &) = default;
    int compare(const OraDate &other) const;
};

} // namespace oraclesim
