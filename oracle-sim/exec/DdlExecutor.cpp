#include "DdlExecutor.h"

#include "ConstraintDdl.h"
#include "OraError.h"
#include "QueryExecutor.h"
#include "SequenceStore.h"
#include "Session.h"

#include <algorithm>

namespace oraclesim {

namespace {

constexpr std::size_t maxColumns = 1000;

std::string ownSchema(Session &session, const std::string &schema)
{
    if (!schema.empty() && schema != session.user())
        throw OraError::of(1031);
    return session.user();
}

// The identity column of a new table, if it has one: NUMBER only, and only one (ORA-30675, ORA-30669).
int identityColumn(const CreateTable &ct)
{
    int found = -1;
    for (std::size_t i = 0; i < ct.columns.size(); ++i) {
        const ColumnDef &c = ct.columns[i];
        if (!c.identity)
            continue;
        if (c.type.base != ColumnType::Base::Number)
            throw OraError::of(30675);
        if (found >= 0)
            throw OraError::of(30669);
        found = static_cast<int>(i);
    }
    return found;
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
                else if constexpr (std::is_same_v<T, AddConstraint>)
                    ConstraintDdl::add(session, body.table, body.constraint);
                else if constexpr (std::is_same_v<T, ModifyColumns>)
                    ConstraintDdl::modify(session, body);
                else if constexpr (std::is_same_v<T, CreateSequence>)
                    createSequence(session, body);
                else if constexpr (std::is_same_v<T, DropSequence>)
                    dropSequence(session, body);
                else if constexpr (std::is_same_v<T, Comment>)
                    comment(session, body);
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
    session.requirePrivilege("CREATE TABLE");
    std::string owner = ownSchema(session, ct.table.schema);
    if (session.catalog().objectExists(owner, ct.table.name))
        throw OraError::of(955);
    for (std::size_t i = 0; i < ct.columns.size(); ++i) {
        // ROWID names the pseudocolumn of every row, so no column may take it, quoted or not.
        // UNVERIFIED: the wording Oracle gives for the quoted form.
        if (ct.columns[i].name == "ROWID")
            throw OraError::of(904, quotedName(ct.columns[i].name));
        for (std::size_t j = 0; j < i; ++j)
            if (ct.columns[i].name == ct.columns[j].name)
                throw OraError::of(957);
    }
    if (ct.columns.size() > maxColumns)
        throw OraError(1792, "ORA-01792: maximum number of columns in a table or view is 1000");
    const int identity = identityColumn(ct);
    // An identity column's numbers come from a sequence made with the table, which takes the
    // privilege to create one.
    if (identity >= 0)
        session.requirePrivilege("CREATE SEQUENCE");
    sqlite3 *db = session.db();
    SqliteStatement t(db, "INSERT INTO sim_tables(owner, name) VALUES (?, ?)");
    t.bind(1, owner).bind(2, ct.table.name);
    t.step();
    std::int64_t id = sqlite3_last_insert_rowid(db);
    // Identity numbers come from a sequence of the table's own, which the column's default calls.
    const std::string sequence = "ISEQ$$_" + std::to_string(id);
    std::string create = "CREATE TABLE t_" + std::to_string(id) + " (";
    for (std::size_t i = 0; i < ct.columns.size(); ++i) {
        const ColumnDef &c = ct.columns[i];
        const bool isIdentity = static_cast<int>(i) == identity;
        SqliteStatement col(db, "INSERT INTO sim_columns(table_id, position, name, type, length, char_semantics, "
                                "has_precision, precision, scale, nullable, default_text, identity, identity_on_null, "
                                "identity_sequence) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        col.bind(1, id)
            .bind(2, static_cast<std::int64_t>(i + 1))
            .bind(3, c.name)
            .bind(4, std::string_view(c.type.word()))
            .bind(5, static_cast<std::int64_t>(c.type.length))
            .bind(6, static_cast<std::int64_t>(c.type.charSemantics))
            .bind(7, static_cast<std::int64_t>(c.type.hasPrecision))
            .bind(8, static_cast<std::int64_t>(c.type.precision))
            .bind(9, static_cast<std::int64_t>(c.type.scale))
            .bind(10, static_cast<std::int64_t>(!c.notNull && !isIdentity));
        if (isIdentity)
            col.bind(11, quotedName(owner) + "." + quotedName(sequence) + ".nextval")
                .bind(12, std::string_view(c.identity->always ? "ALWAYS" : "BY DEFAULT"))
                .bind(13, static_cast<std::int64_t>(c.identity->onNull))
                .bind(14, sequence);
        else if (c.defaultValue)
            col.bind(11, c.defaultText).bindNull(12).bind(13, std::int64_t{0}).bindNull(14);
        else
            col.bindNull(11).bindNull(12).bind(13, std::int64_t{0}).bindNull(14);
        col.step();
        create += (i ? ", " : "") + TableMeta::storageColumn(static_cast<int>(i));
    }
    sqliteExec(db, create + ")");
    if (identity >= 0)
        SequenceStore::create(db, owner, sequence, ct.columns[static_cast<std::size_t>(identity)].identity->options,
                              id);
    // NOT NULL first (an identity column is NOT NULL too), then the other constraints in the order written.
    for (std::size_t i = 0; i < ct.columns.size(); ++i) {
        const ColumnDef &c = ct.columns[i];
        if (c.notNull || static_cast<int>(i) == identity)
            ConstraintDdl::recordNotNull(session, owner, id, static_cast<int>(i), c.name, c.notNullName);
    }
    for (const auto &constraint : ct.constraints) {
        session.catalog().bumpVersion();
        ConstraintDdl::add(session, ct.table, constraint);
    }
}

void DdlExecutor::dropTable(Session &session, const DropTable &dt)
{
    const TableMeta &table = QueryExecutor::findTable(session, dt.table);
    ConstraintDdl::dropReferences(session, table, dt.cascadeConstraints);
    std::int64_t id = table.id;
    sqlite3 *db = session.db();
    for (const char *sql : {"DELETE FROM sim_columns WHERE table_id = ?", "DELETE FROM sim_indexes WHERE table_id = ?",
                            "DELETE FROM sim_constraints WHERE table_id = ?",
                            "DELETE FROM sim_comments WHERE table_id = ?", "DELETE FROM sim_tables WHERE id = ?"}) {
        SqliteStatement st(db, sql);
        st.bind(1, id);
        st.step();
    }
    SequenceStore::dropForTable(db, id);
    sqliteExec(db, "DROP TABLE t_" + std::to_string(id));
}

void DdlExecutor::createIndex(Session &session, const CreateIndex &ci)
{
    const TableMeta &table = QueryExecutor::findTable(session, ci.table);
    if (session.catalog().objectExists(table.owner, ci.name))
        throw OraError::of(955);
    std::vector<int> cols = ConstraintDdl::columnPositions(table, ci.columns);
    for (int c : cols)
        if (table.columns[static_cast<std::size_t>(c)].type.isLob())
            throw OraError::of(2327, "LOB");
    for (const auto &ix : table.indexes)
        if (ix.columns == cols)
            throw OraError::of(1408);
    sqlite3 *db = session.db();
    std::string storage;
    if (ci.unique) {
        try {
            storage = ConstraintDdl::createUniqueStorage(session, table, cols, false);
        } catch (const SqliteError &e) {
            if ((e.code() & 0xff) == SQLITE_CONSTRAINT)
                throw OraError::of(1452);
            throw;
        }
    }
    SqliteStatement ix(db, "INSERT INTO sim_indexes(owner, name, table_id, columns, uniqueness, constraint_name, "
                           "storage_name) VALUES (?, ?, ?, ?, ?, NULL, ?)");
    ix.bind(1, table.owner).bind(2, ci.name).bind(3, table.id).bind(4, Catalog::joinPositions(cols));
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
        throw OraError::of(2429);
    const std::string storage = find.isNull(1) ? std::string() : find.text(1);
    find.reset(); // SQLite drops nothing while a statement still reads
    if (!storage.empty())
        sqliteExec(db, "DROP INDEX " + storage);
    SqliteStatement del(db, "DELETE FROM sim_indexes WHERE owner = ? AND name = ?");
    del.bind(1, session.user()).bind(2, di.name);
    del.step();
}

void DdlExecutor::createSequence(Session &session, const CreateSequence &cs)
{
    session.requirePrivilege("CREATE SEQUENCE");
    std::string owner = ownSchema(session, cs.schema);
    if (session.catalog().objectExists(owner, cs.name))
        throw OraError::of(955);
    SequenceStore::create(session.db(), owner, cs.name, cs.options);
}

void DdlExecutor::dropSequence(Session &session, const DropSequence &ds)
{
    if (!ds.schema.empty() && ds.schema != session.user())
        throw OraError::of(2289);
    SequenceStore::drop(session.db(), session.user(), ds.name);
}

void DdlExecutor::comment(Session &session, const Comment &c)
{
    const TableMeta &table = QueryExecutor::findTable(session, c.table);
    std::int64_t position = 0; // the table's own comment
    if (!c.column.empty()) {
        int col = table.findColumn(c.column);
        if (col < 0)
            throw OraError::of(904, quotedName(c.column));
        position = col + 1;
    }
    // An empty comment ('' is NULL) removes the comment.
    SqliteStatement st(session.db(),
                       c.text.empty()
                           ? "DELETE FROM sim_comments WHERE table_id = ?1 AND position = ?2"
                           : "INSERT OR REPLACE INTO sim_comments(table_id, position, text) VALUES (?1, ?2, ?3)");
    st.bind(1, table.id).bind(2, position);
    if (!c.text.empty())
        st.bind(3, c.text);
    st.step();
}

} // namespace oraclesim
