#include "CheckTranslation.h"

#include "MySqlExpression.h"
#include "MySqlLiterals.h"
#include "NameRules.h"
#include "TypeMapping.h"

#include <algorithm>
#include <stdexcept>

namespace convert {

namespace {

// The functions whose arguments are read; every other call is refused by name.
const std::vector<std::string> kOpenedFunctions = {
    "char_length", "character_length", "lower", "lcase", "upper", "ucase", "abs", "json_valid"};

constexpr std::size_t kOracleLiteralBytes = 4000; // longer text literals are ORA-01704

struct NotPortable {
    std::string reason;
};

[[noreturn]] void refuse(std::string reason) { throw NotPortable{std::move(reason)}; }

std::string lower(std::string_view text)
{
    std::string out(text);
    for (auto &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string upper(std::string_view text)
{
    std::string out(text);
    for (auto &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool hasLetters(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80;
    });
}

// Whether a number literal is 0, which MySQL takes as false.
bool isZero(std::string_view number)
{
    for (char c : number) {
        if (c == 'e' || c == 'E')
            break;
        if (c >= '1' && c <= '9')
            return false;
    }
    return true;
}

bool hasExponent(std::string_view number) { return number.find_first_of("eE") != std::string_view::npos; }

// What a value is to the comparison rules: which Oracle type it arrives as.
enum class Kind { Number, Text, Clob, Moment, Null, Other };

struct Operand {
    std::string sql;
    Kind kind = Kind::Other;
    bool literal = false;  // holds no column
    std::string value;     // a literal's value (text) or spelling (number)
    bool floating = false; // a binary floating-point value in MySQL
    bool compound = false; // an arithmetic operation, parenthesised inside another
    std::string collation; // text: the collation its comparisons follow
    std::string column;    // the MySQL column it comes from, for messages
    std::string type;      // that column's type, for messages
};

// A condition with its Oracle precedence: 0 OR, 1 AND, 2 NOT, 3 a predicate.
struct Condition {
    std::string sql;
    int precedence = 3;
};

std::string describe(const Operand &o)
{
    if (!o.column.empty())
        return "`" + o.column + "`";
    if (o.kind == Kind::Text && o.literal)
        return quoteOracleText(o.value);
    return o.sql;
}

bool isConditionNode(const MySqlExpr &e)
{
    using K = MySqlExpr::Kind;
    switch (e.kind) {
    case K::Compare:
    case K::And:
    case K::Or:
    case K::Xor:
    case K::Not:
    case K::IsNull:
    case K::IsTruth:
    case K::In:
    case K::Between:
    case K::Like:
    case K::Regexp:
        return true;
    case K::Unary:
        return e.op == "!";
    case K::Call:
        return e.text == "json_valid";
    default:
        return false;
    }
}

class Translator {
public:
    Translator(const std::vector<CheckColumnType> &columns, const OracleColumnName &oracleColumn)
        : m_columns(columns), m_oracleColumn(oracleColumn)
    {
    }

    std::string translate(const MySqlExpr &e) { return condition(e).sql; }
    const std::vector<std::string> &caveats() const { return m_caveats; }

private:
    Condition condition(const MySqlExpr &e)
    {
        using K = MySqlExpr::Kind;
        switch (e.kind) {
        case K::Or:
            return {condition(e.args[0]).sql + " or " + condition(e.args[1]).sql, 0};
        case K::And:
            return {within(condition(e.args[0]), 1) + " and " + within(condition(e.args[1]), 1), 1};
        case K::Not:
            return negation(condition(e.args[0]));
        case K::Xor:
            refuse("XOR has no Oracle equivalent");
        case K::Compare:
            return comparison(e);
        case K::IsNull:
            return {value(e.args[0]).sql + (e.negated ? " is not null" : " is null")};
        case K::IsTruth:
            refuse("IS " + std::string(e.negated ? "NOT " : "") + upper(e.op) + " has no Oracle equivalent");
        case K::In:
            return membership(e);
        case K::Between:
            return range(e);
        case K::Like:
            return like(e);
        case K::Regexp:
            refuse("MySQL's and Oracle's regular expressions are different languages");
        case K::Number:
        case K::Boolean:
            return constant(!isZero(e.text));
        case K::Null:
            refuse("NULL stands where a condition should");
        case K::Unary:
            if (e.op == "!")
                return negation(condition(e.args[0]));
            break;
        case K::Call:
            if (e.text == "json_valid")
                return jsonValid(e);
            break;
        default:
            break;
        }
        // MySQL takes a number as a condition: true unless 0, unknown when NULL; so does "<> 0".
        const Operand v = value(e);
        if (v.kind != Kind::Number)
            refuse(describe(v) + " stands where a condition should, which MySQL reads as a number and Oracle "
                                 "cannot read at all");
        return {operand(v) + " <> 0"};
    }

    static std::string within(const Condition &c, int precedence)
    {
        return c.precedence < precedence ? "(" + c.sql + ")" : c.sql;
    }
    static Condition negation(const Condition &c) { return {"not (" + c.sql + ")", 2}; }
    static Condition constant(bool truth) { return {truth ? "1 = 1" : "1 = 0"}; }

    Condition comparison(const MySqlExpr &e)
    {
        const MySqlExpr &a = e.args[0], &b = e.args[1];
        // The truth of a condition compared with 1 or 0 (TRUE, FALSE) is that condition or its negation.
        if (e.op == "=" || e.op == "<>") {
            const MySqlExpr *cond = isConditionNode(a) ? &a : isConditionNode(b) ? &b : nullptr;
            const MySqlExpr *other = cond == &a ? &b : &a;
            if (cond && (other->kind == MySqlExpr::Kind::Number || other->kind == MySqlExpr::Kind::Boolean) &&
                (other->text == "1" || other->text == "0")) {
                const bool same = (other->text == "1") == (e.op == "=");
                return same ? condition(*cond) : negation(condition(*cond));
            }
        }
        Operand l = value(a), r = value(b);
        const bool ordering = e.op != "=" && e.op != "<>" && e.op != "<=>";
        const auto [ls, rs] = comparable(l, r, ordering);
        if (e.op != "<=>")
            return {ls + " " + e.op + " " + rs};
        // NULL-safe equality is never unknown: two NULLs are equal, a NULL and a value are not.
        if (l.kind == Kind::Null && r.kind == Kind::Null)
            return constant(true);
        if (l.kind == Kind::Null || r.kind == Kind::Null)
            return {(l.kind == Kind::Null ? rs : ls) + " is null"};
        if (l.literal || r.literal) {
            const std::string &nullable = l.literal ? rs : ls;
            return {nullable + " is not null and " + ls + " = " + rs, 1};
        }
        return {"(" + ls + " = " + rs + " and " + ls + " is not null and " + rs + " is not null) or (" + ls +
                    " is null and " + rs + " is null)",
                0};
    }

    Condition membership(const MySqlExpr &e)
    {
        const Operand l = value(e.args[0]);
        std::string left, items;
        for (std::size_t i = 1; i < e.args.size(); ++i) {
            Operand item = value(e.args[i]);
            const auto [ls, rs] = comparable(l, item, false);
            if (!left.empty() && ls != left)
                refuse("the IN list mixes values that compare with " + describe(l) + " in different ways");
            left = ls;
            items += (i > 1 ? ", " : "") + rs;
        }
        return {left + (e.negated ? " not in (" : " in (") + items + ")"};
    }

    Condition range(const MySqlExpr &e)
    {
        const Operand l = value(e.args[0]), low = value(e.args[1]), high = value(e.args[2]);
        const auto [left, lowSql] = comparable(l, low, true);
        const auto [left2, highSql] = comparable(l, high, true);
        if (left != left2)
            refuse("the bounds of BETWEEN compare with " + describe(l) + " in different ways");
        return {left + (e.negated ? " not between " : " between ") + lowSql + " and " + highSql};
    }

    Condition like(const MySqlExpr &e)
    {
        const Operand l = value(e.args[0]);
        if (l.kind == Kind::Clob)
            refuse(lobReason(l));
        if (l.kind != Kind::Text && l.kind != Kind::Null)
            refuse("LIKE on " + describe(l) +
                   ", which is not text, matches the text MySQL writes for it, which "
                   "is not the text Oracle writes");
        const std::string pattern = literalText(e.args[1], "the LIKE pattern");
        std::string escape = "\\";
        if (e.args.size() > 2) {
            if (e.args[2].kind != MySqlExpr::Kind::String)
                refuse("the LIKE escape is not a literal");
            escape = e.args[2].text;
            if (!escape.empty() && Utf8CharacterBytes(escape, 0) != escape.size())
                refuse("the LIKE escape is not a single character");
        }
        if (CollationIgnoresCase(l.collation) && hasLetters(pattern))
            caveatCase(l);
        bool escaped = false;
        const std::string oracle = OracleLikePattern(pattern, escape, escaped);
        return {l.sql + (e.negated ? " not like " : " like ") + quoteOracleText(oracle) +
                (escaped ? " escape '\\'" : "")};
    }

    Condition jsonValid(const MySqlExpr &e)
    {
        if (e.args.size() != 1)
            refuse("json_valid takes one argument");
        const Operand v = value(e.args[0]);
        if (v.kind != Kind::Text && v.kind != Kind::Clob)
            refuse("json_valid of " + describe(v) + ", which is not text");
        // STRICT is the standard syntax json_valid accepts; Oracle's default (LAX) takes more.
        return {v.sql + " is json strict"};
    }

    // The two sides as Oracle text that compares as MySQL compares them: a text literal facing a number
    // becomes that number, facing a date that moment; anything else that MySQL converts is refused.
    std::pair<std::string, std::string> comparable(const Operand &a, const Operand &b, bool ordering)
    {
        if (a.kind == Kind::Null || b.kind == Kind::Null)
            return {operand(a), operand(b)};
        for (const Operand *o : {&a, &b})
            if (o->kind == Kind::Clob)
                refuse(lobReason(*o));
            else if (o->kind == Kind::Other)
                refuse(otherReason(*o));
        if (a.kind == b.kind) {
            if (a.kind == Kind::Text)
                textComparison(a, b, ordering);
            return {operand(a), operand(b)};
        }
        const bool swap = b.kind == Kind::Number || (b.kind == Kind::Moment && a.kind != Kind::Number);
        const Operand &fixed = swap ? b : a, &other = swap ? a : b;
        std::string converted;
        if (other.kind == Kind::Text && other.literal && fixed.kind == Kind::Number) {
            if (!IsMySqlNumber(other.value))
                refuse("it compares " + describe(fixed) + " with " + describe(other) + ", which is not a number");
            converted = other.value[0] == '+' ? other.value.substr(1) : other.value;
        } else if (other.kind == Kind::Text && other.literal && fixed.kind == Kind::Moment) {
            converted = OracleMoment(other.value);
            if (converted.empty())
                refuse("it compares " + describe(fixed) + " with " + describe(other) +
                       ", which is not a day written YYYY-MM-DD, with HH:MM:SS after it or not");
        } else if (other.kind == Kind::Text) {
            refuse("it compares the text " + describe(other) + " with " + describe(fixed) +
                   ": MySQL compares them as numbers, and Oracle fails on text that is not one");
        } else {
            refuse("it compares " + describe(a) + " with " + describe(b) + ", values of different kinds");
        }
        return swap ? std::pair{converted, operand(fixed)} : std::pair{operand(fixed), converted};
    }

    void textComparison(const Operand &a, const Operand &b, bool ordering)
    {
        const Operand &governing = a.collation.empty() ? b : a;
        const std::string &collation = governing.collation;
        if (collation.empty())
            return;
        for (const Operand *o : {&a, &b})
            if (o->literal && CollationPadsSpaces(collation) &&
                std::all_of(o->value.begin(), o->value.end(), [](char c) { return c == ' '; }))
                refuse(quoteOracleText(o->value) + " equals '' under MySQL's collation " + collation +
                       ", which ignores trailing spaces, and Oracle holds '' as NULL");
        if (ordering && !CollationOrdersByCode(collation)) {
            addCaveat("Oracle orders the text of `" + governing.column +
                      "` by character code, where MySQL "
                      "orders it by its collation " +
                      collation);
        } else if (!ordering && CollationIgnoresCase(collation) &&
                   ((!a.literal && !b.literal) || (a.literal && hasLetters(a.value)) ||
                    (b.literal && hasLetters(b.value)))) {
            caveatCase(governing);
        }
    }

    void caveatCase(const Operand &o)
    {
        addCaveat("Oracle compares the text of `" + o.column + "` exactly, where MySQL's collation " + o.collation +
                  " ignores case" + (CollationIgnoresAccents(o.collation) ? " and accents" : ""));
    }

    void addCaveat(std::string caveat)
    {
        if (std::find(m_caveats.begin(), m_caveats.end(), caveat) == m_caveats.end())
            m_caveats.push_back(std::move(caveat));
    }

    static std::string lobReason(const Operand &o)
    {
        return describe(o) + " (" + o.type + ") becomes a CLOB in Oracle, which does not compare";
    }
    static std::string otherReason(const Operand &o)
    {
        if (o.type.rfind("time", 0) == 0 && o.type.rfind("timestamp", 0) != 0)
            return describe(o) + " (" + o.type + ") becomes a date in Oracle, so times of day do not compare";
        return describe(o) + " (" + o.type + ") has no Oracle type that compares as MySQL compares it";
    }

    // An operand inside an operation or a comparison: an operation gets parentheses.
    static std::string operand(const Operand &o) { return o.compound ? "(" + o.sql + ")" : o.sql; }
    // The right operand of an operation also when it starts with a minus, so "- -1" never turns into
    // Oracle's "--", which begins a comment.
    static std::string rightOperand(const Operand &o)
    {
        return !o.sql.empty() && o.sql[0] == '-' ? "(" + o.sql + ")" : operand(o);
    }

    std::string literalText(const MySqlExpr &e, const std::string &what)
    {
        const MySqlExpr &inner = e.kind == MySqlExpr::Kind::Collate ? e.args[0] : e;
        if (inner.kind != MySqlExpr::Kind::String)
            refuse(what + " is not a literal");
        return value(inner).value;
    }

    Operand value(const MySqlExpr &e)
    {
        using K = MySqlExpr::Kind;
        Operand o;
        switch (e.kind) {
        case K::Column:
            return column(e.text);
        case K::Number:
            if (!IsMySqlNumber(e.text))
                refuse("the number " + e.text + " is beyond Oracle's NUMBER");
            o.kind = Kind::Number;
            o.literal = true;
            o.sql = o.value = e.text;
            o.floating = hasExponent(e.text);
            return o;
        case K::Boolean:
            o.kind = Kind::Number;
            o.literal = true;
            o.sql = o.value = e.text;
            return o;
        case K::String:
            return text(e.text);
        case K::Null:
            o.kind = Kind::Null;
            o.literal = true;
            o.sql = "NULL";
            return o;
        case K::Bits:
            refuse("the literal " + e.text + " is a number or bytes in MySQL, depending on where it stands");
        case K::Temporal:
            o.sql = e.op == "time" ? std::string() : OracleMoment(e.text);
            if (o.sql.empty() || (e.op == "date") != (e.text.size() == 10))
                refuse("the literal " + upper(e.op) + "'" + e.text + "' has no Oracle value of the same moment");
            o.kind = Kind::Moment;
            o.literal = true;
            return o;
        case K::Unary:
            return unaryValue(e);
        case K::Binary:
            return arithmetic(e);
        case K::Call:
            return call(e);
        case K::Collate:
            o = value(e.args[0]);
            if (o.kind == Kind::Text)
                o.collation = e.text;
            return o;
        case K::Row:
            refuse("a row of values has no Oracle equivalent here");
        default:
            refuse("it uses the truth of a condition as a value, which Oracle SQL has no type for");
        }
    }

    Operand column(const std::string &name)
    {
        const auto found = std::find_if(m_columns.begin(), m_columns.end(),
                                        [&name](const CheckColumnType &c) { return lower(c.name) == lower(name); });
        if (found == m_columns.end())
            refuse("it names `" + name + "`, which is not a column of the table");
        Operand o;
        o.column = found->name;
        o.type = found->columnType.empty() ? found->dataType : found->columnType;
        o.collation = found->collation;
        try {
            o.sql = m_oracleColumn(found->name);
        } catch (const std::exception &e) {
            refuse(e.what());
        }
        const std::string type = lower(found->dataType);
        static const std::vector<std::string> numbers = {"tinyint", "smallint", "mediumint", "int",    "integer",
                                                         "bigint",  "decimal",  "numeric",   "year",   "bit",
                                                         "bool",    "boolean",  "float",     "double", "real"};
        static const std::vector<std::string> texts = {"char", "varchar", "enum", "set"};
        static const std::vector<std::string> lobs = {"tinytext", "text", "mediumtext", "longtext", "json"};
        const auto in = [&type](const std::vector<std::string> &list) {
            return std::find(list.begin(), list.end(), type) != list.end();
        };
        if (in(numbers)) {
            o.kind = Kind::Number;
            o.floating = type == "float" || type == "double" || type == "real";
        } else if (in(texts)) {
            // Wide VARCHARs become CLOBs, which Oracle does not compare.
            o.kind = MappedCharacterLength(found->columnType) > 0 ? Kind::Text : Kind::Clob;
        } else if (in(lobs)) {
            o.kind = Kind::Clob;
        } else if (type == "date" || type == "datetime" || type == "timestamp") {
            o.kind = Kind::Moment;
        }
        return o;
    }

    Operand text(const std::string &value)
    {
        if (value.empty())
            refuse("'' is the empty string in MySQL but NULL in Oracle, so the condition would not test the same");
        if (!IsValidUtf8(value))
            refuse("a text literal of it is not valid UTF-8");
        if (value.find('\0') != std::string::npos)
            refuse("a text literal of it holds a NUL character, which an Oracle literal cannot");
        if (value.size() > kOracleLiteralBytes)
            refuse("a text literal of it is longer than the 4000 bytes of an Oracle literal");
        Operand o;
        o.kind = Kind::Text;
        o.literal = true;
        o.value = value;
        o.sql = quoteOracleText(value);
        return o;
    }

    Operand unaryValue(const MySqlExpr &e)
    {
        if (e.op == "!")
            refuse("it uses the truth of a condition as a value, which Oracle SQL has no type for");
        if (e.op == "~")
            refuse("the bit operator ~ has no Oracle equivalent");
        Operand o = value(e.args[0]);
        if (o.kind == Kind::Null)
            return o;
        if (o.kind != Kind::Number)
            refuse("the sign " + e.op + " stands before " + describe(o) + ", which is not a number");
        if (e.op == "-") {
            const bool plainLiteral = o.literal && !o.sql.empty() && o.sql[0] != '-' && !o.compound;
            o.sql = plainLiteral ? "-" + o.sql : "-" + rightOperand(o);
            o.value = o.sql;
            o.compound = false;
        }
        return o;
    }

    Operand arithmetic(const MySqlExpr &e)
    {
        if (e.op == "/")
            refuse("division: MySQL gives NULL for a zero divisor and rounds the quotient, Oracle fails on a zero "
                   "divisor and keeps every digit");
        if (e.op != "+" && e.op != "-" && e.op != "*")
            refuse("the operator " + upper(e.op) + " has no Oracle equivalent of the same meaning");
        const Operand l = value(e.args[0]), r = value(e.args[1]);
        for (const Operand *o : {&l, &r}) {
            if (o->kind != Kind::Number && o->kind != Kind::Null)
                refuse("arithmetic on " + describe(*o) + ", which is not a number");
            if (o->floating)
                refuse("arithmetic on " + describe(*o) +
                       ", a binary floating-point value in MySQL, rounds otherwise than Oracle's decimal numbers");
        }
        Operand o;
        o.kind = Kind::Number;
        o.literal = l.literal && r.literal;
        o.compound = true;
        o.column = l.column.empty() ? r.column : l.column;
        o.sql = operand(l) + " " + e.op + " " + rightOperand(r);
        return o;
    }

    Operand call(const MySqlExpr &e)
    {
        const std::string &f = e.text;
        if (f == "length" || f == "octet_length")
            refuse("MySQL's " + f + "() counts bytes and Oracle's length() characters");
        if (f == "json_valid")
            refuse("it uses the truth of a condition as a value, which Oracle SQL has no type for");
        if (std::find(kOpenedFunctions.begin(), kOpenedFunctions.end(), f) == kOpenedFunctions.end())
            refuse("the function " + f + " has no Oracle equivalent");
        if (e.args.size() != 1)
            refuse("the function " + f + " takes one argument");
        Operand o = value(e.args[0]);
        if (o.kind == Kind::Null)
            return o;
        if (o.kind == Kind::Clob)
            refuse(lobReason(o));
        if (f == "abs") {
            if (o.kind != Kind::Number)
                refuse("abs of " + describe(o) + ", which is not a number");
            o.sql = "abs(" + o.sql + ")";
            o.compound = false;
            return o;
        }
        if (o.kind != Kind::Text)
            refuse(f + " of " + describe(o) + ", which is not text");
        if (f == "char_length" || f == "character_length") {
            o.kind = Kind::Number;
            o.sql = "length(" + o.sql + ")";
            o.collation.clear();
        } else {
            o.sql = (f == "lower" || f == "lcase" ? "lower(" : "upper(") + o.sql + ")";
        }
        return o;
    }

    const std::vector<CheckColumnType> &m_columns;
    const OracleColumnName &m_oracleColumn;
    std::vector<std::string> m_caveats;
};

} // namespace

CheckTranslation TranslateCheck(std::string_view expression, const std::vector<CheckColumnType> &columns,
                                const OracleColumnName &oracleColumn)
{
    CheckTranslation result;
    try {
        Translator translator(columns, oracleColumn);
        result.condition = translator.translate(ParseMySqlExpression(expression, kOpenedFunctions));
        result.caveats = translator.caveats();
    } catch (const MySqlExpressionError &e) {
        result.reason = e.what();
    } catch (const NotPortable &e) {
        result.reason = e.reason;
    }
    return result;
}

CarriedCheck CarryCheck(const SourceCheck &check, const std::vector<CheckColumnType> &columns,
                        const OracleColumnName &oracleColumn)
{
    CarriedCheck result;
    const std::string notCarried = "CHECK " + check.name + " (" + check.expression + ") is not carried: ";
    if (!check.enforced) {
        result.lines.push_back(notCarried + "MySQL does not enforce it");
        return result;
    }
    CheckTranslation translation = TranslateCheck(check.expression, columns, oracleColumn);
    if (!translation.carried()) {
        result.lines.push_back(notCarried + translation.reason);
        return result;
    }
    result.condition = std::move(translation.condition);
    for (const auto &caveat : translation.caveats)
        result.lines.push_back("CHECK " + check.name + " is carried, but " + caveat);
    return result;
}

} // namespace convert
