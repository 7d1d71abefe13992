#include "OciNumber.h"

#include <charconv>
#include <string>

namespace db {

namespace {
constexpr long kSignificantDigits = 38;
constexpr long kLowestExponent = -130; // of the first significant digit
constexpr long kHighestExponent = 125;
} // namespace

std::string oracleNumberProblem(std::string_view text)
{
    // One pass, no copies: this runs for every number of every row.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    long digits = 0, pointAt = -1, first = -1, last = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (c != '0') {
                if (first < 0)
                    first = digits;
                last = digits;
            }
            ++digits;
        } else if (c == '.' && pointAt < 0) {
            pointAt = digits;
        } else {
            break;
        }
    }
    if (digits == 0)
        return {};
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const char *begin = text.data() + i + 1, *end = text.data() + text.size();
        if (begin < end && *begin == '+')
            ++begin;
        auto [ptr, ec] = std::from_chars(begin, end, exponent);
        if (ec != std::errc() || ptr != end || begin == end)
            return {};
    } else if (i != text.size()) {
        return {};
    }
    if (first < 0)
        return {}; // zero
    if (pointAt < 0)
        pointAt = digits;
    const long significant = last - first + 1;
    const long magnitude = pointAt - first - 1 + exponent;
    if (significant > kSignificantDigits)
        return "the number " + std::string(text) + " has " + std::to_string(significant) +
               " significant digits; an Oracle NUMBER keeps " + std::to_string(kSignificantDigits);
    if (magnitude < kLowestExponent || magnitude > kHighestExponent)
        return "the number " + std::string(text) + " lies outside the range of an Oracle NUMBER";
    return {};
}

} // namespace db
