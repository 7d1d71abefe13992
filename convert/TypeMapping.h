#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace convert {

// The new prefix followed by the type text past as many bytes as the old prefix has. The caller has
// checked that the text starts with the old prefix.
std::string ReplacePrefix(std::string_view typeText, std::string_view oldPrefix, std::string_view newPrefix);

// The number between the first '(' and the last byte of the trimmed type text; 0 when there is no '('
// after the first byte. Throws db::Error "'<text>' is not a valid integer value" otherwise.
std::int32_t DeclaredLength(std::string_view typeText);

// The column clause of one MySQL column: "\"" NAME "\" " + the mapped Oracle type + " ".
std::string BuildColumnClause(std::string_view columnName, std::string_view typeText, bool uppercase,
                              bool blobToText);

} // namespace convert
