#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace convert {

// Oracle's identifier limit that every name we send is held to, in bytes.
inline constexpr std::size_t kOracleNameLimit = 30;

// The name-casing rule: ASCII a-z become A-Z when uppercase is on; every other byte stays.
std::string ApplyNameCase(std::string_view name, bool uppercase);

// The longest prefix of at most maxBytes bytes that does not split a UTF-8 character.
std::string cutToBytes(std::string_view name, std::size_t maxBytes = kOracleNameLimit);

// MySQL identifier quoting: `name`, a backtick inside doubled.
std::string quoteMySqlName(std::string_view name);
// Oracle identifier quoting: "name". Oracle has no escape for '"' inside a name, so a name holding one
// cannot be sent; throws db::Error naming it ("column", "table" say what it is).
std::string quoteOracleName(std::string_view name, std::string_view what = "table");

} // namespace convert
