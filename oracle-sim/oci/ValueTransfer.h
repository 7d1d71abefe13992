#pragma once

#include "NlsSettings.h"
#include "SqlValue.h"

#include "db/oci/OciApi.h"

namespace oraclesim {

// Moves values across the client's buffers in the external types (SQLT_*): reads a bound value,
// writes a fetched or returned one. LOB locators are the caller's business.
class ValueTransfer {
public:
    // One element of a bind: data points at it; length is its byte length, as alenp or value_sz says.
    static SqlValue read(ub2 dty, const void *data, sb8 length);

    struct Written {
        sb8 length = 0;     // bytes placed in the buffer (what rlen reports)
        sb8 fullLength = 0; // bytes the whole value needs
        bool truncated = false;
    };
    static Written write(ub2 dty, void *dest, sb8 capacity, const SqlValue &value, const NlsSettings &nls);

    static bool isLocatorType(ub2 dty) noexcept { return dty == oci::SQLT_CLOB || dty == oci::SQLT_BLOB; }
};

} // namespace oraclesim
