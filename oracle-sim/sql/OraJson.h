#pragma once

#include <string>

namespace oraclesim {

// IS JSON as Oracle 19c (compatible below 20) reads text: a well-formed object or array at the top, never
// a bare scalar. STRICT is the standard syntax; LAX, Oracle's default, also takes unquoted field names,
// single-quoted strings, true/false/null in any case and numerals such as +1, .5 and 01. With
// uniqueKeys, an object whose field names repeat is not well-formed.
class OraJson {
public:
    static bool wellFormed(const std::string &text, bool strict, bool uniqueKeys);
};

} // namespace oraclesim
