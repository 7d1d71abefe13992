#include "OraRegex.h"

#include "OraError.h"

#include <regex>
#include <unordered_map>

namespace oraclesim {

namespace {

OraError regexError(const std::regex_error &e)
{
    switch (e.code()) {
    case std::regex_constants::error_paren:
    case std::regex_constants::error_brace:
    case std::regex_constants::error_badbrace:
        return OraError::of(12725);
    case std::regex_constants::error_brack:
        return OraError::of(12726);
    case std::regex_constants::error_backref:
        return OraError::of(12727);
    case std::regex_constants::error_range:
        return OraError::of(12728);
    case std::regex_constants::error_ctype:
        return OraError::of(12729);
    case std::regex_constants::error_collate:
        return OraError::of(12731);
    default:
        return OraError::of(600, "regexp", e.what());
    }
}

// A CHECK evaluates the same pattern for every row: compile it once.
const std::regex &compiled(const std::string &pattern, std::regex::flag_type flags)
{
    thread_local std::unordered_map<std::string, std::regex> cache;
    std::string key = std::to_string(flags) + ":" + pattern;
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    if (cache.size() > 64)
        cache.clear();
    try {
        return cache.emplace(key, std::regex(pattern, flags)).first->second;
    } catch (const std::regex_error &e) {
        throw regexError(e);
    }
}

} // namespace

bool OraRegex::like(const std::string &text, const std::string &pattern, const std::string &flags)
{
    // Oracle compiles no pattern longer than this many bytes.
    constexpr std::size_t maxPatternBytes = 512;
    if (pattern.size() > maxPatternBytes)
        throw OraError::of(12733);
    bool ignoreCase = false, multiline = false, extended = false;
    for (char f : flags) {
        switch (f) {
        case 'i':
            ignoreCase = true;
            break;
        case 'c':
            ignoreCase = false;
            break;
        case 'm':
            multiline = true;
            break;
        case 'x':
            extended = true;
            break;
        case 'n':
            break; // accepted, not honoured: '.' never matches a line end here
        default:
            throw OraError::of(1760);
        }
    }
    std::string p = pattern;
    if (extended)
        std::erase_if(p, [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
    auto options = std::regex::ECMAScript;
    if (ignoreCase)
        options |= std::regex::icase;
    if (multiline)
        options |= std::regex::multiline;
    return std::regex_search(text, compiled(p, options));
}

} // namespace oraclesim
