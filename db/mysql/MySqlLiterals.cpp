#include "MySqlLiterals.h"

#include "db/Error.h"

namespace db {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// [+-]digits[.digits][e[+-]digits]: a number MySQL reads as one literal.
bool isNumber(std::string_view text, bool exponent)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return false;
    if (exponent && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const std::size_t from = i;
        for (; i < text.size() && isDigit(text[i]); ++i) {
        }
        if (i == from)
            return false;
    }
    return i == text.size();
}

bool onlyChars(std::string_view text, std::string_view allowed)
{
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Where the text that starts at `at` (a quote or a comment opening there) ends; npos when it does not.
std::size_t skipQuoted(std::string_view sql, std::size_t at)
{
    const char quote = sql[at];
    for (std::size_t i = at + 1; i < sql.size(); ++i) {
        if (sql[i] == '\\' && quote != '`') {
            ++i;
        } else if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote)
                ++i; // doubled: the quote itself
            else
                return i + 1;
        }
    }
    return std::string_view::npos;
}

std::size_t skipComment(std::string_view sql, std::size_t at)
{
    if (sql[at] == '/') {
        const std::size_t end = sql.find("*/", at + 2);
        return end == std::string_view::npos ? end : end + 2;
    }
    const std::size_t end = sql.find('\n', at);
    return end == std::string_view::npos ? sql.size() : end + 1;
}

bool opensComment(std::string_view sql, std::size_t i)
{
    if (sql[i] == '#')
        return true;
    if (i + 1 >= sql.size())
        return false;
    if (sql[i] == '/' && sql[i + 1] == '*')
        return true;
    // "--" opens a comment only when a blank or a control character follows.
    return sql[i] == '-' && sql[i + 1] == '-' && (i + 2 == sql.size() || static_cast<unsigned char>(sql[i + 2]) <= ' ');
}

} // namespace

std::string mysqlLiteral(const Value &value, std::string_view charset)
{
    switch (value.kind) {
    case ValueKind::Null:
        return "NULL";
    case ValueKind::Integer:
    case ValueKind::Decimal:
        if (isNumber(value.data, false))
            return value.data;
        break;
    case ValueKind::Float:
        if (isNumber(value.data, true))
            return value.data;
        break;
    case ValueKind::Date:
    case ValueKind::DateTime:
    case ValueKind::Time:
        if (onlyChars(value.data, "-0123456789:. "))
            return "'" + value.data + "'";
        break;
    case ValueKind::Text:
        return "_" + std::string(charset) + " X'" + hex(value.data) + "'";
    case ValueKind::Binary:
        return "X'" + hex(value.data) + "'";
    }
    throw Error("The value '" + value.data + "' cannot be written into a MySQL statement as itself");
}

std::string placeMySqlValues(std::string_view sql, const std::vector<Value> &values, std::string_view charset)
{
    std::string out;
    out.reserve(sql.size() + 32 * values.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < sql.size();) {
        const char c = sql[i];
        std::size_t end = i + 1;
        if (c == '\'' || c == '"' || c == '`')
            end = skipQuoted(sql, i);
        else if (opensComment(sql, i))
            end = skipComment(sql, i);
        if (end == std::string_view::npos)
            throw Error("The statement has an unclosed quote or comment");
        if (c == '?' && end == i + 1) {
            if (next == values.size())
                throw Error("The statement has more markers than the " + std::to_string(values.size()) +
                            " values given");
            out += mysqlLiteral(values[next++], charset);
        } else {
            out.append(sql.substr(i, end - i));
        }
        i = end;
    }
    if (next != values.size())
        throw Error("The statement has " + std::to_string(next) + " markers but " + std::to_string(values.size()) +
                    " values were given");
    return out;
}

} // namespace db
