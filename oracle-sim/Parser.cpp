#include "Parser.h"

#include "OraError.h"

#include <cctype>
#include <cstdlib>

namespace oraclesim {

namespace {
constexpr std::size_t maxLiteralBytes = 4000;
// Deeper nesting than any real statement needs; beyond it the recursion would only risk the stack.
constexpr int maxNesting = 200;

class Nesting {
public:
    explicit Nesting(int &depth) : m_depth(depth)
    {
        if (++m_depth > maxNesting)
            throw OraError::of(600, "parser", "expression nested too deeply");
    }
    ~Nesting() { --m_depth; }
    Nesting(const Nesting &) = delete;
    Nesting &operator=(const Nesting &) = delete;

private:
    int &m_depth;
};
} // namespace

std::uint16_t Parser::statementType(std::string_view sql)
{
    std::vector<Token> tokens;
    try {
        tokens = Lexer::tokenize(sql, 1 << 20);
    } catch (const OraError &) {
        return 0;
    }
    const Token &t = tokens.front();
    if (t.kind != Token::Kind::Word)
        return 0;
    static const struct {
        const char *word;
        std::uint16_t type;
    } types[] = {{"SELECT", 1}, {"WITH", 1},  {"UPDATE", 2},  {"DELETE", 3}, {"INSERT", 4}, {"CREATE", 5},
                 {"DROP", 6},   {"ALTER", 7}, {"BEGIN", 8},   {"DECLARE", 9}, {"CALL", 10}, {"MERGE", 16}};
    for (const auto &k : types)
        if (t.text == k.word)
            return k.type;
    return 0;
}

SqlStatement Parser::parse(std::string_view sql, std::size_t maxIdentifier)
{
    Parser p(sql, Lexer::tokenize(sql, maxIdentifier));
    return p.statement();
}

const Token &Parser::peek(std::size_t ahead) const
{
    std::size_t i = m_pos + ahead;
    return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
}

Token Parser::next()
{
    Token t = peek();
    if (m_pos + 1 < m_tokens.size())
        ++m_pos;
    return t;
}

bool Parser::acceptWord(std::string_view word)
{
    if (!peek().isWord(word))
        return false;
    next();
    return true;
}

bool Parser::acceptSymbol(std::string_view symbol)
{
    if (!peek().is(symbol))
        return false;
    next();
    return true;
}

void Parser::expectWord(std::string_view word, int error)
{
    if (!acceptWord(word))
        throw OraError::of(error);
}

void Parser::expectSymbol(std::string_view symbol, int error)
{
    if (!acceptSymbol(symbol))
        throw OraError::of(error);
}

SqlStatement Parser::statement()
{
    SqlStatement st;
    const Token &first = peek();
    if (first.kind != Token::Kind::Word)
        throw OraError::of(900);
    if (first.text == "CREATE")
        st.body = create();
    else if (first.text == "DROP")
        st.body = drop();
    else if (first.text == "ALTER")
        st.body = alter();
    else if (first.text == "INSERT")
        st.body = insert();
    else if (first.text == "SELECT")
        st.body = select();
    else if (first.text == "DELETE")
        st.body = deleteFrom();
    else if (first.text == "UPDATE")
        st.body = update();
    else if (first.text == "COMMIT" || first.text == "ROLLBACK") {
        next();
        acceptWord("WORK");
        if (first.text == "COMMIT")
            st.body = Commit{};
        else
            st.body = Rollback{};
    } else
        throw OraError::of(900);
    if (peek().kind != Token::Kind::End)
        throw OraError::of(933);
    st.bindCount = m_binds;
    return st;
}

std::string Parser::name(NameUse use)
{
    const Token &t = peek();
    if (t.kind == Token::Kind::Quoted || (t.kind == Token::Kind::Word && !t.reserved))
        return next().text;
    switch (use) {
    case NameUse::Table: throw OraError::of(903);
    case NameUse::Index: throw OraError::of(953);
    default: throw OraError::of(904, "");
    }
}

TableName Parser::tableName()
{
    TableName tn;
    tn.name = name(NameUse::Table);
    if (acceptSymbol(".")) {
        tn.schema = tn.name;
        tn.name = name(NameUse::Table);
    }
    return tn;
}

std::vector<std::string> Parser::columnList(bool allowOrder)
{
    expectSymbol("(", 906);
    std::vector<std::string> cols;
    do {
        cols.push_back(name(NameUse::Column));
        if (allowOrder && !acceptWord("ASC"))
            acceptWord("DESC");
    } while (acceptSymbol(","));
    expectSymbol(")", 907);
    return cols;
}

StatementBody Parser::create()
{
    next(); // CREATE
    bool unique = acceptWord("UNIQUE");
    if (!unique && acceptWord("TABLE")) {
        CreateTable ct;
        ct.table = tableName();
        expectSymbol("(", 906);
        do {
            if (peek().isWord("PRIMARY")) { // table-level PRIMARY KEY (cols)
                next();
                expectWord("KEY", 905);
                ct.primaryKey = columnList(false);
                continue;
            }
            ct.columns.push_back(columnDef());
            if (ct.columns.back().primaryKey) {
                if (!ct.primaryKey.empty())
                    throw OraError::of(2260);
                ct.primaryKey.push_back(ct.columns.back().name);
            }
        } while (acceptSymbol(","));
        expectSymbol(")", 907);
        if (peek().kind != Token::Kind::End)
            throw OraError::of(922);
        return ct;
    }
    if (acceptWord("INDEX")) {
        CreateIndex ci;
        ci.unique = unique;
        ci.name = name(NameUse::Index);
        if (acceptSymbol(".")) // schema.index
            ci.name = name(NameUse::Index);
        expectWord("ON", 969);
        ci.table = tableName();
        ci.columns = columnList(true);
        return ci;
    }
    throw OraError::of(901);
}

ColumnDef Parser::columnDef()
{
    ColumnDef def;
    def.name = name(NameUse::Column);
    def.type = columnType();
    while (true) {
        if (acceptWord("NOT")) {
            expectWord("NULL", 905);
            def.notNull = true;
        } else if (acceptWord("NULL")) {
            def.notNull = false;
        } else if (acceptWord("PRIMARY")) {
            expectWord("KEY", 905);
            def.primaryKey = true;
        } else {
            break;
        }
    }
    if (!peek().is(",") && !peek().is(")"))
        throw OraError::of(907);
    return def;
}

ColumnType Parser::columnType()
{
    ColumnType type;
    const Token &t = peek();
    if (t.kind != Token::Kind::Word || !ColumnType::fromWord(t.text, type.base))
        throw OraError::of(902);
    next();
    auto integer = [&](int error) {
        bool negative = acceptSymbol("-");
        const Token &num = peek();
        if (num.kind != Token::Kind::Number || num.text.find_first_not_of("0123456789") != std::string::npos)
            throw OraError::of(error);
        long v = num.text.size() > 9 ? 1000000000L : std::strtol(num.text.c_str(), nullptr, 10);
        next();
        return static_cast<int>(negative ? -v : v);
    };
    if (type.base == ColumnType::Base::Varchar2) {
        expectSymbol("(", 906);
        type.length = integer(910);
        if (acceptWord("CHAR"))
            type.charSemantics = true;
        else
            acceptWord("BYTE");
        expectSymbol(")", 907);
        if (type.length == 0)
            throw OraError::of(1723);
        // The limit holds for characters too: VARCHAR2(4001 CHAR) is refused like VARCHAR2(4001).
        if (type.length < 0 || type.length > ColumnType::maxVarchar2Bytes)
            throw OraError::of(910);
    } else if (type.base == ColumnType::Base::Raw) {
        expectSymbol("(", 906);
        type.length = integer(910);
        expectSymbol(")", 907);
        if (type.length == 0)
            throw OraError::of(1723);
        if (type.length < 0 || type.length > ColumnType::maxRawBytes)
            throw OraError::of(910);
    } else if (type.base == ColumnType::Base::Timestamp) {
        type.precision = ColumnType::defaultTimestampPrecision;
        if (acceptSymbol("(")) {
            type.precision = integer(30088);
            expectSymbol(")", 907);
            if (type.precision < 0 || type.precision > 9)
                throw OraError::of(30088);
        }
    } else if (type.base == ColumnType::Base::Number && acceptSymbol("(")) {
        type.hasPrecision = true;
        type.precision = integer(1727);
        if (acceptSymbol(","))
            type.scale = integer(1728);
        expectSymbol(")", 907);
        if (type.precision < 1 || type.precision > 38)
            throw OraError::of(1727);
        if (type.scale < -84 || type.scale > 127)
            throw OraError::of(1728);
    }
    return type;
}

StatementBody Parser::drop()
{
    next(); // DROP
    if (acceptWord("TABLE")) {
        DropTable dt{tableName()};
        if (acceptWord("CASCADE"))
            expectWord("CONSTRAINTS", 905);
        acceptWord("PURGE");
        return dt;
    }
    if (acceptWord("INDEX"))
        return DropIndex{name(NameUse::Index)};
    throw OraError::of(950);
}

StatementBody Parser::alter()
{
    next(); // ALTER
    if (acceptWord("SESSION")) {
        expectWord("SET", 922);
        AlterSession as;
        do {
            const Token &n = peek();
            if (n.kind != Token::Kind::Word)
                throw OraError::of(922);
            std::string key = next().text;
            expectSymbol("=", 927);
            const Token &v = peek();
            if (v.kind == Token::Kind::End)
                throw OraError::of(922);
            as.settings.emplace_back(key, next().text);
        } while (peek().kind == Token::Kind::Word);
        return as;
    }
    if (acceptWord("TABLE")) {
        AddPrimaryKey pk;
        pk.table = tableName();
        if (!acceptWord("ADD"))
            throw OraError::of(1735);
        if (acceptWord("CONSTRAINT"))
            pk.constraint = name(NameUse::Constraint);
        if (!acceptWord("PRIMARY"))
            throw OraError::of(902);
        expectWord("KEY", 905);
        pk.columns = columnList(false);
        return pk;
    }
    throw OraError::of(940);
}

Insert Parser::insert()
{
    next(); // INSERT
    expectWord("INTO", 925);
    Insert ins;
    ins.table = tableName();
    if (peek().is("("))
        ins.columns = columnList(false);
    expectWord("VALUES", 926);
    expectSymbol("(", 906);
    do {
        ins.values.push_back(concat());
    } while (acceptSymbol(","));
    expectSymbol(")", 907);
    if (acceptWord("RETURNING") || acceptWord("RETURN")) {
        do {
            ins.returning.push_back(concat());
        } while (acceptSymbol(","));
        expectWord("INTO", 925);
        do {
            if (peek().kind != Token::Kind::Bind)
                throw OraError::of(936);
            next();
            ins.into.push_back(m_binds++);
        } while (acceptSymbol(","));
        if (ins.into.size() < ins.returning.size())
            throw OraError::of(947);
        if (ins.into.size() > ins.returning.size())
            throw OraError::of(913);
    }
    return ins;
}

Select Parser::select()
{
    next(); // SELECT
    Select sel;
    do {
        SelectItem item;
        if (acceptSymbol("*")) {
            item.star = true;
        } else {
            item.expr = concat();
            if (acceptWord("AS"))
                item.alias = name(NameUse::Column);
            else if (peek().kind == Token::Kind::Quoted || (peek().kind == Token::Kind::Word && !peek().reserved))
                item.alias = next().text;
        }
        sel.items.push_back(std::move(item));
    } while (acceptSymbol(","));
    expectWord("FROM", 923);
    sel.from = tableName();
    if (peek().kind == Token::Kind::Quoted || (peek().kind == Token::Kind::Word && !peek().reserved))
        sel.alias = next().text;
    if (acceptWord("WHERE"))
        sel.where = condition();
    if (acceptWord("ORDER")) {
        expectWord("BY", 924);
        do {
            OrderItem o;
            o.expr = concat();
            if (acceptWord("DESC"))
                o.descending = true;
            else
                acceptWord("ASC");
            sel.order.push_back(std::move(o));
        } while (acceptSymbol(","));
    }
    if (acceptWord("FOR")) { // FOR UPDATE: rows are locked by writing anyway
        expectWord("UPDATE", 905);
    }
    return sel;
}

Delete Parser::deleteFrom()
{
    next(); // DELETE
    acceptWord("FROM");
    Delete del;
    del.table = tableName();
    if (acceptWord("WHERE"))
        del.where = condition();
    return del;
}

Update Parser::update()
{
    next(); // UPDATE
    Update up;
    up.table = tableName();
    expectWord("SET", 971);
    do {
        std::string col = name(NameUse::Column);
        expectSymbol("=", 927);
        up.assignments.emplace_back(col, concat());
    } while (acceptSymbol(","));
    if (acceptWord("WHERE"))
        up.where = condition();
    return up;
}

Expr Parser::condition()
{
    Expr left = andCondition();
    while (acceptWord("OR")) {
        Expr e;
        e.kind = Expr::Kind::Or;
        e.args = {std::move(left), andCondition()};
        left = std::move(e);
    }
    return left;
}

Expr Parser::andCondition()
{
    Expr left = notCondition();
    while (acceptWord("AND")) {
        Expr e;
        e.kind = Expr::Kind::And;
        e.args = {std::move(left), notCondition()};
        left = std::move(e);
    }
    return left;
}

Expr Parser::notCondition()
{
    Nesting nesting(m_depth);
    if (acceptWord("NOT")) {
        Expr e;
        e.kind = Expr::Kind::Not;
        e.args = {notCondition()};
        return e;
    }
    return predicate();
}

Expr Parser::predicate()
{
    Expr left = concat();
    const Token &t = peek();
    static const char *ops[] = {"=", "!=", "<", ">", "<=", ">="};
    for (const char *op : ops)
        if (t.is(op)) {
            next();
            Expr e;
            e.kind = Expr::Kind::Compare;
            e.name = op;
            e.args = {std::move(left), concat()};
            return e;
        }
    if (acceptWord("IS")) {
        Expr e;
        e.kind = acceptWord("NOT") ? Expr::Kind::IsNotNull : Expr::Kind::IsNull;
        expectWord("NULL", 908);
        e.args = {std::move(left)};
        return e;
    }
    bool negated = false;
    if (peek().isWord("NOT") && peek(1).isWord("IN")) {
        next();
        negated = true;
    }
    if (acceptWord("IN")) {
        Expr e;
        e.kind = negated ? Expr::Kind::NotIn : Expr::Kind::In;
        e.args.push_back(std::move(left));
        expectSymbol("(", 906);
        do {
            e.args.push_back(concat());
        } while (acceptSymbol(","));
        expectSymbol(")", 907);
        return e;
    }
    // A parenthesised condition or a bare boolean from the grammar above stands by itself.
    if (left.kind == Expr::Kind::And || left.kind == Expr::Kind::Or || left.kind == Expr::Kind::Not ||
        left.kind == Expr::Kind::Compare || left.kind == Expr::Kind::IsNull || left.kind == Expr::Kind::IsNotNull ||
        left.kind == Expr::Kind::In || left.kind == Expr::Kind::NotIn)
        return left;
    throw OraError::of(920);
}

Expr Parser::concat()
{
    std::size_t begin = peek().begin;
    Expr left = primary();
    while (acceptSymbol("||")) {
        Expr e;
        e.kind = Expr::Kind::Call;
        e.name = "||";
        e.args = {std::move(left), primary()};
        e.label = label(begin, m_tokens[m_pos - 1].end);
        left = std::move(e);
    }
    return left;
}

std::string Parser::label(std::size_t begin, std::size_t end) const
{
    std::string out;
    bool inQuote = false;
    for (std::size_t i = begin; i < end && i < m_sql.size(); ++i) {
        char c = m_sql[i];
        if (c == '\'' || c == '"')
            inQuote = !inQuote;
        if (!inQuote && std::isspace(static_cast<unsigned char>(c)))
            continue;
        out += inQuote ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

Expr Parser::primary()
{
    Nesting nesting(m_depth);
    const Token t = peek();
    Expr e;
    switch (t.kind) {
    case Token::Kind::String:
        next();
        if (t.text.size() > maxLiteralBytes)
            throw OraError::of(1704);
        // Oracle reads '' as NULL everywhere.
        e.value = t.text.empty() ? SqlValue() : SqlValue::text(t.text);
        e.label = label(t.begin, t.end);
        return e;
    case Token::Kind::Number:
        next();
        e.value = SqlValue::number(*Decimal::parse(t.text));
        e.label = label(t.begin, t.end);
        return e;
    case Token::Kind::Bind:
        next();
        e.kind = Expr::Kind::Bind;
        e.bind = m_binds++;
        e.label = label(t.begin, t.end);
        return e;
    case Token::Kind::Symbol:
        if (t.is("(")) {
            next();
            Expr inner = condition();
            expectSymbol(")", 907);
            return inner;
        }
        if (t.is("-") && peek(1).kind == Token::Kind::Number) {
            next();
            const Token num = next();
            e.value = SqlValue::number(*Decimal::parse("-" + num.text));
            e.label = label(t.begin, num.end);
            return e;
        }
        throw OraError::of(936);
    case Token::Kind::Quoted:
    case Token::Kind::Word: {
        if (t.kind == Token::Kind::Word && t.text == "NULL") {
            next();
            e.label = "NULL";
            return e;
        }
        if (t.kind == Token::Kind::Word && peek(1).is("(") && !t.reserved) {
            next();
            return call(t, t.begin);
        }
        if (t.kind == Token::Kind::Word && (t.text == "SYSDATE" || t.text == "USER")) {
            next();
            e.kind = Expr::Kind::Call;
            e.name = t.text;
            e.label = t.text;
            return e;
        }
        if (t.kind == Token::Kind::Word && t.reserved)
            throw OraError::of(936);
        next();
        e.kind = Expr::Kind::Column;
        e.name = t.text;
        if (acceptSymbol(".")) {
            e.qualifier = e.name;
            e.name = name(NameUse::Column);
        }
        e.label = e.name;
        return e;
    }
    default: throw OraError::of(936);
    }
}

Expr Parser::call(const Token &fn, std::size_t begin)
{
    static const struct {
        const char *name;
        int minArgs, maxArgs;
    } functions[] = {{"UPPER", 1, 1},      {"LOWER", 1, 1},      {"LENGTH", 1, 1},       {"TO_CHAR", 1, 2},
                     {"TO_DATE", 1, 2},    {"TO_NUMBER", 1, 1},  {"TO_TIMESTAMP", 1, 2}, {"NVL", 2, 2},
                     {"EMPTY_CLOB", 0, 0}, {"EMPTY_BLOB", 0, 0}, {"COUNT", 1, 1},        {"TRIM", 1, 1},
                     {"SUBSTR", 2, 3}};
    int minArgs = -1, maxArgs = -1;
    for (const auto &f : functions)
        if (fn.text == f.name) {
            minArgs = f.minArgs;
            maxArgs = f.maxArgs;
        }
    if (minArgs < 0)
        throw OraError::of(904, quotedName(fn.text));
    expectSymbol("(", 906);
    Expr e;
    e.kind = Expr::Kind::Call;
    e.name = fn.text;
    if (fn.text == "COUNT" && acceptSymbol("*")) {
        e.kind = Expr::Kind::CountStar;
    } else if (!peek().is(")")) {
        do {
            e.args.push_back(concat());
        } while (acceptSymbol(","));
    }
    expectSymbol(")", 907);
    int n = static_cast<int>(e.args.size());
    if (e.kind == Expr::Kind::Call && (n < minArgs || n > maxArgs))
        throw OraError::of(909);
    e.label = label(begin, m_tokens[m_pos - 1].end);
    return e;
}

} // namespace oraclesim
