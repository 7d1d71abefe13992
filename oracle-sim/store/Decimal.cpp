#include "Decimal.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <vector>

namespace oraclesim {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

void Decimal::normalize()
{
    std::size_t lead = 0;
    while (lead < m_digits.size() && m_digits[lead] == '0')
        ++lead;
    m_digits.erase(0, lead);
    m_exponent -= static_cast<int>(lead);
    while (!m_digits.empty() && m_digits.back() == '0')
        m_digits.pop_back();
    if (m_digits.empty()) {
        m_negative = false;
        m_exponent = 0;
    }
}

std::optional<Decimal> Decimal::parse(std::string_view text, char decimalChar)
{
    std::size_t i = 0, n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    while (n > i && isBlank(text[n - 1]))
        --n;
    if (i == n)
        return std::nullopt;
    Decimal d;
    if (text[i] == '+' || text[i] == '-')
        d.m_negative = text[i++] == '-';
    int intDigits = 0;
    bool any = false;
    while (i < n && isDigit(text[i])) {
        d.m_digits += text[i++];
        ++intDigits;
        any = true;
    }
    if (i < n && text[i] == decimalChar) {
        ++i;
        while (i < n && isDigit(text[i])) {
            d.m_digits += text[i++];
            any = true;
        }
    }
    if (!any)
        return std::nullopt;
    long exp = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool neg = false;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            neg = text[i++] == '-';
        if (i == n || !isDigit(text[i]))
            return std::nullopt;
        while (i < n && isDigit(text[i])) {
            if (exp < 100000)
                exp = exp * 10 + (text[i] - '0');
            ++i;
        }
        if (neg)
            exp = -exp;
    }
    if (i != n)
        return std::nullopt;
    d.m_exponent = intDigits + static_cast<int>(exp);
    d.normalize();
    return d;
}

Decimal Decimal::fromInteger(std::int64_t value)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return *parse(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

Decimal Decimal::fromDouble(double value)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    auto parsed = parse(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
    return parsed ? *parsed : Decimal();
}

int Decimal::compare(const Decimal &other) const
{
    if (isZero() || other.isZero()) {
        if (isZero() && other.isZero())
            return 0;
        if (isZero())
            return other.m_negative ? 1 : -1;
        return m_negative ? -1 : 1;
    }
    if (m_negative != other.m_negative)
        return m_negative ? -1 : 1;
    int magnitude = 0;
    if (m_exponent != other.m_exponent)
        magnitude = m_exponent < other.m_exponent ? -1 : 1;
    else {
        int c = m_digits.compare(other.m_digits);
        magnitude = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return m_negative ? -magnitude : magnitude;
}

std::string Decimal::unitsOf(int scale) const
{
    // value = 0.d1d2...dn * 10^e, so its last digit stands for 10^(e - n).
    const int last = m_exponent - static_cast<int>(m_digits.size());
    return m_digits + std::string(static_cast<std::size_t>(last - scale), '0');
}

Decimal Decimal::fromUnits(bool negative, std::string units, int scale)
{
    Decimal d;
    d.m_negative = negative;
    d.m_exponent = static_cast<int>(units.size()) + scale;
    d.m_digits = std::move(units);
    d.normalize();
    return d;
}

namespace {

// Whole numbers as decimal digit strings, most significant first.
std::string addUnits(const std::string &a, const std::string &b)
{
    std::string out;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        int sum = carry;
        if (i < a.size())
            sum += a[a.size() - 1 - i] - '0';
        if (i < b.size())
            sum += b[b.size() - 1 - i] - '0';
        out.insert(out.begin(), static_cast<char>('0' + sum % 10));
        carry = sum / 10;
    }
    return out;
}

// a - b for a >= b.
std::string subtractUnits(const std::string &a, const std::string &b)
{
    std::string out;
    int borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        int digit = a[a.size() - 1 - i] - '0' - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
        borrow = digit < 0;
        out.insert(out.begin(), static_cast<char>('0' + digit + (borrow ? 10 : 0)));
    }
    return out;
}

int compareUnits(const std::string &a, const std::string &b)
{
    const auto trim = [](const std::string &s) { return s.substr(std::min(s.find_first_not_of('0'), s.size())); };
    const std::string x = trim(a), y = trim(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y) < 0 ? -1 : (x.compare(y) > 0 ? 1 : 0);
}

} // namespace

Decimal Decimal::plus(const Decimal &other) const
{
    if (isZero())
        return other;
    if (other.isZero())
        return *this;
    const int scale = std::min(m_exponent - static_cast<int>(m_digits.size()),
                               other.m_exponent - static_cast<int>(other.m_digits.size()));
    const std::string a = unitsOf(scale), b = other.unitsOf(scale);
    if (m_negative == other.m_negative)
        return fromUnits(m_negative, addUnits(a, b), scale);
    const int c = compareUnits(a, b);
    if (c == 0)
        return Decimal();
    return c > 0 ? fromUnits(m_negative, subtractUnits(a, b), scale)
                 : fromUnits(other.m_negative, subtractUnits(b, a), scale);
}

Decimal Decimal::minus(const Decimal &other) const { return plus(other.negated()); }

Decimal Decimal::times(const Decimal &other) const
{
    if (isZero() || other.isZero())
        return Decimal();
    std::vector<int> product(m_digits.size() + other.m_digits.size(), 0);
    for (std::size_t i = 0; i < m_digits.size(); ++i)
        for (std::size_t j = 0; j < other.m_digits.size(); ++j)
            product[i + j + 1] += (m_digits[i] - '0') * (other.m_digits[j] - '0');
    for (std::size_t k = product.size() - 1; k > 0; --k) {
        product[k - 1] += product[k] / 10;
        product[k] %= 10;
    }
    std::string digits;
    for (int d : product)
        digits += static_cast<char>('0' + d);
    Decimal d;
    d.m_negative = m_negative != other.m_negative;
    d.m_exponent = m_exponent + other.m_exponent;
    d.m_digits = std::move(digits);
    d.normalize();
    return d;
}

Decimal Decimal::negated() const
{
    Decimal d = *this;
    d.m_negative = !isZero() && !m_negative;
    return d;
}

Decimal Decimal::absolute() const
{
    Decimal d = *this;
    d.m_negative = false;
    return d;
}

void Decimal::roundToSignificant(int digits)
{
    if (static_cast<int>(m_digits.size()) <= digits)
        return;
    roundToScale(digits - m_exponent);
}

void Decimal::roundToScale(int scale)
{
    if (isZero())
        return;
    long keep = static_cast<long>(m_exponent) + scale; // digits that stay
    if (keep >= static_cast<long>(m_digits.size()))
        return;
    if (keep < 0) {
        *this = Decimal();
        return;
    }
    bool up = m_digits[static_cast<std::size_t>(keep)] >= '5';
    m_digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        long i = keep - 1;
        while (i >= 0 && m_digits[static_cast<std::size_t>(i)] == '9')
            m_digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            m_digits.insert(m_digits.begin(), '1');
            ++m_exponent;
        } else {
            ++m_digits[static_cast<std::size_t>(i)];
        }
    }
    normalize();
}

bool Decimal::fitsOracleRange()
{
    // Oracle keeps 20 base-100 digits aligned on the decimal point: 40 decimal digits when the
    // leading pair is full, 39 when it holds a single digit.
    roundToSignificant(m_exponent % 2 == 0 ? 40 : 39);
    if (isZero())
        return true;
    if (m_exponent > 126)
        return false;
    if (m_exponent < -129)
        *this = Decimal();
    return true;
}

std::string Decimal::toText(char decimalChar) const
{
    if (isZero())
        return "0";
    std::string out = m_negative ? "-" : "";
    const int n = static_cast<int>(m_digits.size());
    std::string plain;
    if (m_exponent <= 0)
        plain = std::string(1, decimalChar) + std::string(static_cast<std::size_t>(-m_exponent), '0') + m_digits;
    else if (m_exponent >= n)
        plain = m_digits + std::string(static_cast<std::size_t>(m_exponent - n), '0');
    else
        plain = m_digits.substr(0, static_cast<std::size_t>(m_exponent)) + decimalChar +
                m_digits.substr(static_cast<std::size_t>(m_exponent));
    if (plain.size() + out.size() <= 40)
        return out + plain;
    std::string sci = m_digits.substr(0, 1);
    if (n > 1)
        sci += decimalChar + m_digits.substr(1);
    int e = m_exponent - 1;
    sci += e < 0 ? "E-" : "E+";
    std::string digits = std::to_string(std::abs(e));
    if (digits.size() < 2)
        digits = "0" + digits;
    return out + sci + digits;
}

std::string Decimal::toStorage() const
{
    if (isZero())
        return "0";
    // Plain notation with a leading zero, so that stored values read naturally in the database file.
    std::string t = toText('.');
    if (t.find('E') != std::string::npos) {
        std::string out = m_negative ? "-" : "";
        return out + "0." + m_digits + "E" + std::to_string(m_exponent);
    }
    if (t[0] == '.')
        return "0" + t;
    if (t.size() > 1 && t[0] == '-' && t[1] == '.')
        return "-0" + t.substr(1);
    return t;
}

std::optional<std::int64_t> Decimal::toInteger() const
{
    Decimal r = *this;
    r.roundToScale(0);
    if (r.isZero())
        return 0;
    if (r.m_exponent > 19)
        return std::nullopt;
    std::string text = (r.m_negative ? "-" : "") + r.m_digits +
                       std::string(static_cast<std::size_t>(r.m_exponent - static_cast<int>(r.m_digits.size())), '0');
    std::int64_t v = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    if (res.ec != std::errc())
        return std::nullopt;
    return v;
}

double Decimal::toDouble() const
{
    if (isZero())
        return 0.0;
    std::string text = (m_negative ? "-0." : "0.") + m_digits + "e" + std::to_string(m_exponent);
    return std::strtod(text.c_str(), nullptr);
}

} // namespace oraclesim
