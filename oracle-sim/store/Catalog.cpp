#include "Catalog.h"

#include "OraError.h"
#include "SqliteStatement.h"

#include <cstdio>
#include <sstream>

namespace oraclesim {

namespace {

std::vector<int> positions(const std::string &list)
{
    std::vector<int> out;
    std::istringstream in(list);
    std::string part;
    while (std::getline(in, part, ','))
        out.push_back(std::stoi(part));
    return out;
}

std::string textOrEmpty(const SqliteStatement &st, int column)
{
    return st.isNull(column) ? std::string() : st.text(column);
}

} // namespace

std::string Catalog::joinPositions(const std::vector<int> &cols)
{
    std::string s;
    for (int c : cols)
        s += (s.empty() ? "" : ",") + std::to_string(c);
    return s;
}

void Catalog::refresh()
{
    SqliteStatement st(m_db, "SELECT value FROM sim_meta WHERE key = 'ddl_version'");
    std::int64_t version = st.step() ? st.integer(0) : 0;
    if (version != m_version) {
        m_tables.clear();
        ++m_generation;
        m_version = version;
    }
}

void Catalog::bumpVersion()
{
    sqliteExec(m_db, "UPDATE sim_meta SET value = value + 1 WHERE key = 'ddl_version'");
    m_tables.clear();
    ++m_generation;
    m_version = -1;
}

const TableMeta *Catalog::findTable(const std::string &owner, const std::string &name)
{
    auto key = std::make_pair(owner, name);
    auto it = m_tables.find(key);
    if (it == m_tables.end())
        it = m_tables.emplace(key, load(owner, name)).first;
    return it->second.get();
}

std::unique_ptr<TableMeta> Catalog::load(const std::string &owner, const std::string &name)
{
    SqliteStatement t(m_db, "SELECT id FROM sim_tables WHERE owner = ? AND name = ?");
    t.bind(1, owner).bind(2, name);
    if (!t.step())
        return nullptr;
    auto meta = std::make_unique<TableMeta>();
    meta->id = t.integer(0);
    meta->owner = owner;
    meta->name = name;
    SqliteStatement c(m_db, "SELECT name, type, length, char_semantics, has_precision, precision, scale, nullable, "
                            "default_text, identity, identity_on_null, identity_sequence "
                            "FROM sim_columns WHERE table_id = ? ORDER BY position");
    c.bind(1, meta->id);
    while (c.step()) {
        ColumnMeta col;
        col.name = c.text(0);
        ColumnType::fromWord(c.text(1), col.type.base);
        col.type.length = static_cast<int>(c.integer(2));
        col.type.charSemantics = c.integer(3) != 0;
        col.type.hasPrecision = c.integer(4) != 0;
        col.type.precision = static_cast<int>(c.integer(5));
        col.type.scale = static_cast<int>(c.integer(6));
        col.nullable = c.integer(7) != 0;
        col.defaultText = textOrEmpty(c, 8);
        col.identity = textOrEmpty(c, 9);
        col.identityOnNull = c.integer(10) != 0;
        col.identitySequence = textOrEmpty(c, 11);
        meta->columns.push_back(col);
    }
    SqliteStatement ix(m_db, "SELECT name, columns, uniqueness, constraint_name, storage_name FROM sim_indexes "
                             "WHERE table_id = ? ORDER BY rowid");
    ix.bind(1, meta->id);
    while (ix.step()) {
        IndexMeta im;
        im.name = ix.text(0);
        im.columns = positions(ix.text(1));
        im.unique = ix.integer(2) != 0;
        im.constraint = textOrEmpty(ix, 3);
        im.storageName = textOrEmpty(ix, 4);
        meta->indexes.push_back(im);
    }
    loadConstraints(*meta);
    return meta;
}

void Catalog::loadConstraints(TableMeta &meta)
{
    SqliteStatement st(m_db, "SELECT c.name, c.type, c.columns, c.generated, c.ref_table_id, c.ref_constraint, "
                             "c.ref_columns, c.delete_rule, c.search_condition, c.not_null, t.name "
                             "FROM sim_constraints c LEFT JOIN sim_tables t ON t.id = c.ref_table_id "
                             "WHERE c.table_id = ? ORDER BY c.rowid");
    st.bind(1, meta.id);
    while (st.step()) {
        ConstraintMeta cm;
        cm.name = st.text(0);
        cm.type = st.text(1).empty() ? 'C' : st.text(1)[0];
        cm.columns = positions(textOrEmpty(st, 2));
        cm.generatedName = st.integer(3) != 0;
        cm.refTableId = st.isNull(4) ? 0 : st.integer(4);
        cm.refConstraint = textOrEmpty(st, 5);
        cm.refColumns = positions(textOrEmpty(st, 6));
        cm.deleteRule = deleteRuleFromName(textOrEmpty(st, 7));
        cm.condition = textOrEmpty(st, 8);
        cm.notNull = st.integer(9) != 0;
        cm.refTable = textOrEmpty(st, 10);
        meta.constraints.push_back(std::move(cm));
    }
    SqliteStatement refs(m_db, "SELECT c.name, t.name, c.columns, c.ref_columns, c.delete_rule FROM sim_constraints c "
                               "JOIN sim_tables t ON t.id = c.table_id WHERE c.type = 'R' AND c.ref_table_id = ? "
                               "ORDER BY c.rowid");
    refs.bind(1, meta.id);
    while (refs.step()) {
        ReferenceMeta rm;
        rm.constraint = refs.text(0);
        rm.childTable = refs.text(1);
        rm.childColumns = positions(refs.text(2));
        rm.parentColumns = positions(refs.text(3));
        rm.deleteRule = deleteRuleFromName(textOrEmpty(refs, 4));
        meta.referencedBy.push_back(std::move(rm));
    }
}

std::vector<std::string> Catalog::tableNames(const std::string &owner)
{
    std::vector<std::string> names;
    SqliteStatement st(m_db, "SELECT name FROM sim_tables WHERE owner = ? ORDER BY name");
    st.bind(1, owner);
    while (st.step())
        names.push_back(st.text(0));
    return names;
}

bool Catalog::objectExists(const std::string &owner, const std::string &name)
{
    SqliteStatement st(m_db, "SELECT 1 FROM sim_tables WHERE owner = ?1 AND name = ?2 "
                             "UNION ALL SELECT 1 FROM sim_indexes WHERE owner = ?1 AND name = ?2 "
                             "UNION ALL SELECT 1 FROM sim_sequences WHERE owner = ?1 AND name = ?2");
    st.bind(1, owner).bind(2, name);
    return st.step();
}

bool Catalog::constraintExists(const std::string &owner, const std::string &name)
{
    SqliteStatement st(m_db, "SELECT 1 FROM sim_constraints WHERE owner = ? AND name = ?");
    st.bind(1, owner).bind(2, name);
    return st.step();
}

std::string Catalog::nextSystemConstraintName()
{
    sqliteExec(m_db, "UPDATE sim_meta SET value = value + 1 WHERE key = 'sys_constraint'");
    SqliteStatement st(m_db, "SELECT value FROM sim_meta WHERE key = 'sys_constraint'");
    st.step();
    char buf[32];
    std::snprintf(buf, sizeof buf, "SYS_C%07lld", static_cast<long long>(st.integer(0)));
    return buf;
}

std::vector<Catalog::IndexRow> Catalog::indexesOf(const std::string &owner)
{
    std::vector<IndexRow> rows;
    SqliteStatement st(m_db, "SELECT i.name, t.name, i.columns, i.uniqueness, i.constraint_name FROM sim_indexes i "
                             "JOIN sim_tables t ON t.id = i.table_id WHERE i.owner = ? ORDER BY i.name");
    st.bind(1, owner);
    while (st.step()) {
        IndexRow r;
        r.name = st.text(0);
        r.table = st.text(1);
        r.unique = st.integer(3) != 0;
        r.constraint = textOrEmpty(st, 4);
        const TableMeta *t = findTable(owner, r.table);
        for (int c : positions(st.text(2)))
            if (t && c < static_cast<int>(t->columns.size()))
                r.columns.push_back(t->columns[static_cast<std::size_t>(c)].name);
        rows.push_back(std::move(r));
    }
    return rows;
}

} // namespace oraclesim
