#pragma once

#include "BindHandle.h"
#include "DefineHandle.h"
#include "HandleBase.h"
#include "ParamDescriptor.h"
#include "ResultSet.h"
#include "RowCursor.h"
#include "SqlStatement.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oraclesim {

class ErrorHandle;
class ServiceContext;
class Session;

// OCI_HTYPE_STMT: a prepared statement with its binds and defines, and after a query its rows, made
// as fetches ask for them and handed out. Parsed at the first execute (as Oracle parses on the
// server), then kept. Operations throw OraError; warnings go into the error handle with their status.
class StatementHandle : public HandleBase {
public:
    StatementHandle(EnvHandle *env, std::shared_ptr<Session> session, std::string sql);
    ~StatementHandle() override;

    sword execute(ServiceContext &svc, ErrorHandle &err, ub4 iters, ub4 rowoff, ub4 mode);
    // The session of the last execute, which fetches go to.
    Session *session() const noexcept { return m_session.get(); }
    sword fetch(ErrorHandle &err, ub4 nrows);

    BindHandle *bind(ub4 position, void *valuep, sb8 valueSize, ub2 dty, void *indp, void *alenp, bool wideLengths,
                     ub2 *rcodep, ub4 mode);
    DefineHandle *define(ub4 position, void *valuep, sb4 valueSize, ub2 dty, sb2 *indp, ub2 *rlenp, ub2 *rcodep);
    ParamDescriptor *param(ub4 position);
    void releaseParam(ParamDescriptor *param);

    void getAttribute(ub4 attribute, void *out, ub4 *sizep) const;
    void setAttribute(ub4 attribute, const void *value);

private:
    const SqlStatement &parsed(Session &session);
    std::vector<SqlValue> readBinds(ub4 iteration, const std::vector<int> &outputs) const;
    // What Oracle refuses of the binds as a whole, before any row: static RETURNING binds (ORA-24369),
    // a bind that may be over 4000 bytes after a LOB or LONG one (ORA-24816), DATE binds of another size.
    void checkBinds(const std::vector<int> &outputs, bool dml) const;
    void applySessionSettings(Session &session, const AlterSession &settings);
    sword executeDml(Session &session, ErrorHandle &err, ub4 iters, ub4 rowoff, ub4 mode);
    void writeReturning(ub4 iteration, const std::vector<int> &into, const std::vector<SqlValue> &values,
                        Session &session);
    bool writeRow(ub4 slot, const Row &row, Session &session);
    // One round trip's worth of rows from the server into what the client holds.
    void bringRows(std::size_t wanted);
    void closeRows();

    std::shared_ptr<Session> m_session;
    std::string m_sql;
    ub2 m_type;
    std::optional<SqlStatement> m_parsed;
    std::map<ub4, std::unique_ptr<BindHandle>> m_binds;
    std::map<ub4, std::unique_ptr<DefineHandle>> m_defines;
    std::vector<std::unique_ptr<ParamDescriptor>> m_params;

    bool m_described = false; // columns known
    bool m_executed = false;  // rows available to fetch
    bool m_failed = false;    // a fetch failed or was broken: the cursor is gone
    std::vector<ResultColumn> m_columns;
    std::unique_ptr<RowCursor> m_rows;
    std::deque<Row> m_held; // rows the client holds and has not fetched yet
    std::size_t m_delivered = 0;
    ub4 m_rowCount = 0;
    ub4 m_rowsFetched = 0;
    ub4 m_dmlErrors = 0;
    ub4 m_prefetch = 1; // OCI's default
    // Whether the server has said there are no more rows, so that only fetches that need the server
    // cost a round trip.
    bool m_endKnown = false;
};

} // namespace oraclesim
