#pragma once

#include <cstdint>
#include <optional>

namespace oraclesim {

// Sequence settings as CREATE SEQUENCE and an identity column's options give them.
struct SequenceOptions {
    std::optional<std::int64_t> startWith;
    bool startWithLimit = false; // START WITH LIMIT VALUE (identity columns, ALTER TABLE only)
    std::int64_t incrementBy = 1;
    std::optional<std::int64_t> minValue, maxValue; // nullopt: NOMINVALUE, NOMAXVALUE
    std::int64_t cache = 20;                        // 0: NOCACHE
    bool cycle = false;
    bool order = false;
};

} // namespace oraclesim
