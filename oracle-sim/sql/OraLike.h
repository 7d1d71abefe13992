#pragma once

#include <optional>
#include <string>

namespace oraclesim {

// LIKE: % matches any run of characters, _ one character, both counted in UTF-8 characters. With an
// ESCAPE character, it may stand only before %, _ or itself (ORA-01424 otherwise, also at the end);
// the caller has checked that the escape is one character (ORA-01425).
class OraLike {
public:
    static bool match(const std::string &text, const std::string &pattern, const std::optional<std::string> &escape);
};

} // namespace oraclesim
