#pragma once

#include "HandleBase.h"
#include "NlsSettings.h"
#include "SqlValue.h"

namespace oraclesim {

// OCI_HTYPE_DEFINE: where fetched values of one select-list column go; row j of an array fetch
// lands at valuep + j * value_sz, with its indicator, returned length and column code.
class DefineHandle : public HandleBase {
public:
    explicit DefineHandle(EnvHandle *env) : HandleBase(oci::HTYPE_DEFINE, env, true) {}

    void assign(void *valuep, sb4 valueSize, ub2 dty, sb2 *indp, ub2 *rlenp, ub2 *rcodep);
    ub2 dty() const noexcept { return m_dty; }
    // The client's locator pointer of row j (SQLT_CLOB/SQLT_BLOB defines).
    void *locatorAt(ub4 row) const;
    // Writes one fetched value. True when it had to be truncated; ORA-01405 for NULL without indicator.
    bool write(ub4 row, const SqlValue &value, const NlsSettings &nls);
    void setIndicator(ub4 row, sb2 value);

private:
    void *m_value = nullptr;
    sb4 m_valueSize = 0;
    ub2 m_dty = 0;
    sb2 *m_ind = nullptr;
    ub2 *m_rlen = nullptr;
    ub2 *m_rcode = nullptr;
};

} // namespace oraclesim
