#pragma once

#include "RowSource.h"
#include "Session.h"
#include "SqliteStatement.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oraclesim {

// What SQLite is asked for a table: the columns a statement needs, the rows a condition keeps and their
// order, in SQL over the stored values (see Pushdown). Columns not read come back as NULL.
struct ScanRequest {
    std::vector<int> columns;     // table columns to read
    std::string where;            // SQL condition over the storage columns; empty: every row
    std::vector<SqlValue> params; // its ? in order, in their stored form
    std::string orderBy;          // SQL order; empty: by rowid
};

// A DDL was committed between the catalog's reading and the scan's snapshot: read the catalog again.
struct CatalogChanged {};

// Rows of one table streamed out of SQLite, each with its row id, one step at a time. On a reader
// connection it reads a committed snapshot of its own; on the session's connection (inside its
// transaction) it reads its rows to the end before that connection writes. Checks for a break as it goes.
class TableScan : public PendingRead {
public:
    // Reads through the session's own connection, or a reader when the session has no open transaction
    // (CatalogChanged when the table may not be as the catalog holds it).
    TableScan(Session &session, const TableMeta &table, const ScanRequest &request, bool ownConnection);
    ~TableScan() override;
    TableScan(const TableScan &) = delete;
    TableScan &operator=(const TableScan &) = delete;

    bool next(Row &row, std::int64_t &rowId);
    void readToEnd() override;

    static std::string sqlOf(const TableMeta &table, const ScanRequest &request);
    // COUNT(*) (-1) and COUNT(column) over the rows the request keeps, made by SQLite.
    static std::vector<std::int64_t> count(Session &session, const TableMeta &table, const ScanRequest &request,
                                           const std::vector<int> &counted, bool ownConnection);

private:
    bool step(Row &row, std::int64_t &rowId);

    Session &m_session;
    TableMeta m_table; // a copy: the catalog may drop its own while rows are still fetched
    std::vector<int> m_columns;
    std::optional<Session::Reader> m_reader;
    std::unique_ptr<SqliteStatement> m_statement;
    bool m_pending = false; // registered with the session as a PendingRead
    bool m_done = false;
    std::deque<std::pair<std::int64_t, Row>> m_held; // read ahead before the session wrote
};

} // namespace oraclesim
