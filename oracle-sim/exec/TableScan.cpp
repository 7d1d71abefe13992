#include "TableScan.h"

#include "OraError.h"
#include "StoredValue.h"

namespace oraclesim {

std::string TableScan::sqlOf(const TableMeta &table, const ScanRequest &request)
{
    std::string sql = "SELECT rowid";
    for (int c : request.columns)
        sql += ", " + TableMeta::storageColumn(c);
    sql += " FROM " + table.storageName();
    if (!request.where.empty())
        sql += " WHERE " + request.where;
    sql += " ORDER BY " + (request.orderBy.empty() ? std::string("rowid") : request.orderBy + ", rowid");
    return sql;
}

namespace {

// A snapshot of what is committed, on a reader: the table must be as the catalog holds it.
void beginSnapshot(Session &session, sqlite3 *db)
{
    sqliteExec(db, "BEGIN");
    SqliteStatement version(db, "SELECT value FROM sim_meta WHERE key = 'ddl_version'");
    if (!version.step() || version.integer(0) != session.catalog().version())
        throw CatalogChanged{};
}

} // namespace

std::vector<std::int64_t> TableScan::count(Session &session, const TableMeta &table, const ScanRequest &request,
                                           const std::vector<int> &counted, bool ownConnection)
{
    std::optional<Session::Reader> reader;
    sqlite3 *db = session.db();
    if (!ownConnection) {
        reader.emplace(session.reader());
        db = reader->db();
        beginSnapshot(session, db);
    }
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < counted.size(); ++i)
        sql += std::string(i ? ", " : "") + "count(" +
               (counted[i] < 0 ? std::string("*") : TableMeta::storageColumn(counted[i])) + ")";
    sql += " FROM " + table.storageName();
    if (!request.where.empty())
        sql += " WHERE " + request.where;
    std::vector<std::int64_t> counts;
    try {
        SqliteStatement st(db, sql);
        for (std::size_t i = 0; i < request.params.size(); ++i)
            StoredValue::bind(st.handle(), static_cast<int>(i + 1), request.params[i]);
        st.step();
        for (std::size_t i = 0; i < counted.size(); ++i)
            counts.push_back(st.integer(static_cast<int>(i)));
    } catch (const SqliteError &e) {
        session.checkBreak();
        throw oraErrorFrom(e);
    }
    return counts;
}

TableScan::TableScan(Session &session, const TableMeta &table, const ScanRequest &request, bool ownConnection)
    : m_session(session), m_table(table), m_columns(request.columns)
{
    sqlite3 *db = session.db();
    if (!ownConnection) {
        m_reader.emplace(session.reader());
        db = m_reader->db();
        beginSnapshot(session, db);
    }
    try {
        m_statement = std::make_unique<SqliteStatement>(db, sqlOf(table, request));
    } catch (const SqliteError &e) {
        throw oraErrorFrom(e);
    }
    for (std::size_t i = 0; i < request.params.size(); ++i)
        StoredValue::bind(m_statement->handle(), static_cast<int>(i + 1), request.params[i]);
    if (ownConnection) {
        session.addPendingRead(this);
        m_pending = true;
    }
}

TableScan::~TableScan()
{
    m_statement.reset();
    if (m_pending)
        m_session.removePendingRead(this);
}

bool TableScan::step(Row &row, std::int64_t &rowId)
{
    if (m_done || !m_statement)
        return false;
    bool more = false;
    try {
        more = m_statement->step();
    } catch (const SqliteError &e) {
        m_session.checkBreak();
        throw oraErrorFrom(e);
    }
    if (!more) {
        m_done = true;
        return false;
    }
    sqlite3_stmt *st = m_statement->handle();
    rowId = sqlite3_column_int64(st, 0);
    row.assign(m_table.columns.size(), SqlValue());
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const int c = m_columns[i];
        row[static_cast<std::size_t>(c)] =
            StoredValue::read(st, static_cast<int>(i + 1), m_table.columns[static_cast<std::size_t>(c)].type,
                              LobRef{m_table.id, rowId, c});
    }
    return true;
}

bool TableScan::next(Row &row, std::int64_t &rowId)
{
    m_session.checkBreak();
    if (!m_held.empty()) {
        rowId = m_held.front().first;
        row = std::move(m_held.front().second);
        m_held.pop_front();
        return true;
    }
    return step(row, rowId);
}

void TableScan::readToEnd()
{
    Row row;
    std::int64_t rowId = 0;
    while (step(row, rowId))
        m_held.emplace_back(rowId, std::move(row));
    m_statement.reset();
    m_session.removePendingRead(this);
    m_pending = false;
}

} // namespace oraclesim
