#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oraclesim {

// An exact decimal number as Oracle's NUMBER holds it: a sign, significant digits and a power of
// ten. Kept as digits so that values copied from MySQL DECIMAL columns arrive without binary rounding.
class Decimal {
public:
    Decimal() = default; // zero

    // Text with optional blanks around it, a sign, digits with one decimal character, an exponent.
    static std::optional<Decimal> parse(std::string_view text, char decimalChar = '.');
    static Decimal fromInteger(std::int64_t value);
    static Decimal fromDouble(double value);

    bool isZero() const noexcept { return m_digits.empty(); }
    bool isNegative() const noexcept { return m_negative; }
    // Digits before the decimal point (0 for |x| < 1).
    int integerDigits() const noexcept { return isZero() || m_exponent < 0 ? 0 : m_exponent; }
    int compare(const Decimal &other) const;

    // Exact sums and products; the caller holds the result to Oracle's range (fitsOracleRange).
    Decimal plus(const Decimal &other) const;
    Decimal minus(const Decimal &other) const;
    Decimal times(const Decimal &other) const;
    Decimal negated() const;
    Decimal absolute() const;

    // Rounds half away from zero so that no digit is left below 10^-scale.
    void roundToScale(int scale);
    void roundToSignificant(int digits);
    // Oracle's NUMBER: at most 40 significant digits (rounded), magnitude below 1e126 (else false),
    // values under 1e-130 become 0.
    bool fitsOracleRange();

    // Oracle's own text of a number: no leading zero before the point (".5"), no trailing zeros,
    // scientific notation once the plain form would pass 40 characters.
    std::string toText(char decimalChar = '.') const;
    // One canonical spelling per value, used for storage so that equal numbers compare equal.
    std::string toStorage() const;
    std::optional<std::int64_t> toInteger() const; // rounded; nullopt when out of range
    double toDouble() const;

private:
    bool m_negative = false;
    std::string m_digits; // significant digits, no leading or trailing zeros; empty for zero
    int m_exponent = 0;   // value = 0.d1d2d3... * 10^m_exponent
    void normalize();
    // The digits as a whole number of units of 10^scale (scale no greater than this number's last digit).
    std::string unitsOf(int scale) const;
    static Decimal fromUnits(bool negative, std::string units, int scale);
};

} // namespace oraclesim
