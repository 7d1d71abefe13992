#pragma once

#include "OraError.h"
#include "SqlStatement.h"
#include "TableMeta.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oraclesim {

class Session;

// INSERT, UPDATE and DELETE against a session's open transaction, with Oracle's checks.
class DmlExecutor {
public:
    // What one execution of an INSERT needs, worked out once for all its iterations.
    struct InsertPlan {
        const TableMeta *table = nullptr;
        std::vector<int> targets;   // table column of each VALUES expression
        std::vector<Expr> returning; // resolved against the table's columns
        std::string sql;            // the storage INSERT
    };
    struct InsertResult {
        std::int64_t rowId = 0;
        std::vector<SqlValue> returned; // LOB values carry where they live, for locators
    };

    static InsertPlan planInsert(Session &session, const Insert &insert);
    // One row; a failure changes nothing.
    static InsertResult insertRow(Session &session, const InsertPlan &plan, const Insert &insert,
                                  const std::vector<SqlValue> &binds);
    static std::uint32_t update(Session &session, const Update &update, const std::vector<SqlValue> &binds);
    static std::uint32_t remove(Session &session, const Delete &del, const std::vector<SqlValue> &binds);

    // Writes a LOB's whole new value in place (the locator's row).
    static void writeLob(Session &session, const LobRef &ref, bool isClob, const std::string &value);

private:
    // ORA-00001 for a unique index that SQLite reports as violated.
    static OraError uniqueViolation(const TableMeta &table, const std::string &sqliteMessage);
};

} // namespace oraclesim
