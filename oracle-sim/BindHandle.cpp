#include "BindHandle.h"

#include "OraError.h"
#include "ValueTransfer.h"

#include <cstring>

namespace oraclesim {

void BindHandle::assign(void *valuep, sb8 valueSize, ub2 dty, void *indp, void *alenp, bool wideLengths, ub2 *rcodep)
{
    m_value = valuep;
    m_valueSize = valueSize;
    m_dty = dty;
    m_ind = indp;
    m_alen = alenp;
    m_wideLengths = wideLengths;
    m_rcode = rcodep;
    m_valueSkip = static_cast<std::size_t>(valueSize < 0 ? 0 : valueSize);
    m_indSkip = sizeof(sb2);
    m_alenSkip = wideLengths ? sizeof(ub4) : sizeof(ub2);
    m_rcodeSkip = sizeof(ub2);
}

void BindHandle::setSkips(ub4 value, ub4 indicator, ub4 length, ub4 rcode)
{
    m_valueSkip = value;
    m_indSkip = indicator;
    m_alenSkip = length;
    m_rcodeSkip = rcode;
}

bool BindHandle::isNull(ub4 iteration) const
{
    if (!m_ind)
        return false;
    sb2 ind;
    std::memcpy(&ind, static_cast<const char *>(m_ind) + iteration * m_indSkip, sizeof ind);
    return ind <= oci::IND_NULL;
}

sb8 BindHandle::lengthAt(ub4 iteration) const
{
    if (!m_alen)
        return m_valueSize;
    const char *p = static_cast<const char *>(m_alen) + iteration * m_alenSkip;
    if (m_wideLengths) {
        ub4 n;
        std::memcpy(&n, p, sizeof n);
        return n;
    }
    ub2 n;
    std::memcpy(&n, p, sizeof n);
    return n;
}

SqlValue BindHandle::read(ub4 iteration) const
{
    if (isNull(iteration) || !m_value)
        return {};
    return ValueTransfer::read(m_dty, element(iteration), lengthAt(iteration));
}

void *BindHandle::locatorAt(ub4 iteration) const
{
    if (!m_value)
        return nullptr;
    void *loc;
    std::memcpy(&loc, element(iteration), sizeof loc);
    return loc;
}

void BindHandle::writeReturned(ub4 iteration, const SqlValue &value, const NlsSettings &nls)
{
    char *ind = m_ind ? static_cast<char *>(m_ind) + iteration * m_indSkip : nullptr;
    auto setInd = [&](sb2 v) {
        if (ind)
            std::memcpy(ind, &v, sizeof v);
    };
    auto setLength = [&](sb8 n) {
        if (!m_alen)
            return;
        char *p = static_cast<char *>(m_alen) + iteration * m_alenSkip;
        if (m_wideLengths) {
            ub4 v = static_cast<ub4>(n);
            std::memcpy(p, &v, sizeof v);
        } else {
            ub2 v = static_cast<ub2>(n);
            std::memcpy(p, &v, sizeof v);
        }
    };
    if (value.isNull()) {
        setInd(oci::IND_NULL);
        setLength(0);
        return;
    }
    auto w = ValueTransfer::write(m_dty, element(iteration), m_valueSize, value, nls);
    setInd(w.truncated ? static_cast<sb2>(w.fullLength > 32767 ? -2 : w.fullLength) : oci::IND_NOTNULL);
    setLength(w.length);
    if (m_rcode) {
        ub2 rc = w.truncated ? 1406 : 0;
        std::memcpy(reinterpret_cast<char *>(m_rcode) + iteration * m_rcodeSkip, &rc, sizeof rc);
    }
}

} // namespace oraclesim
