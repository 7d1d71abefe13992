#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace convert {

// How MySQL's literals, patterns and collations read once they are Oracle's.

// The byte length of the UTF-8 character at text[i], or 0 when the bytes there are not one.
std::size_t Utf8CharacterBytes(std::string_view text, std::size_t i);
bool IsValidUtf8(std::string_view text);

// A number as MySQL writes one (sign, digits with at most one point, exponent) that Oracle's NUMBER holds.
bool IsMySqlNumber(std::string_view text);

// 'YYYY-MM-DD', 'YYYY-MM-DD HH:MM:SS' or with up to six fractional digits as an Oracle expression of the
// same moment (to_date, to_timestamp with a format of four-digit years, which a CHECK condition may hold);
// empty when the text is not one of these forms or names no real day. MySQL reads looser forms too
// ('2020-1-1', '20200101'), which are left to the caller to refuse.
std::string OracleMoment(const std::string &text);

// A LIKE pattern of MySQL with its escape character ("" for none) as Oracle's pattern. MySQL takes an
// escape before any character as that character and a final escape as itself; Oracle accepts its escape
// only before %, _ and itself, so the pattern is written anew, with backslash as the escape, and
// `escaped` says whether the condition needs ESCAPE '\'. The pattern and escape are valid UTF-8.
std::string OracleLikePattern(std::string_view pattern, std::string_view escape, bool &escaped);

// Collations by what their comparisons ignore. Binary ones compare code points, as Oracle does by
// default; the others fold case (_ci), accents (_ai, and _ci without _as) and order by a language.
bool CollationIgnoresCase(std::string_view collation);
bool CollationIgnoresAccents(std::string_view collation);
bool CollationOrdersByCode(std::string_view collation);
// MySQL's PAD SPACE collations compare 'a ' equal to 'a'; the _nopad_ and 0900 ones do not.
bool CollationPadsSpaces(std::string_view collation);

} // namespace convert
