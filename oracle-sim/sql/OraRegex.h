#pragma once

#include <string>

namespace oraclesim {

// REGEXP_LIKE: whether the pattern matches anywhere in the text. Match parameters as Oracle reads
// them: i (ignore case), c (respect case; the last of i and c wins), m (^ and $ at each line), x
// (blanks in the pattern ignored). A bad pattern raises Oracle's regular-expression errors, one of
// more than 512 bytes ORA-12733.
class OraRegex {
public:
    static bool like(const std::string &text, const std::string &pattern, const std::string &flags);
};

} // namespace oraclesim
