#include "StatementHandle.h"

#include "DdlExecutor.h"
#include "DmlExecutor.h"
#include "ErrorHandle.h"
#include "LobLocator.h"
#include "Parser.h"
#include "QueryExecutor.h"
#include "ServiceContext.h"
#include "Session.h"
#include "ValueTransfer.h"

#include <algorithm>
#include <cstring>

namespace oraclesim {

namespace {

template <class T> void put(void *out, ub4 *sizep, T value)
{
    std::memcpy(out, &value, sizeof value);
    if (sizep)
        *sizep = sizeof value;
}

} // namespace

StatementHandle::StatementHandle(EnvHandle *env, std::shared_ptr<Session> session, std::string sql)
    : HandleBase(oci::HTYPE_STMT, env, false), m_session(std::move(session)), m_sql(std::move(sql)),
      m_type(Parser::statementType(m_sql))
{
}

StatementHandle::~StatementHandle() = default;

const SqlStatement &StatementHandle::parsed(Session &session)
{
    if (!m_parsed)
        m_parsed = Parser::parse(m_sql, session.config().maxIdentifier);
    return *m_parsed;
}

BindHandle *StatementHandle::bind(ub4 position, void *valuep, sb8 valueSize, ub2 dty, void *indp, void *alenp,
                                  bool wideLengths, ub2 *rcodep, ub4 mode)
{
    if (position == 0)
        throw OraError::of(1036);
    auto &slot = m_binds[position];
    if (!slot)
        slot = std::make_unique<BindHandle>(env());
    slot->assign(valuep, valueSize, dty, indp, alenp, wideLengths, rcodep, mode);
    return slot.get();
}

DefineHandle *StatementHandle::define(ub4 position, void *valuep, sb4 valueSize, ub2 dty, sb2 *indp, ub2 *rlenp,
                                      ub2 *rcodep)
{
    if (position == 0)
        throw OraError(1007, "ORA-01007: variable not in select list");
    auto &slot = m_defines[position];
    if (!slot)
        slot = std::make_unique<DefineHandle>(env());
    slot->assign(valuep, valueSize, dty, indp, rlenp, rcodep);
    return slot.get();
}

ParamDescriptor *StatementHandle::param(ub4 position)
{
    if (!m_described)
        throw OraError::of(24338);
    if (position < 1 || position > m_columns.size())
        throw OraError(24334, "ORA-24334: no descriptor for this position");
    m_params.push_back(std::make_unique<ParamDescriptor>(env(), this, m_columns[position - 1]));
    return m_params.back().get();
}

void StatementHandle::releaseParam(ParamDescriptor *param)
{
    std::erase_if(m_params, [&](const auto &p) { return p.get() == param; });
}

void StatementHandle::getAttribute(ub4 attribute, void *out, ub4 *sizep) const
{
    switch (attribute) {
    case oci::ATTR_ROW_COUNT: put<ub4>(out, sizep, m_rowCount); return;
    case 457: put<oraub8>(out, sizep, m_rowCount); return; // OCI_ATTR_UB8_ROW_COUNT
    case oci::ATTR_PARAM_COUNT:
        put<ub4>(out, sizep, m_described ? static_cast<ub4>(m_columns.size()) : 0);
        return;
    case oci::ATTR_STMT_TYPE: put<ub2>(out, sizep, m_type); return;
    case oci::ATTR_NUM_DML_ERRORS: put<ub4>(out, sizep, m_dmlErrors); return;
    case oci::ATTR_ROWS_FETCHED: put<ub4>(out, sizep, m_rowsFetched); return;
    case oci::ATTR_PREFETCH_ROWS: put<ub4>(out, sizep, m_prefetch); return;
    default: throw OraError::of(24315);
    }
}

void StatementHandle::setAttribute(ub4 attribute, const void *value)
{
    if (attribute == oci::ATTR_PREFETCH_ROWS && value)
        std::memcpy(&m_prefetch, value, sizeof m_prefetch);
    // Other statement attributes (prefetch memory, fetch hints) change nothing here.
}

std::vector<SqlValue> StatementHandle::readBinds(ub4 iteration, const std::vector<int> &outputs) const
{
    const int count = m_parsed->bindCount;
    if (!m_binds.empty() && m_binds.rbegin()->first > static_cast<ub4>(count))
        throw OraError::of(1036);
    std::vector<SqlValue> values(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto it = m_binds.find(static_cast<ub4>(i + 1));
        if (it == m_binds.end())
            throw OraError::of(1008);
        if (std::find(outputs.begin(), outputs.end(), i) != outputs.end())
            continue;
        const BindHandle &b = *it->second;
        if (ValueTransfer::isLocatorType(b.dty())) {
            if (b.isNull(iteration))
                continue;
            auto *loc = HandleBase::find<LobLocator>(b.locatorAt(iteration), oci::DTYPE_LOB);
            if (!loc || !loc->filled())
                throw OraError::of(22275);
            values[static_cast<std::size_t>(i)] = loc->value();
        } else {
            values[static_cast<std::size_t>(i)] = b.read(iteration);
        }
    }
    return values;
}

void StatementHandle::checkBinds(const std::vector<int> &outputs, bool dml) const
{
    auto isOutput = [&](ub4 position) {
        return std::find(outputs.begin(), outputs.end(), static_cast<int>(position) - 1) != outputs.end();
    };
    bool lobOrLongSeen = false;
    for (const auto &[position, bind] : m_binds) {
        if (isOutput(position)) {
            // RETURNING ... INTO takes its values through OCIBindDynamic callbacks only.
            if (!bind->isDynamic())
                throw OraError::of(24369);
            continue;
        }
        // UNVERIFIED: the error Oracle gives for an OCIDate bound with another size than its own.
        if (bind->dty() == oci::SQLT_ODT && bind->valueSize() != static_cast<sb8>(sizeof(oci::OCIDate)))
            throw OraError::of(1460);
        // Oracle wants LOB and LONG binds at the end of the list: no bind that may be over 4000 bytes
        // (by its maximum size, not the values it holds this time) may follow one, unless it is one
        // itself.
        if (dml && lobOrLongSeen && bind->mayExceed4000Bytes() && !bind->isLobOrLong())
            throw OraError::of(24816);
        lobOrLongSeen = lobOrLongSeen || bind->isLobOrLong();
    }
}

void StatementHandle::applySessionSettings(Session &session, const AlterSession &settings)
{
    for (const auto &[name, value] : settings.settings) {
        if (name == "NLS_DATE_FORMAT") {
            session.nls().dateFormat = value;
        } else if (name == "NLS_TIMESTAMP_FORMAT") {
            session.nls().timestampFormat = value;
        } else if (name == "NLS_NUMERIC_CHARACTERS") {
            if (value.size() != 2 || value[0] == value[1])
                throw OraError(12705, "ORA-12705: Cannot access NLS data files or invalid environment specified");
            session.nls().decimalChar = value[0];
            session.nls().groupChar = value[1];
        }
        // Every other setting (NLS_LANGUAGE, TIME_ZONE, CURRENT_SCHEMA, ...) is accepted and changes nothing.
    }
}

void StatementHandle::bringRows(std::size_t wanted)
{
    // One round trip brings what was asked for, or the prefetch amount if that is more.
    const std::size_t asked = std::max<std::size_t>(wanted, m_prefetch);
    for (std::size_t i = 0; i < asked; ++i) {
        Row row;
        if (!m_rows || !m_rows->next(row)) {
            m_endKnown = true;
            closeRows();
            return;
        }
        m_held.push_back(std::move(row));
    }
}

void StatementHandle::closeRows() { m_rows.reset(); }

bool StatementHandle::writeRow(ub4 slot, const Row &row, Session &session)
{
    bool truncated = false;
    for (auto &[position, def] : m_defines) {
        if (position > row.size())
            continue;
        const SqlValue &v = row[position - 1];
        if (ValueTransfer::isLocatorType(def->dty())) {
            auto *loc = HandleBase::find<LobLocator>(def->locatorAt(slot), oci::DTYPE_LOB);
            if (!loc)
                throw OraError::of(22275);
            if (v.isNull()) {
                def->write(slot, v, session.nls());
                continue;
            }
            loc->fill(v.isLob() ? v : SqlValue::clob(v.toText(session.nls())));
            def->setIndicator(slot, oci::IND_NOTNULL);
            continue;
        }
        truncated = def->write(slot, v, session.nls()) || truncated;
    }
    return truncated;
}

void StatementHandle::writeReturning(ub4 iteration, const std::vector<int> &into, const std::vector<SqlValue> &values,
                                     Session &session)
{
    for (std::size_t j = 0; j < into.size(); ++j) {
        BindHandle &b = *m_binds.at(static_cast<ub4>(into[j] + 1));
        if (ValueTransfer::isLocatorType(b.dty())) {
            auto *loc = HandleBase::find<LobLocator>(b.returnedLocator(iteration), oci::DTYPE_LOB);
            if (!loc)
                throw OraError::of(22275);
            loc->fill(values[j].isLob() ? values[j] : SqlValue::clob(values[j].toText(session.nls())));
        } else {
            b.writeReturned(iteration, values[j], session.nls());
        }
    }
}

sword StatementHandle::execute(ServiceContext &svc, ErrorHandle &err, ub4 iters, ub4 rowoff, ub4 mode)
{
    Session &session = svc.session();
    closeRows(); // rows of an earlier execute go, before the session they read from may change
    m_held.clear();
    m_session = svc.sharedSession();
    const long number = SimConfig::nextExecuteNumber();
    if (session.config().dropAfter == number) {
        session.disconnect();
        throw session.config().dropError ? *session.config().dropError : OraError::of(3113);
    }
    if (session.config().failExecuteAt == number && session.config().failError)
        throw *session.config().failError;

    m_rowCount = 0;
    m_rowsFetched = 0;
    m_dmlErrors = 0;
    m_executed = false;
    const SqlStatement *statement = nullptr;
    try {
        statement = &parsed(session);
    } catch (...) {
        session.roundTrip(); // the server parses: a statement it refuses costs the trip too
        throw;
    }
    const SqlStatement &st = *statement;
    if (st.isDdl() && iters > 0 && !(mode & (oci::PARSE_ONLY | oci::DESCRIBE_ONLY)))
        // A DDL commits what the session has open as it starts, before its own (possibly long) work.
        session.roundTrip(session.config().ddlDelayMs, [&] { session.commit(); });
    else
        session.roundTrip(st.isDml() ? session.config().dmlDelayMs : 0);
    if (mode & oci::PARSE_ONLY)
        return oci::SUCCESS;

    sword rc = oci::SUCCESS;
    if (const auto *select = std::get_if<Select>(&st.body)) {
        const bool describeOnly = (mode & oci::DESCRIBE_ONLY) != 0;
        m_described = false;
        closeRows();
        m_held.clear();
        m_delivered = 0;
        m_failed = false;
        if (!describeOnly)
            checkBinds({}, false);
        auto opened = QueryExecutor::open(
            session, *select, describeOnly ? std::vector<SqlValue>(st.bindCount) : readBinds(0, {}), describeOnly);
        m_columns = std::move(opened.columns);
        m_described = true;
        if (describeOnly)
            return oci::SUCCESS;
        m_rows = std::move(opened.rows);
        m_endKnown = false;
        // The execute's own round trip already brings the first prefetch rows.
        if (m_prefetch > 0)
            bringRows(m_prefetch);
        m_executed = true;
        if (iters > 0 && !m_defines.empty()) {
            rc = fetch(err, iters);
            if (rc == oci::NO_DATA)
                rc = oci::SUCCESS;
        }
    } else {
        if (iters == 0)
            throw OraError::of(24333);
        if (mode & oci::DESCRIBE_ONLY)
            return oci::SUCCESS;
        m_described = false;
        if (st.isDdl()) {
            DdlExecutor::run(session, st);
        } else if (const auto *as = std::get_if<AlterSession>(&st.body)) {
            applySessionSettings(session, *as);
        } else if (std::holds_alternative<Commit>(st.body)) {
            session.commit();
        } else if (std::holds_alternative<Rollback>(st.body)) {
            session.rollback();
        } else {
            rc = executeDml(session, err, iters, rowoff, mode);
        }
    }
    if (mode & oci::COMMIT_ON_SUCCESS)
        session.commit();
    return rc;
}

sword StatementHandle::executeDml(Session &session, ErrorHandle &err, ub4 iters, ub4 rowoff, ub4 mode)
{
    const SqlStatement &st = *m_parsed;
    const Insert *insert = std::get_if<Insert>(&st.body);
    const std::vector<int> outputs = insert ? insert->into : std::vector<int>{};
    std::optional<DmlExecutor::InsertPlan> plan;
    try {
        if (insert)
            plan = session.read([&] { return DmlExecutor::planInsert(session, *insert); });
    } catch (const SqliteError &e) {
        throw oraErrorFrom(e);
    }
    checkBinds(outputs, true);
    const bool batch = (mode & oci::BATCH_ERRORS) != 0;
    std::vector<std::pair<ub4, OraError>> failures;
    ub4 done = 0;
    for (ub4 k = 0; k < iters; ++k) {
        const ub4 i = rowoff + k;
        try {
            try {
                std::vector<SqlValue> binds = readBinds(i, outputs);
                if (insert) {
                    auto result = DmlExecutor::insertRow(session, *plan, *insert, binds);
                    writeReturning(i, insert->into, result.returned, session);
                    ++done;
                } else if (const auto *up = std::get_if<Update>(&st.body)) {
                    done += DmlExecutor::update(session, *up, binds);
                } else if (const auto *del = std::get_if<Delete>(&st.body)) {
                    done += DmlExecutor::remove(session, *del, binds);
                }
            } catch (const SqliteError &e) {
                throw oraErrorFrom(e);
            }
        } catch (const OraError &e) {
            if (!batch) {
                // Rows before the failing one stay in the open transaction, as Oracle leaves them.
                m_rowCount = done;
                session.releaseIfClean();
                throw;
            }
            failures.emplace_back(i, e);
        }
    }
    m_rowCount = done;
    if (failures.empty())
        return oci::SUCCESS;
    m_dmlErrors = static_cast<ub4>(failures.size());
    err.setBatchErrors(std::move(failures));
    err.set(OraError::of(24381));
    session.releaseIfClean();
    return oci::SUCCESS_WITH_INFO;
}

sword StatementHandle::fetch(ErrorHandle &err, ub4 nrows)
{
    if (!m_session)
        throw OraError::of(3114);
    m_session->checkConnected();
    if (m_failed)
        throw OraError::of(1002);
    if (!m_executed)
        throw OraError::of(24338);
    if (nrows == 0) { // a zero-row fetch cancels the cursor
        closeRows();
        m_held.clear();
        m_endKnown = true;
        m_rowsFetched = 0;
        return oci::SUCCESS;
    }
    if (m_held.size() < nrows && !m_endKnown) {
        try {
            m_session->roundTrip();
            bringRows(nrows - m_held.size());
        } catch (...) {
            // The cursor does not survive a failed fetch: Oracle closes it too.
            closeRows();
            m_held.clear();
            m_failed = true;
            throw;
        }
    }
    ub4 delivered = 0;
    bool truncated = false;
    m_rowsFetched = 0;
    while (delivered < nrows && !m_held.empty()) {
        truncated = writeRow(delivered, m_held.front(), *m_session) || truncated;
        m_held.pop_front();
        ++m_delivered;
        ++delivered;
        m_rowsFetched = delivered;
    }
    m_rowCount = static_cast<ub4>(m_delivered);
    if (delivered < nrows)
        return oci::NO_DATA;
    if (truncated) {
        err.set(OraError::of(1406));
        return oci::SUCCESS_WITH_INFO;
    }
    return oci::SUCCESS;
}

} // namespace oraclesim
