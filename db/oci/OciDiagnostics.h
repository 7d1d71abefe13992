#pragma once

#include "OciApi.h"

#include <string>

namespace db {

class OciLibrary;

// Oracle's own report of a failed call, as the client holds it on an error (or environment) handle.
// Threads: the one that made the call, which alone reads that handle.
struct OciDiagnostics {
    int code = 0;        // the ORA number; 0 when the client left no record
    std::string message; // "ORA-nnnnn: text", trailing line feed and "Help:" line removed

    // Reads the records of this handle (type OCI_HTYPE_ERROR or OCI_HTYPE_ENV). When there are none,
    // the message says which call failed with which status, so it is never empty.
    static OciDiagnostics read(const OciLibrary &lib, void *handle, ub4 type, sword status, const char *call);

    // Codes after which the session is gone and the connection must be opened anew (ODPI-C's list).
    static bool isLostSession(int code) noexcept;
    // Codes of a round trip the client gave up when its call timeout passed (ODPI-C's list).
    static bool isCallTimeout(int code) noexcept { return code == 3136 || code == 3156 || code == 12161; }
    // Throws db::ConnectionLostError (lost, or a code of the list: "The connection to Oracle was lost
    // (ORA-...)") or db::Error carrying message, code and the statement that failed, if any.
    [[noreturn]] void raise(const std::string &statement = {}, bool lost = false) const;
    // Throws db::CallTimeoutError: "Oracle did not answer within N seconds (ORA-03156: ...)".
    [[noreturn]] void raiseTimeout(const std::string &statement, unsigned seconds) const;
};

// Oracle's text without the line feed it ends in and without the "Help: <address>" line that newer
// clients add below the message.
std::string trimOracleMessage(std::string text);

} // namespace db
