#include "OciStatement.h"

#include "OciHandle.h"
#include "OciLibrary.h"
#include "OciSession.h"
#include "db/Trace.h"

namespace db {

OciStatement::OciStatement(std::shared_ptr<OciSession> session, const std::string &sql)
    : m_session(std::move(session)), m_text(sql)
{
    m_session->requireOpen();
    const auto &lib = m_session->lib();
    m_session->check(lib.stmtPrepare2(m_session->svc(), &m_stmt, m_session->err(),
                                      reinterpret_cast<const OraText *>(sql.data()), static_cast<ub4>(sql.size()),
                                      nullptr, 0, oci::NTV_SYNTAX, oci::DEFAULT),
                     "OCIStmtPrepare2", sql);
}

OciStatement::~OciStatement()
{
    // After a logoff the session took its statements with it.
    if (m_stmt && m_session->isOpen())
        m_session->lib().stmtRelease(m_stmt, m_session->err(), nullptr, 0, oci::DEFAULT);
}

void OciStatement::execute(ub4 iterations, ub4 mode)
{
    m_session->check(tryExecute(iterations, mode), "OCIStmtExecute", m_text);
}

sword OciStatement::tryExecute(ub4 iterations, ub4 mode)
{
    m_session->requireOpen();
    if (Trace::enabled())
        Trace::write("oci", "execute x" + std::to_string(iterations) + ": " + m_text);
    OciSession::CallUnderWay call(*m_session);
    return m_session->lib().stmtExecute(m_session->svc(), m_stmt, m_session->err(), iterations, 0, nullptr, nullptr,
                                        mode);
}

ub2 OciStatement::statementType() const
{
    ub2 type = 0;
    m_session->check(m_session->lib().attrGet(m_stmt, oci::HTYPE_STMT, &type, nullptr, oci::ATTR_STMT_TYPE,
                                              m_session->err()),
                     "OCIAttrGet(OCI_ATTR_STMT_TYPE)");
    return type;
}

ub4 OciStatement::rowCount() const
{
    ub4 rows = 0;
    m_session->check(m_session->lib().attrGet(m_stmt, oci::HTYPE_STMT, &rows, nullptr, oci::ATTR_ROW_COUNT,
                                              m_session->err()),
                     "OCIAttrGet(OCI_ATTR_ROW_COUNT)");
    return rows;
}

void OciStatement::setPrefetchRows(ub4 rows)
{
    m_session->check(m_session->lib().attrSet(m_stmt, oci::HTYPE_STMT, &rows, 0, oci::ATTR_PREFETCH_ROWS,
                                              m_session->err()),
                     "OCIAttrSet(OCI_ATTR_PREFETCH_ROWS)");
}

std::vector<OciColumn> OciStatement::describe() const
{
    const auto &lib = m_session->lib();
    OCIError *err = m_session->err();
    ub4 count = 0;
    m_session->check(lib.attrGet(m_stmt, oci::HTYPE_STMT, &count, nullptr, oci::ATTR_PARAM_COUNT, err),
                     "OCIAttrGet(OCI_ATTR_PARAM_COUNT)");
    std::vector<OciColumn> columns;
    columns.reserve(count);
    for (ub4 position = 1; position <= count; ++position) {
        void *raw = nullptr;
        m_session->check(lib.paramGet(m_stmt, oci::HTYPE_STMT, err, &raw, position), "OCIParamGet");
        OciDescriptor param;
        param.adopt(lib, raw, oci::DTYPE_PARAM);

        OciColumn column;
        OraText *name = nullptr;
        ub4 nameLength = 0;
        m_session->check(lib.attrGet(raw, oci::DTYPE_PARAM, &name, &nameLength, oci::ATTR_NAME, err),
                         "OCIAttrGet(OCI_ATTR_NAME)");
        column.name.assign(reinterpret_cast<const char *>(name), nameLength);
        ub2 type = 0, size = 0;
        m_session->check(lib.attrGet(raw, oci::DTYPE_PARAM, &type, nullptr, oci::ATTR_DATA_TYPE, err),
                         "OCIAttrGet(OCI_ATTR_DATA_TYPE)");
        m_session->check(lib.attrGet(raw, oci::DTYPE_PARAM, &size, nullptr, oci::ATTR_DATA_SIZE, err),
                         "OCIAttrGet(OCI_ATTR_DATA_SIZE)");
        column.type = type;
        column.size = size;
        // Precision, scale, nullability and the character length only inform; a client that cannot
        // tell them does not stop the describe.
        sb2 precision = 0;
        sb1 scale = 0;
        ub1 nullable = 1;
        ub2 charSize = 0;
        if (lib.attrGet(raw, oci::DTYPE_PARAM, &precision, nullptr, oci::ATTR_PRECISION, err) == oci::SUCCESS)
            column.precision = precision;
        if (lib.attrGet(raw, oci::DTYPE_PARAM, &scale, nullptr, oci::ATTR_SCALE, err) == oci::SUCCESS)
            column.scale = scale;
        if (lib.attrGet(raw, oci::DTYPE_PARAM, &nullable, nullptr, oci::ATTR_IS_NULL, err) == oci::SUCCESS)
            column.nullable = nullable != 0;
        if (lib.attrGet(raw, oci::DTYPE_PARAM, &charSize, nullptr, oci::ATTR_CHAR_SIZE, err) == oci::SUCCESS)
            column.charSize = charSize;
        if (type == oci::TYPE_TIMESTAMP) {
            // The digits of its fractions of a second; not knowing them, assume all nine are kept.
            ub1 digits = 9;
            if (lib.attrGet(raw, oci::DTYPE_PARAM, &digits, nullptr, oci::ATTR_FSPRECISION, err) !=
                    oci::SUCCESS ||
                digits > 9)
                digits = 9;
            column.scale = digits;
        }
        columns.push_back(std::move(column));
    }
    return columns;
}

OCIBind **OciStatement::bindSlot(ub4 position)
{
    if (m_binds.size() < position)
        m_binds.resize(position, nullptr);
    return &m_binds[position - 1];
}

} // namespace db
