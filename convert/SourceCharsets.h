#pragma once

#include "ConversionOptions.h"

#include <array>
#include <string>
#include <string_view>

namespace db {
class Connection;
}

namespace convert {

// The entries of the source character-set box, in their order. The settings keep an entry's index, so
// entries are only ever added at the end. "Default" (index 0) asks for no check.
inline constexpr std::array<std::string_view, 37> kSourceCharsets = {
    "Default",  "armscii8", "ascii",   "big5",   "binary",  "cp1250", "cp1251", "cp1256", "cp1257",  "cp850",
    "cp852",    "cp866",    "cp932",   "dec8",   "eucjpms", "euckr",  "gb2312", "gbk",    "geostd8", "greek",
    "hebrew",   "hp8",      "keybcs2", "koi8r",  "koi8u",   "latin1", "latin2", "latin5", "latin7",  "macce",
    "macroman", "sjis",     "swe7",    "tis620", "ucs2",    "ujis",   "utf8"};

// The index of the entry of this name, letter case aside; -1 for a name no entry has.
int sourceCharsetIndex(std::string_view name);

// Whether a character-set name may be placed into a statement: letters, digits and underscores only.
bool isCharsetName(std::string_view name);

// The character set the options ask every text value to be checked against, as they name it; empty for
// none: the "Default" entry, or no entry and no name. A name outside the list (one the command line
// took) counts as much as an entry.
std::string checkedCharsetName(const ConversionOptions &options);

// Whether a value read in utf8mb4 always fits the set, so that checking it would find nothing.
bool holdsEveryCharacter(std::string_view charset);

// Settles the character set the options ask for with the MySQL server before a run or a check: the
// name is looked up as the server looks it up (letter case aside, its aliases such as utf8 and
// utf8mb3 included) and replaced by the server's own name. Throws db::Error naming the set, with the
// server's own text and the sets it has, when the server has no such set.
void SettleSourceCharset(db::Connection &mysql, ConversionOptions &options);

} // namespace convert
