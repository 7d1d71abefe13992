#include "BindHandle.h"

#include "OraError.h"
#include "ValueTransfer.h"

#include <cstring>

namespace oraclesim {

void BindHandle::assign(void *valuep, sb8 valueSize, ub2 dty, void *indp, void *alenp, bool wideLengths, ub2 *rcodep,
                        ub4 mode)
{
    m_mode = mode;
    m_in = nullptr;
    m_out = nullptr;
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

void BindHandle::setCallbacks(void *inContext, oci::CallbackInBind in, void *outContext, oci::CallbackOutBind out)
{
    m_inContext = inContext;
    m_in = in;
    m_outContext = outContext;
    m_out = out;
}

bool BindHandle::mayExceed4000Bytes() const noexcept
{
    switch (m_dty) {
    case oci::SQLT_CHR:
    case oci::SQLT_STR:
    case oci::SQLT_VCS:
    case oci::SQLT_LNG:
    case oci::SQLT_BIN:
    case oci::SQLT_LBI:
    case oci::SQLT_LVC:
    case oci::SQLT_LVB:
    case oci::SQLT_AFC:
        return m_valueSize > 4000;
    default:
        return false;
    }
}

bool BindHandle::isLobOrLong() const noexcept
{
    switch (m_dty) {
    case oci::SQLT_CLOB:
    case oci::SQLT_BLOB:
    case oci::SQLT_LNG:
    case oci::SQLT_LBI:
    case oci::SQLT_LVC:
    case oci::SQLT_LVB:
        return true;
    default:
        return false;
    }
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

void BindHandle::writeDynamic(ub4 iteration, const SqlValue &value, const NlsSettings &nls)
{
    Callback c = callOut(iteration);
    auto setIndicator = [&](sb2 v) {
        if (c.indicator)
            std::memcpy(c.indicator, &v, sizeof v);
    };
    if (value.isNull()) {
        setIndicator(oci::IND_NULL);
        if (c.length)
            *c.length = 0;
        return;
    }
    const sb8 capacity = c.length ? static_cast<sb8>(*c.length) : m_valueSize;
    auto w = ValueTransfer::write(m_dty, c.buffer, capacity, value, nls);
    setIndicator(w.truncated ? static_cast<sb2>(w.fullLength > 32767 ? -2 : w.fullLength) : oci::IND_NOTNULL);
    if (c.length)
        *c.length = static_cast<ub4>(w.length);
    if (c.rcode)
        *c.rcode = w.truncated ? 1406 : 0;
}

BindHandle::Callback BindHandle::callOut(ub4 iteration)
{
    // One row comes back per iteration of an INSERT; the callback names where it goes.
    m_rowsReturned = 1;
    Callback c;
    ub1 piece = oci::ONE_PIECE;
    const sb4 rc = m_out(m_outContext, reinterpret_cast<OCIBind *>(static_cast<HandleBase *>(this)), iteration, 0,
                         &c.buffer, &c.length, &piece, &c.indicator, &c.rcode);
    if (rc != oci::CONTINUE)
        throw OraError(24343, "ORA-24343: user defined callback error");
    return c;
}

void *BindHandle::returnedLocator(ub4 iteration)
{
    if (!isDynamic())
        return locatorAt(iteration);
    // The buffer of a dynamic locator bind is the locator (the descriptor) itself.
    Callback c = callOut(iteration);
    const sb2 notNull = oci::IND_NOTNULL;
    if (c.indicator)
        std::memcpy(c.indicator, &notNull, sizeof notNull);
    return c.buffer;
}

void BindHandle::writeReturned(ub4 iteration, const SqlValue &value, const NlsSettings &nls)
{
    if (isDynamic()) {
        writeDynamic(iteration, value, nls);
        return;
    }
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
