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

    void assign(void *valuep, sb8 valueSize, ub2 dty, void *indp, void *alenp, bool wideLengths, ub2 *rcodep, ub4 mode);
    void setSkips(ub4 value, ub4 indicator, ub4 length, ub4 rcode);
    // OCIBindDynamic on a bind made in OCI_DATA_AT_EXEC mode.
    void setCallbacks(void *inContext, oci::CallbackInBind in, void *outContext, oci::CallbackOutBind out);

    ub2 dty() const noexcept { return m_dty; }
    // The most bytes one element may hold: what Oracle judges "may be over 4000 bytes" by.
    sb8 valueSize() const noexcept { return m_valueSize; }
    // Bound in OCI_DATA_AT_EXEC mode with its callbacks registered, as a RETURNING ... INTO bind must be.
    bool isDynamic() const noexcept { return (m_mode & oci::DATA_AT_EXEC) != 0 && m_out != nullptr; }
    // A character or binary bind whose elements may be longer than 4000 bytes, judged by its maximum
    // size whatever the values: Oracle takes none after a LOB or LONG bind (ORA-24816).
    bool mayExceed4000Bytes() const noexcept;
    // A LOB locator bind, or one of the LONG types: such binds go at the end of the bind list.
    bool isLobOrLong() const noexcept;
    // Rows the current RETURNING iteration handed back, as OCI_ATTR_ROWS_RETURNED tells the callback.
    ub4 rowsReturned() const noexcept { return m_rowsReturned; }
    // The value of one iteration; NULL by indicator -1. Locator binds are read by the statement.
    SqlValue read(ub4 iteration) const;
    bool isNull(ub4 iteration) const;
    // The client's locator pointer of one iteration (SQLT_CLOB/SQLT_BLOB binds).
    void *locatorAt(ub4 iteration) const;
    // Where a RETURNING clause puts the locator of one iteration: the bound element, or for a dynamic
    // bind the locator its output callback hands out.
    void *returnedLocator(ub4 iteration);
    // Places a value a RETURNING clause produced: into the bound element, or for a dynamic bind into
    // the buffer its output callback hands out.
    void writeReturned(ub4 iteration, const SqlValue &value, const NlsSettings &nls);

private:
    void writeDynamic(ub4 iteration, const SqlValue &value, const NlsSettings &nls);
    struct Callback {
        void *buffer = nullptr;
        ub4 *length = nullptr;
        void *indicator = nullptr;
        ub2 *rcode = nullptr;
    };
    Callback callOut(ub4 iteration);
    char *element(ub4 iteration) const { return static_cast<char *>(m_value) + static_cast<std::size_t>(iteration) * m_valueSkip; }
    sb8 lengthAt(ub4 iteration) const;

    void *m_value = nullptr;
    sb8 m_valueSize = 0;
    ub2 m_dty = 0;
    void *m_ind = nullptr;
    void *m_alen = nullptr;
    bool m_wideLengths = false;
    ub2 *m_rcode = nullptr;
    ub4 m_mode = 0;
    void *m_inContext = nullptr, *m_outContext = nullptr;
    oci::CallbackInBind m_in = nullptr;
    oci::CallbackOutBind m_out = nullptr;
    ub4 m_rowsReturned = 0;
    std::size_t m_valueSkip = 0, m_indSkip = sizeof(sb2), m_alenSkip = sizeof(ub2), m_rcodeSkip = sizeof(ub2);
};

} // namespace oraclesim
