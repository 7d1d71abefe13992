#include "OciDataSet.h"

#include "OciDateTime.h"
#include "OciLibrary.h"
#include "OciMarkers.h"
#include "OciSession.h"
#include "db/Error.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace db {

namespace {

// Bytes of column buffers one array fetch may take; rows per fetch shrink for wide rows.
constexpr std::size_t kFetchBudget = 4 * 1024 * 1024;
constexpr ub4 kMaxFetchRows = 256;

} // namespace

OciDataSet::OciDataSet(std::shared_ptr<OciSession> session, unsigned rowsetSize, bool trimChar)
    : m_session(std::move(session)), m_rowsetSize(std::max(1u, rowsetSize)), m_trimChar(trimChar)
{
}

OciDataSet::~OciDataSet() = default;

void OciDataSet::open(const std::string &sql, FetchMode mode) { open(sql, std::vector<Value>{}, mode); }

void OciDataSet::open(const std::string &sql, const std::vector<Value> &binds, FetchMode)
{
    close();
    m_statement = std::make_unique<OciStatement>(m_session, binds.empty() ? sql : positionalMarkers(sql));
    try {
        bind(binds);
        if (m_statement->statementType() != oci::STMT_SELECT) {
            m_statement->execute(1);
            m_eof = true;
            return;
        }
        m_statement->setPrefetchRows(m_rowsetSize);
        m_statement->execute(0);
        defineColumns();
        m_eof = false;
        fetch();
    } catch (...) {
        close();
        throw;
    }
}

void OciDataSet::close()
{
    m_statement.reset();
    m_columns.clear();
    m_bindValues.clear();
    m_row.clear();
    m_rowsInBuffer = m_rowInBuffer = 0;
    m_lastFetch = false;
    m_eof = true;
}

void OciDataSet::bind(const std::vector<Value> &binds)
{
    const auto &lib = m_session->lib();
    m_bindValues.resize(binds.size());
    m_bindIndicators.assign(binds.size(), oci::IND_NOTNULL);
    m_bindLengths.assign(binds.size(), 0);
    for (std::size_t i = 0; i < binds.size(); ++i) {
        const Value &value = binds[i];
        if (value.data.size() > std::numeric_limits<ub2>::max())
            throw Error("A value of " + std::to_string(value.data.size()) + " bytes is too long to bind in a query");
        // One byte at least, so a NULL or empty value still has an address to point at.
        m_bindValues[i] = value.data.empty() ? std::string(1, '\0') : value.data;
        m_bindLengths[i] = static_cast<ub2>(value.data.size());
        if (value.isNull())
            m_bindIndicators[i] = oci::IND_NULL;
        const ub2 type = value.kind == ValueKind::Binary ? oci::SQLT_BIN : oci::SQLT_CHR;
        const ub4 position = static_cast<ub4>(i + 1);
        m_session->check(lib.bindByPos(m_statement->get(), m_statement->bindSlot(position), m_session->err(), position,
                                       m_bindValues[i].data(), static_cast<sb4>(m_bindValues[i].size()), type,
                                       &m_bindIndicators[i], &m_bindLengths[i], nullptr, 0, nullptr, oci::DEFAULT),
                         "OCIBindByPos");
    }
}

void OciDataSet::defineColumns()
{
    const auto &lib = m_session->lib();
    auto described = m_statement->describe();
    m_columns.clear();
    m_columns.resize(described.size());
    std::size_t rowBytes = 0;
    for (std::size_t i = 0; i < described.size(); ++i) {
        Column &column = m_columns[i];
        column.info = std::move(described[i]);
        const int size = std::max(column.info.size, 0);
        switch (column.info.type) {
        case oci::TYPE_VARCHAR2:
        case oci::TYPE_CHAR:
            column.defineType = oci::SQLT_CHR;
            // The returned length is a ub2, and no VARCHAR2 holds more bytes than that.
            column.capacity = static_cast<std::size_t>(std::min(std::max({size, column.info.charSize * 4, 1}), 65535));
            break;
        case oci::TYPE_NUMBER:
            column.defineType = oci::SQLT_CHR;
            column.kind = ValueKind::Decimal;
            column.capacity = 64;
            break;
        case oci::TYPE_BINARY_FLOAT:
        case oci::TYPE_BINARY_DOUBLE:
            column.defineType = oci::SQLT_CHR;
            column.kind = ValueKind::Float;
            column.capacity = 64;
            break;
        case oci::TYPE_DATE:
            column.defineType = oci::SQLT_ODT;
            column.kind = ValueKind::DateTime;
            column.capacity = sizeof(oci::OCIDate);
            break;
        case oci::TYPE_TIMESTAMP:
            // Text by the session's pinned NLS_TIMESTAMP_FORMAT: "YYYY-MM-DD HH24:MI:SS.FF".
            column.defineType = oci::SQLT_CHR;
            column.kind = ValueKind::DateTime;
            column.capacity = 64;
            break;
        case oci::TYPE_RAW:
            column.defineType = oci::SQLT_BIN;
            column.kind = ValueKind::Binary;
            column.capacity = static_cast<std::size_t>(std::max(size, 1));
            break;
        case oci::TYPE_CLOB:
        case oci::TYPE_BLOB:
            column.defineType = column.info.type == oci::TYPE_CLOB ? oci::SQLT_CLOB : oci::SQLT_BLOB;
            column.kind = column.info.type == oci::TYPE_CLOB ? ValueKind::Text : ValueKind::Binary;
            column.capacity = sizeof(void *);
            break;
        case oci::TYPE_LONG:
        case oci::TYPE_LONG_RAW:
            throw Error("Column " + column.info.name + " is of type LONG or LONG RAW, which cannot be read");
        default:
            // Timestamps, intervals, row ids ...: Oracle's own text for them.
            column.defineType = oci::SQLT_CHR;
            column.capacity = static_cast<std::size_t>(std::min(std::max(size * 4, 256), 65535));
            break;
        }
        rowBytes += column.capacity + sizeof(sb2) + 2 * sizeof(ub2);
    }

    const std::size_t byBudget = rowBytes ? kFetchBudget / rowBytes : kMaxFetchRows;
    m_arraySize = static_cast<ub4>(std::max<std::size_t>(m_rowsetSize, std::min<std::size_t>(kMaxFetchRows, byBudget)));

    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        Column &column = m_columns[i];
        column.indicators.assign(m_arraySize, 0);
        column.lengths.assign(m_arraySize, 0);
        column.codes.assign(m_arraySize, 0);
        void *target = nullptr;
        if (column.defineType == oci::SQLT_CLOB || column.defineType == oci::SQLT_BLOB) {
            column.locators.clear();
            column.locatorPointers.clear();
            for (ub4 r = 0; r < m_arraySize; ++r) {
                column.locators.emplace_back(lib, m_session->env(), oci::DTYPE_LOB);
                column.locatorPointers.push_back(column.locators.back().get());
            }
            target = column.locatorPointers.data();
        } else {
            column.data.assign(column.capacity * m_arraySize, 0);
            target = column.data.data();
        }
        OCIDefine *define = nullptr;
        m_session->check(lib.defineByPos(m_statement->get(), &define, m_session->err(), static_cast<ub4>(i + 1),
                                         target, static_cast<sb4>(column.capacity), column.defineType,
                                         column.indicators.data(), column.lengths.data(), column.codes.data(),
                                         oci::DEFAULT),
                         "OCIDefineByPos");
    }
}

void OciDataSet::fetch()
{
    m_rowsInBuffer = m_rowInBuffer = 0;
    if (!m_lastFetch) {
        const auto &lib = m_session->lib();
        sword status = 0;
        {
            OciSession::CallUnderWay call(*m_session);
            status =
                lib.stmtFetch2(m_statement->get(), m_session->err(), m_arraySize, oci::FETCH_NEXT, 0, oci::DEFAULT);
        }
        if (status == oci::NO_DATA)
            m_lastFetch = true; // the rows of this last call are still delivered
        else
            m_session->check(status, "OCIStmtFetch2");
        ub4 fetched = 0;
        m_session->check(lib.attrGet(m_statement->get(), oci::HTYPE_STMT, &fetched, nullptr, oci::ATTR_ROWS_FETCHED,
                                     m_session->err()),
                         "OCIAttrGet(OCI_ATTR_ROWS_FETCHED)");
        m_rowsInBuffer = std::min(fetched, m_arraySize);
    }
    if (m_rowsInBuffer == 0) {
        m_eof = true;
        m_row.clear();
        return;
    }
    loadRow();
}

void OciDataSet::next()
{
    if (m_eof)
        return;
    if (++m_rowInBuffer < m_rowsInBuffer)
        loadRow();
    else
        fetch();
}

void OciDataSet::loadRow()
{
    m_row.clear();
    m_row.reserve(m_columns.size());
    for (const auto &column : m_columns)
        m_row.push_back(cell(column, m_rowInBuffer));
}

Value OciDataSet::cell(const Column &column, std::size_t row) const
{
    const sb2 indicator = column.indicators[row];
    if (indicator == oci::IND_NULL)
        return Value::null();
    if (indicator != 0 || column.codes[row] == 1406)
        throw Error("The value of column " + column.info.name + " did not fit the buffer it was fetched into");
    switch (column.defineType) {
    case oci::SQLT_ODT: {
        oci::OCIDate date;
        std::memcpy(&date, column.data.data() + row * column.capacity, sizeof date);
        return Value::of(ValueKind::DateTime, formatOciDate(date));
    }
    case oci::SQLT_CLOB:
    case oci::SQLT_BLOB:
        return Value::of(column.kind, m_session->readLob(static_cast<OCILobLocator *>(column.locatorPointers[row]),
                                                         column.defineType == oci::SQLT_CLOB));
    default:
        break;
    }
    std::string text(column.data.data() + row * column.capacity, column.lengths[row]);
    if (column.kind == ValueKind::Decimal) {
        // Oracle writes fractions below one without the leading zero (".5", "-.5").
        if (!text.empty() && text[0] == '.')
            text.insert(0, "0");
        else if (text.size() > 1 && text[0] == '-' && text[1] == '.')
            text.insert(1, "0");
    } else if (column.info.type == oci::TYPE_TIMESTAMP && !text.empty() && text.back() == '.') {
        text.pop_back(); // a TIMESTAMP(0) has no fractions to follow the point
    } else if (m_trimChar && column.info.type == oci::TYPE_CHAR) {
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
    }
    return Value::of(column.kind, std::move(text));
}

const std::string &OciDataSet::fieldName(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_columns.size())
        throw Error("Field index " + std::to_string(index) + " out of range");
    return m_columns[static_cast<std::size_t>(index)].info.name;
}

Value OciDataSet::value(int index) const
{
    if (m_eof)
        throw Error("No current row: the query is at its end");
    if (index < 0 || static_cast<std::size_t>(index) >= m_row.size())
        throw Error("Field index " + std::to_string(index) + " out of range");
    return m_row[static_cast<std::size_t>(index)];
}

DataSet::FieldView OciDataSet::field(int index) const
{
    if (m_eof)
        throw Error("No current row: the query is at its end");
    if (index < 0 || static_cast<std::size_t>(index) >= m_row.size())
        throw Error("Field index " + std::to_string(index) + " out of range");
    const Value &v = m_row[static_cast<std::size_t>(index)];
    return {v.kind, v.data};
}

void OciDataSet::execute(const std::string &sql)
{
    OciStatement statement(m_session, sql);
    statement.execute(1);
}

} // namespace db
