#include "MySqlLiterals.h"

#include "NameRules.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace convert {

namespace {

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::size_t Utf8CharacterBytes(std::string_view text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8CharacterBytes(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

bool CollationIgnoresCase(std::string_view collation) { return endsWith(collation, "_ci"); }
bool CollationIgnoresAccents(std::string_view collation)
{
    return CollationIgnoresCase(collation) && !contains(collation, "_as_");
}
bool CollationOrdersByCode(std::string_view collation) { return endsWith(collation, "_bin") || collation == "binary"; }
bool CollationPadsSpaces(std::string_view collation)
{
    return !contains(collation, "_nopad_") && !contains(collation, "_0900_") && collation != "binary";
}

bool IsMySqlNumber(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digits = false;
    while (i < text.size() && isDigit(text[i]))
        digits = ++i;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]);)
            digits = ++i;
    if (!digits)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        if (++i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        // Oracle's NUMBER stops below 1e126; MySQL's doubles go on to 1e308.
        if (i == start || i - start > 3 || std::stoi(std::string(text.substr(start, i - start))) > 125)
            return false;
    }
    return i == text.size();
}

std::string OracleMoment(const std::string &text)
{
    const auto number = [&text](std::size_t at, std::size_t digits, int low, int high) {
        if (at + digits > text.size())
            return -1;
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (!isDigit(text[i]))
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value < low || value > high ? -1 : value;
    };
    const int year = number(0, 4, 1, 9999), month = number(5, 2, 1, 12), day = number(8, 2, 1, 31);
    if (year < 0 || month < 0 || day < 0 || text[4] != '-' || text[7] != '-')
        return {};
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > days[month - 1] + (month == 2 && leap ? 1 : 0))
        return {};
    if (text.size() == 10)
        return "to_date(" + quoteOracleText(text) + ", 'YYYY-MM-DD')";
    if (text.size() < 19 || text[10] != ' ' || text[13] != ':' || text[16] != ':' || number(11, 2, 0, 23) < 0 ||
        number(14, 2, 0, 59) < 0 || number(17, 2, 0, 59) < 0)
        return {};
    if (text.size() == 19)
        return "to_date(" + quoteOracleText(text) + ", 'YYYY-MM-DD HH24:MI:SS')";
    if (text[19] != '.' || text.size() < 21 || text.size() > 26 || !std::all_of(text.begin() + 20, text.end(), isDigit))
        return {};
    return "to_timestamp(" + quoteOracleText(text) + ", 'YYYY-MM-DD HH24:MI:SS.FF')";
}

std::string OracleLikePattern(std::string_view pattern, std::string_view escape, bool &escaped)
{
    std::vector<std::pair<bool, std::string_view>> units; // a wildcard?, the character
    for (std::size_t i = 0; i < pattern.size();) {
        const std::size_t n = std::max<std::size_t>(Utf8CharacterBytes(pattern, i), 1);
        const std::string_view ch = pattern.substr(i, n);
        i += n;
        if (!escape.empty() && ch == escape && i < pattern.size()) {
            const std::size_t m = std::max<std::size_t>(Utf8CharacterBytes(pattern, i), 1);
            units.emplace_back(false, pattern.substr(i, m));
            i += m;
        } else {
            units.emplace_back(ch == "%" || ch == "_", ch);
        }
    }
    escaped = std::any_of(units.begin(), units.end(),
                          [](const auto &u) { return !u.first && (u.second == "%" || u.second == "_"); });
    std::string oracle;
    for (const auto &[wildcard, ch] : units) {
        if (escaped && !wildcard && (ch == "%" || ch == "_" || ch == "\\"))
            oracle += '\\';
        oracle += ch;
    }
    return oracle;
}

} // namespace convert
