#include "TypeMapping.h"

#include "NameRules.h"

#include "db/Error.h"
#include "db/Value.h"

#include <algorithm>
#include <array>
#include <limits>

namespace convert {

namespace {

constexpr long long kVarchar2Limit = 4000; // characters declared; Oracle also caps the bytes at 4000
constexpr std::int32_t kRawLimit = 2000;   // bytes of a RAW

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

template <std::size_t N> bool startsWithAny(std::string_view text, const std::array<std::string_view, N> &prefixes)
{
    for (auto p : prefixes)
        if (startsWith(text, p))
            return true;
    return false;
}

template <std::size_t N> bool equalsAny(std::string_view text, const std::array<std::string_view, N> &words)
{
    for (auto w : words)
        if (text == w)
            return true;
    return false;
}

// Attributes a server may print after the type that say nothing Oracle could use: MariaDB's
// "/*M!100301 COMPRESSED*/" and the "binary" (a binary collation) older servers append. Where the family
// has a size in parentheses, anything after them goes too, so no attribute reaches Oracle.
std::string normalize(std::string_view type)
{
    std::string out;
    for (std::size_t i = 0; i < type.size();) {
        if (type.compare(i, 2, "/*") == 0) {
            const auto end = type.find("*/", i + 2);
            i = end == std::string_view::npos ? type.size() : end + 2;
            continue;
        }
        out += type[i++];
    }
    while (!out.empty() && static_cast<unsigned char>(out.back()) <= 32)
        out.pop_back();
    static const std::array<std::string_view, 8> sized = {"char(", "varchar(",  "binary(",    "varbinary(",
                                                          "bit(",  "datetime(", "timestamp(", "time("};
    if (startsWithAny(out, sized)) {
        const auto close = out.find(')');
        if (close != std::string::npos)
            out.resize(close + 1);
    }
    return out;
}

// The size between the parentheses of a type already cut after them ("varchar(20)" gives 20).
std::int32_t sizeOf(std::string_view type) { return DeclaredLength(type); }

// A character column sized in characters, so every value that fits its MySQL column fits its Oracle
// column whatever its bytes. Oracle still caps a VARCHAR2 at 4000 bytes: the table definition measures
// the longest value of wider columns before it creates them.
std::string charColumn(long long characters)
{
    characters = std::clamp<long long>(characters, 1, kVarchar2Limit);
    return "varchar2(" + std::to_string(characters) + " char)";
}

// The mapped type: every test is exact in case, in this order; the first family that matches wins.
// The odd leading blanks (" number" but "CLOB") are deliberate: the statements users compare against
// carry them. The families after the date row are those of newer servers; without a type of their own
// Oracle would refuse the whole table.
std::string mapType(std::string_view rawType, bool blobToText)
{
    const std::string normalized = normalize(rawType);
    const std::string_view type = normalized;
    if (startsWith(type, "char("))
        return charColumn(sizeOf(type));
    if (startsWith(type, "varchar(")) {
        if (sizeOf(type) > kVarchar2Limit)
            return "CLOB";
        return charColumn(sizeOf(type));
    }
    if (startsWith(type, "enum("))
        return charColumn(static_cast<long long>(type.size()) - 6);
    if (startsWith(type, "set("))
        return charColumn(static_cast<long long>(type.size()) - 5);
    if (equalsAny(type, std::array<std::string_view, 3>{"text", "mediumtext", "longtext"}))
        return "CLOB";
    if (type == "tinytext")
        return "CLOB";
    if (equalsAny(type, std::array<std::string_view, 4>{"blob", "tinyblob", "mediumblob", "longblob"}))
        return blobToText ? " CLOB" : " BLOB";
    if (startsWithAny(type, std::array<std::string_view, 9>{"tinyint", "smallint", "mediumint", "int", "bigint",
                                                            "float", "double", "decimal", "year"}))
        return " number";
    if (equalsAny(type, std::array<std::string_view, 4>{"date", "datetime", "timestamp", "time"}))
        return " date";
    // Fractional seconds: TIMESTAMP keeps them at the same precision; a TIME lands on 1 January 1970 as
    // a plain TIME does.
    if (startsWithAny(type, std::array<std::string_view, 3>{"datetime(", "timestamp(", "time("})) {
        // MySQL keeps at most 6 digits; a larger figure is the display width of old servers' timestamp(14).
        const std::int32_t digits = sizeOf(type);
        return digits > 0 && digits <= 6 ? " timestamp(" + std::to_string(digits) + ")" : " date";
    }
    // The bits as an unsigned integer: bit(1) gives 0 or 1, bit(64) up to 18446744073709551615.
    if (startsWith(type, "bit("))
        return " number";
    if (startsWithAny(type, std::array<std::string_view, 2>{"binary(", "varbinary("})) {
        const std::int32_t bytes = sizeOf(type);
        if (bytes > kRawLimit)
            return " BLOB";
        return " raw(" + std::to_string(std::max<std::int32_t>(bytes, 1)) + ")";
    }
    // Spatial values travel as their well-known binary form.
    if (equalsAny(type, kSpatialTypes))
        return " BLOB";
    if (type == "json")
        return "CLOB";
    // MariaDB's own text-like types: a UUID is 36 characters, an IPv6 address at most 39, IPv4 15.
    if (type == "uuid")
        return charColumn(36);
    if (type == "inet6")
        return charColumn(39);
    if (type == "inet4")
        return charColumn(15);
    return {};
}

} // namespace

std::string NormalizedType(std::string_view typeText) { return normalize(typeText); }

long long MappedCharacterLength(std::string_view typeText)
{
    const std::string type = mapType(typeText, false);
    constexpr std::string_view head = "varchar2(", tail = " char)";
    if (!startsWith(type, head) || type.size() < head.size() + tail.size() ||
        type.compare(type.size() - tail.size(), tail.size(), tail) != 0)
        return 0;
    return db::parseInteger(std::string_view(type).substr(head.size(), type.size() - head.size() - tail.size()));
}

std::string ReplacePrefix(std::string_view typeText, std::string_view oldPrefix, std::string_view newPrefix)
{
    std::string out(newPrefix);
    if (typeText.size() > oldPrefix.size())
        out.append(typeText.substr(oldPrefix.size()));
    return out;
}

std::int32_t DeclaredLength(std::string_view typeText)
{
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0, end = typeText.size();
    while (begin < end && isBlank(typeText[begin]))
        ++begin;
    while (end > begin && isBlank(typeText[end - 1]))
        --end;
    std::string_view trimmed = typeText.substr(begin, end - begin);

    auto open = trimmed.find('(');
    if (open == std::string_view::npos || open == 0)
        return 0;
    std::string_view rest = trimmed.substr(open + 1);
    if (!rest.empty())
        rest.remove_suffix(1);
    std::int64_t value = db::parseInteger(rest);
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw db::Error("'" + std::string(rest) + "' is not a valid integer value");
    return static_cast<std::int32_t>(value);
}

std::string BuildColumnClause(std::string_view columnName, std::string_view typeText, bool uppercase, bool blobToText)
{
    // Checked on the name as MySQL spells it, so the message names the column the user knows.
    quoteOracleName(columnName, "column");
    std::string clause = quoteOracleName(ApplyNameCase(columnName, uppercase), "column") + " ";
    const std::string type = mapType(typeText, blobToText);
    if (type.empty())
        throw db::Error("Column \"" + std::string(columnName) + "\" has MySQL type \"" + std::string(typeText) +
                        "\", which has no Oracle equivalent");
    clause += type;
    clause += " ";
    return clause;
}

} // namespace convert
