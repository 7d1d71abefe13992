#pragma once

#include "OciApi.h"
#include "Value.h"

#include <string>

namespace db {

// What a value becomes in an Oracle DATE column.
struct OciDateConversion {
    enum class Outcome { Date, Null, Invalid };
    Outcome outcome = Outcome::Null;
    oci::OCIDate date{};
    std::string problem; // why the value cannot be a DATE, for the rejected row's message

    // Date "YYYY-MM-DD", DateTime or Text "YYYY-MM-DD[ HH:MM:SS[.fraction]]": that moment, fractions of a
    // second dropped. MySQL's zero dates (month or day 0, "0000-00-00" among them) have no Oracle
    // equivalent and become NULL; a real month and day in year 0 is Invalid. Time "HH:MM:SS": that time
    // on 1970-01-01, when it lies within one day. Null: NULL. Anything else, or an impossible date, is
    // Invalid.
    static OciDateConversion from(const Value &value);
};

// "YYYY-MM-DD HH:MM:SS"; years before 1 get a minus sign.
std::string formatOciDate(const oci::OCIDate &date);

} // namespace db
