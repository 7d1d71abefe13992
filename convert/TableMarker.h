#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace convert {

// The comment that tells later runs which MySQL table an Oracle table was made from, when its name alone
// does not: a name cut to Oracle's limit and counted, or one that two MySQL tables differing only in
// letter case share after the casing rule. It is the table comment's last line, so a comment carried
// from MySQL stays first and whole.
std::string tableMarker(std::string_view sourceTable);

// The table comment to write: the carried comment (may be empty) followed by the marker.
std::string commentWithMarker(std::string_view comment, std::string_view sourceTable);

// The MySQL table a comment's marker names, if it has one.
std::optional<std::string> markedSource(std::string_view comment);

} // namespace convert
