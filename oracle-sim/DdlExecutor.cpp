#include "DdlExecutor.h"

#include "OraError.h"
#include "QueryExecutor.h"
#include "Session.h"

#include <algorithm>

namespace oraclesim {

namespace {

constexpr std::size_t maxColumns = 1000;

std::string ownSchema(Session &session, const TableName &name)
{
    if (!name.schema.empty() && name.schema != session.user())
        throw OraError::of(1031);
    return session.user();
}

// Column names to table positions, with Oracle's errors for unknown and repeated names.
std::vector<int> keyColumns(const TableMeta &table, const std::vector<std::string> &names)
{
    std::vector<int> cols;
    for (const auto &n : names) {
        int c = table.findColumn(n);
        if (c < 0)
            throw OraError::of(904, quotedName(n));
        if (std::find(cols.begin(), cols.end(), c) != cols.end())
            throw OraError::of(957);
        cols.push_back(c);
    }
    return cols;
}

std::string joinPositions(const std::vector<int> &cols)
{
    std::string s;
    for (int c : cols)
        s += (s.empty() ? "" : ",") + std::to_string(c);
    return s;
}

std::string storageColumns(const std::vector<int> &cols)
{
    std::string s;
    for (int c : cols)
        s += (s.empty() ? "" : ", ") + TableMeta::storageColumn(c);
    return s;
}

std::int64_t ddlVersion(Session &session)
{
    SqliteStatement st(session.db(), "SELECT value FROM sim_meta WHERE key = 'ddl_version'");
    st.step();
    return st.integer(0);
}

} // namespace

void DdlExecutor::run(Session &session, const SqlStatement &statement)
{
    session.commit();
    session.beginWrite();
    try {
        session.catalog().refresh();
        std::visit(
            [&](const auto &body) {
                using T = std::decay_t<decltype(body)>;
                if constexpr (std::is_same_v<T, CreateTable>)
                    createTable(session, body);
                else if constexpr (std::is_same_v<T, CreateIndex>)
                    createIndex(session, body);
                else if constexpr (std::is_same_v<T, DropTable>)
                    dropTable(session, body);
                else if constexpr (std::is_same_v<T, DropIndex>)
                    dropIndex(session, body);
                else if constexpr (std::is_same_v<T, AddPrimaryKey>)
                    addPrimaryKey(session, body);
            },
            statement.body);
        session.catalog().bumpVersion();
        session.markDirty();
        session.commit();
    } catch (const SqliteError &e) {
        session.rollback();
        session.catalog().refresh();
        throw oraErrorFrom(e);
    } catch (...) {
        session.rollback();
        session.catalog().refresh();
        throw;
    }
}

void DdlExecutor::createTable(Session &session, const CreateTable &ct)
{
    std::string owner = ownSchema(session, ct.table);
    if (session.catalog().objectExists(owner, ct.table.name))
        throw OraError::of(955);
    for (std::size_t i = 0; i < ct.columns.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (ct.columns[i].name == ct.columns[j].name)
                throw OraError::of(957);
    if (ct.columns.size() > maxColumns)
        throw OraError(1792, "ORA-01792: maximum number of columns in a table or view is 1000");
    sqlite3 *db = session.db();
    SqliteStatement t(db, "INSERT INTO sim_tables(owner, name) VALUES (?, ?)");
    t.bind(1, owner).bind(2, ct.table.name);
    t.step();
    std::int64_t id = sqlite3_last_insert_rowid(db);
    std::string create = "CREATE TABLE t_" + std::to_string(id) + " (";
    for (std::size_t i = 0; i < ct.columns.size(); ++i) {
        const ColumnDef &c = ct.columns[i];
        SqliteStatement col(db, "INSERT INTO sim_columns(table_id, position, name, type, length, char_semantics, "
                                "has_precision, precision, scale, nullable) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        col.bind(1, id)
            .bind(2, static_cast<std::int64_t>(i + 1))
            .bind(3, c.name)
            .bind(4, std::string_view(c.type.word()))
            .bind(5, static_cast<std::int64_t>(c.type.length))
            .bind(6, static_cast<std::int64_t>(c.type.charSemantics))
            .bind(7, static_cast<std::int64_t>(c.type.hasPrecision))
            .bind(8, static_cast<std::int64_t>(c.type.precision))
            .bind(9, static_cast<std::int64_t>(c.type.scale))
            .bind(10, static_cast<std::int64_t>(!c.notNull));
        col.step();
        create += (i ? ", " : "") + TableMeta::storageColumn(static_cast<int>(i));
    }
    sqliteExec(db, create + ")");
    if (!ct.primaryKey.empty()) {
        session.catalog().bumpVersion();
        AddPrimaryKey pk;
        pk.table = ct.table;
        pk.columns = ct.primaryKey;
        addPrimaryKey(session, pk);
    }
}

void DdlExecutor::dropTable(Session &session, const DropTable &dt)
{
    const TableMeta &table = QueryExecutor::findTable(session, dt.table);
    std::int64_t id = table.id;
    sqlite3 *db = session.db();
    for (const char *sql : {"DELETE FROM sim_columns WHERE table_id = ?", "DELETE FROM sim_indexes WHERE table_id = ?",
                            "DELETE FROM sim_constraints WHERE table_id = ?", "DELETE FROM sim_tables WHERE id = ?"}) {
        SqliteStatement st(db, sql);
        st.bind(1, id);
        st.step();
    }
    sqliteExec(db, "DROP TABLE t_" + std::to_string(id));
}

void DdlExecutor::addPrimaryKey(Session &session, const AddPrimaryKey &pk)
{
    const TableMeta &table = QueryExecutor::findTable(session, pk.table);
    std::vector<int> cols = keyColumns(table, pk.columns);
    for (int c : cols)
        if (table.columns[static_cast<std::size_t>(c)].type.isLob())
            throw OraError::of(2329, "LOB");
    if (table.primaryKey())
        throw OraError::of(2260);
    Catalog &catalog = session.catalog();
    std::string name = pk.constraint.empty() ? catalog.nextSystemConstraintName() : pk.constraint;
    if (catalog.constraintExists(table.owner, name))
        throw OraError::of(2264);
    // An index on exactly these columns already serves the key; otherwise one of the key's name is built.
    const IndexMeta *existing = nullptr;
    for (const auto &ix : table.indexes)
        if (ix.columns == cols)
            existing = &ix;
    if (!existing && catalog.objectExists(table.owner, name))
        throw OraError::of(955);

    sqlite3 *db = session.db();
    std::string where;
    for (int c : cols)
        where += (where.empty() ? "" : " OR ") + TableMeta::storageColumn(c) + " IS NULL";
    SqliteStatement nulls(db, "SELECT 1 FROM " + table.storageName() + " WHERE " + where + " LIMIT 1");
    if (nulls.step())
        throw OraError::of(1449);
    std::string storage = "u_" + std::to_string(table.id) + "_" + std::to_string(ddlVersion(session));
    try {
        sqliteExec(db, "CREATE UNIQUE INDEX " + storage + " ON " + table.storageName() + " (" + storageColumns(cols) + ")");
    } catch (const SqliteError &e) {
        if ((e.code() & 0xff) == SQLITE_CONSTRAINT)
            throw OraError::of(2437, table.owner, name);
        throw;
    }
    for (int c : cols) {
        SqliteStatement st(db, "UPDATE sim_columns SET nullable = 0 WHERE table_id = ? AND position = ?");
        st.bind(1, table.id).bind(2, static_cast<std::int64_t>(c + 1));
        st.step();
    }
    SqliteStatement con(db, "INSERT INTO sim_constraints(owner, name, table_id, type) VALUES (?, ?, ?, 'P')");
    con.bind(1, table.owner).bind(2, name).bind(3, table.id);
    con.step();
    if (existing) {
        SqliteStatement ix(db, "UPDATE sim_indexes SET constraint_name = ?, storage_name = ? WHERE owner = ? AND name = ?");
        ix.bind(1, name).bind(2, storage).bind(3, table.owner).bind(4, existing->name);
        ix.step();
    } else {
        SqliteStatement ix(db, "INSERT INTO sim_indexes(owner, name, table_id, columns, uniqueness, constraint_name, "
                               "storage_name) VALUES (?, ?, ?, ?, 1, ?, ?)");
        ix.bind(1, table.owner).bind(2, name).bind(3, table.id).bind(4, joinPositions(cols)).bind(5, name).bind(6, storage);
        ix.step();
    }
}

void DdlExecutor::createIndex(Session &session, const CreateIndex &ci)
{
    const TableMeta &table = QueryExecutor::findTable(session, ci.table);
    if (session.catalog().objectExists(table.owner, ci.name))
        throw OraError::of(955);
    std::vector<int> cols = keyColumns(table, ci.columns);
    for (int c : cols)
        if (table.columns[static_cast<std::size_t>(c)].type.isLob())
            throw OraError::of(2327, "LOB");
    for (const auto &ix : table.indexes)
        if (ix.columns == cols)
            throw OraError::of(1408);
    sqlite3 *db = session.db();
    std::string storage;
    if (ci.unique) {
        storage = "u_" + std::to_string(table.id) + "_" + std::to_string(ddlVersion(session));
        try {
            sqliteExec(db, "CREATE UNIQUE INDEX " + storage + " ON " + table.storageName() + " (" +
                               storageColumns(cols) + ")");
        } catch (const SqliteError &e) {
            if ((e.code() & 0xff) == SQLITE_CONSTRAINT)
                throw OraError(1452, "ORA-01452: cannot CREATE UNIQUE INDEX; duplicate keys found");
            throw;
        }
    }
    SqliteStatement ix(db, "INSERT INTO sim_indexes(owner, name, table_id, columns, uniqueness, constraint_name, "
                           "storage_name) VALUES (?, ?, ?, ?, ?, NULL, ?)");
    ix.bind(1, table.owner).bind(2, ci.name).bind(3, table.id).bind(4, joinPositions(cols));
    ix.bind(5, static_cast<std::int64_t>(ci.unique));
    if (storage.empty())
        ix.bindNull(6);
    else
        ix.bind(6, storage);
    ix.step();
}

void DdlExecutor::dropIndex(Session &session, const DropIndex &di)
{
    sqlite3 *db = session.db();
    SqliteStatement find(db, "SELECT constraint_name, storage_name FROM sim_indexes WHERE owner = ? AND name = ?");
    find.bind(1, session.user()).bind(2, di.name);
    if (!find.step())
        throw OraError::of(1418);
    if (!find.isNull(0))
        throw OraError(2429, "ORA-02429: cannot drop index used for enforcement of unique/primary key");
    const std::string storage = find.isNull(1) ? std::string() : find.text(1);
    find.reset(); // SQLite drops nothing while a statement still reads
    if (!storage.empty())
        sqliteExec(db, "DROP INDEX " + storage);
    SqliteStatement del(db, "DELETE FROM sim_indexes WHERE owner = ? AND name = ?");
    del.bind(1, session.user()).bind(2, di.name);
    del.step();
}

} // namespace oraclesim
