#include "DmlExecutor.h"

#include "Evaluator.h"
#include "OraError.h"
#include "Pushdown.h"
#include "QueryExecutor.h"
#include "ReferentialIntegrity.h"
#include "RowChecks.h"
#include "SequenceStore.h"
#include "Session.h"
#include "SessionSequences.h"
#include "StoredValue.h"
#include "TableScan.h"
#include "ValueCoercion.h"

namespace oraclesim {

namespace {

bool isUniqueViolation(const SqliteError &e)
{
    return e.code() == SQLITE_CONSTRAINT_UNIQUE || e.code() == SQLITE_CONSTRAINT_PRIMARYKEY;
}

// A statement that touches several rows is undone as a whole when one of them fails.
class Savepoint {
public:
    explicit Savepoint(sqlite3 *db) : m_db(db) { sqliteExec(db, "SAVEPOINT stmt"); }
    void release()
    {
        sqliteExec(m_db, "RELEASE stmt");
        m_open = false;
    }
    ~Savepoint()
    {
        if (m_open)
            sqlite3_exec(m_db, "ROLLBACK TO stmt; RELEASE stmt", nullptr, nullptr, nullptr);
    }

private:
    sqlite3 *m_db;
    bool m_open = true;
};

// ORA-02289 before any row for a sequence the statement names that does not exist.
void checkSequences(Session &session, const Expr &e)
{
    if (e.kind == Expr::Kind::NextVal || e.kind == Expr::Kind::CurrVal) {
        const std::string owner = e.owner.empty() ? session.user() : e.owner;
        if (owner != session.user() || !SequenceStore::find(session.db(), owner, e.qualifier))
            throw OraError::of(2289);
    }
    for (const auto &a : e.args)
        checkSequences(session, a);
}

// The rows a statement's condition picks, by row id, all found before the first is changed (so that no
// change of the statement moves a row into or out of its reach). SQLite decides what it can of the
// condition; the rest is evaluated on the rows it returns, reading only the columns that needs.
std::vector<std::int64_t> rowsPicked(Session &session, const TableMeta &table, const std::optional<Expr> &where,
                                     const std::vector<SqlValue> &binds, std::optional<Expr> &rest,
                                     ScanRequest &request)
{
    Evaluator eval(session.nls(), session.user(), binds);
    rest = where;
    if (where) {
        Pushdown::Split split = Pushdown(table, eval, session.nls()).where(*where);
        request.where = std::move(split.sql);
        request.params = std::move(split.params);
        rest = std::move(split.rest);
    }
    std::vector<std::int64_t> ids;
    if (rest)
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            if (Evaluator::refersToColumn(*rest, static_cast<int>(c)))
                request.columns.push_back(static_cast<int>(c));
    TableScan scan(session, table, request, true);
    Row row;
    std::int64_t id = 0;
    while (scan.next(row, id)) {
        if (rest) {
            eval.setRow(&row);
            if (eval.truth(*rest) != true)
                continue;
        }
        ids.push_back(id);
    }
    return ids;
}

// The row as it is now, or nothing when the statement already removed it (a cascade within the table).
std::optional<Row> rowById(Session &session, const TableMeta &table, std::int64_t id)
{
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        sql += (i ? ", " : "") + TableMeta::storageColumn(static_cast<int>(i));
    SqliteStatement &st = session.cached(sql + " FROM " + table.storageName() + " WHERE rowid = ?");
    st.bind(1, id);
    if (!st.step())
        return std::nullopt;
    Row row;
    row.reserve(table.columns.size());
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        row.push_back(StoredValue::read(st.handle(), static_cast<int>(i), table.columns[i].type,
                                        LobRef{table.id, id, static_cast<int>(i)}));
    st.reset();
    return row;
}

bool touches(const std::vector<int> &columns, const std::vector<int> &targets)
{
    for (int c : columns)
        for (int t : targets)
            if (c == t)
                return true;
    return false;
}

} // namespace

OraError DmlExecutor::uniqueViolation(const TableMeta &table, const std::string &sqliteMessage)
{
    for (const auto &ix : table.indexes) {
        if (ix.storageName.empty())
            continue;
        // SQLite names an index over expressions (a key whose columns may be NULL) by its name.
        if (sqliteMessage.find("index '" + ix.storageName + "'") != std::string::npos)
            return OraError::of(1, table.owner, ix.constraint.empty() ? ix.name : ix.constraint);
        std::string cols;
        for (int c : ix.columns)
            cols += (cols.empty() ? "" : ", ") + table.storageName() + "." + TableMeta::storageColumn(c);
        if (sqliteMessage.find(cols) != std::string::npos)
            return OraError::of(1, table.owner, ix.constraint.empty() ? ix.name : ix.constraint);
    }
    return OraError::of(1, table.owner, "SYS_C0000000");
}

DmlExecutor::InsertPlan DmlExecutor::planInsert(Session &session, const Insert &insert)
{
    InsertPlan plan;
    session.catalog().refresh();
    plan.table = &QueryExecutor::findTable(session, insert.table);
    // Rows take space: a table's segment is made with its first row, in the owner's tablespace.
    session.requireSpace();
    const TableMeta &table = *plan.table;
    if (insert.columns.empty()) {
        for (std::size_t i = 0; i < table.columns.size(); ++i)
            plan.targets.push_back(static_cast<int>(i));
    } else {
        for (const auto &name : insert.columns) {
            int c = table.findColumn(name);
            if (c < 0)
                throw OraError::of(904, quotedName(name));
            for (int seen : plan.targets)
                if (seen == c)
                    throw OraError::of(957);
            plan.targets.push_back(c);
        }
    }
    if (insert.values.size() < plan.targets.size())
        throw OraError::of(947);
    if (insert.values.size() > plan.targets.size())
        throw OraError::of(913);
    for (std::size_t i = 0; i < plan.targets.size(); ++i)
        if (table.columns[static_cast<std::size_t>(plan.targets[i])].identity == "ALWAYS" &&
            insert.values[i].kind != Expr::Kind::Default)
            throw OraError::of(32795);
    for (const auto &v : insert.values)
        checkSequences(session, v);
    auto cols = sourceColumns(table);
    for (auto e : insert.returning) {
        Evaluator::resolve(e, cols, table.name, {});
        plan.returning.push_back(std::move(e));
    }
    plan.sql = "INSERT INTO " + table.storageName() + " (";
    std::string marks;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        plan.sql += (i ? ", " : "") + TableMeta::storageColumn(static_cast<int>(i));
        marks += i ? ", ?" : "?";
    }
    plan.sql += ") VALUES (" + marks + ")";
    return plan;
}

DmlExecutor::InsertResult DmlExecutor::insertRow(Session &session, const InsertPlan &plan, const Insert &insert,
                                                 const std::vector<SqlValue> &binds)
{
    const TableMeta &table = *plan.table;
    Evaluator eval(session.nls(), session.user(), binds);
    SessionSequences sequences(session);
    eval.setSequences(&sequences);
    Row row(table.columns.size());
    std::vector<bool> given(table.columns.size(), false);
    for (std::size_t i = 0; i < plan.targets.size(); ++i) {
        int c = plan.targets[i];
        if (insert.values[i].kind == Expr::Kind::Default)
            continue;
        given[static_cast<std::size_t>(c)] = true;
        row[static_cast<std::size_t>(c)] = ValueCoercion::toColumn(table, c, eval.value(insert.values[i]), session.nls());
    }
    // A column the statement leaves out (or gives DEFAULT) takes its default; an explicit NULL stays
    // NULL, except in a BY DEFAULT ON NULL identity column. Identity columns default to their sequence.
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const ColumnMeta &col = table.columns[c];
        const auto &defaultValue = session.rules(table).defaults[c];
        if (defaultValue && (!given[c] || (col.identityOnNull && row[c].isNull())))
            row[c] = ValueCoercion::toColumn(table, static_cast<int>(c), eval.value(*defaultValue), session.nls());
    }
    RowChecks::check(session, table, row, false);
    ReferentialIntegrity::checkParents(session, table, row);

    session.beginWrite();
    SqliteStatement &st = session.cached(plan.sql);
    for (std::size_t c = 0; c < row.size(); ++c)
        StoredValue::bind(st.handle(), static_cast<int>(c + 1), row[c]);
    try {
        st.step();
    } catch (const SqliteError &e) {
        if (isUniqueViolation(e))
            throw uniqueViolation(table, e.what());
        throw oraErrorFrom(e);
    }
    session.markDirty();
    InsertResult result;
    result.rowId = sqlite3_last_insert_rowid(session.db());
    for (std::size_t c = 0; c < row.size(); ++c) {
        if (!row[c].isStreamed())
            continue;
        try {
            StoredValue::streamInto(session.db(), table.storageName(), TableMeta::storageColumn(static_cast<int>(c)),
                                    result.rowId, row[c]);
        } catch (const SqliteError &e) {
            // A row whose object did not go in whole is not left behind half written.
            SqliteStatement undo(session.db(), "DELETE FROM " + table.storageName() + " WHERE rowid = ?");
            undo.bind(1, result.rowId);
            undo.step();
            throw oraErrorFrom(e);
        }
    }
    if (plan.returning.empty())
        return result;
    for (std::size_t c = 0; c < row.size(); ++c)
        if (row[c].isLob())
            row[c] = row[c].type() == SqlType::Clob
                         ? SqlValue::clob(row[c].bytes(), LobRef{table.id, result.rowId, static_cast<int>(c)})
                         : SqlValue::blob(row[c].bytes(), LobRef{table.id, result.rowId, static_cast<int>(c)});
    eval.setRow(&row);
    for (const auto &e : plan.returning)
        result.returned.push_back(eval.value(e));
    return result;
}

std::uint32_t DmlExecutor::update(Session &session, const Update &statement, const std::vector<SqlValue> &binds)
{
    session.catalog().refresh();
    const TableMeta &table = QueryExecutor::findTable(session, statement.table);
    auto cols = sourceColumns(table);
    Update up = statement;
    std::vector<int> targets;
    for (auto &[name, expr] : up.assignments) {
        int c = table.findColumn(name);
        if (c < 0)
            throw OraError::of(904, quotedName(name));
        if (table.columns[static_cast<std::size_t>(c)].identity == "ALWAYS")
            throw OraError::of(32796);
        targets.push_back(c);
        Evaluator::resolve(expr, cols, table.name, {});
        checkSequences(session, expr);
    }
    if (up.where) {
        Evaluator::resolve(*up.where, cols, table.name, {});
        if (Evaluator::usesSequence(*up.where))
            throw OraError::of(2287);
    }
    bool foreignKeysChange = false;
    for (const auto &c : table.constraints)
        foreignKeysChange = foreignKeysChange || (c.type == 'R' && touches(c.columns, targets));
    session.beginWrite();
    std::optional<Expr> rest;
    ScanRequest request;
    const std::vector<std::int64_t> picked = rowsPicked(session, table, up.where, binds, rest, request);
    Evaluator eval(session.nls(), session.user(), binds);
    SessionSequences sequences(session);
    eval.setSequences(&sequences);
    Savepoint sp(session.db());
    ReferentialIntegrity references(session);
    std::uint32_t count = 0;
    for (std::int64_t rowId : picked) {
        session.checkBreak();
        std::optional<Row> before = rowById(session, table, rowId);
        if (!before)
            continue;
        eval.setRow(&*before);
        std::string sql = "UPDATE " + table.storageName() + " SET ";
        Row values, after = *before;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const auto &col = table.columns[static_cast<std::size_t>(targets[i])];
            const Expr &expr = up.assignments[i].second;
            SqlValue v;
            if (expr.kind != Expr::Kind::Default)
                v = ValueCoercion::toColumn(table, targets[i], eval.value(expr), session.nls());
            else if (const auto &defaultValue = session.rules(table).defaults[static_cast<std::size_t>(targets[i])])
                v = ValueCoercion::toColumn(table, targets[i], eval.value(*defaultValue), session.nls());
            if (v.isStreamed()) // an UPDATE sets the whole value at once
                v = v.type() == SqlType::Clob ? SqlValue::clob(v.bytes()) : SqlValue::blob(v.bytes());
            if (v.isNull() && !col.nullable)
                throw OraError::of(1407, table.columnLabel(targets[i]));
            sql += (i ? ", " : "") + TableMeta::storageColumn(targets[i]) + " = ?";
            after[static_cast<std::size_t>(targets[i])] = v;
            values.push_back(std::move(v));
        }
        RowChecks::check(session, table, after, true);
        sql += " WHERE rowid = ?";
        SqliteStatement &st = session.cached(sql);
        for (std::size_t i = 0; i < values.size(); ++i)
            StoredValue::bind(st.handle(), static_cast<int>(i + 1), values[i]);
        st.bind(static_cast<int>(values.size() + 1), rowId);
        try {
            st.step();
        } catch (const SqliteError &e) {
            if (isUniqueViolation(e))
                throw uniqueViolation(table, e.what());
            throw oraErrorFrom(e);
        }
        if (foreignKeysChange)
            references.childChanged(table, rowId);
        if (!table.referencedBy.empty())
            references.keyChanged(table, *before, after);
        ++count;
    }
    references.finish();
    sp.release();
    if (count)
        session.markDirty();
    return count;
}

std::uint32_t DmlExecutor::remove(Session &session, const Delete &statement, const std::vector<SqlValue> &binds)
{
    session.catalog().refresh();
    const TableMeta &table = QueryExecutor::findTable(session, statement.table);
    Delete del = statement;
    if (del.where) {
        Evaluator::resolve(*del.where, sourceColumns(table), table.name, {});
        if (Evaluator::usesSequence(*del.where))
            throw OraError::of(2287);
    }
    session.beginWrite();
    std::optional<Expr> rest;
    ScanRequest request;
    if (table.referencedBy.empty()) {
        // Nothing refers to these rows: when SQLite decides the whole condition, it deletes them itself.
        Evaluator constants(session.nls(), session.user(), binds);
        Pushdown::Split split;
        if (del.where)
            split = Pushdown(table, constants, session.nls()).where(*del.where);
        if (!split.rest) {
            SqliteStatement st(session.db(), "DELETE FROM " + table.storageName() +
                                                 (split.sql.empty() ? std::string() : " WHERE " + split.sql));
            for (std::size_t i = 0; i < split.params.size(); ++i)
                StoredValue::bind(st.handle(), static_cast<int>(i + 1), split.params[i]);
            try {
                st.step();
            } catch (const SqliteError &e) {
                session.checkBreak();
                throw oraErrorFrom(e);
            }
            const auto count = static_cast<std::uint32_t>(sqlite3_changes(session.db()));
            if (count)
                session.markDirty();
            return count;
        }
    }
    const std::vector<std::int64_t> picked = rowsPicked(session, table, del.where, binds, rest, request);
    Savepoint sp(session.db());
    ReferentialIntegrity references(session);
    std::uint32_t count = 0;
    const std::string sql = "DELETE FROM " + table.storageName() + " WHERE rowid = ?";
    for (std::int64_t rowId : picked) {
        session.checkBreak();
        std::optional<Row> before;
        if (!table.referencedBy.empty()) {
            before = rowById(session, table, rowId);
            if (!before)
                continue; // already deleted by a cascade from a row of this same table
        }
        SqliteStatement &st = session.cached(sql);
        st.bind(1, rowId);
        st.step();
        if (sqlite3_changes(session.db()) == 0)
            continue;
        if (before)
            references.rowRemoved(table, *before);
        ++count;
    }
    references.finish();
    sp.release();
    if (count)
        session.markDirty();
    return count;
}

void DmlExecutor::writeLob(Session &session, const LobRef &ref, bool isClob, const std::string &value)
{
    session.beginWrite();
    std::string sql = "UPDATE t_" + std::to_string(ref.tableId) + " SET " + TableMeta::storageColumn(ref.column) +
                      " = ? WHERE rowid = ?";
    try {
        SqliteStatement &st = session.cached(sql);
        if (isClob)
            st.bind(1, value);
        else
            st.bindBlob(1, value);
        st.bind(2, ref.rowId);
        st.step();
    } catch (const SqliteError &) {
        session.releaseIfClean();
        throw OraError::of(22922);
    }
    if (sqlite3_changes(session.db()) == 0) {
        session.releaseIfClean();
        throw OraError::of(22922);
    }
    session.markDirty();
}

} // namespace oraclesim
