#pragma once

#include "db/OracleNames.h"

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
// Oracle identifier quoting: the data-access layer's one rule, which refuses a name holding '"'.
using db::quoteOracleName;

// An Oracle string literal: 'text', a quote inside doubled.
std::string quoteOracleText(std::string_view text);

} // namespace convert
