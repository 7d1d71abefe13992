#pragma once

#include "OciApi.h"
#include "OciHandle.h"

#include <string>
#include <string_view>

namespace db {

class OciLibrary;
struct OciDiagnostics;

// One logged-on Oracle session: the environment (created for AL32UTF8, so all text in and out is
// UTF-8), the error handle every call reports through, and the service context of OCILogon2. Shared
// by the connection and the statements, data sets and target tables made from it, so that one of
// those outliving a close() finds the session ended instead of touching freed handles.
class OciSession {
public:
    // Logs on; throws db::Error with Oracle's "ORA-nnnnn: text" (ORA-12154, ORA-01017 ...).
    OciSession(const std::string &connect, const std::string &user, const std::string &password);
    // How long one round trip may wait for the server once logged on, where the client can limit it.
    static constexpr ub4 kCallTimeoutMs = 30000;
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
    // on the error handle (db::ConnectionLostError for the codes of a lost session).
    void check(sword status, const char *call) const;
    [[noreturn]] void raise(sword status, const char *call) const;
    // Throws this report; a lost session is remembered, so the connection reads as closed after it.
    [[noreturn]] void fail(const OciDiagnostics &diagnostics) const;

    void commit();
    void rollback();
    // One round trip that asks the server whether the session is there (OCIPing); a client without
    // OCIPing only checks what it already knows.
    void ping();

    // A whole LOB's content: UTF-8 for a CLOB, bytes for a BLOB.
    std::string readLob(OCILobLocator *locator, bool isClob);
    // Writes data at the start of an empty LOB (one piece).
    void writeLob(OCILobLocator *locator, std::string_view data);

private:
    void limitCallTime() noexcept;

    const OciLibrary *m_lib;
    OciHandle m_env;
    OciHandle m_err;
    OCISvcCtx *m_svc = nullptr;
    mutable bool m_lost = false;
};

} // namespace db
