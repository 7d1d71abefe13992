#include "Pushdown.h"

#include "OraError.h"
#include "StoredOrder.h"

namespace oraclesim {

namespace {

bool isConstant(const Expr &e)
{
    switch (e.kind) {
    case Expr::Kind::Literal:
    case Expr::Kind::Bind:
        return true;
    case Expr::Kind::Call:
        if (e.name == "COUNT")
            return false;
        for (const auto &a : e.args)
            if (!isConstant(a))
                return false;
        return true;
    default:
        return false;
    }
}

bool isColumn(const Expr &e) { return e.kind == Expr::Kind::Column && e.column >= 0; }

std::string mirrored(const std::string &op)
{
    if (op == "<")
        return ">";
    if (op == ">")
        return "<";
    if (op == "<=")
        return ">=";
    if (op == ">=")
        return "<=";
    return op;
}

// The operands of a chain of one operator (a OR b OR c ...), however the parser nested them.
void flatten(const Expr &e, Expr::Kind kind, std::vector<const Expr *> &out)
{
    if (e.kind == kind) {
        for (const auto &a : e.args)
            flatten(a, kind, out);
        return;
    }
    out.push_back(&e);
}

bool isUpperHex(const std::string &s)
{
    if (s.size() % 2)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

} // namespace

std::optional<SqlValue> Pushdown::asColumnValue(int column, const Expr &value) const
{
    if (!isConstant(value))
        return std::nullopt;
    try {
        const SqlValue v = m_constants.value(value);
        if (v.isNull())
            return SqlValue();
        if (v.isLob())
            return std::nullopt;
        switch (m_table.columns[static_cast<std::size_t>(column)].type.base) {
        case ColumnType::Base::Number:
            if (v.type() != SqlType::Number && v.type() != SqlType::Text)
                return std::nullopt;
            return SqlValue::number(v.toNumber(m_nls));
        case ColumnType::Base::Varchar2:
            if (v.type() != SqlType::Text)
                return std::nullopt;
            return v;
        case ColumnType::Base::Date:
            if (v.type() != SqlType::Date && v.type() != SqlType::Text)
                return std::nullopt;
            return SqlValue::date(v.toDate(m_nls));
        case ColumnType::Base::Timestamp:
            if (v.type() != SqlType::Timestamp && v.type() != SqlType::Date && v.type() != SqlType::Text)
                return std::nullopt;
            return SqlValue::timestamp(v.toTimestamp(m_nls), 9);
        case ColumnType::Base::Raw:
            // RAW meets text as its hex digits; only a text already in that form compares byte for byte.
            if (v.type() == SqlType::Raw)
                return v;
            if (v.type() == SqlType::Text && isUpperHex(v.bytes()))
                return SqlValue::raw(v.toRaw());
            return std::nullopt;
        default:
            return std::nullopt;
        }
    } catch (const OraError &) {
        // Oracle would raise it on the first row, if any: so does the row-by-row evaluation.
        return std::nullopt;
    }
}

std::optional<std::string> Pushdown::comparison(const Expr &column, std::string op, const Expr &value,
                                                std::vector<SqlValue> &params) const
{
    auto v = asColumnValue(column.column, value);
    if (!v)
        return std::nullopt;
    if (v->isNull())
        return std::string("NULL");
    std::string target = TableMeta::storageColumn(column.column);
    const auto base = m_table.columns[static_cast<std::size_t>(column.column)].type.base;
    // Equal values have one stored spelling, so equality needs no collation (and keeps SQLite's indexes).
    if (op != "=" && op != "!=") {
        if (base == ColumnType::Base::Number)
            target += std::string(" COLLATE ") + StoredOrder::numberCollation;
        else if (base == ColumnType::Base::Date || base == ColumnType::Base::Timestamp)
            target += std::string(" COLLATE ") + StoredOrder::dateCollation;
    }
    params.push_back(std::move(*v));
    return target + " " + op + " ?";
}

std::optional<std::string> Pushdown::condition(const Expr &e, std::vector<SqlValue> &params) const
{
    switch (e.kind) {
    case Expr::Kind::And:
    case Expr::Kind::Or: {
        // A chain of one operator is written flat: SQLite's parser takes only so many nested parentheses,
        // and lookups of many keys are long chains of OR.
        std::vector<const Expr *> operands;
        flatten(e, e.kind, operands);
        std::vector<SqlValue> all;
        std::string sql;
        for (const Expr *operand : operands) {
            auto part = condition(*operand, all);
            if (!part)
                return std::nullopt;
            sql += (sql.empty() ? "(" : (e.kind == Expr::Kind::And ? " AND " : " OR ")) + *part;
        }
        params.insert(params.end(), all.begin(), all.end());
        return sql + ")";
    }
    case Expr::Kind::Not: {
        auto a = condition(e.args[0], params);
        return a ? std::optional<std::string>("NOT (" + *a + ")") : std::nullopt;
    }
    case Expr::Kind::IsNull:
    case Expr::Kind::IsNotNull:
        if (!isColumn(e.args[0]))
            return std::nullopt;
        return TableMeta::storageColumn(e.args[0].column) +
               (e.kind == Expr::Kind::IsNull ? " IS NULL" : " IS NOT NULL");
    case Expr::Kind::Compare:
        if (isColumn(e.args[0]))
            return comparison(e.args[0], e.name, e.args[1], params);
        if (isColumn(e.args[1]))
            return comparison(e.args[1], mirrored(e.name), e.args[0], params);
        return std::nullopt;
    case Expr::Kind::In:
    case Expr::Kind::NotIn: {
        if (!isColumn(e.args[0]))
            return std::nullopt;
        std::vector<SqlValue> values;
        std::string list;
        for (std::size_t i = 1; i < e.args.size(); ++i) {
            auto v = asColumnValue(e.args[0].column, e.args[i]);
            if (!v)
                return std::nullopt;
            list += list.empty() ? "" : ", ";
            if (v->isNull()) {
                list += "NULL";
                continue;
            }
            list += "?";
            values.push_back(std::move(*v));
        }
        params.insert(params.end(), values.begin(), values.end());
        return TableMeta::storageColumn(e.args[0].column) + (e.kind == Expr::Kind::In ? " IN (" : " NOT IN (") + list +
               ")";
    }
    default:
        return std::nullopt;
    }
}

Pushdown::Split Pushdown::where(const Expr &whole) const
{
    std::vector<const Expr *> parts;
    flatten(whole, Expr::Kind::And, parts);
    Split split;
    for (const Expr *part : parts) {
        std::vector<SqlValue> params;
        if (auto sql = condition(*part, params)) {
            split.sql += (split.sql.empty() ? "" : " AND ") + *sql;
            split.params.insert(split.params.end(), params.begin(), params.end());
            continue;
        }
        if (!split.rest) {
            split.rest = *part;
            continue;
        }
        Expr both;
        both.kind = Expr::Kind::And;
        both.args = {std::move(*split.rest), *part};
        split.rest = std::move(both);
    }
    return split;
}

std::optional<std::string> Pushdown::order(const TableMeta &table, const std::vector<OrderItem> &order)
{
    std::string sql;
    for (const auto &item : order) {
        if (!isColumn(item.expr))
            return std::nullopt;
        std::string key = TableMeta::storageColumn(item.expr.column);
        switch (table.columns[static_cast<std::size_t>(item.expr.column)].type.base) {
        case ColumnType::Base::Number:
            key += std::string(" COLLATE ") + StoredOrder::numberCollation;
            break;
        case ColumnType::Base::Date:
        case ColumnType::Base::Timestamp:
            key += std::string(" COLLATE ") + StoredOrder::dateCollation;
            break;
        case ColumnType::Base::Varchar2:
        case ColumnType::Base::Raw:
            break;
        default:
            return std::nullopt; // LOBs: Oracle refuses to sort them, as the row-by-row sort does
        }
        // Oracle puts NULLs after every value ascending, before them descending.
        sql += (sql.empty() ? "" : ", ") + key + (item.descending ? " DESC NULLS FIRST" : " ASC NULLS LAST");
    }
    return sql;
}

} // namespace oraclesim
