#include "StoredOrder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

namespace oraclesim {

namespace {

// A stored NUMBER ("0", "-12.5", "0.0031", "-0.123E-140"; see Decimal::toStorage) as a sign, a power of
// ten and its significant digits: value = 0.d1d2... * 10^exponent. No allocation: sorting a large table
// compares many times.
struct NumberParts {
    bool negative = false;
    int exponent = 0;
    std::array<char, 64> digits{};
    std::size_t count = 0; // 0: the value is zero

    explicit NumberParts(std::string_view s)
    {
        if (!s.empty() && s[0] == '-') {
            negative = true;
            s.remove_prefix(1);
        }
        int explicitExponent = 0;
        if (auto e = s.find_first_of("Ee"); e != std::string_view::npos) {
            explicitExponent = std::atoi(std::string(s.substr(e + 1)).c_str());
            s = s.substr(0, e);
        }
        const auto point = s.find('.');
        std::string_view whole = s.substr(0, point);
        std::string_view fraction = point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
        while (!whole.empty() && whole.front() == '0')
            whole.remove_prefix(1);
        if (!whole.empty()) {
            exponent = static_cast<int>(whole.size());
            append(whole);
            append(fraction);
        } else {
            std::size_t zeros = 0;
            while (zeros < fraction.size() && fraction[zeros] == '0')
                ++zeros;
            exponent = -static_cast<int>(zeros);
            append(fraction.substr(zeros));
        }
        while (count > 0 && digits[count - 1] == '0')
            --count;
        exponent += explicitExponent;
        if (count == 0)
            negative = false;
    }

    void append(std::string_view more)
    {
        const std::size_t n = std::min(more.size(), digits.size() - count);
        if (n == 0)
            return; // an empty view may hold no pointer at all, which memcpy must not be given
        std::memcpy(digits.data() + count, more.data(), n);
        count += n;
    }
};

int compareMagnitude(const NumberParts &a, const NumberParts &b)
{
    if (a.exponent != b.exponent)
        return a.exponent < b.exponent ? -1 : 1;
    const std::size_t n = std::min(a.count, b.count);
    if (int c = std::memcmp(a.digits.data(), b.digits.data(), n))
        return c < 0 ? -1 : 1;
    return a.count == b.count ? 0 : (a.count < b.count ? -1 : 1);
}

int bytes(std::string_view a, std::string_view b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

template <int (*Compare)(std::string_view, std::string_view)>
int collate(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return Compare(std::string_view(static_cast<const char *>(a), static_cast<std::size_t>(lengthA)),
                   std::string_view(static_cast<const char *>(b), static_cast<std::size_t>(lengthB)));
}

} // namespace

int StoredOrder::compareNumbers(std::string_view a, std::string_view b)
{
    const NumberParts x(a), y(b);
    const bool xZero = x.count == 0, yZero = y.count == 0;
    if (xZero || yZero) {
        if (xZero && yZero)
            return 0;
        if (xZero)
            return y.negative ? 1 : -1;
        return x.negative ? -1 : 1;
    }
    if (x.negative != y.negative)
        return x.negative ? -1 : 1;
    const int c = compareMagnitude(x, y);
    return x.negative ? -c : c;
}

int StoredOrder::compareDates(std::string_view a, std::string_view b)
{
    // "YYYY-MM-DD HH24:MI:SS[.fffffffff]", with a leading '-' before Christ: AD text sorts by time as it
    // is; BC years run the other way round, though their months and days do not.
    const bool beforeA = !a.empty() && a[0] == '-', beforeB = !b.empty() && b[0] == '-';
    if (beforeA != beforeB)
        return beforeA ? -1 : 1;
    if (!beforeA)
        return bytes(a, b);
    a.remove_prefix(1);
    b.remove_prefix(1);
    const std::size_t yearA = std::min(a.find('-'), a.size()), yearB = std::min(b.find('-'), b.size());
    const long ya = std::atol(std::string(a.substr(0, yearA)).c_str());
    const long yb = std::atol(std::string(b.substr(0, yearB)).c_str());
    if (ya != yb)
        return ya > yb ? -1 : 1;
    return bytes(a.substr(yearA), b.substr(yearB));
}

void StoredOrder::registerOn(sqlite3 *db)
{
    sqlite3_create_collation_v2(db, numberCollation, SQLITE_UTF8, nullptr, collate<&StoredOrder::compareNumbers>,
                                nullptr);
    sqlite3_create_collation_v2(db, dateCollation, SQLITE_UTF8, nullptr, collate<&StoredOrder::compareDates>, nullptr);
}

} // namespace oraclesim
