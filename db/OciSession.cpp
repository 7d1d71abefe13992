#include "OciSession.h"

#include "Error.h"
#include "OciDiagnostics.h"
#include "OciLibrary.h"

#include <cstdlib>

namespace db {

OciSession::OciSession(const std::string &connect, const std::string &user, const std::string &password)
    : m_lib(&OciLibrary::instance())
{
    // Language and territory (message wording, decimal character, date format) still follow NLS_LANG;
    // pin them for the client unless the user chose otherwise. Formats are pinned per session anyway.
#if defined(_WIN32)
    if (!std::getenv("NLS_LANG"))
        _putenv_s("NLS_LANG", "AMERICAN_AMERICA.AL32UTF8");
#else
    setenv("NLS_LANG", "AMERICAN_AMERICA.AL32UTF8", 0);
#endif

    OCIEnv *env = nullptr;
    sword status = m_lib->envNlsCreate(&env, oci::THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                                       oci::CHARSET_AL32UTF8, oci::CHARSET_AL32UTF8);
    if (env)
        m_env.adopt(*m_lib, env, oci::HTYPE_ENV);
    if (status != oci::SUCCESS && status != oci::SUCCESS_WITH_INFO) {
        auto diagnostics = OciDiagnostics::read(*m_lib, env, oci::HTYPE_ENV, status, "OCIEnvNlsCreate");
        diagnostics.message = "Cannot create the Oracle client environment: " + diagnostics.message;
        diagnostics.raise();
    }
    m_err = OciHandle(*m_lib, env, oci::HTYPE_ERROR);

    OCISvcCtx *svc = nullptr;
    status = m_lib->logon2(env, err(), &svc, reinterpret_cast<const OraText *>(user.data()),
                           static_cast<ub4>(user.size()), reinterpret_cast<const OraText *>(password.data()),
                           static_cast<ub4>(password.size()), reinterpret_cast<const OraText *>(connect.data()),
                           static_cast<ub4>(connect.size()), oci::DEFAULT);
    if (status != oci::SUCCESS && status != oci::SUCCESS_WITH_INFO) {
        // A half-made service context is not ours to log off; the environment frees what is left.
        OciDiagnostics::read(*m_lib, err(), oci::HTYPE_ERROR, status, "OCILogon2").raise();
    }
    m_svc = svc;
    limitCallTime();
}

// A server that stops answering would otherwise hold the program without end: every later round trip
// fails once the limit has passed. Clients before 18 have no such setting, and one that refuses it
// still works, only without the limit.
void OciSession::limitCallTime() noexcept
{
    if (!m_lib->clientVersion)
        return;
    int major = 0, minor = 0, update = 0, patch = 0, portUpdate = 0;
    m_lib->clientVersion(&major, &minor, &update, &patch, &portUpdate);
    if (major < 18)
        return;
    ub4 milliseconds = kCallTimeoutMs;
    m_lib->attrSet(m_svc, oci::HTYPE_SVCCTX, &milliseconds, 0, oci::ATTR_CALL_TIMEOUT, err());
}

OciSession::~OciSession()
{
    end();
    // Freed only now: locators and handles that outlived the logoff are freed by their owners first,
    // and freeing a descriptor needs its environment.
    m_err.reset();
    m_env.reset();
}

void OciSession::end() noexcept
{
    if (m_svc) {
        // Work that nobody committed is not kept behind the user's back.
        m_lib->transRollback(m_svc, err(), oci::DEFAULT);
        m_lib->logoff(m_svc, err());
        m_svc = nullptr;
    }
}

void OciSession::requireOpen() const
{
    if (!isOpen())
        throw Error("Not connected to Oracle");
}

void OciSession::check(sword status, const char *call) const
{
    if (status != oci::SUCCESS && status != oci::SUCCESS_WITH_INFO)
        raise(status, call);
}

void OciSession::raise(sword status, const char *call) const
{
    fail(OciDiagnostics::read(*m_lib, err(), oci::HTYPE_ERROR, status, call));
}

void OciSession::fail(const OciDiagnostics &diagnostics) const
{
    if (OciDiagnostics::isLostSession(diagnostics.code))
        m_lost = true;
    diagnostics.raise();
}

void OciSession::commit()
{
    requireOpen();
    check(m_lib->transCommit(m_svc, err(), oci::DEFAULT), "OCITransCommit");
}

void OciSession::rollback()
{
    requireOpen();
    check(m_lib->transRollback(m_svc, err(), oci::DEFAULT), "OCITransRollback");
}

void OciSession::ping()
{
    requireOpen();
    if (m_lib->ping)
        check(m_lib->ping(m_svc, err(), oci::DEFAULT), "OCIPing");
}

std::string OciSession::readLob(OCILobLocator *locator, bool isClob)
{
    requireOpen();
    oraub8 length = 0;
    check(m_lib->lobGetLength2(m_svc, err(), locator, &length), "OCILobGetLength2");
    if (length == 0)
        return {};
    // A CLOB's length counts UTF-16 units; none takes more than four UTF-8 bytes.
    const oraub8 capacity = isClob ? length * 4 : length;
    std::string data(static_cast<std::size_t>(capacity), '\0');
    oraub8 bytes = isClob ? 0 : length;
    oraub8 chars = isClob ? length : 0;
    sword status = m_lib->lobRead2(m_svc, err(), locator, &bytes, &chars, 1, data.data(), capacity, oci::ONE_PIECE,
                                   nullptr, nullptr, oci::CHARSET_AL32UTF8, oci::SQLCS_IMPLICIT);
    if (status == oci::NEED_DATA)
        throw Error("A large object of " + std::to_string(length) + (isClob ? " characters" : " bytes") +
                    " did not fit the buffer it was read into");
    check(status, "OCILobRead2");
    data.resize(static_cast<std::size_t>(bytes));
    return data;
}

void OciSession::writeLob(OCILobLocator *locator, std::string_view data)
{
    requireOpen();
    oraub8 bytes = data.size();
    oraub8 chars = 0; // byte amounts count for a CLOB too while the character amount is 0
    check(m_lib->lobWrite2(m_svc, err(), locator, &bytes, &chars, 1, const_cast<char *>(data.data()), data.size(),
                           oci::ONE_PIECE, nullptr, nullptr, oci::CHARSET_AL32UTF8, oci::SQLCS_IMPLICIT),
          "OCILobWrite2");
    if (bytes != data.size())
        throw Error("Oracle took " + std::to_string(bytes) + " of the " + std::to_string(data.size()) +
                    " bytes of a large object");
}

} // namespace db
