#pragma once

#include <string>
#include <string_view>

namespace oraclesim {

// An Oracle DATE: year (negative before Christ), month, day, and time to the second.
struct OraDate {
    int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;

    // Reads text by a format model such as 'YYYY-MM-DD HH24:MI:SS' or 'DD-MON-RR', with Oracle's
    // leniency (separators match loosely; input may stop before the format does) and its errors.
    static OraDate parse(std::string_view text, std::string_view format);
    // Checks every field, throwing the error Oracle raises for the first one out of range.
    static OraDate checked(int year, int month, int day, int hour, int minute, int second);

    std::string format(std::string_view format) const;
    // One canonical spelling ("YYYY-MM-DD HH24:MI:SS" with a sign for BC) that sorts by time for AD dates.
    std::string toStorage() const;
    static OraDate fromStorage(std::string_view text);

    friend bool operator==(const OraDate &, const OraDate &) = default;
    int compare(const OraDate &other) const;
};

} // namespace oraclesim
