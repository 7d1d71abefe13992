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

namespace {

// AND, OR and NOT join conditions only: "(a = 1 and b)" is ORA-00920 as before.
void checkConditionOperands(const Expr &e)
{
    if (e.kind != Expr::Kind::And && e.kind != Expr::Kind::Or && e.kind != Expr::Kind::Not)
        return;
    for (const auto &a : e.args) {
        if (!Parser::isCondition(a))
            throw OraError::of(920);
        checkConditionOperands(a);
    }
}

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
    else if (first.text == "COMMENT")
        st.body = comment();
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
    if (st.isDdl() && m_binds > 0)
        throw OraError::of(1027);
    st.bindCount = m_binds;
    return st;
}

Expr Parser::parseExpression(std::string_view text)
{
    Parser p(text, Lexer::tokenize(text, 1 << 20));
    Expr e = p.concat();
    if (p.peek().kind != Token::Kind::End)
        throw OraError::of(933);
    return e;
}

Expr Parser::parseCondition(std::string_view text)
{
    Parser p(text, Lexer::tokenize(text, 1 << 20));
    Expr e = p.wholeCondition();
    if (p.peek().kind != Token::Kind::End)
        throw OraError::of(933);
    return e;
}

std::string Parser::text(std::size_t begin) const
{
    std::size_t end = m_pos > 0 ? m_tokens[m_pos - 1].end : begin;
    return end > begin ? std::string(m_sql.substr(begin, end - begin)) : std::string();
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
    if (!unique && acceptWord("TABLE"))
        return createTable();
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
    if (!unique && acceptWord("SEQUENCE")) {
        CreateSequence cs;
        TableName n = tableName();
        cs.schema = n.schema;
        cs.name = n.name;
        cs.options = sequenceOptions(false);
        return cs;
    }
    throw OraError::of(901);
}

CreateTable Parser::createTable()
{
    CreateTable ct;
    ct.table = tableName();
    expectSymbol("(", 906);
    do {
        if (startsConstraint())
            ct.constraints.push_back(constraintDef());
        else
            ct.columns.push_back(columnDef(ct.constraints));
    } while (acceptSymbol(","));
    expectSymbol(")", 907);
    if (peek().kind != Token::Kind::End)
        throw OraError::of(922);
    return ct;
}

bool Parser::startsConstraint() const
{
    const Token &t = peek();
    return t.isWord("CONSTRAINT") || t.isWord("UNIQUE") || t.isWord("CHECK") ||
           ((t.isWord("PRIMARY") || t.isWord("FOREIGN")) && peek(1).isWord("KEY"));
}

ConstraintDef Parser::constraintDef()
{
    ConstraintDef c;
    if (acceptWord("CONSTRAINT"))
        c.name = name(NameUse::Constraint);
    if (acceptWord("PRIMARY")) {
        expectWord("KEY", 905);
        c.kind = ConstraintDef::Kind::PrimaryKey;
        c.columns = columnList(false);
    } else if (acceptWord("UNIQUE")) {
        c.kind = ConstraintDef::Kind::Unique;
        c.columns = columnList(false);
    } else if (acceptWord("FOREIGN")) {
        expectWord("KEY", 905);
        c.kind = ConstraintDef::Kind::ForeignKey;
        c.columns = columnList(false);
        expectWord("REFERENCES", 905);
        references(c);
    } else if (acceptWord("CHECK")) {
        checkCondition(c);
    } else {
        throw OraError::of(902);
    }
    return c;
}

void Parser::references(ConstraintDef &c)
{
    c.kind = ConstraintDef::Kind::ForeignKey;
    c.refTable = tableName();
    if (peek().is("("))
        c.refColumns = columnList(false);
    if (acceptWord("ON")) {
        expectWord("DELETE", 905);
        if (acceptWord("CASCADE")) {
            c.onDelete = DeleteRule::Cascade;
        } else {
            expectWord("SET", 905);
            expectWord("NULL", 905);
            c.onDelete = DeleteRule::SetNull;
        }
    }
}

namespace {

// What a CHECK condition may not hold: values that change with the moment or the session
// (ORA-02436) and sequence numbers (ORA-02287).
void checkConditionTerms(const Expr &e)
{
    if (e.kind == Expr::Kind::NextVal || e.kind == Expr::Kind::CurrVal)
        throw OraError::of(2287);
    if (e.kind == Expr::Kind::Call && (e.name == "SYSDATE" || e.name == "SYSTIMESTAMP" || e.name == "CURRENT_DATE" ||
                                       e.name == "CURRENT_TIMESTAMP" || e.name == "USER"))
        throw OraError::of(2436);
    for (const auto &a : e.args)
        checkConditionTerms(a);
}

bool namesOtherColumn(const Expr &e, const std::string &column)
{
    if (e.kind == Expr::Kind::Column && e.name != column)
        return true;
    for (const auto &a : e.args)
        if (namesOtherColumn(a, column))
            return true;
    return false;
}

bool namesAnyColumn(const Expr &e)
{
    if (e.kind == Expr::Kind::Column)
        return true;
    for (const auto &a : e.args)
        if (namesAnyColumn(a))
            return true;
    return false;
}

} // namespace

void Parser::checkCondition(ConstraintDef &c)
{
    c.kind = ConstraintDef::Kind::Check;
    expectSymbol("(", 906);
    std::size_t begin = peek().begin;
    c.condition = wholeCondition();
    // UNVERIFIED: the condition text is kept exactly as written between the parentheses.
    c.conditionText = text(begin);
    expectSymbol(")", 907);
    checkConditionTerms(c.condition);
}

ColumnDef Parser::columnDef(std::vector<ConstraintDef> &constraints)
{
    ColumnDef def;
    def.name = name(NameUse::Column);
    def.type = columnType();
    if (acceptWord("DEFAULT")) {
        std::size_t begin = peek().begin;
        def.defaultValue = concat();
        def.defaultText = text(begin);
        if (namesAnyColumn(*def.defaultValue))
            throw OraError::of(984);
    }
    if (peek().isWord("GENERATED")) {
        if (def.defaultValue)
            throw OraError::of(30674);
        def.identity = identityClause();
    }
    while (true) {
        std::string constraintName;
        if (acceptWord("CONSTRAINT"))
            constraintName = name(NameUse::Constraint);
        if (acceptWord("NOT")) {
            expectWord("NULL", 905);
            def.notNull = true;
            def.notNullName = constraintName;
            continue;
        }
        if (acceptWord("NULL")) {
            def.notNull = false;
            continue;
        }
        ConstraintDef c;
        c.name = constraintName;
        c.columns = {def.name};
        if (acceptWord("PRIMARY")) {
            expectWord("KEY", 905);
            c.kind = ConstraintDef::Kind::PrimaryKey;
        } else if (acceptWord("UNIQUE")) {
            c.kind = ConstraintDef::Kind::Unique;
        } else if (acceptWord("REFERENCES")) {
            references(c);
            if (c.refColumns.size() > 1)
                throw OraError::of(2256);
        } else if (acceptWord("CHECK")) {
            c.columns.clear();
            c.inlineCheck = true;
            checkCondition(c);
            if (namesOtherColumn(c.condition, def.name))
                throw OraError::of(2438);
        } else {
            if (!constraintName.empty())
                throw OraError::of(902);
            break;
        }
        constraints.push_back(std::move(c));
    }
    if (!peek().is(",") && !peek().is(")"))
        throw OraError::of(907);
    return def;
}

IdentityDef Parser::identityClause()
{
    expectWord("GENERATED", 905);
    IdentityDef id;
    id.always = true;
    if (acceptWord("BY")) {
        expectWord("DEFAULT", 905);
        id.always = false;
        if (acceptWord("ON")) {
            expectWord("NULL", 905);
            id.onNull = true;
        }
    } else {
        acceptWord("ALWAYS");
    }
    expectWord("AS", 905);
    expectWord("IDENTITY", 905);
    if (acceptSymbol("(")) {
        id.options = sequenceOptions(true);
        expectSymbol(")", 907);
    }
    return id;
}

std::int64_t Parser::signedInteger()
{
    bool negative = acceptSymbol("-");
    if (!negative)
        acceptSymbol("+");
    const Token &num = peek();
    if (num.kind != Token::Kind::Number || num.text.find_first_not_of("0123456789") != std::string::npos)
        throw OraError::of(1722);
    if (num.text.size() > 18)
        throw OraError::of(1426);
    std::int64_t v = std::strtoll(num.text.c_str(), nullptr, 10);
    next();
    return negative ? -v : v;
}

SequenceOptions Parser::sequenceOptions(bool identity)
{
    SequenceOptions o;
    while (true) {
        if (acceptWord("START")) {
            expectWord("WITH", 905);
            if (identity && acceptWord("LIMIT")) {
                expectWord("VALUE", 905);
                o.startWithLimit = true;
            } else {
                o.startWith = signedInteger();
            }
        } else if (acceptWord("INCREMENT")) {
            expectWord("BY", 905);
            o.incrementBy = signedInteger();
            if (o.incrementBy == 0)
                throw OraError::of(4002);
        } else if (acceptWord("MINVALUE")) {
            o.minValue = signedInteger();
        } else if (acceptWord("NOMINVALUE")) {
            o.minValue.reset();
        } else if (acceptWord("MAXVALUE")) {
            o.maxValue = signedInteger();
        } else if (acceptWord("NOMAXVALUE")) {
            o.maxValue.reset();
        } else if (acceptWord("CACHE")) {
            o.cache = signedInteger();
            if (o.cache < 2)
                throw OraError::of(4010);
        } else if (acceptWord("NOCACHE")) {
            o.cache = 0;
        } else if (acceptWord("CYCLE")) {
            o.cycle = true;
        } else if (acceptWord("NOCYCLE")) {
            o.cycle = false;
        } else if (acceptWord("ORDER")) {
            o.order = true;
        } else if (acceptWord("NOORDER")) {
            o.order = false;
        } else {
            return o;
        }
    }
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
        if (acceptWord("CASCADE")) {
            expectWord("CONSTRAINTS", 905);
            dt.cascadeConstraints = true;
        }
        acceptWord("PURGE");
        return dt;
    }
    if (acceptWord("INDEX"))
        return DropIndex{name(NameUse::Index)};
    if (acceptWord("SEQUENCE")) {
        TableName n = tableName();
        return DropSequence{n.schema, n.name};
    }
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
        TableName table = tableName();
        if (acceptWord("ADD")) {
            AddConstraint ac;
            ac.table = table;
            ac.constraint = constraintDef();
            return ac;
        }
        if (acceptWord("MODIFY")) {
            ModifyColumns mc;
            mc.table = table;
            if (acceptSymbol("(")) {
                do {
                    mc.changes.push_back(columnChange());
                } while (acceptSymbol(","));
                expectSymbol(")", 907);
            } else {
                mc.changes.push_back(columnChange());
            }
            return mc;
        }
        throw OraError::of(1735);
    }
    throw OraError::of(940);
}

ColumnChange Parser::columnChange()
{
    ColumnChange change;
    change.column = name(NameUse::Column);
    ColumnType::Base base;
    if (peek().kind == Token::Kind::Word && ColumnType::fromWord(peek().text, base))
        change.type = columnType();
    if (peek().isWord("GENERATED"))
        change.identity = identityClause();
    if (acceptWord("CONSTRAINT")) {
        change.constraintName = name(NameUse::Constraint);
        if (!peek().isWord("NOT"))
            throw OraError::of(902);
    }
    if (acceptWord("NOT")) {
        expectWord("NULL", 905);
        change.notNull = true;
    } else if (acceptWord("NULL")) {
        change.notNull = false;
    }
    if (!change.type && !change.identity && !change.notNull)
        throw OraError::of(905);
    return change;
}

StatementBody Parser::comment()
{
    next(); // COMMENT
    expectWord("ON", 969);
    Comment c;
    if (acceptWord("TABLE")) {
        c.table = tableName();
    } else if (acceptWord("COLUMN")) {
        // [schema.]table.column
        std::vector<std::string> parts{name(NameUse::Table)};
        while (parts.size() < 3 && acceptSymbol("."))
            parts.push_back(name(NameUse::Column));
        if (parts.size() < 2)
            throw OraError::of(1747);
        c.column = parts.back();
        c.table.name = parts[parts.size() - 2];
        if (parts.size() == 3)
            c.table.schema = parts[0];
    } else {
        throw OraError::of(905);
    }
    expectWord("IS", 905);
    if (peek().kind != Token::Kind::String)
        throw OraError::of(1780); // UNVERIFIED: the error for a comment that is not a string literal
    c.text = next().text;
    if (c.text.size() > 4000)
        throw OraError::of(1704);
    return c;
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
        ins.values.push_back(valueOrDefault());
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
        sel.where = wholeCondition();
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
        del.where = wholeCondition();
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
        up.assignments.emplace_back(col, valueOrDefault());
    } while (acceptSymbol(","));
    if (acceptWord("WHERE"))
        up.where = wholeCondition();
    return up;
}

Expr Parser::valueOrDefault()
{
    if (!peek().isWord("DEFAULT"))
        return concat();
    next();
    Expr e;
    e.kind = Expr::Kind::Default;
    e.label = "DEFAULT";
    return e;
}

Expr Parser::wholeCondition()
{
    Expr e = condition();
    if (!isCondition(e))
        throw OraError::of(920); // "(a)" is a value, not a condition
    checkConditionOperands(e);
    return e;
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
    if (peek().isWord("REGEXP_LIKE") && peek(1).is("(")) {
        std::size_t begin = peek().begin;
        next();
        next();
        Expr e;
        e.kind = Expr::Kind::Call;
        e.name = "REGEXP_LIKE";
        do {
            e.args.push_back(concat());
        } while (acceptSymbol(","));
        expectSymbol(")", 907);
        if (e.args.size() < 2 || e.args.size() > 3)
            throw OraError::of(909);
        e.label = label(begin, m_tokens[m_pos - 1].end);
        return e;
    }
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
        const bool negated = acceptWord("NOT");
        Expr e;
        e.args = {std::move(left)};
        if (acceptWord("JSON")) {
            // expr IS [NOT] JSON [FORMAT JSON] [STRICT | LAX] [WITH | WITHOUT UNIQUE [KEYS]]
            e.kind = Expr::Kind::IsJson;
            if (acceptWord("FORMAT"))
                expectWord("JSON", 905);
            e.name = "LAX"; // Oracle's default syntax
            if (acceptWord("STRICT"))
                e.name = "STRICT";
            else
                acceptWord("LAX");
            if (peek().isWord("WITH") || peek().isWord("WITHOUT")) {
                if (next().isWord("WITH"))
                    e.qualifier = "UNIQUE";
                expectWord("UNIQUE", 905);
                acceptWord("KEYS");
            }
            if (!negated)
                return e;
            Expr no;
            no.kind = Expr::Kind::Not;
            no.args = {std::move(e)};
            return no;
        }
        e.kind = negated ? Expr::Kind::IsNotNull : Expr::Kind::IsNull;
        expectWord("NULL", 908);
        return e;
    }
    bool negated = false;
    if (peek().isWord("NOT") && (peek(1).isWord("IN") || peek(1).isWord("BETWEEN") || peek(1).isWord("LIKE"))) {
        next();
        negated = true;
    }
    if (acceptWord("LIKE")) {
        Expr e;
        e.kind = Expr::Kind::Like;
        e.args = {std::move(left), concat()};
        if (acceptWord("ESCAPE"))
            e.args.push_back(concat());
        if (!negated)
            return e;
        Expr no;
        no.kind = Expr::Kind::Not;
        no.args = {std::move(e)};
        return no;
    }
    if (acceptWord("BETWEEN")) {
        // a BETWEEN b AND c is a >= b AND a <= c, unknown included.
        Expr low, high, both;
        low.kind = high.kind = Expr::Kind::Compare;
        low.name = ">=";
        high.name = "<=";
        low.args = {left, concat()};
        expectWord("AND", 905);
        high.args = {std::move(left), concat()};
        both.kind = Expr::Kind::And;
        both.args = {std::move(low), std::move(high)};
        if (!negated)
            return both;
        Expr no;
        no.kind = Expr::Kind::Not;
        no.args = {std::move(both)};
        return no;
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
    // A parenthesised condition or a bare boolean from the grammar above stands by itself, and so
    // does a value that fills a pair of parentheses on its own, such as DEFAULT (0).
    if (isCondition(left) || (m_valueInParentheses && peek().is(")")))
        return left;
    throw OraError::of(920);
}

bool Parser::isCondition(const Expr &e)
{
    return e.kind == Expr::Kind::And || e.kind == Expr::Kind::Or || e.kind == Expr::Kind::Not ||
           e.kind == Expr::Kind::Compare || e.kind == Expr::Kind::IsNull || e.kind == Expr::Kind::IsNotNull ||
           e.kind == Expr::Kind::In || e.kind == Expr::Kind::NotIn || e.kind == Expr::Kind::Like ||
           e.kind == Expr::Kind::IsJson || (e.kind == Expr::Kind::Call && e.name == "REGEXP_LIKE");
}

Expr Parser::concat()
{
    std::size_t begin = peek().begin;
    Expr left = term();
    while (peek().is("||") || peek().is("+") || peek().is("-")) {
        Expr e;
        e.kind = Expr::Kind::Call;
        e.name = next().text;
        e.args = {std::move(left), term()};
        e.label = label(begin, m_tokens[m_pos - 1].end);
        left = std::move(e);
    }
    return left;
}

Expr Parser::term()
{
    std::size_t begin = peek().begin;
    Expr left = factor();
    while (peek().is("*")) {
        Expr e;
        e.kind = Expr::Kind::Call;
        e.name = next().text;
        e.args = {std::move(left), factor()};
        e.label = label(begin, m_tokens[m_pos - 1].end);
        left = std::move(e);
    }
    return left;
}

Expr Parser::factor()
{
    // A signed number is a literal (primary reads it); a sign before anything else is an operation.
    if ((peek().is("-") || peek().is("+")) && peek(1).kind != Token::Kind::Number) {
        std::size_t begin = peek().begin;
        const bool minus = next().is("-");
        Expr operand = factor();
        if (!minus)
            return operand;
        Expr e;
        e.kind = Expr::Kind::Call;
        e.name = "NEG";
        e.args = {std::move(operand)};
        e.label = label(begin, m_tokens[m_pos - 1].end);
        return e;
    }
    return primary();
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
            const bool outer = m_valueInParentheses;
            m_valueInParentheses = true;
            Expr inner = condition();
            m_valueInParentheses = outer;
            checkConditionOperands(inner);
            expectSymbol(")", 907);
            return inner;
        }
        if ((t.is("-") || t.is("+")) && peek(1).kind == Token::Kind::Number) {
            next();
            const Token num = next();
            e.value = SqlValue::number(*Decimal::parse(t.text + num.text));
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
        if (t.kind == Token::Kind::Word && (t.text == "SYSDATE" || t.text == "USER" || t.text == "SYSTIMESTAMP" ||
                                            t.text == "CURRENT_DATE" || t.text == "CURRENT_TIMESTAMP")) {
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
            if (peek().is(".") && (peek(1).isWord("NEXTVAL") || peek(1).isWord("CURRVAL"))) {
                next(); // schema.sequence.NEXTVAL
                e.owner = e.qualifier;
                e.qualifier = e.name;
                e.name = next().text;
            }
            if (e.name == "NEXTVAL" || e.name == "CURRVAL") {
                e.kind = e.name == "NEXTVAL" ? Expr::Kind::NextVal : Expr::Kind::CurrVal;
                e.label = label(t.begin, m_tokens[m_pos - 1].end);
                return e;
            }
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
                     {"SUBSTR", 2, 3},     {"ABS", 1, 1},        {"REPLACE", 2, 3}};
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
