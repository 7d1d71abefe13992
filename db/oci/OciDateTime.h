#pragma once

#include "OciApi.h"
#include "db/Value.h"

#include <string>
#include <string_view>

namespace db {

// Threads: any; these only convert values.

// A moment read from a MySQL value, down to the nanosecond.
struct OciDateTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int nanos = 0;

    // The fraction's digits beyond the first `digits` are not all zero: a column of that precision
    // (0 for a DATE) would lose them.
    bool hasFractionBeyond(int digits) const noexcept;
    oci::OCIDate toOciDate() const noexcept;
    // "YYYY-MM-DD HH:MM:SS.fffffffff", the form the session's pinned NLS_TIMESTAMP_FORMAT reads,
    // written into out; returns its length.
    static constexpr std::size_t kTimestampTextSize = 48;
    std::size_t timestampText(char (&out)[kTimestampTextSize]) const noexcept;
};

// What a value becomes in an Oracle DATE or TIMESTAMP column.
struct OciDateTimeConversion {
    enum class Outcome { Moment, Null, Invalid };
    Outcome outcome = Outcome::Null;
    OciDateTime moment;
    std::string problem; // why the value cannot be a date, for the rejected row's message

    // Date "YYYY-MM-DD", DateTime or Text "YYYY-MM-DD[ HH:MM:SS[.fraction]]": that moment. MySQL's
    // zero date ("0000-00-00", at a zero time) has no Oracle equivalent and becomes NULL; any other
    // date with a month or day of 0, and a real month and day in year 0, is Invalid. Time, or Text,
    // "[-]HHH:MM:SS[.fraction]": that time on 1970-01-01, when it lies within one day. Null and empty
    // text: NULL. Anything else, or an impossible date, is Invalid. Fractions keep up to nine digits;
    // more are Invalid.
    static OciDateTimeConversion from(ValueKind kind, std::string_view data);
};

// "YYYY-MM-DD HH:MM:SS"; years before 1 get a minus sign.
std::string formatOciDate(const oci::OCIDate &date);

} // namespace db
