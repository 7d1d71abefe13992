#pragma once

#include "OciApi.h"
#include "OciHandle.h"

#include <mutex>
#include <string>
#include <string_view>

namespace db {

class OciLibrary;
struct OciDiagnostics;

// One logged-on Oracle session: the environment (created for AL32UTF8, so all text in and out is
// UTF-8), the error handle every call reports through, and the service context of OCILogon2. Shared
// by the connection and the statements, data sets and target tables made from it, so that one of
// those outliving a close() finds the session ended instead of touching freed handles.
//
// Threads: one thread at a time makes the session's calls; breakCall() alone may come from any other.
class OciSession {
public:
    // Logs on; throws db::Error with Oracle's "ORA-nnnnn: text" (ORA-12154, ORA-01017 ...). Once logged
    // on, each round trip may wait callTimeoutSeconds for the server (0: no limit), where the client
    // can limit it (Oracle 18 clients and later); logging on waits as long as Oracle Net lets it.
    OciSession(const std::string &connect, const std::string &user, const std::string &password,
               unsigned callTimeoutSeconds);
    ~OciSession();
    OciSession(const OciSession &) = delete;
    OciSession &operator=(const OciSession &) = delete;

    // Rolls back what is still open and logs off; later calls through this session throw. The
    // environment stays until the last owner lets go of the session.
    void end() noexcept;
    // False once logged off, and once Oracle has said the session is gone.
    bool isOpen() const noexcept { return m_svc != nullptr && !m_lost; }
    // Throws "Not connected to Oracle" when the session has ended.
    void requireOpen() const;

    const OciLibrary &lib() const noexcept { return *m_lib; }
    OCIEnv *env() const noexcept { return m_env.as<OCIEnv>(); }
    OCIError *err() const noexcept { return m_err.as<OCIError>(); }
    OCISvcCtx *svc() const noexcept { return m_svc; }

    // Returns normally on OCI_SUCCESS and OCI_SUCCESS_WITH_INFO; otherwise throws the error recorded
    // on the error handle (db::ConnectionLostError for a lost session), with the statement if one failed.
    void check(sword status, const char *call, const std::string &statement = {}) const;
    [[noreturn]] void raise(sword status, const char *call, const std::string &statement = {}) const;
    // Throws this report; a lost session is remembered, so the connection reads as closed after it.
    // The session is lost after an error of ODPI-C's list, and also whenever the server handle says
    // the connection no longer stands, whatever the error was.
    [[noreturn]] void fail(const OciDiagnostics &diagnostics, const std::string &statement = {}) const;
    // The server handle's OCI_ATTR_SERVER_STATUS says the connection is gone (a client-side read).
    bool serverGone() const noexcept;
    // The server's own description of itself (OCIServerVersion), read at logon; empty when the client
    // cannot ask.
    const std::string &banner() const noexcept { return m_banner; }
    // The longest name the server takes, in bytes (OCI_ATTR_MAX_IDENTIFIER_LEN); 0 when the client
    // cannot tell (before 12.2).
    std::size_t maxIdentifierBytes() const noexcept;

    // Lifts the call timeout until as many restoreCallTimeout() calls: for calls that may take as long
    // as the data. A client-side setting, no round trip.
    void liftCallTimeout() noexcept;
    void restoreCallTimeout() noexcept;
    // The limit the next round trip runs under, in seconds; 0 for none.
    unsigned callTimeoutInForce() const noexcept;

    void commit();
    void rollback();
    // One round trip that asks the server whether the session is there (OCIPing); a client without
    // OCIPing only checks what it already knows.
    void ping();

    // Ends the round trip under way with ORA-01013 (OCIBreak, from the breaking thread's own error
    // handle); the call then throws db::CancelledError. Statements, fetches and large-object reads and
    // writes can be broken; a commit or a rollback cannot. With nothing under way nothing is sent, so a
    // break never reaches the call after. Safe from any thread while the session lives.
    void breakCall() noexcept;

    // Marks one round trip that a break may end, for as long as it lives.
    class CallUnderWay {
    public:
        explicit CallUnderWay(OciSession &session);
        ~CallUnderWay();
        CallUnderWay(const CallUnderWay &) = delete;
        CallUnderWay &operator=(const CallUnderWay &) = delete;

    private:
        OciSession &m_session;
    };

    // A whole LOB's content: UTF-8 for a CLOB, bytes for a BLOB.
    std::string readLob(OCILobLocator *locator, bool isClob);
    // Makes the locator a new temporary LOB (a CLOB or a BLOB) holding data, written in pieces straight
    // from the caller's buffer: nothing of it is copied on this side.
    void writeTemporaryLob(OCILobLocator *locator, bool isClob, std::string_view data);
    // Lets the server drop a temporary LOB; the locator can be made temporary again.
    void freeTemporaryLob(OCILobLocator *locator) noexcept;

private:
    void applyCallTimeout() noexcept;

    const OciLibrary *m_lib;
    OciHandle m_env;
    OciHandle m_err;
    OCISvcCtx *m_svc = nullptr;
    mutable bool m_lost = false;
    std::string m_banner;
    bool m_canLimitCalls = false; // the client has OCI_ATTR_CALL_TIMEOUT
    unsigned m_callTimeoutSeconds = 0;
    int m_lifted = 0;
    // Between the calling thread and the one that breaks: how many round trips are under way, and
    // whether a break went out that no ORA-01013 has answered yet.
    mutable std::mutex m_breakMutex;
    int m_underWay = 0;
    mutable bool m_breakSent = false;
    OciHandle m_breakErr; // the breaking thread's error handle; the session's own is the caller's
};

} // namespace db
