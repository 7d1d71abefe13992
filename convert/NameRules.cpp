#include "NameRules.h"

#include "db/ConnectionProfile.h"

namespace convert {

std::string ApplyNameCase(std::string_view name, bool uppercase)
{
    return uppercase ? db::asciiUpper(name) : std::string(name);
}

std::string cutToBytes(std::string_view name, std::size_t maxBytes)
{
    if (name.size() <= maxBytes)
        return std::string(name);
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) so the cut lands on a character boundary.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return std::string(name.substr(0, end));
}

std::string quoteMySqlName(std::string_view name)
{
    std::string out = "`";
    for (char c : name) {
        if (c == '`')
            out += '`';
        out += c;
    }
    out += '`';
    return out;
}

std::string quoteOracleText(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

} // namespace convert
