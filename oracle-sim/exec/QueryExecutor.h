#pragma once

#include "ResultSet.h"
#include "SqlStatement.h"

#include <vector>

namespace oraclesim {

class Session;

// Runs a SELECT: reads the source whole (a table or a dictionary view), filters, sorts and
// projects in memory. Results are complete when execute returns, so no read snapshot stays
// open while a client fetches.
class QueryExecutor {
public:
    static ResultSet run(Session &session, const Select &select, const std::vector<SqlValue> &binds,
                         bool describeOnly);

    // The table a statement names, in the session's schema; ORA-00942 when there is none.
    static const TableMeta &findTable(Session &session, const TableName &name);
    static RowSource loadTable(Session &session, const TableMeta &table);

private:
    static ResultSet select(Session &session, const Select &query, const std::vector<SqlValue> &binds,
                            bool describeOnly);
};

} // namespace oraclesim
