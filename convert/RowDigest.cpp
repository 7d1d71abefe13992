#include "RowDigest.h"

#include <cstring>

namespace convert {

namespace {

constexpr std::uint64_t kSeedA = 0x243F6A8885A308D3ull, kSeedB = 0x13198A2E03707344ull;
constexpr std::uint64_t kPrimeA = 0x9E3779B97F4A7C15ull, kPrimeB = 0xC2B2AE3D27D4EB4Full;

std::uint64_t rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// The splitmix64 finaliser: every input bit reaches every output bit.
std::uint64_t avalanche(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return x;
}

} // namespace

void RowHasher::reset() noexcept
{
    m_a = kSeedA;
    m_b = kSeedB;
}

void RowHasher::mixWord(std::uint64_t word) noexcept
{
    m_a = rotl(m_a ^ (word * kPrimeA), 31) * kPrimeB;
    m_b = rotl(m_b + (word * kPrimeB), 27) * kPrimeA + 0x52DCE729;
}

void RowHasher::addNull() noexcept { mixWord(0xFFFFFFFFFFFFFFFFull); }

void RowHasher::addValue(std::string_view bytes) noexcept
{
    // The length first, so that values cannot shift into one another.
    mixWord(bytes.size());
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        mixWord(word);
    }
    if (i < bytes.size()) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, bytes.size() - i);
        mixWord(word);
    }
}

RowHasher::Hash RowHasher::finish() const noexcept { return {avalanche(m_a ^ (m_b >> 7)), avalanche(m_b ^ m_a)}; }

} // namespace convert
