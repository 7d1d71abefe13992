#include "ReferentialIntegrity.h"

#include "OraError.h"
#include "QueryExecutor.h"
#include "RowChecks.h"
#include "Session.h"
#include "StoredValue.h"

namespace oraclesim {

namespace {

// The values of `cols` in the row, or nothing when one of them is NULL.
std::optional<Row> keyOf(const Row &row, const std::vector<int> &cols)
{
    Row key;
    for (int c : cols) {
        if (row[static_cast<std::size_t>(c)].isNull())
            return std::nullopt;
        key.push_back(row[static_cast<std::size_t>(c)]);
    }
    return key;
}

std::string matchClause(const std::vector<int> &cols)
{
    std::string where;
    for (std::size_t i = 0; i < cols.size(); ++i)
        where += std::string(i ? " AND " : "") + TableMeta::storageColumn(cols[i]) + " = ?" + std::to_string(i + 1);
    return where;
}

void bindKey(SqliteStatement &st, const Row &key)
{
    for (std::size_t i = 0; i < key.size(); ++i)
        StoredValue::bind(st.handle(), static_cast<int>(i + 1), key[i]);
}

bool anyRowWith(Session &session, const TableMeta &table, const std::vector<int> &cols, const Row &key)
{
    SqliteStatement &st =
        session.cached("SELECT 1 FROM " + table.storageName() + " WHERE " + matchClause(cols) + " LIMIT 1");
    bindKey(st, key);
    bool found = st.step();
    st.reset();
    return found;
}

using RowsWithIds = std::vector<std::pair<std::int64_t, Row>>;

// The rows (with their row ids) that the condition selects, once `bind` has bound its values.
template <class Bind>
RowsWithIds rowsWhere(Session &session, const TableMeta &table, const std::string &where, Bind bind)
{
    std::string sql = "SELECT rowid";
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        sql += ", " + TableMeta::storageColumn(static_cast<int>(i));
    sql += " FROM " + table.storageName() + " WHERE " + where;
    SqliteStatement &st = session.cached(sql);
    bind(st);
    RowsWithIds rows;
    while (st.step()) {
        std::int64_t rowId = st.integer(0);
        Row row;
        for (std::size_t i = 0; i < table.columns.size(); ++i)
            row.push_back(StoredValue::read(st.handle(), static_cast<int>(i + 1), table.columns[i].type,
                                            LobRef{table.id, rowId, static_cast<int>(i)}));
        rows.emplace_back(rowId, std::move(row));
    }
    st.reset();
    return rows;
}

RowsWithIds rowsWith(Session &session, const TableMeta &table, const std::vector<int> &cols, const Row &key)
{
    return rowsWhere(session, table, matchClause(cols), [&](SqliteStatement &st) { bindKey(st, key); });
}

const TableMeta &tableNamed(Session &session, const std::string &owner, const std::string &name)
{
    const TableMeta *t = session.catalog().findTable(owner, name);
    if (!t)
        throw OraError::of(942);
    return *t;
}

} // namespace

void ReferentialIntegrity::checkParents(Session &session, const TableMeta &table, const Row &row)
{
    for (const auto &c : table.constraints) {
        if (c.type != 'R')
            continue;
        auto key = keyOf(row, c.columns);
        if (!key)
            continue;
        const TableMeta &parent = c.refTableId == table.id ? table : tableNamed(session, table.owner, c.refTable);
        if (&parent == &table) {
            auto own = keyOf(row, c.refColumns);
            bool self = own.has_value();
            for (std::size_t i = 0; self && i < key->size(); ++i)
                self = (*own)[i].compare((*key)[i], session.nls()) == 0;
            if (self)
                continue;
        }
        if (!anyRowWith(session, parent, c.refColumns, *key))
            throw OraError::of(2291, table.owner, c.name);
    }
}

void ReferentialIntegrity::childChanged(const TableMeta &table, std::int64_t rowId)
{
    m_children.emplace_back(&table, rowId);
}

void ReferentialIntegrity::keyChanged(const TableMeta &table, const Row &before, const Row &after)
{
    for (const auto &ref : table.referencedBy) {
        auto oldKey = keyOf(before, ref.parentColumns);
        if (!oldKey)
            continue;
        auto newKey = keyOf(after, ref.parentColumns);
        bool same = newKey.has_value();
        for (std::size_t i = 0; same && i < oldKey->size(); ++i)
            same = (*oldKey)[i].compare((*newKey)[i], m_session.nls()) == 0;
        if (!same)
            m_keys.push_back({&table, &ref, *oldKey});
    }
}

void ReferentialIntegrity::rowRemoved(const TableMeta &table, const Row &before)
{
    m_removed.emplace_back(&table, before);
    if (m_removing)
        return;
    // A queue, not recursion: a long chain of cascades must not run out of stack.
    m_removing = true;
    try {
        while (!m_removed.empty()) {
            auto [parent, row] = std::move(m_removed.front());
            m_removed.pop_front();
            removeChildren(*parent, row);
        }
    } catch (...) {
        m_removing = false;
        throw;
    }
    m_removing = false;
}

void ReferentialIntegrity::removeChildren(const TableMeta &parent, const Row &before)
{
    for (const auto &ref : parent.referencedBy) {
        auto key = keyOf(before, ref.parentColumns);
        if (!key)
            continue;
        if (ref.deleteRule == DeleteRule::NoAction) {
            m_keys.push_back({&parent, &ref, *key});
            continue;
        }
        const TableMeta &child = tableNamed(m_session, parent.owner, ref.childTable);
        for (auto &[rowId, row] : rowsWith(m_session, child, ref.childColumns, *key)) {
            if (ref.deleteRule == DeleteRule::Cascade) {
                SqliteStatement &del = m_session.cached("DELETE FROM " + child.storageName() + " WHERE rowid = ?");
                del.bind(1, rowId);
                del.step();
                m_removed.emplace_back(&child, std::move(row));
                continue;
            }
            Row after = row;
            std::string set;
            for (int c : ref.childColumns) {
                after[static_cast<std::size_t>(c)] = SqlValue();
                set += (set.empty() ? "" : ", ") + TableMeta::storageColumn(c) + " = NULL";
            }
            // The row changes like an UPDATE of it: its NOT NULL and CHECK constraints hold.
            RowChecks::check(m_session, child, after, true);
            SqliteStatement &up =
                m_session.cached("UPDATE " + child.storageName() + " SET " + set + " WHERE rowid = ?");
            up.bind(1, rowId);
            up.step();
            keyChanged(child, row, after);
        }
    }
}

void ReferentialIntegrity::finish()
{
    for (const auto &pending : m_keys) {
        // Another row may hold the key now (an UPDATE that swapped keys): its children still have a parent.
        if (anyRowWith(m_session, *pending.parent, pending.reference->parentColumns, pending.key))
            continue;
        const TableMeta &child = tableNamed(m_session, pending.parent->owner, pending.reference->childTable);
        if (anyRowWith(m_session, child, pending.reference->childColumns, pending.key))
            throw OraError::of(2292, pending.parent->owner, pending.reference->constraint);
    }
    for (const auto &[table, rowId] : m_children) {
        auto rows = rowsWhere(m_session, *table, "rowid = ?", [id = rowId](SqliteStatement &st) { st.bind(1, id); });
        for (const auto &entry : rows)
            checkParents(m_session, *table, entry.second);
    }
    m_keys.clear();
    m_children.clear();
}

} // namespace oraclesim
