#include "DefineHandle.h"

#include "OraError.h"
#include "ValueTransfer.h"

#include <cstring>

namespace oraclesim {

void DefineHandle::assign(void *valuep, sb4 valueSize, ub2 dty, sb2 *indp, ub2 *rlenp, ub2 *rcodep)
{
    m_value = valuep;
    m_valueSize = valueSize;
    m_dty = dty;
    m_ind = indp;
    m_rlen = rlenp;
    m_rcode = rcodep;
}

void *DefineHandle::locatorAt(ub4 row) const
{
    if (!m_value)
        return nullptr;
    void *loc;
    std::memcpy(&loc, static_cast<char *>(m_value) + static_cast<std::size_t>(row) * static_cast<std::size_t>(m_valueSize),
                sizeof loc);
    return loc;
}

void DefineHandle::setIndicator(ub4 row, sb2 value)
{
    if (m_ind)
        m_ind[row] = value;
}

bool DefineHandle::write(ub4 row, const SqlValue &value, const NlsSettings &nls)
{
    if (!m_value)
        return false;
    if (value.isNull()) {
        if (!m_ind)
            throw OraError::of(1405);
        m_ind[row] = oci::IND_NULL;
        if (m_rlen)
            m_rlen[row] = 0;
        if (m_rcode)
            m_rcode[row] = 1405;
        return false;
    }
    char *dest = static_cast<char *>(m_value) + static_cast<std::size_t>(row) * static_cast<std::size_t>(m_valueSize);
    auto w = ValueTransfer::write(m_dty, dest, m_valueSize, value, nls);
    if (m_ind)
        m_ind[row] = w.truncated ? static_cast<sb2>(w.fullLength > 32767 ? -2 : w.fullLength) : oci::IND_NOTNULL;
    if (m_rlen)
        m_rlen[row] = static_cast<ub2>(w.length);
    if (m_rcode)
        m_rcode[row] = w.truncated ? 1406 : 0;
    return w.truncated;
}

} // namespace oraclesim
