#include "TypeMapping.h"

#include "NameRules.h"

#include "db/Error.h"
#include "db/Value.h"

#include <array>
#include <limits>

namespace convert {

namespace {

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

// The mapped type: every test is exact in case, in this order; the first family that matches wins.
// The odd leading blanks (" number" but "CLOB") are deliberate: the statements users compare against
// carry them.
std::string mapType(std::string_view type, bool blobToText)
{
    if (startsWith(type, "char("))
        return ReplacePrefix(type, "char(", "varchar2(");
    if (startsWith(type, "varchar(")) {
        if (DeclaredLength(type) > 4000)
            return "CLOB";
        return ReplacePrefix(type, "varchar(", "varchar2(");
    }
    if (startsWith(type, "enum("))
        return "varchar2(" + std::to_string(static_cast<long long>(type.size()) - 6) + ")";
    if (startsWith(type, "set("))
        return "varchar2(" + std::to_string(static_cast<long long>(type.size()) - 5) + ")";
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
    return {};
}

} // namespace

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

std::string BuildColumnClause(std::string_view columnName, std::string_view typeText, bool uppercase,
                              bool blobToText)
{
    // Checked on the name as MySQL spells it, so the message names the column the user knows.
    quoteOracleName(columnName, "column");
    std::string clause = quoteOracleName(ApplyNameCase(columnName, uppercase), "column") + " ";
    clause += mapType(typeText, blobToText);
    clause += " ";
    return clause;
}

} // namespace convert
