#pragma once

#include <array>
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

// MySQL's spatial types; the copy reads their values in well-known binary form.
inline constexpr std::array<std::string_view, 9> kSpatialTypes = {
    "geometry",        "point",        "linestring",         "polygon",       "multipoint",
    "multilinestring", "multipolygon", "geometrycollection", "geomcollection"};

// The type text as the mapping reads it: without comments and without anything after the parentheses
// of a sized family ("varchar(20) /*M!100301 COMPRESSED*/" gives "varchar(20)").
std::string NormalizedType(std::string_view typeText);

// The n of the "varchar2(n char)" the type maps to, or 0 when it maps to something else.
long long MappedCharacterLength(std::string_view typeText);

// The column clause of one MySQL column: "\"" NAME "\" " + the mapped Oracle type + " ". Throws db::Error
// naming the column and its type when the type has no Oracle equivalent.
std::string BuildColumnClause(std::string_view columnName, std::string_view typeText, bool uppercase, bool blobToText);

} // namespace convert
