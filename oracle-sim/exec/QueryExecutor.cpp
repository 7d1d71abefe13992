#include "QueryExecutor.h"

#include "DictionaryViews.h"
#include "Evaluator.h"
#include "OraError.h"
#include "Pushdown.h"
#include "SequenceStore.h"
#include "Session.h"
#include "SessionSequences.h"
#include "TableScan.h"

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

// Where the rows of a query come from before its condition: a table's rows streamed out of SQLite
// (below), or rows already in memory (a dictionary view, DUAL: a MaterializedCursor).
class ScanSource : public RowCursor {
public:
    ScanSource(Session &session, const TableMeta &table, const ScanRequest &request)
        : m_scan(session, table, request, session.inTransaction())
    {
    }
    bool next(Row &row) override
    {
        std::int64_t rowId = 0;
        return m_scan.next(row, rowId);
    }

private:
    TableScan m_scan;
};

// What a query does with each row of its source: the condition left after SQLite's part, then the
// select list. Owns the binds its evaluator reads.
class Filter {
public:
    Filter(Session &session, std::vector<SqlValue> binds, std::optional<Expr> condition)
        : m_session(session), m_binds(std::move(binds)), m_condition(std::move(condition)),
          m_eval(session.nls(), session.user(), m_binds), m_sequences(session)
    {
        m_eval.setSequences(&m_sequences);
    }
    Evaluator &eval() { return m_eval; }
    // The next row of the source that meets the condition, with the evaluator pointed at it.
    bool next(RowCursor &source, Row &row)
    {
        while (source.next(row)) {
            m_session.checkBreak();
            m_eval.setRow(&row);
            if (!m_condition || m_eval.truth(*m_condition) == true)
                return true;
        }
        return false;
    }

private:
    Session &m_session;
    std::vector<SqlValue> m_binds;
    std::optional<Expr> m_condition;
    Evaluator m_eval;
    SessionSequences m_sequences;
};

// The select list over one row. A column named once in it is moved out of the row rather than copied.
class Projection {
public:
    explicit Projection(std::vector<Expr> outputs) : m_outputs(std::move(outputs)), m_movable(m_outputs.size())
    {
        for (std::size_t i = 0; i < m_outputs.size(); ++i) {
            if (m_outputs[i].kind != Expr::Kind::Column)
                continue;
            std::size_t uses = 0;
            for (const auto &o : m_outputs)
                uses += Evaluator::refersToColumn(o, m_outputs[i].column) ? 1 : 0;
            m_movable[i] = uses == 1;
        }
    }
    void apply(const Evaluator &eval, Row &row, Row &out) const
    {
        out.resize(m_outputs.size());
        for (std::size_t i = 0; i < m_outputs.size(); ++i)
            if (!m_movable[i])
                out[i] = eval.value(m_outputs[i]);
        for (std::size_t i = 0; i < m_outputs.size(); ++i)
            if (m_movable[i])
                out[i] = std::move(row[static_cast<std::size_t>(m_outputs[i].column)]);
    }

private:
    std::vector<Expr> m_outputs;
    std::vector<bool> m_movable;
};

// A query's rows made one fetch at a time.
class StreamingCursor : public RowCursor {
public:
    StreamingCursor(std::unique_ptr<RowCursor> source, std::unique_ptr<Filter> filter, Projection projection)
        : m_source(std::move(source)), m_filter(std::move(filter)), m_projection(std::move(projection))
    {
    }
    bool next(Row &out) override
    {
        if (!m_filter->next(*m_source, m_row))
            return false;
        m_projection.apply(m_filter->eval(), m_row, out);
        return true;
    }

private:
    std::unique_ptr<RowCursor> m_source;
    std::unique_ptr<Filter> m_filter;
    Projection m_projection;
    Row m_row;
};

void collectColumns(const Expr &e, std::vector<bool> &used)
{
    if (e.kind == Expr::Kind::Column && e.column >= 0)
        used[static_cast<std::size_t>(e.column)] = true;
    for (const auto &a : e.args)
        collectColumns(a, used);
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

QueryExecutor::Opened QueryExecutor::open(Session &session, const Select &query, const std::vector<SqlValue> &binds,
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
    // at once, as Oracle's sequences do whatever happens to the transaction. Its rows are all made now.
    const bool open = session.inTransaction();
    session.beginWrite();
    try {
        Opened result = select(session, query, binds, describeOnly);
        std::vector<Row> rows;
        for (Row row; result.rows->next(row);)
            rows.push_back(std::move(row));
        result.rows = std::make_unique<MaterializedCursor>(std::move(rows));
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

QueryExecutor::Opened QueryExecutor::select(Session &session, const Select &query, const std::vector<SqlValue> &binds,
                                            bool describeOnly)
{
    // A DDL committed between the catalog's reading and the snapshot of the rows: read both again.
    for (int attempt = 0;; ++attempt) {
        try {
            return selectOnce(session, query, binds, describeOnly);
        } catch (const CatalogChanged &) {
            if (attempt >= 20)
                throw OraError::of(600, "oracle-sim", "the dictionary kept changing under a query");
        }
    }
}

QueryExecutor::Opened QueryExecutor::selectOnce(Session &session, const Select &query,
                                                const std::vector<SqlValue> &binds, bool describeOnly)
{
    Select sel = query; // resolved per execution: the table may have changed since the last one
    Opened result;
    RowSource src;
    std::optional<TableMeta> table;
    std::vector<Expr> outputs;
    bool aggregate = false;
    session.read([&] {
        session.catalog().refresh();
        bool ownSchema = sel.from.schema.empty() || sel.from.schema == session.user();
        if (ownSchema)
            if (const TableMeta *t = session.catalog().findTable(session.user(), sel.from.name))
                table = *t;
        if (table) {
            src.name = table->name;
            src.columns = sourceColumns(*table);
        } else if (auto view = DictionaryViews::source(session, sel.from, !describeOnly)) {
            src = std::move(*view);
        } else {
            throw OraError::of(942);
        }
        return 0;
    });

    bool plain = false;
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
        result.columns.push_back(
            describeExpr(item.expr, src.columns, item.alias.empty() ? item.expr.label : item.alias));
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

    auto filter = std::make_unique<Filter>(session, binds, std::nullopt);
    Evaluator &constants = filter->eval();
    // A condition without columns (the "where 1=0" that only asks for the shape) is decided once.
    bool skipRows = sel.where && !Evaluator::refersToColumns(*sel.where) && constants.truth(*sel.where) != true;

    std::optional<Expr> rest = sel.where;
    std::unique_ptr<RowCursor> source;
    std::optional<std::string> pushedOrder;
    if (skipRows) {
        source = std::make_unique<MaterializedCursor>(std::vector<Row>{});
        rest.reset();
    } else if (table) {
        ScanRequest request;
        if (sel.where) {
            Pushdown::Split split = Pushdown(*table, constants, session.nls()).where(*sel.where);
            request.where = std::move(split.sql);
            request.params = std::move(split.params);
            rest = std::move(split.rest);
        }
        pushedOrder =
            sel.order.empty() ? std::optional<std::string>(std::string()) : Pushdown::order(*table, sel.order);
        // A count SQLite can make on its own: no condition left for the rows, COUNT(*) or COUNT(column).
        bool counts = aggregate && !rest;
        for (const auto &e : outputs)
            counts = counts && (e.kind == Expr::Kind::CountStar || (e.kind == Expr::Kind::Call && e.args.size() == 1 &&
                                                                    e.args[0].kind == Expr::Kind::Column));
        if (counts) {
            std::vector<int> counted;
            for (const auto &e : outputs)
                counted.push_back(e.kind == Expr::Kind::CountStar ? -1 : e.args[0].column);
            Row row;
            for (std::int64_t n : TableScan::count(session, *table, request, counted, session.inTransaction()))
                row.push_back(SqlValue::number(Decimal::fromInteger(n)));
            result.rows = std::make_unique<MaterializedCursor>(std::vector<Row>{std::move(row)});
            return result;
        }
        std::vector<bool> used(table->columns.size(), false);
        for (const auto &e : outputs)
            collectColumns(e, used);
        if (rest)
            collectColumns(*rest, used);
        if (!pushedOrder)
            for (const auto &o : sel.order)
                collectColumns(o.expr, used);
        for (std::size_t c = 0; c < used.size(); ++c)
            if (used[c])
                request.columns.push_back(static_cast<int>(c));
        if (pushedOrder)
            request.orderBy = *pushedOrder;
        source = std::make_unique<ScanSource>(session, *table, request);
    } else {
        source = std::make_unique<MaterializedCursor>(std::move(src.rows));
    }
    filter = std::make_unique<Filter>(session, binds, std::move(rest));
    Evaluator &eval = filter->eval();

    if (aggregate) {
        std::vector<std::int64_t> counts(outputs.size(), 0);
        for (Row row; filter->next(*source, row);)
            for (std::size_t i = 0; i < outputs.size(); ++i)
                if (outputs[i].kind == Expr::Kind::CountStar || !eval.value(outputs[i].args[0]).isNull())
                    ++counts[i];
        Row out;
        for (std::int64_t n : counts)
            out.push_back(SqlValue::number(Decimal::fromInteger(n)));
        result.rows = std::make_unique<MaterializedCursor>(std::vector<Row>{std::move(out)});
        return result;
    }
    Projection projection(outputs);
    if (sel.order.empty() || (pushedOrder && !pushedOrder->empty())) {
        result.rows = std::make_unique<StreamingCursor>(std::move(source), std::move(filter), std::move(projection));
        return result;
    }
    // A sort SQLite cannot do as Oracle would: the rows that pass, sorted in memory.
    std::vector<std::pair<Row, Row>> keyed;
    for (Row row; filter->next(*source, row);) {
        Row keys;
        for (const auto &o : sel.order)
            keys.push_back(eval.value(o.expr));
        keyed.emplace_back(std::move(keys), std::move(row));
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
    std::vector<Row> rows;
    rows.reserve(keyed.size());
    for (auto &k : keyed) {
        eval.setRow(&k.second);
        Row out;
        projection.apply(eval, k.second, out);
        rows.push_back(std::move(out));
    }
    result.rows = std::make_unique<MaterializedCursor>(std::move(rows));
    return result;
}

} // namespace oraclesim
