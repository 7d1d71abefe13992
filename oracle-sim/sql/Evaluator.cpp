#include "Evaluator.h"

#include "OraError.h"
#include "OraJson.h"
#include "OraLike.h"
#include "OraRegex.h"
#include "ValueCoercion.h"

#include <cctype>
#include <ctime>

namespace oraclesim {

void Evaluator::resolve(Expr &e, const std::vector<SourceColumn> &columns, const std::string &table,
                        const std::string &alias)
{
    if (e.kind == Expr::Kind::Column) {
        if (!e.qualifier.empty() && e.qualifier != table && e.qualifier != alias)
            throw OraError::of(904, quotedName(e.qualifier) + "." + quotedName(e.name));
        e.column = -1;
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name == e.name)
                e.column = static_cast<int>(i);
        if (e.column < 0)
            throw OraError::of(904, e.qualifier.empty() ? quotedName(e.name)
                                                        : quotedName(e.qualifier) + "." + quotedName(e.name));
    }
    for (auto &a : e.args)
        resolve(a, columns, table, alias);
}

bool Evaluator::refersToColumns(const Expr &e)
{
    if (e.kind == Expr::Kind::Column)
        return true;
    for (const auto &a : e.args)
        if (refersToColumns(a))
            return true;
    return false;
}

bool Evaluator::refersToColumn(const Expr &e, int column)
{
    if (e.kind == Expr::Kind::Column && e.column == column)
        return true;
    for (const auto &a : e.args)
        if (refersToColumn(a, column))
            return true;
    return false;
}

bool Evaluator::usesSequence(const Expr &e)
{
    if (e.kind == Expr::Kind::NextVal || e.kind == Expr::Kind::CurrVal)
        return true;
    for (const auto &a : e.args)
        if (usesSequence(a))
            return true;
    return false;
}

bool Evaluator::isAggregate(const Expr &e)
{
    return e.kind == Expr::Kind::CountStar || (e.kind == Expr::Kind::Call && e.name == "COUNT");
}

std::optional<bool> Evaluator::truth(const Expr &e) const
{
    switch (e.kind) {
    case Expr::Kind::And: {
        auto a = truth(e.args[0]);
        if (a == false)
            return false;
        auto b = truth(e.args[1]);
        if (b == false)
            return false;
        if (a && b)
            return true;
        return std::nullopt;
    }
    case Expr::Kind::Or: {
        auto a = truth(e.args[0]);
        if (a == true)
            return true;
        auto b = truth(e.args[1]);
        if (b == true)
            return true;
        if (a && b)
            return false;
        return std::nullopt;
    }
    case Expr::Kind::Not: {
        auto a = truth(e.args[0]);
        if (!a)
            return std::nullopt;
        return !*a;
    }
    case Expr::Kind::Call:
        if (e.name == "REGEXP_LIKE") {
            SqlValue text = value(e.args[0]), pattern = value(e.args[1]);
            SqlValue flags = e.args.size() > 2 ? value(e.args[2]) : SqlValue();
            if (text.isNull() || pattern.isNull())
                return std::nullopt;
            return OraRegex::like(text.toText(m_nls), pattern.toText(m_nls),
                                  flags.isNull() ? std::string() : flags.toText(m_nls));
        }
        throw OraError::of(920);
    case Expr::Kind::Like: {
        SqlValue text = value(e.args[0]), pattern = value(e.args[1]);
        std::optional<std::string> escape;
        if (e.args.size() > 2) {
            SqlValue esc = value(e.args[2]);
            if (esc.isNull())
                return std::nullopt;
            escape = esc.toText(m_nls);
            if (ValueCoercion::characterCount(*escape) != 1)
                throw OraError::of(1425);
        }
        if (text.isNull() || pattern.isNull())
            return std::nullopt;
        return OraLike::match(text.toText(m_nls), pattern.toText(m_nls), escape);
    }
    case Expr::Kind::IsJson: {
        SqlValue v = value(e.args[0]);
        if (v.isNull())
            return std::nullopt;
        return OraJson::wellFormed(v.toText(m_nls), e.name == "STRICT", e.qualifier == "UNIQUE");
    }
    case Expr::Kind::IsNull: return value(e.args[0]).isNull();
    case Expr::Kind::IsNotNull: return !value(e.args[0]).isNull();
    case Expr::Kind::Compare: {
        SqlValue a = value(e.args[0]), b = value(e.args[1]);
        if (a.isNull() || b.isNull())
            return std::nullopt;
        int c = a.compare(b, m_nls);
        if (e.name == "=")
            return c == 0;
        if (e.name == "!=")
            return c != 0;
        if (e.name == "<")
            return c < 0;
        if (e.name == ">")
            return c > 0;
        if (e.name == "<=")
            return c <= 0;
        return c >= 0;
    }
    case Expr::Kind::In:
    case Expr::Kind::NotIn: {
        SqlValue a = value(e.args[0]);
        if (a.isNull())
            return std::nullopt;
        bool sawNull = false;
        for (std::size_t i = 1; i < e.args.size(); ++i) {
            SqlValue b = value(e.args[i]);
            if (b.isNull()) {
                sawNull = true;
                continue;
            }
            if (a.compare(b, m_nls) == 0)
                return e.kind == Expr::Kind::In;
        }
        if (sawNull)
            return std::nullopt;
        return e.kind == Expr::Kind::NotIn;
    }
    default: throw OraError::of(920);
    }
}

SqlValue Evaluator::value(const Expr &e) const
{
    switch (e.kind) {
    case Expr::Kind::Literal: return e.value;
    case Expr::Kind::Bind:
        if (e.bind < 0 || static_cast<std::size_t>(e.bind) >= m_binds.size())
            throw OraError::of(1008);
        return m_binds[static_cast<std::size_t>(e.bind)];
    case Expr::Kind::Column:
        if (!m_row || e.column < 0 || static_cast<std::size_t>(e.column) >= m_row->size())
            throw OraError::of(904, quotedName(e.name));
        return (*m_row)[static_cast<std::size_t>(e.column)];
    case Expr::Kind::Call: return call(e);
    case Expr::Kind::NextVal:
    case Expr::Kind::CurrVal:
        return sequenceValue(e);
    case Expr::Kind::CountStar: throw OraError::of(937);
    default: {
        // A condition used as a value: Oracle has no boolean type in SQL.
        throw OraError::of(936);
    }
    }
}

SqlValue Evaluator::sequenceValue(const Expr &e) const
{
    if (!m_sequences)
        throw OraError::of(2287);
    auto key = std::make_pair(e.owner.empty() ? m_user : e.owner, e.qualifier);
    if (e.kind == Expr::Kind::CurrVal) {
        auto it = m_nextValues.find(key);
        std::int64_t v = it != m_nextValues.end() ? it->second : m_sequences->currentValue(key.first, key.second);
        return SqlValue::number(Decimal::fromInteger(v));
    }
    auto it = m_nextValues.find(key);
    if (it == m_nextValues.end())
        it = m_nextValues.emplace(key, m_sequences->nextValue(key.first, key.second)).first;
    return SqlValue::number(Decimal::fromInteger(it->second));
}

namespace {

// The server's clock, to the microsecond (what SYSTIMESTAMP shows on Linux).
OraDate now(bool fractions)
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    OraDate d{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    if (fractions)
        d.nanos = static_cast<int>(ts.tv_nsec / 1000 * 1000);
    return d;
}

} // namespace

SqlValue Evaluator::call(const Expr &e) const
{
    const std::string &fn = e.name;
    // The stand-in's sessions share the server's time zone, so the CURRENT_ forms equal the SYS ones.
    if (fn == "SYSDATE" || fn == "CURRENT_DATE")
        return SqlValue::date(now(false));
    if (fn == "SYSTIMESTAMP" || fn == "CURRENT_TIMESTAMP")
        return SqlValue::timestamp(now(true), 6);
    if (fn == "USER")
        return SqlValue::text(m_user);
    if (fn == "EMPTY_CLOB")
        return SqlValue::clob("");
    if (fn == "EMPTY_BLOB")
        return SqlValue::blob("");
    if (fn == "COUNT")
        throw OraError::of(937);
    std::vector<SqlValue> args;
    for (const auto &a : e.args)
        args.push_back(value(a));
    if (fn == "NVL")
        return args[0].isNull() ? args[1] : args[0];
    if (fn == "||") {
        std::string s = (args[0].isNull() ? "" : args[0].toText(m_nls)) + (args[1].isNull() ? "" : args[1].toText(m_nls));
        return s.empty() ? SqlValue() : SqlValue::text(s);
    }
    if (fn == "+" || fn == "-" || fn == "*") {
        if (args[0].isNull() || args[1].isNull())
            return {};
        const Decimal a = args[0].toNumber(m_nls), b = args[1].toNumber(m_nls);
        Decimal result = fn == "+" ? a.plus(b) : fn == "-" ? a.minus(b) : a.times(b);
        if (!result.fitsOracleRange())
            throw OraError::of(1426);
        return SqlValue::number(result);
    }
    if (args[0].isNull())
        return {};
    if (fn == "NEG")
        return SqlValue::number(args[0].toNumber(m_nls).negated());
    if (fn == "ABS")
        return SqlValue::number(args[0].toNumber(m_nls).absolute());
    if (fn == "UPPER" || fn == "LOWER") {
        std::string s = args[0].toText(m_nls);
        for (auto &c : s)
            c = static_cast<char>(fn == "UPPER" ? std::toupper(static_cast<unsigned char>(c))
                                                : std::tolower(static_cast<unsigned char>(c)));
        return args[0].type() == SqlType::Clob ? SqlValue::clob(s) : SqlValue::text(s);
    }
    // REPLACE(char, search [, replacement]): every occurrence, left to right, none overlapping; no search
    // gives char as it is, no replacement removes what is found. An empty result is NULL.
    if (fn == "REPLACE") {
        std::string s = args[0].toText(m_nls);
        if (args[1].isNull())
            return SqlValue::text(s);
        const std::string search = args[1].toText(m_nls);
        const std::string with = args.size() > 2 && !args[2].isNull() ? args[2].toText(m_nls) : std::string();
        std::string out;
        std::size_t from = 0;
        for (std::size_t at = s.find(search); at != std::string::npos; at = s.find(search, from)) {
            out.append(s, from, at - from);
            out += with;
            from = at + search.size();
        }
        out.append(s, from, std::string::npos);
        return out.empty() ? SqlValue() : SqlValue::text(out);
    }
    if (fn == "TRIM") {
        std::string s = args[0].toText(m_nls);
        auto b = s.find_first_not_of(' ');
        if (b == std::string::npos)
            return {};
        return SqlValue::text(s.substr(b, s.find_last_not_of(' ') - b + 1));
    }
    if (fn == "LENGTH") {
        if (args[0].type() == SqlType::Blob || args[0].type() == SqlType::Raw)
            return SqlValue::number(Decimal::fromInteger(static_cast<std::int64_t>(args[0].bytes().size())));
        if (args[0].type() == SqlType::Clob)
            return SqlValue::number(
                Decimal::fromInteger(static_cast<std::int64_t>(ValueCoercion::utf16Length(args[0].bytes()))));
        return SqlValue::number(
            Decimal::fromInteger(static_cast<std::int64_t>(ValueCoercion::characterCount(args[0].toText(m_nls)))));
    }
    if (fn == "SUBSTR") {
        std::string s = args[0].toText(m_nls);
        if (args[1].isNull() || (args.size() > 2 && args[2].isNull()))
            return {};
        auto count = static_cast<long>(ValueCoercion::characterCount(s));
        long pos = static_cast<long>(args[1].toNumber(m_nls).toInteger().value_or(0));
        if (pos == 0)
            pos = 1;
        if (pos < 0)
            pos = count + pos + 1;
        if (pos < 1 || pos > count)
            return {};
        long len = args.size() > 2 ? static_cast<long>(args[2].toNumber(m_nls).toInteger().value_or(0)) : count;
        if (len < 1)
            return {};
        std::size_t from = 0, seen = 0;
        while (from < s.size() && seen < static_cast<std::size_t>(pos - 1)) {
            ++from;
            while (from < s.size() && (static_cast<unsigned char>(s[from]) & 0xC0) == 0x80)
                ++from;
            ++seen;
        }
        std::size_t to = from;
        seen = 0;
        while (to < s.size() && seen < static_cast<std::size_t>(len)) {
            ++to;
            while (to < s.size() && (static_cast<unsigned char>(s[to]) & 0xC0) == 0x80)
                ++to;
            ++seen;
        }
        return SqlValue::text(s.substr(from, to - from));
    }
    if (fn == "TO_CHAR") {
        if (args.size() > 1 && args[0].type() == SqlType::Date && !args[1].isNull())
            return SqlValue::text(args[0].oraDate().format(args[1].toText(m_nls)));
        if (args.size() > 1 && args[0].type() == SqlType::Timestamp && !args[1].isNull())
            return SqlValue::text(args[0].oraDate().format(args[1].toText(m_nls), args[0].fractionDigits()));
        std::string s = args[0].toText(m_nls);
        return s.empty() ? SqlValue() : SqlValue::text(s);
    }
    if (fn == "TO_TIMESTAMP") {
        // A timestamp made from text keeps all nine digits it may have been given.
        if (args[0].type() == SqlType::Date || args[0].type() == SqlType::Timestamp)
            return SqlValue::timestamp(args[0].oraDate(), 9);
        std::string format =
            args.size() > 1 && !args[1].isNull() ? args[1].toText(m_nls) : m_nls.timestampFormat;
        return SqlValue::timestamp(OraDate::parse(args[0].toText(m_nls), format, true), 9);
    }
    if (fn == "TO_DATE") {
        if (args[0].type() == SqlType::Date)
            return args[0];
        if (args[0].type() == SqlType::Timestamp)
            return SqlValue::date(args[0].oraDate().withoutFraction());
        std::string format = args.size() > 1 && !args[1].isNull() ? args[1].toText(m_nls) : m_nls.dateFormat;
        return SqlValue::date(OraDate::parse(args[0].toText(m_nls), format));
    }
    if (fn == "TO_NUMBER")
        return SqlValue::number(args[0].toNumber(m_nls));
    throw OraError::of(904, quotedName(fn));
}

} // namespace oraclesim
