#pragma once

#include <sqlite3.h>

#include <string_view>

namespace oraclesim {

// How stored values sort where SQLite's byte order is not Oracle's: a NUMBER's text by its value, a DATE's
// or TIMESTAMP's text by time, years before Christ included. Every connection to a service file has
// them as the collations ORANUM and ORADATE, so that SQLite can filter and sort on them.
class StoredOrder {
public:
    static constexpr const char *numberCollation = "ORANUM";
    static constexpr const char *dateCollation = "ORADATE";

    static void registerOn(sqlite3 *db);
    // Negative, zero or positive as a sorts before, with or after b.
    static int compareNumbers(std::string_view a, std::string_view b);
    static int compareDates(std::string_view a, std::string_view b);
};

} // namespace oraclesim
