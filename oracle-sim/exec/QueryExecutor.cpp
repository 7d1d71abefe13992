#include "QueryExecutor.h"

#include "DictionaryViews.h"
#include "Evaluator.h"
#include "OraError.h"
#include "SequenceStore.h"
#include "Session.h"
#include "StoredValue.h"

#include <algorithm>

namespace oraclesim {

namespace {

ResultColumn describeExpr(const Expr &e, const std::vector<SourceColumn> &columns, const std::string &name)
{
    ColumnType t;
    ResultColumn c;
    switch (e.kind) {
    case Expr::Kind::Column: {
        const auto &src = columns[static_cast<std::size_t>(e.column)];
        return ResultColumn::of(name, src.type, src.nullable);
    }
    case Expr::Kind::Literal:
        if (e.value.type() == SqlType::Number) {
            t.base = ColumnType::Base::Number;
            return ResultColumn::of(name, t, false);
        }
        // A string literal is a CHAR of its length.
        c.name = name;
        c.typeCode = 96;
        c.size = static_cast<std::uint16_t>(e.value.bytes().size());
        c.charSize = c.size;
        c.nullable = e.value.isNull();
        return c;
    case Expr::Kind::CountStar: t.base = ColumnType::Base::Number; return ResultColumn::of(name, t, false);
    case Expr::Kind::NextVal:
    case Expr::Kind::CurrVal:
        t.base = ColumnType::Base::Number;
        return ResultColumn::of(name, t, false);
    case Expr::Kind::Call:
        if (e.name == "COUNT" || e.name == "LENGTH" || e.name == "TO_NUMBER" || e.name == "ABS" || e.name == "NEG" ||
            e.name == "+" || e.name == "-" || e.name == "*") {
            t.base = ColumnType::Base::Number;
            return ResultColumn::of(name, t, e.name != "COUNT");
        }
        if (e.name == "TO_DATE" || e.name == "SYSDATE" || e.name == "CURRENT_DATE") {
            t.base = ColumnType::Base::Date;
            return ResultColumn::of(name, t, true);
        }
        if (e.name == "TO_TIMESTAMP") {
            t.base = ColumnType::Base::Timestamp;
            t.precision = 9;
            return ResultColumn::of(name, t, true);
        }
        // UNVERIFIED: Oracle describes these as TIMESTAMP WITH TIME ZONE, which the stand-in lacks.
        if (e.name == "SYSTIMESTAMP" || e.name == "CURRENT_TIMESTAMP") {
            t.base = ColumnType::Base::Timestamp;
            t.precision = 6;
            return ResultColumn::of(name, t, true);
        }
        if (e.name == "EMPTY_CLOB") {
            t.base = ColumnType::Base::Clob;
            return ResultColumn::of(name, t, true);
        }
        if (e.name == "EMPTY_BLOB") {
            t.base = ColumnType::Base::Blob;
            return ResultColumn::of(name, t, true);
        }
        if (e.name == "NVL")
            return describeExpr(e.args[0], columns, name);
        if ((e.name == "UPPER" || e.name == "LOWER" || e.name == "TRIM" || e.name == "SUBSTR") && !e.args.empty()) {
            ResultColumn inner = describeExpr(e.args[0], columns, name);
            if (inner.typeCode == 1 || inner.typeCode == 96 || inner.typeCode == 112)
                return inner;
        }
        t.base = ColumnType::Base::Varchar2;
        t.length = e.name == "USER" ? 128 : 4000;
        return ResultColumn::of(name, t, true);
    default: t.base = ColumnType::Base::Varchar2; t.length = 4000; return ResultColumn::of(name, t, true);
    }
}

bool takesNextValue(const Expr &e)
{
    if (e.kind == Expr::Kind::NextVal)
        return true;
    for (const auto &a : e.args)
        if (takesNextValue(a))
            return true;
    return false;
}

// Oracle sorts NULL after every value in ascending order, and first in descending order.
int compareForSort(const SqlValue &a, const SqlValue &b, const NlsSettings &nls)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? 1 : -1);
    return a.compare(b, nls);
}

} // namespace

const TableMeta &QueryExecutor::findTable(Session &session, const TableName &name)
{
    // Nothing is granted across schemas, so another user's table is as good as missing.
    if (!name.schema.empty() && name.schema != session.user())
        throw OraError::of(942);
    const TableMeta *t = session.catalog().findTable(session.user(), name.name);
    if (!t)
        throw OraError::of(942);
    return *t;
}

RowSource QueryExecutor::loadTable(Session &session, const TableMeta &table)
{
    RowSource src;
    src.name = table.name;
    src.table = &table;
    for (const auto &c : table.columns)
        src.columns.push_back({c.name, c.type, c.nullable});
    std::string sql = "SELECT rowid";
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        sql += ", " + TableMeta::storageColumn(static_cast<int>(i));
    sql += " FROM " + table.storageName() + " ORDER BY rowid";
    SqliteStatement &st = session.cached(sql);
    while (st.step()) {
        std::int64_t rowId = st.integer(0);
        Row row;
        row.reserve(table.columns.size());
        for (std::size_t i = 0; i < table.columns.size(); ++i)
            row.push_back(StoredValue::read(st.handle(), static_cast<int>(i + 1), table.columns[i].type,
                                            LobRef{table.id, rowId, static_cast<int>(i)}));
        src.rows.push_back(std::move(row));
        src.rowIds.push_back(rowId);
    }
    return src;
}

ResultSet QueryExecutor::run(Session &session, const Select &query, const std::vector<SqlValue> &binds,
                             bool describeOnly)
{
    bool nextValues = false;
    for (const auto &item : query.items)
        nextValues = nextValues || (!item.star && takesNextValue(item.expr));
    bool misplaced = query.where && Evaluator::usesSequence(*query.where);
    for (const auto &o : query.order)
        misplaced = misplaced || Evaluator::usesSequence(o.expr);
    if (misplaced)
        throw OraError::of(2287);
    if (!nextValues || describeOnly)
        return select(session, query, binds, describeOnly);
    // NEXTVAL writes: the query takes the write lock, and outside a transaction keeps its numbers
    // at once, as Oracle's sequences do whatever happens to the transaction.
    const bool open = session.inTransaction();
    session.beginWrite();
    try {
        ResultSet result = select(session, query, binds, describeOnly);
        if (!open)
            session.commit();
        return result;
    } catch (...) {
        // Numbers already taken stay taken, as in Oracle.
        if (!open)
            session.commit();
        throw;
    }
}

ResultSet QueryExecutor::select(Session &session, const Select &query, const std::vector<SqlValue> &binds,
                                bool describeOnly)
{
    Select sel = query; // resolved per execution: the table may have changed since the last one
    return session.read([&] {
        session.catalog().refresh();
        RowSource src;
        const TableMeta *table = nullptr;
        bool ownSchema = sel.from.schema.empty() || sel.from.schema == session.user();
        if (ownSchema)
            table = session.catalog().findTable(session.user(), sel.from.name);
        if (table) {
            src.name = table->name;
            for (const auto &c : table->columns)
                src.columns.push_back({c.name, c.type, c.nullable});
        } else if (auto view = DictionaryViews::source(session, sel.from, false)) {
            src = std::move(*view);
        } else {
            throw OraError::of(942);
        }

        ResultSet result;
        std::vector<Expr> outputs;
        bool aggregate = false, plain = false;
        for (auto &item : sel.items) {
            if (item.star) {
                for (std::size_t i = 0; i < src.columns.size(); ++i) {
                    Expr e;
                    e.kind = Expr::Kind::Column;
                    e.name = src.columns[i].name;
                    e.column = static_cast<int>(i);
                    outputs.push_back(e);
                    result.columns.push_back(ResultColumn::of(e.name, src.columns[i].type, src.columns[i].nullable));
                }
                plain = true;
                continue;
            }
            Evaluator::resolve(item.expr, src.columns, src.name, sel.alias);
            if (Evaluator::isAggregate(item.expr))
                aggregate = true;
            else if (Evaluator::refersToColumns(item.expr))
                plain = true;
            result.columns.push_back(describeExpr(item.expr, src.columns, item.alias.empty() ? item.expr.label : item.alias));
            outputs.push_back(item.expr);
        }
        if (aggregate && plain)
            throw OraError::of(937);
        if (sel.where)
            Evaluator::resolve(*sel.where, src.columns, src.name, sel.alias);
        for (auto &o : sel.order) {
            // ORDER BY may name a select-list alias or position.
            if (o.expr.kind == Expr::Kind::Literal && o.expr.value.type() == SqlType::Number) {
                auto pos = o.expr.value.decimal().toInteger().value_or(0);
                if (pos < 1 || pos > static_cast<std::int64_t>(outputs.size()))
                    throw OraError(1785, "ORA-01785: ORDER BY item must be the number of a SELECT-list expression");
                o.expr = outputs[static_cast<std::size_t>(pos - 1)];
                continue;
            }
            if (o.expr.kind == Expr::Kind::Column && o.expr.qualifier.empty()) {
                bool replaced = false;
                for (std::size_t i = 0; i < sel.items.size() && !replaced; ++i)
                    if (!sel.items[i].star && sel.items[i].alias == o.expr.name) {
                        o.expr = sel.items[i].expr;
                        replaced = true;
                    }
                if (replaced)
                    continue;
            }
            Evaluator::resolve(o.expr, src.columns, src.name, sel.alias);
        }
        if (describeOnly)
            return result;

        Evaluator eval(session.nls(), session.user(), binds);
        SessionSequences sequences(session);
        eval.setSequences(&sequences);
        // A condition without columns (the "where 1=0" that only asks for the shape) is decided once.
        bool skipRows = false;
        if (sel.where && !Evaluator::refersToColumns(*sel.where))
            skipRows = eval.truth(*sel.where) != true;
        if (!skipRows) {
            if (table)
                src.rows = loadTable(session, *table).rows;
            else
                src.rows = DictionaryViews::source(session, sel.from, true)->rows;
        }
        std::vector<const Row *> kept;
        for (const auto &row : src.rows) {
            eval.setRow(&row);
            if (!sel.where || eval.truth(*sel.where) == true)
                kept.push_back(&row);
        }
        if (aggregate) {
            Row out;
            for (const auto &e : outputs) {
                std::int64_t count = 0;
                if (e.kind == Expr::Kind::CountStar)
                    count = static_cast<std::int64_t>(kept.size());
                else
                    for (const Row *row : kept) {
                        eval.setRow(row);
                        if (!eval.value(e.args[0]).isNull())
                            ++count;
                    }
                out.push_back(SqlValue::number(Decimal::fromInteger(count)));
            }
            result.rows.push_back(std::move(out));
            return result;
        }
        if (!sel.order.empty()) {
            std::vector<std::pair<Row, const Row *>> keyed;
            for (const Row *row : kept) {
                eval.setRow(row);
                Row keys;
                for (const auto &o : sel.order)
                    keys.push_back(eval.value(o.expr));
                keyed.emplace_back(std::move(keys), row);
            }
            const NlsSettings &nls = session.nls();
            std::stable_sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) {
                for (std::size_t i = 0; i < sel.order.size(); ++i) {
                    int c = compareForSort(a.first[i], b.first[i], nls);
                    if (sel.order[i].descending)
                        c = -c;
                    if (c != 0)
                        return c < 0;
                }
                return false;
            });
            kept.clear();
            for (const auto &k : keyed)
                kept.push_back(k.second);
        }
        result.rows.reserve(kept.size());
        for (const Row *row : kept) {
            eval.setRow(row);
            Row out;
            out.reserve(outputs.size());
            for (const auto &e : outputs)
                out.push_back(eval.value(e));
            result.rows.push_back(std::move(out));
        }
        return result;
    });
}

} // namespace oraclesim
