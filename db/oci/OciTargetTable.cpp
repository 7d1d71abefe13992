#include "OciTargetTable.h"

#include "OciDateTime.h"
#include "OciDiagnostics.h"
#include "OciHandle.h"
#include "OciLibrary.h"
#include "OciMarkers.h"
#include "OciNumber.h"
#include "OciSession.h"
#include "db/ConnectionProfile.h"
#include "db/Error.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace db {

namespace {

constexpr std::size_t kNoShape = std::numeric_limits<std::size_t>::max();
// Bytes of bind buffers one array execute may take: an apply of wide rows is cut into several
// executes instead of allocating rows x widest value at once.
constexpr std::size_t kArrayBudget = 32 * 1024 * 1024;
// Per-row lengths of OCIBindByPos are ub2; no VARCHAR2 or NUMBER value can be longer anyway.
constexpr std::size_t kNarrowLimit = 65535;
// A bind Oracle takes as one that may be over 4000 bytes, whatever the values in it this time.
constexpr std::size_t kLongBindSize = 4001;

// Errors that concern the statement itself rather than one row's values: every row would meet them,
// so the apply as a whole has failed.
bool isStatementError(int code)
{
    return (code >= 900 && code <= 999) || code == 1008 || code == 1031 || code == 1461 || code == 22295 ||
           code == 24333 || code == 24369 || code == 24816;
}

// Oracle takes a bind over 4000 bytes as a LONG value and then refuses the whole statement (ORA-01461)
// instead of the one row, so such a value is refused here when its column cannot hold it anyway.
bool tooLongToBind(const ColumnInfo &column, std::size_t bytes)
{
    if (bytes > kNarrowLimit)
        return true;
    const bool character = column.type == oci::TYPE_VARCHAR2 || column.type == oci::TYPE_CHAR;
    return bytes > 4000 && (!character || bytes > static_cast<std::size_t>(column.size));
}

bool isNumeric(ValueKind kind)
{
    return kind == ValueKind::Integer || kind == ValueKind::Decimal || kind == ValueKind::Float;
}

} // namespace

OciTargetTable::OciTargetTable(std::shared_ptr<OciSession> session) : m_session(std::move(session)) {}

OciTargetTable::~OciTargetTable() { releaseAllTemporaries(); }

void OciTargetTable::requireOpen() const
{
    if (!m_open)
        throw Error(name() + ": the target table is not open");
}

void OciTargetTable::open(const std::string &table)
{
    close();
    OciStatement statement(m_session, "select * from " + quoteOciName(table) + " where 1=0");
    statement.execute(0, oci::DESCRIBE_ONLY);
    for (auto &column : statement.describe())
        m_columns.push_back(static_cast<ColumnInfo &&>(column));
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].isLob())
            m_lobColumns.push_back(i);
    m_pending.reset(m_columns.size());
    m_table = table;
    m_open = true;
}

void OciTargetTable::close()
{
    releaseAllTemporaries();
    m_open = false;
    m_pending.reset(0);
    m_discarded.clear();
    m_shapes.clear();
    m_columns.clear();
    m_lobColumns.clear();
    m_table.clear();
    m_lastColumn = 0;
}

void OciTargetTable::append()
{
    requireOpen();
    if (m_pending.hasOpenRow()) // a row appended and never posted is dropped, with its objects
        for (std::size_t c : m_lobColumns)
            releaseOpenCell(c);
    m_pending.append();
}

void OciTargetTable::setValue(std::string_view column, const Value &value)
{
    requireOpen();
    const std::size_t count = m_columns.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = (m_lastColumn + k) % count;
        if (equalsIgnoreCase(m_columns[i].name, column)) {
            m_lastColumn = (i + 1) % count;
            setValue(i, value.kind, value.data);
            return;
        }
    }
    throw Error(name() + ": Field '" + std::string(column) + "' not found");
}

void OciTargetTable::setValue(std::size_t index, const Value &value) { setValue(index, value.kind, value.data); }

void OciTargetTable::setValue(std::size_t index, ValueKind kind, std::string_view data)
{
    requireOpen();
    if (!m_pending.hasOpenRow())
        throw Error(name() + ": no row has been appended");
    if (index >= m_columns.size())
        throw Error(name() + ": Field index " + std::to_string(index) + " out of range");
    const ColumnInfo &column = m_columns[index];
    using Kind = OciPendingRows::Kind;
    if (column.isLob())
        releaseOpenCell(index);
    if (kind == ValueKind::Null) {
        m_pending.set(index, Kind::Null, {});
    } else if (column.type == oci::TYPE_DATE || column.type == oci::TYPE_TIMESTAMP) {
        setMoment(index, kind, data);
    } else if (column.isLob()) {
        setLob(index, data);
    } else if (tooLongToBind(column, data.size())) {
        reject(index, "a value of " + std::to_string(data.size()) + " bytes is longer than the column can hold");
    } else if (column.type == oci::TYPE_NUMBER && column.precision == 0 && isNumeric(kind)) {
        // Oracle would round such a number without a word: the row is refused and says why instead.
        const std::string problem = oracleNumberProblem(data);
        if (problem.empty())
            m_pending.set(index, Kind::Bytes, data);
        else
            reject(index, problem);
    } else {
        // Numbers stay the exact decimal text they came as; Oracle converts them without rounding.
        m_pending.set(index, Kind::Bytes, data);
    }
}

void OciTargetTable::reject(std::size_t index, const std::string &reason)
{
    m_pending.set(index, OciPendingRows::Kind::Rejected,
                  "Column " + quoteOciName(m_columns[index].name) + ": " + reason);
}

void OciTargetTable::setMoment(std::size_t index, ValueKind kind, std::string_view data)
{
    using Kind = OciPendingRows::Kind;
    const ColumnInfo &column = m_columns[index];
    const auto converted = OciDateTimeConversion::from(kind, data);
    if (converted.outcome == OciDateTimeConversion::Outcome::Null) {
        m_pending.set(index, Kind::Null, {});
        return;
    }
    if (converted.outcome == OciDateTimeConversion::Outcome::Invalid) {
        reject(index, converted.problem);
        return;
    }
    // Oracle would round fractions the column does not keep without a word: the row is refused instead.
    const bool isDate = column.type == oci::TYPE_DATE;
    const int digits = isDate ? 0 : column.scale;
    if (converted.moment.hasFractionBeyond(digits)) {
        reject(index, "'" + std::string(data) + "' has fractions of a second that " +
                          (isDate ? std::string("an Oracle DATE does not keep")
                                  : "a TIMESTAMP(" + std::to_string(digits) + ") does not keep"));
        return;
    }
    if (isDate) {
        const oci::OCIDate date = converted.moment.toOciDate();
        m_pending.set(index, Kind::Bytes,
                      std::string_view(reinterpret_cast<const char *>(&date), sizeof date));
    } else {
        // Text in the form the session's NLS_TIMESTAMP_FORMAT was pinned to at logon.
        char text[OciDateTime::kTimestampTextSize];
        m_pending.set(index, Kind::Bytes, std::string_view(text, converted.moment.timestampText(text)));
    }
}

void OciTargetTable::setLob(std::size_t index, std::string_view data)
{
    if (data.size() <= kDirectLobLimit) {
        m_pending.set(index, OciPendingRows::Kind::Bytes, data);
        return;
    }
    // Written now, from where the caller holds it: the pending row keeps the locator only.
    const std::size_t locator = acquireTemporary();
    try {
        m_session->writeTemporaryLob(m_temporaries[locator].as<OCILobLocator>(), m_columns[index].isClob(), data);
    } catch (...) {
        releaseTemporary(locator);
        throw;
    }
    m_pending.setTemporary(index, locator, data.size());
}

void OciTargetTable::releaseOpenCell(std::size_t index)
{
    const auto &cell = m_pending.cell(m_pending.count(), index);
    if (cell.kind == OciPendingRows::Kind::Temporary) {
        releaseTemporary(cell.offset);
        m_pending.set(index, OciPendingRows::Kind::Null, {});
    }
}

std::size_t OciTargetTable::acquireTemporary()
{
    if (m_freeTemporaries.empty()) {
        m_temporaries.emplace_back(m_session->lib(), m_session->env(), oci::DTYPE_LOB);
        m_temporaryInUse.push_back(0);
        m_freeTemporaries.push_back(m_temporaries.size() - 1);
    }
    const std::size_t locator = m_freeTemporaries.back();
    m_freeTemporaries.pop_back();
    m_temporaryInUse[locator] = 1;
    return locator;
}

void OciTargetTable::releaseTemporary(std::size_t locator) noexcept
{
    if (locator >= m_temporaries.size() || !m_temporaryInUse[locator])
        return;
    m_session->freeTemporaryLob(m_temporaries[locator].as<OCILobLocator>());
    m_temporaryInUse[locator] = 0;
    m_freeTemporaries.push_back(locator);
}

void OciTargetTable::releaseAllTemporaries() noexcept
{
    for (std::size_t i = 0; i < m_temporaries.size(); ++i)
        releaseTemporary(i);
}

void OciTargetTable::post()
{
    requireOpen();
    if (!m_pending.hasOpenRow())
        throw Error(name() + ": no row has been appended");
    m_pending.post();
}

void OciTargetTable::refuseValue(std::size_t index, std::string_view reason)
{
    requireOpen();
    if (!m_pending.hasOpenRow())
        throw Error(name() + ": no row has been appended");
    if (m_columns.at(index).isLob())
        releaseOpenCell(index);
    m_pending.set(index, OciPendingRows::Kind::Rejected,
                  "Column " + quoteOciName(m_columns.at(index).name) + ": " + std::string(reason));
}

void OciTargetTable::discardPending(std::size_t index)
{
    requireOpen();
    if (index >= m_pending.count())
        throw Error(name() + ": there is no pending row " + std::to_string(index + 1));
    if (m_discarded.size() < m_pending.count())
        m_discarded.resize(m_pending.count(), 0);
    m_discarded[index] = 1;
}

std::string OciTargetTable::insertStatement() const
{
    requireOpen();
    return OciInsertPlan::build(m_table, m_columns, std::vector<OciLobForm>(m_columns.size(), OciLobForm::Temporary))
        .text;
}

std::size_t OciTargetTable::shapeOf(std::size_t row)
{
    m_formsScratch.assign(m_columns.size(), OciLobForm::Bound);
    for (std::size_t c : m_lobColumns) {
        const auto &cell = m_pending.cell(row, c);
        if (cell.kind == OciPendingRows::Kind::Temporary)
            m_formsScratch[c] = OciLobForm::Temporary;
        else if (cell.kind == OciPendingRows::Kind::Bytes && cell.length == 0)
            m_formsScratch[c] = OciLobForm::Empty; // a zero-length bind would be NULL, not empty
        // NULL is bound as NULL: EMPTY_x() would make it an empty object instead
    }
    for (std::size_t i = 0; i < m_shapes.size(); ++i)
        if (m_shapes[i].forms == m_formsScratch)
            return i;
    m_shapes.push_back({m_formsScratch, OciInsertPlan::build(m_table, m_columns, m_formsScratch), nullptr});
    return m_shapes.size() - 1;
}

OciStatement &OciTargetTable::statementOf(Shape &shape)
{
    if (!shape.statement)
        shape.statement = std::make_unique<OciStatement>(m_session, positionalMarkers(shape.plan.text));
    return *shape.statement;
}

ub2 OciTargetTable::bindTypeOf(const ColumnInfo &column) const
{
    switch (column.type) {
    case oci::TYPE_DATE:
        return oci::SQLT_ODT;
    case oci::TYPE_BLOB:
    case oci::TYPE_RAW:
    case oci::TYPE_LONG_RAW:
        return oci::SQLT_BIN;
    default:
        return oci::SQLT_CHR;
    }
}

ApplyResult OciTargetTable::apply()
{
    requireOpen();
    ApplyResult result;
    const std::size_t count = m_pending.count();
    if (count == 0)
        return result;
    m_session->requireOpen();

    m_rowShapes.resize(count);
    m_rowSent.resize(count);
    m_discarded.resize(count, 0);
    for (std::size_t row = 0; row < count; ++row)
        m_rowShapes[row] = m_discarded[row] || m_pending.rejection(row) ? kNoShape : shapeOf(row);

    try {
        bool executed = false;  // a statement of this apply has gone to the server
        bool committed = false; // and the transaction ended with it
        std::size_t unsent = 0; // rows still to go in array executes
        for (std::size_t row = 0; row < count; ++row) {
            if (m_discarded[row]) {
                m_rowSent[row] = 1;
            } else if (m_rowShapes[row] == kNoShape) {
                result.rejected.push_back({row, std::string(m_pending.bytes(*m_pending.rejection(row)))});
                m_rowSent[row] = 1;
            } else if (m_mode == ApplyMode::RowByRow) {
                executeSingle(m_shapes[m_rowShapes[row]], row, result);
                executed = true;
                m_rowSent[row] = 1;
            } else {
                m_rowSent[row] = 0;
                ++unsent;
            }
        }
        // Rows of one INSERT form go together, wherever they stand in the apply: a column whose values
        // alternate between empty and not (two forms) must not cut the apply into one execute per row.
        for (std::size_t first = 0; first < count && unsent > 0; ++first) {
            if (m_rowSent[first])
                continue;
            const std::size_t shapeId = m_rowShapes[first];
            std::size_t from = first;
            while (from < count) {
                from = nextChunk(from, count, shapeId);
                unsent -= m_chunk.size();
                // An apply that is one array execute commits with it: one round trip instead of two.
                const bool onlyStatement = !executed && unsent == 0;
                const std::size_t rejectedBefore = result.rejected.size();
                executeArray(m_shapes[shapeId], result, onlyStatement ? oci::COMMIT_ON_SUCCESS : oci::DEFAULT);
                executed = true;
                // Whether an execute that reported row errors still counts as a success that commits is
                // not something to rely on: then the rows that went in are committed explicitly.
                committed = onlyStatement && result.rejected.size() == rejectedBefore;
            }
        }
        if (executed && !committed)
            m_session->commit();
    } catch (...) {
        // Nothing of a failed apply stays; its rows remain pending.
        try {
            m_session->rollback();
        } catch (...) {
        }
        throw;
    }
    std::sort(result.rejected.begin(), result.rejected.end(),
              [](const RejectedRow &a, const RejectedRow &b) { return a.index < b.index; });
    // The rows are in; their temporary LOBs have been copied into them. Until the apply has gone
    // through as a whole they stay, so that rows kept pending after a failure still have them.
    m_pending.forEachTemporary([&](std::size_t locator) { releaseTemporary(locator); });
    m_pending.clear();
    m_discarded.clear();
    return result;
}

std::size_t OciTargetTable::nextChunk(std::size_t begin, std::size_t end, std::size_t shapeId)
{
    const auto &bound = m_shapes[shapeId].plan.bound;
    m_chunk.clear();
    m_chunkWidths.assign(bound.size(), 1);
    std::size_t row = begin;
    for (; row < end; ++row) {
        if (m_rowSent[row] || m_rowShapes[row] != shapeId)
            continue;
        std::size_t rowBytes = 0;
        for (std::size_t k = 0; k < bound.size(); ++k)
            rowBytes += std::max(m_chunkWidths[k], m_pending.cell(row, bound[k]).length) + sizeof(sb2) + sizeof(ub4);
        if (!m_chunk.empty() && (m_chunk.size() + 1) * rowBytes > kArrayBudget)
            break;
        for (std::size_t k = 0; k < bound.size(); ++k)
            m_chunkWidths[k] = std::max(m_chunkWidths[k], m_pending.cell(row, bound[k]).length);
        m_chunk.push_back(row);
        m_rowSent[row] = 1;
    }
    return row;
}

void OciTargetTable::bindRows(const Shape &shape, OciStatement &statement)
{
    const auto &lib = m_session->lib();
    const auto &bound = shape.plan.bound;
    if (m_buffers.size() < bound.size())
        m_buffers.resize(bound.size());
    if (m_locatorBinds.size() < bound.size())
        m_locatorBinds.resize(bound.size());
    const std::size_t rows = m_chunk.size();
    for (std::size_t k = 0; k < bound.size(); ++k) {
        const std::size_t column = bound[k];
        const ColumnInfo &info = m_columns[column];
        const ub4 position = static_cast<ub4>(k + 1);
        if (info.isLob() && shape.forms[column] == OciLobForm::Temporary) {
            // Every row of this shape has a temporary LOB here: the array holds their locators.
            auto &locators = m_locatorBinds[k];
            locators.resize(rows);
            for (std::size_t i = 0; i < rows; ++i)
                locators[i] = m_temporaries[m_pending.cell(m_chunk[i], column).offset].get();
            m_session->check(lib.bindByPos(statement.get(), statement.bindSlot(position), m_session->err(), position,
                                           locators.data(), static_cast<sb4>(sizeof(void *)),
                                           info.isClob() ? oci::SQLT_CLOB : oci::SQLT_BLOB, nullptr, nullptr, nullptr,
                                           0, nullptr, oci::DEFAULT),
                             "OCIBindByPos");
            continue;
        }
        // Oracle judges a bind by its size, not by its values: a DATE is always an OCIDate, however
        // many of the chunk's dates are NULL, and a bind that may be long is long for every chunk.
        std::size_t width = 1;
        for (std::size_t row : m_chunk)
            width = std::max(width, m_pending.cell(row, column).length);
        if (info.type == oci::TYPE_DATE)
            width = sizeof(oci::OCIDate);
        else if (OciInsertPlan::isLongBind(info, shape.forms[column]))
            width = std::max(width, kLongBindSize);
        OciBindColumn &buffer = m_buffers[k];
        buffer.prepare(rows, width);
        for (std::size_t i = 0; i < rows; ++i) {
            const auto &cell = m_pending.cell(m_chunk[i], column);
            if (cell.kind == OciPendingRows::Kind::Null)
                buffer.setNull(i);
            else
                buffer.set(i, m_pending.bytes(cell));
        }
        buffer.bind(statement, position, bindTypeOf(info));
    }
}

void OciTargetTable::executeArray(Shape &shape, ApplyResult &result, ub4 extraMode)
{
    if (m_chunk.empty())
        return;
    OciStatement &statement = statementOf(shape);
    bindRows(shape, statement);
    const sword status = statement.tryExecute(static_cast<ub4>(m_chunk.size()), oci::BATCH_ERRORS | extraMode);
    if (status != oci::SUCCESS && status != oci::SUCCESS_WITH_INFO) {
        auto diagnostics =
            OciDiagnostics::read(m_session->lib(), m_session->err(), oci::HTYPE_ERROR, status, "OCIStmtExecute");
        // ORA-24381 "error(s) in array DML" only announces the row errors read below.
        if (status != oci::ERROR || diagnostics.code != 24381)
            m_session->fail(diagnostics, statement.text());
    }
    collectBatchErrors(statement, result);
}

void OciTargetTable::collectBatchErrors(OciStatement &statement, ApplyResult &result)
{
    const auto &lib = m_session->lib();
    ub4 errors = 0;
    m_session->check(lib.attrGet(statement.get(), oci::HTYPE_STMT, &errors, nullptr, oci::ATTR_NUM_DML_ERRORS,
                                 m_session->err()),
                     "OCIAttrGet(OCI_ATTR_NUM_DML_ERRORS)");
    std::size_t rejected = 0;
    if (errors > 0) {
        // As ODPI-C does: the row's error handle comes from the main one, its offset is read through an
        // error handle of its own, so that nothing of the batch's records is written over meanwhile.
        OciHandle rowError(lib, m_session->env(), oci::HTYPE_ERROR);
        OciHandle callError(lib, m_session->env(), oci::HTYPE_ERROR);
        for (ub4 k = 0; k < errors; ++k) {
            m_session->check(lib.paramGet(m_session->err(), oci::HTYPE_ERROR, m_session->err(), rowError.address(), k),
                             "OCIParamGet(batch error)");
            ub4 offset = 0;
            const sword status = lib.attrGet(rowError.get(), oci::HTYPE_ERROR, &offset, nullptr,
                                             oci::ATTR_DML_ROW_OFFSET, callError.as<OCIError>());
            if (status != oci::SUCCESS)
                m_session->fail(OciDiagnostics::read(lib, callError.get(), oci::HTYPE_ERROR, status,
                                                     "OCIAttrGet(OCI_ATTR_DML_ROW_OFFSET)"));
            auto diagnostics =
                OciDiagnostics::read(lib, rowError.get(), oci::HTYPE_ERROR, oci::ERROR, "OCIStmtExecute");
            if (OciDiagnostics::isLostSession(diagnostics.code))
                m_session->fail(diagnostics, statement.text());
            if (offset >= m_chunk.size())
                throw Error("Oracle reported an error for row " + std::to_string(offset) + " of an insert of " +
                            std::to_string(m_chunk.size()) + " rows: " + diagnostics.message);
            result.rejected.push_back({m_chunk[offset], diagnostics.message});
            ++rejected;
        }
    }
    result.written += m_chunk.size() - std::min(rejected, m_chunk.size());
}

void OciTargetTable::executeSingle(Shape &shape, std::size_t row, ApplyResult &result)
{
    OciStatement &statement = statementOf(shape);
    m_chunk.assign(1, row);
    bindRows(shape, statement);
    const sword status = statement.tryExecute(1, oci::DEFAULT);
    if (status != oci::SUCCESS && status != oci::SUCCESS_WITH_INFO) {
        auto diagnostics =
            OciDiagnostics::read(m_session->lib(), m_session->err(), oci::HTYPE_ERROR, status, "OCIStmtExecute");
        if (status != oci::ERROR || OciDiagnostics::isLostSession(diagnostics.code) ||
            isStatementError(diagnostics.code) || m_session->serverGone())
            m_session->fail(diagnostics, statement.text());
        result.rejected.push_back({row, diagnostics.message});
        return;
    }
    if (statement.rowCount() == 0) {
        result.rejected.push_back({row, "Record not found or changed by another user"});
        return;
    }
    ++result.written;
}

} // namespace db
