#include "OciDiagnostics.h"

#include "OciLibrary.h"
#include "db/Error.h"
#include "db/Trace.h"

#include <array>
#include <cstring>

namespace db {

std::string trimOracleMessage(std::string text)
{
    if (auto help = text.find("\nHelp:"); help != std::string::npos)
        text.erase(help);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

OciDiagnostics OciDiagnostics::read(const OciLibrary &lib, void *handle, ub4 type, sword status, const char *call)
{
    OciDiagnostics result;
    if (status == oci::INVALID_HANDLE) {
        result.message = std::string("Oracle client call ") + call + " was given an invalid handle";
        return result;
    }
    std::array<OraText, 3072> buffer{};
    for (ub4 record = 1;; ++record) {
        sb4 code = 0;
        buffer[0] = 0;
        if (!handle || lib.errorGet(handle, record, nullptr, &code, buffer.data(), buffer.size(), type) !=
                           oci::SUCCESS)
            break;
        std::string text = trimOracleMessage(std::string(reinterpret_cast<const char *>(buffer.data()),
                                                         strnlen(reinterpret_cast<const char *>(buffer.data()),
                                                                 buffer.size())));
        if (record == 1) {
            result.code = code;
            result.message = text;
        } else if (!text.empty()) {
            result.message += "\n" + text;
        }
    }
    if (result.message.empty())
        result.message = std::string("Oracle client call ") + call + " failed with status " + std::to_string(status);
    if (Trace::enabled())
        Trace::write("oci", std::string("error in ") + call + " (status " + std::to_string(status) + ", code " +
                                std::to_string(result.code) + "): " + result.message);
    return result;
}

bool OciDiagnostics::isLostSession(int code) noexcept
{
    switch (code) {
    case 22:    // invalid session ID; access denied
    case 28:    // your session has been killed
    case 31:    // your session has been marked for kill
    case 45:    // your session has been terminated with no replay
    case 378:   // buffer pools cannot be created as specified
    case 602:   // internal programming exception
    case 603:   // ORACLE server session terminated by fatal error
    case 609:   // could not attach to incoming connection
    case 1012:  // not logged on
    case 1041:  // internal error. hostdef extension doesn't exist
    case 1043:  // user side memory corruption
    case 1089:  // immediate shutdown or close in progress
    case 1092:  // ORACLE instance terminated. Disconnection forced
    case 2396:  // exceeded maximum idle time, please connect again
    case 3113:  // end-of-file on communication channel
    case 3114:  // not connected to ORACLE
    case 3122:  // attempt to close ORACLE-side window on user side
    case 3135:  // connection lost contact
    case 12153: // TNS:not connected
    case 12537: // TNS:connection closed
    case 12547: // TNS:lost contact
    case 12570: // TNS:packet reader failure
    case 12583: // TNS:no reader
    case 27146: // post/wait initialization failed
    case 28511: // lost RPC connection to heterogeneous remote agent
    case 56600: // an illegal OCI function call was issued
        return true;
    default:
        return false;
    }
}

namespace {

// The statement a failure concerns goes to the trace with it, so the trace alone says what was refused.
void traceStatement(const std::string &statement)
{
    if (!statement.empty() && Trace::enabled())
        Trace::write("oci", "the statement that failed: " + statement);
}

} // namespace

void OciDiagnostics::raise(const std::string &statement, bool lost) const
{
    traceStatement(statement);
    if (lost || isLostSession(code))
        throw ConnectionLostError("The connection to Oracle was lost (" + message + ")", code, statement);
    throw Error(message, code, statement);
}

void OciDiagnostics::raiseTimeout(const std::string &statement, unsigned seconds) const
{
    traceStatement(statement);
    throw CallTimeoutError("Oracle did not answer within " + secondsText(seconds) + " (" + message + ")", code,
                           statement, seconds);
}

} // namespace db
