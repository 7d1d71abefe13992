#include "OraLike.h"

#include "OraError.h"

#include <vector>

namespace oraclesim {

namespace {

std::size_t characterBytes(const std::string &s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    return i + n > s.size() ? s.size() - i : n;
}

std::vector<std::string> characters(const std::string &s)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = characterBytes(s, i);
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

struct Unit {
    enum class Kind { Any, One, Literal } kind;
    std::string character;
};

std::vector<Unit> compile(const std::string &pattern, const std::optional<std::string> &escape)
{
    std::vector<Unit> units;
    const auto chars = characters(pattern);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::string &c = chars[i];
        if (escape && c == *escape) {
            if (i + 1 == chars.size() || (chars[i + 1] != "%" && chars[i + 1] != "_" && chars[i + 1] != *escape))
                throw OraError::of(1424);
            units.push_back({Unit::Kind::Literal, chars[++i]});
        } else if (c == "%") {
            units.push_back({Unit::Kind::Any, {}});
        } else if (c == "_") {
            units.push_back({Unit::Kind::One, {}});
        } else {
            units.push_back({Unit::Kind::Literal, c});
        }
    }
    return units;
}

} // namespace

bool OraLike::match(const std::string &text, const std::string &pattern, const std::optional<std::string> &escape)
{
    const std::vector<Unit> units = compile(pattern, escape);
    const auto chars = characters(text);
    // matches[j]: the first i characters of the text match the first j units (one row at a time).
    std::vector<bool> matches(units.size() + 1, false);
    matches[0] = true;
    for (std::size_t j = 0; j < units.size() && units[j].kind == Unit::Kind::Any; ++j)
        matches[j + 1] = true;
    for (const auto &c : chars) {
        std::vector<bool> next(units.size() + 1, false);
        for (std::size_t j = 0; j < units.size(); ++j) {
            const Unit &u = units[j];
            if (u.kind == Unit::Kind::Any)
                next[j + 1] = next[j] || matches[j + 1] || matches[j];
            else
                next[j + 1] = matches[j] && (u.kind == Unit::Kind::One || u.character == c);
        }
        matches = std::move(next);
    }
    return matches[units.size()];
}

} // namespace oraclesim
