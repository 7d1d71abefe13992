#pragma once

#include "ResultSet.h"
#include "RowCursor.h"
#include "SqlStatement.h"

#include <memory>
#include <vector>

namespace oraclesim {

class Session;

// Runs a SELECT. A table's rows stream out of SQLite as fetches ask for them, with what SQLite can
// decide alike (see Pushdown) done there; the rest of the condition and the select list are evaluated
// row by row. A COUNT SQLite can make, it makes; an aggregate or a sort it cannot is made in full at
// execute. Dictionary views are read whole: they are small.
class QueryExecutor {
public:
    struct Opened {
        std::vector<ResultColumn> columns;
        std::unique_ptr<RowCursor> rows; // none when only described
    };
    static Opened open(Session &session, const Select &select, const std::vector<SqlValue> &binds, bool describeOnly);

    // The table a statement names, in the session's schema; ORA-00942 when there is none.
    static const TableMeta &findTable(Session &session, const TableName &name);

private:
    static Opened select(Session &session, const Select &query, const std::vector<SqlValue> &binds, bool describeOnly);
    static Opened selectOnce(Session &session, const Select &query, const std::vector<SqlValue> &binds,
                             bool describeOnly);
};

} // namespace oraclesim
