#pragma once

#include <array>
#include <string>
#include <string_view>

namespace convert {

// The entries of the source character-set box, in their order. The settings keep an entry's index, so
// entries are only ever added at the end. "Default" (index 0) asks for no check.
inline constexpr std::array<std::string_view, 37> kSourceCharsets = {
    "Default",  "armscii8", "ascii",   "big5",   "binary",  "cp1250", "cp1251", "cp1256", "cp1257",  "cp850",
    "cp852",    "cp866",    "cp932",   "dec8",   "eucjpms", "euckr",  "gb2312", "gbk",    "geostd8", "greek",
    "hebrew",   "hp8",      "keybcs2", "koi8r",  "koi8u",   "latin1", "latin2", "latin5", "latin7",  "macce",
    "macroman", "sjis",     "swe7",    "tis620", "ucs2",    "ujis",   "utf8"};

// The index of the entry with exactly this name; -1 for text that names no entry.
int sourceCharsetIndex(std::string_view name);

// Whether a character-set name may be placed into a statement: letters, digits and underscores only.
bool isCharsetName(std::string_view name);

} // namespace convert
