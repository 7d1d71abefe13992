#include "Lexer.h"

#include "OraError.h"

#include <algorithm>
#include <array>

namespace oraclesim {

namespace {

// Oracle's reserved words: usable as names only between double quotes.
constexpr auto reservedWords = std::to_array<std::string_view>({
    "ACCESS",    "ADD",        "ALL",       "ALTER",     "AND",      "ANY",        "AS",        "ASC",
    "AUDIT",     "BETWEEN",    "BY",        "CHAR",      "CHECK",    "CLUSTER",    "COLUMN",    "COMMENT",
    "COMPRESS",  "CONNECT",    "CREATE",    "CURRENT",   "DATE",     "DECIMAL",    "DEFAULT",   "DELETE",
    "DESC",      "DISTINCT",   "DROP",      "ELSE",      "EXCLUSIVE", "EXISTS",    "FILE",      "FLOAT",
    "FOR",       "FROM",       "GRANT",     "GROUP",     "HAVING",   "IDENTIFIED", "IMMEDIATE", "IN",
    "INCREMENT", "INDEX",      "INITIAL",   "INSERT",    "INTEGER",  "INTERSECT",  "INTO",      "IS",
    "LEVEL",     "LIKE",       "LOCK",      "LONG",      "MAXEXTENTS", "MINUS",    "MLSLABEL",  "MODE",
    "MODIFY",    "NOAUDIT",    "NOCOMPRESS", "NOT",      "NOWAIT",   "NULL",       "NUMBER",    "OF",
    "OFFLINE",   "ON",         "ONLINE",    "OPTION",    "OR",       "ORDER",      "PCTFREE",   "PRIOR",
    "PRIVILEGES", "PUBLIC",    "RAW",       "RENAME",    "RESOURCE", "REVOKE",     "ROW",       "ROWID",
    "ROWNUM",    "ROWS",       "SELECT",    "SESSION",   "SET",      "SHARE",      "SIZE",      "SMALLINT",
    "START",     "SUCCESSFUL", "SYNONYM",   "SYSDATE",   "TABLE",    "THEN",       "TO",        "TRIGGER",
    "UID",       "UNION",      "UNIQUE",    "UPDATE",    "USER",     "VALIDATE",   "VALUES",    "VARCHAR",
    "VARCHAR2",  "VIEW",       "WHENEVER",  "WHERE",     "WITH",
});

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80; }
bool isNameChar(char c) { return isLetter(c) || isDigit(c) || c == '_' || c == '$' || c == '#'; }

} // namespace

bool Lexer::isReservedWord(std::string_view upperWord)
{
    return std::find(reservedWords.begin(), reservedWords.end(), upperWord) != reservedWords.end();
}

std::vector<Token> Lexer::tokenize(std::string_view sql, std::size_t maxIdentifier)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = sql.size();
    while (true) {
        while (i < n) {
            if (isSpace(sql[i]))
                ++i;
            else if (sql.substr(i, 2) == "--") {
                while (i < n && sql[i] != '\n')
                    ++i;
            } else if (sql.substr(i, 2) == "/*") {
                auto end = sql.find("*/", i + 2);
                i = end == std::string_view::npos ? n : end + 2;
            } else
                break;
        }
        Token t;
        t.begin = i;
        if (i >= n) {
            t.end = n;
            tokens.push_back(t);
            return tokens;
        }
        char c = sql[i];
        if (isLetter(c)) {
            std::size_t start = i;
            while (i < n && isNameChar(sql[i]))
                ++i;
            t.kind = Token::Kind::Word;
            t.text = std::string(sql.substr(start, i - start));
            for (auto &ch : t.text)
                if (ch >= 'a' && ch <= 'z')
                    ch = static_cast<char>(ch - 'a' + 'A');
            t.reserved = isReservedWord(t.text);
            if (t.text.size() > maxIdentifier)
                throw OraError::of(972);
        } else if (c == '"') {
            auto end = sql.find('"', i + 1);
            if (end == std::string_view::npos)
                throw OraError::of(1740);
            t.kind = Token::Kind::Quoted;
            t.text = std::string(sql.substr(i + 1, end - i - 1));
            if (t.text.empty())
                throw OraError::of(1741);
            if (t.text.size() > maxIdentifier)
                throw OraError::of(972);
            i = end + 1;
        } else if (c == '\'') {
            t.kind = Token::Kind::String;
            ++i;
            while (true) {
                if (i >= n)
                    throw OraError::of(1756);
                if (sql[i] == '\'') {
                    if (i + 1 < n && sql[i + 1] == '\'') {
                        t.text += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.text += sql[i++];
            }
        } else if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(sql[i + 1]))) {
            std::size_t start = i;
            while (i < n && isDigit(sql[i]))
                ++i;
            if (i < n && sql[i] == '.') {
                ++i;
                while (i < n && isDigit(sql[i]))
                    ++i;
            }
            if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
                std::size_t save = i++;
                if (i < n && (sql[i] == '+' || sql[i] == '-'))
                    ++i;
                if (i < n && isDigit(sql[i])) {
                    while (i < n && isDigit(sql[i]))
                        ++i;
                } else {
                    i = save;
                }
            }
            t.kind = Token::Kind::Number;
            t.text = std::string(sql.substr(start, i - start));
        } else if (c == ':') {
            std::size_t start = ++i;
            while (i < n && isNameChar(sql[i]))
                ++i;
            if (i == start)
                throw OraError::of(1036);
            t.kind = Token::Kind::Bind;
            t.text = std::string(sql.substr(start, i - start));
            for (auto &ch : t.text)
                if (ch >= 'a' && ch <= 'z')
                    ch = static_cast<char>(ch - 'a' + 'A');
        } else {
            static constexpr std::array<std::string_view, 6> twoChar = {"<=", ">=", "<>", "!=", "^=", "||"};
            t.kind = Token::Kind::Symbol;
            for (auto s : twoChar)
                if (sql.substr(i, 2) == s)
                    t.text = std::string(s);
            if (t.text.empty()) {
                if (std::string_view("(),*=<>.+-/").find(c) == std::string_view::npos)
                    throw OraError::of(911);
                t.text = std::string(1, c);
            }
            i += t.text.size();
            if (t.text == "^=" || t.text == "<>")
                t.text = "!=";
        }
        t.end = i;
        tokens.push_back(t);
    }
}

} // namespace oraclesim
