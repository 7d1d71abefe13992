#pragma once

#include <cstdint>
#include <string_view>

namespace convert {

// A 128-bit hash of one row's canonical values, built value by value. Not cryptographic: it tells a
// copy that kept every value from one that changed any, which is all a verification needs.
class RowHasher {
public:
    struct Hash {
        std::uint64_t a = 0, b = 0;
        friend bool operator==(const Hash &, const Hash &) = default;
    };

    void reset() noexcept;
    void addNull() noexcept;
    void addValue(std::string_view bytes) noexcept;
    Hash finish() const noexcept;

private:
    void mixWord(std::uint64_t word) noexcept;

    std::uint64_t m_a = 0, m_b = 0;
};

// The rows of a table as one order-independent digest: their number and the sum of their hashes, so the
// same rows read in any order give the same digest and any changed, missing or extra row changes it.
struct TableDigest {
    std::uint64_t rows = 0;
    std::uint64_t sumA = 0, sumB = 0;

    void add(const RowHasher::Hash &row) noexcept
    {
        ++rows;
        sumA += row.a;
        sumB += row.b;
    }
    friend bool operator==(const TableDigest &, const TableDigest &) = default;
};

} // namespace convert
