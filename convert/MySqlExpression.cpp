#include "MySqlExpression.h"

#include <algorithm>
#include <array>

namespace convert {

namespace {

struct Token {
    enum class Kind { Word, Ident, String, Number, Bits, Symbol, End };
    Kind kind = Kind::End;
    std::string text; // Word and Number as written, Ident the name, String the value, Symbol the operator
};

MySqlExpressionError unreadable(const std::string &why)
{
    return MySqlExpressionError("its text cannot be read: " + why);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordChar(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string lower(std::string_view text)
{
    std::string out(text);
    for (auto &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A quoted string from its opening quote on, with MySQL's escapes resolved: a doubled quote, and the
// backslash sequences of the default sql_mode, in which the servers print every literal. \% and \_ keep
// their backslash, as MySQL keeps it for LIKE patterns.
std::string readQuoted(std::string_view text, std::size_t &i)
{
    const char quote = text[i++];
    std::string value;
    while (true) {
        if (i >= text.size())
            throw unreadable("it ends inside a quoted string");
        const char c = text[i++];
        if (c == quote) {
            if (i < text.size() && text[i] == quote) {
                value += quote;
                ++i;
                continue;
            }
            return value;
        }
        if (c != '\\' || i >= text.size()) {
            value += c;
            continue;
        }
        const char e = text[i++];
        switch (e) {
        case '0':
            value += '\0';
            break;
        case 'b':
            value += '\b';
            break;
        case 'n':
            value += '\n';
            break;
        case 'r':
            value += '\r';
            break;
        case 't':
            value += '\t';
            break;
        case 'Z':
            value += '\x1a';
            break;
        case '%':
        case '_':
            value += '\\';
            value += e;
            break;
        default:
            value += e;
        }
    }
}

std::string readNumber(std::string_view text, std::size_t &i)
{
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    if (i < text.size() && isWordChar(text[i]))
        throw unreadable("'" + std::string(text.substr(start, i + 1 - start)) + "' is not a number");
    return std::string(text.substr(start, i - start));
}

std::vector<Token> tokenize(std::string_view text)
{
    static constexpr std::array<std::string_view, 11> symbols = {"<=>", "<=", ">=", "<>", "!=", "<<",
                                                                 ">>",  "&&", "||", ":=", "->"};
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        Token t;
        if (i >= text.size()) {
            tokens.push_back(t);
            return tokens;
        }
        const char c = text[i];
        const bool quoteNext = i + 1 < text.size() && text[i + 1] == '\'';
        if (c == '`') {
            t.kind = Token::Kind::Ident;
            for (++i;; ++i) {
                if (i >= text.size())
                    throw unreadable("it ends inside a quoted name");
                if (text[i] == '`' && i + 1 < text.size() && text[i + 1] == '`')
                    t.text += text[++i];
                else if (text[i] == '`')
                    break;
                else
                    t.text += text[i];
            }
            ++i;
        } else if (c == '\'' || c == '"') {
            t.kind = Token::Kind::String;
            t.text = readQuoted(text, i);
        } else if (quoteNext && (c == 'x' || c == 'X' || c == 'b' || c == 'B')) {
            const auto end = text.find('\'', i + 2);
            if (end == std::string_view::npos)
                throw unreadable("it ends inside a quoted string");
            t.kind = Token::Kind::Bits;
            t.text = std::string(text.substr(i, end + 1 - i));
            i = end + 1;
        } else if (quoteNext && (c == 'n' || c == 'N')) {
            ++i;
            t.kind = Token::Kind::String;
            t.text = readQuoted(text, i);
        } else if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'b')) {
            const std::size_t start = i;
            for (i += 2; i < text.size() && isWordChar(text[i]);)
                ++i;
            t.kind = Token::Kind::Bits;
            t.text = std::string(text.substr(start, i - start));
        } else if (isDigit(c) || (c == '.' && i + 1 < text.size() && isDigit(text[i + 1]))) {
            t.kind = Token::Kind::Number;
            t.text = readNumber(text, i);
        } else if (isWordChar(c)) {
            const std::size_t start = i;
            while (i < text.size() && isWordChar(text[i]))
                ++i;
            t.kind = Token::Kind::Word;
            t.text = std::string(text.substr(start, i - start));
        } else {
            t.kind = Token::Kind::Symbol;
            for (auto s : symbols)
                if (text.substr(i, s.size()) == s) {
                    t.text = std::string(s);
                    break;
                }
            if (t.text.empty()) {
                if (std::string_view("=<>(),+-*/%!~&|^.@?").find(c) == std::string_view::npos)
                    throw unreadable("'" + std::string(1, c) + "' is not MySQL syntax");
                t.text = std::string(1, c);
            }
            i += t.text.size();
        }
        tokens.push_back(std::move(t));
    }
}

MySqlExpr node(MySqlExpr::Kind kind, std::vector<MySqlExpr> args = {}, std::string op = {})
{
    MySqlExpr e;
    e.kind = kind;
    e.args = std::move(args);
    e.op = std::move(op);
    return e;
}

class Reader {
public:
    Reader(std::vector<Token> tokens, const std::vector<std::string> &opened)
        : m_tokens(std::move(tokens)), m_opened(opened)
    {
    }

    MySqlExpr whole()
    {
        MySqlExpr e = expr();
        if (peek().kind != Token::Kind::End)
            throw unexpected();
        return e;
    }

private:
    const Token &peek(std::size_t ahead = 0) const { return m_tokens[std::min(m_pos + ahead, m_tokens.size() - 1)]; }
    Token next()
    {
        Token t = peek();
        if (m_pos < m_tokens.size() - 1)
            ++m_pos;
        return t;
    }
    bool isWord(std::string_view word, std::size_t ahead = 0) const
    {
        return peek(ahead).kind == Token::Kind::Word && lower(peek(ahead).text) == word;
    }
    bool isSymbol(std::string_view symbol) const { return peek().kind == Token::Kind::Symbol && peek().text == symbol; }
    bool acceptWord(std::string_view word)
    {
        if (!isWord(word))
            return false;
        next();
        return true;
    }
    bool acceptSymbol(std::string_view symbol)
    {
        if (!isSymbol(symbol))
            return false;
        next();
        return true;
    }
    void expectSymbol(std::string_view symbol)
    {
        if (!acceptSymbol(symbol))
            throw unexpected();
    }
    MySqlExpressionError unexpected() const
    {
        const Token &t = peek();
        if (t.kind == Token::Kind::End)
            return unreadable("it ends too early");
        return unreadable("'" + t.text + "' is not expected where it stands");
    }

    // Lowest precedence first, as MySQL's grammar has them.
    MySqlExpr expr()
    {
        MySqlExpr left = xorExpr();
        while (acceptWord("or") || acceptSymbol("||"))
            left = node(MySqlExpr::Kind::Or, {std::move(left), xorExpr()});
        return left;
    }
    MySqlExpr xorExpr()
    {
        MySqlExpr left = andExpr();
        while (acceptWord("xor"))
            left = node(MySqlExpr::Kind::Xor, {std::move(left), andExpr()});
        return left;
    }
    MySqlExpr andExpr()
    {
        MySqlExpr left = notExpr();
        while (acceptWord("and") || acceptSymbol("&&"))
            left = node(MySqlExpr::Kind::And, {std::move(left), notExpr()});
        return left;
    }
    MySqlExpr notExpr()
    {
        if (acceptWord("not"))
            return node(MySqlExpr::Kind::Not, {notExpr()});
        return boolPrimary();
    }
    // Comparisons and IS tests share one level and bind to the left: "a = b is null" tests (a = b).
    MySqlExpr boolPrimary()
    {
        static constexpr std::array<std::string_view, 8> comparisons = {"=", "<=>", "<>", "!=", "<", "<=", ">", ">="};
        MySqlExpr left = predicate();
        while (true) {
            if (acceptWord("is")) {
                const bool negated = acceptWord("not");
                MySqlExpr e = node(MySqlExpr::Kind::IsNull, {std::move(left)});
                e.negated = negated;
                if (!acceptWord("null")) {
                    e.kind = MySqlExpr::Kind::IsTruth;
                    if (!(isWord("true") || isWord("false") || isWord("unknown")))
                        throw unexpected();
                    e.op = lower(next().text);
                }
                left = std::move(e);
                continue;
            }
            const Token &t = peek();
            if (t.kind != Token::Kind::Symbol ||
                std::find(comparisons.begin(), comparisons.end(), t.text) == comparisons.end())
                return left;
            std::string op = next().text;
            if (op == "!=")
                op = "<>";
            if (isWord("any") || isWord("all") || isWord("some"))
                throw MySqlExpressionError("a comparison with a subquery is not translated");
            left = node(MySqlExpr::Kind::Compare, {std::move(left), predicate()}, op);
        }
    }
    MySqlExpr predicate()
    {
        MySqlExpr left = bitExpr();
        const bool negated = isWord("not") && (isWord("in", 1) || isWord("between", 1) || isWord("like", 1) ||
                                               isWord("regexp", 1) || isWord("rlike", 1));
        if (negated)
            next();
        MySqlExpr e;
        if (acceptWord("in")) {
            expectSymbol("(");
            if (isWord("select"))
                throw MySqlExpressionError("IN with a subquery is not translated");
            e = node(MySqlExpr::Kind::In, {std::move(left)});
            do
                e.args.push_back(expr());
            while (acceptSymbol(","));
            expectSymbol(")");
        } else if (acceptWord("between")) {
            MySqlExpr low = bitExpr();
            if (!acceptWord("and"))
                throw unexpected();
            e = node(MySqlExpr::Kind::Between, {std::move(left), std::move(low), predicate()});
        } else if (acceptWord("like")) {
            e = node(MySqlExpr::Kind::Like, {std::move(left), bitExpr()});
            if (acceptWord("escape"))
                e.args.push_back(simpleExpr());
        } else if (acceptWord("regexp") || acceptWord("rlike")) {
            e = node(MySqlExpr::Kind::Regexp, {std::move(left), bitExpr()});
        } else if (isWord("sounds") || isWord("member")) {
            throw MySqlExpressionError(lower(peek().text) == "sounds" ? "SOUNDS LIKE has no Oracle equivalent"
                                                                      : "MEMBER OF has no Oracle equivalent");
        } else {
            return left;
        }
        e.negated = negated;
        return e;
    }
    // The operators on values, from | (lowest) to ^ (highest), all binding to the left.
    MySqlExpr bitExpr() { return binaryLevel(0); }
    MySqlExpr binaryLevel(std::size_t level)
    {
        static const std::array<std::vector<std::string_view>, 6> levels = {
            std::vector<std::string_view>{"|"}, {"&"}, {"<<", ">>"}, {"+", "-"}, {"*", "/", "%", "div", "mod"}, {"^"}};
        if (level == levels.size())
            return unary();
        MySqlExpr left = binaryLevel(level + 1);
        while (true) {
            const Token &t = peek();
            const std::string op = t.kind == Token::Kind::Word ? lower(t.text) : t.text;
            const auto &ops = levels[level];
            if ((t.kind != Token::Kind::Symbol && t.kind != Token::Kind::Word) ||
                std::find(ops.begin(), ops.end(), op) == ops.end())
                return left;
            next();
            if (op == "+" || op == "-") {
                if (isWord("interval"))
                    throw MySqlExpressionError("INTERVAL arithmetic is not translated");
            }
            left = node(MySqlExpr::Kind::Binary, {std::move(left), binaryLevel(level + 1)}, op);
        }
    }
    MySqlExpr unary()
    {
        for (std::string_view op : {"-", "+", "~", "!"})
            if (acceptSymbol(op))
                return node(MySqlExpr::Kind::Unary, {unary()}, std::string(op));
        return simpleExpr();
    }
    MySqlExpr simpleExpr()
    {
        MySqlExpr e = primary();
        while (acceptWord("collate")) {
            const Token t = next();
            if (t.kind != Token::Kind::Word && t.kind != Token::Kind::Ident && t.kind != Token::Kind::String)
                throw unexpected();
            MySqlExpr c = node(MySqlExpr::Kind::Collate, {std::move(e)});
            c.text = lower(t.text);
            e = std::move(c);
        }
        return e;
    }
    MySqlExpr primary()
    {
        const Token t = next();
        MySqlExpr e;
        switch (t.kind) {
        case Token::Kind::Number:
            e.kind = MySqlExpr::Kind::Number;
            e.text = t.text;
            return e;
        case Token::Kind::Bits:
            e.kind = MySqlExpr::Kind::Bits;
            e.text = t.text;
            return e;
        case Token::Kind::String:
            e.kind = MySqlExpr::Kind::String;
            e.text = t.text;
            // Strings written side by side are one string.
            while (peek().kind == Token::Kind::String)
                e.text += next().text;
            return e;
        case Token::Kind::Ident:
            return column(t.text);
        case Token::Kind::Symbol:
            if (t.text == "(") {
                if (isWord("select"))
                    throw MySqlExpressionError("a subquery is not translated");
                e = expr();
                if (isSymbol(",")) {
                    e = node(MySqlExpr::Kind::Row, {std::move(e)});
                    while (acceptSymbol(","))
                        e.args.push_back(expr());
                }
                expectSymbol(")");
                return e;
            }
            if (t.text == "@")
                throw MySqlExpressionError("a variable is not translated");
            --m_pos;
            throw unexpected();
        case Token::Kind::Word:
            return word(t);
        case Token::Kind::End:
            break;
        }
        throw unreadable("it ends too early");
    }
    MySqlExpr column(std::string name)
    {
        // A qualified name keeps its last part: a check names its own table's columns.
        while (acceptSymbol(".")) {
            const Token part = next();
            if (part.kind != Token::Kind::Ident && part.kind != Token::Kind::Word)
                throw unexpected();
            name = part.text;
        }
        MySqlExpr e;
        e.kind = MySqlExpr::Kind::Column;
        e.text = std::move(name);
        return e;
    }
    MySqlExpr word(const Token &t)
    {
        const std::string w = lower(t.text);
        MySqlExpr e;
        if (w == "null") {
            e.kind = MySqlExpr::Kind::Null;
            return e;
        }
        if (w == "true" || w == "false") {
            e.kind = MySqlExpr::Kind::Boolean;
            e.text = w == "true" ? "1" : "0";
            return e;
        }
        if ((w == "date" || w == "time" || w == "timestamp") && peek().kind == Token::Kind::String) {
            e.kind = MySqlExpr::Kind::Temporal;
            e.op = w;
            e.text = next().text;
            return e;
        }
        // A character set introducer: _utf8mb4'text'. The servers print the text itself in UTF-8; a binary
        // string compares its bytes, which is a conversion of its own.
        if (w.size() > 1 && w[0] == '_' && peek().kind == Token::Kind::String) {
            if (w != "_binary")
                return primary();
            e = node(MySqlExpr::Kind::Call, {primary()});
            e.text = "binary";
            return e;
        }
        static constexpr std::array<std::string_view, 8> constructs = {"case",   "interval", "exists", "match",
                                                                       "select", "default",  "values", "row"};
        if (std::find(constructs.begin(), constructs.end(), w) != constructs.end() && !isSymbol("("))
            throw MySqlExpressionError("a " + std::string(w == "case" ? "CASE expression" : "construct " + t.text) +
                                       " is not translated");
        if (w == "binary") {
            e = node(MySqlExpr::Kind::Call, {simpleExpr()});
            e.text = w;
            return e;
        }
        if (isSymbol("("))
            return call(w);
        return column(t.text);
    }
    MySqlExpr call(const std::string &name)
    {
        expectSymbol("(");
        MySqlExpr e;
        e.kind = MySqlExpr::Kind::Call;
        e.text = name;
        if (std::find(m_opened.begin(), m_opened.end(), name) == m_opened.end()) {
            // Skipped whole, so syntax such as CAST(x AS CHAR) never needs reading.
            for (int depth = 1; depth > 0;) {
                const Token t = next();
                if (t.kind == Token::Kind::End)
                    throw unreadable("it ends too early");
                if (t.kind == Token::Kind::Symbol && t.text == "(")
                    ++depth;
                else if (t.kind == Token::Kind::Symbol && t.text == ")")
                    --depth;
            }
            return e;
        }
        if (!isSymbol(")")) {
            do
                e.args.push_back(expr());
            while (acceptSymbol(","));
        }
        expectSymbol(")");
        return e;
    }

    std::vector<Token> m_tokens;
    const std::vector<std::string> &m_opened;
    std::size_t m_pos = 0;
};

} // namespace

MySqlExpr ParseMySqlExpression(std::string_view text, const std::vector<std::string> &openedFunctions)
{
    return Reader(tokenize(text), openedFunctions).whole();
}

} // namespace convert
