#pragma once

#include "HandleBase.h"
#include "NlsSettings.h"
#include "SqlValue.h"

namespace oraclesim {

// OCI_HTYPE_BIND: one placeholder's client buffers, element i of an array bind at valuep + i * skip
// (skips default to the element size, sizeof(sb2) and the length width; OCIBindArrayOfStruct
// changes them).
class BindHandle : public HandleBase {
public:
    explicit BindHandle(EnvHandle *env) : HandleBase(oci::HTYPE_BIND, env, true) {}

    void assign(void *valuep, sb8 valueSize, ub2 dty, void *indp, void *alenp, bool wideLengths, ub2 *rcodep);
    void setSkips(ub4 value, ub4 indicator, ub4 length, ub4 rcode);

    ub2 dty() const noexcept { return m_dty; }
    // The value of one iteration; NULL by indicator -1. Locator binds are read by the statement.
    SqlValue read(ub4 iteration) const;
    bool isNull(ub4 iteration) const;
    // The client's locator pointer of one iteration (SQLT_CLOB/SQLT_BLOB binds).
    void *locatorAt(ub4 iteration) const;
    // Places a value a RETURNING clause produced.
    void writeReturned(ub4 iteration, const SqlValue &value, const NlsSettings &nls);

private:
    char *element(ub4 iteration) const { return static_cast<char *>(m_value) + static_cast<std::size_t>(iteration) * m_valueSkip; }
    sb8 lengthAt(ub4 iteration) const;

    void *m_value = nullptr;
    sb8 m_valueSize = 0;
    ub2 m_dty = 0;
    void *m_ind = nullptr;
    void *m_alen = nullptr;
    bool m_wideLengths = false;
    ub2 *m_rcode = nullptr;
    std::size_t m_valueSkip = 0, m_indSkip = sizeof(sb2), m_alenSkip = sizeof(ub2), m_rcodeSkip = sizeof(ub2);
};

} // namespace oraclesim
