#include "OciSession.h"

#include "OciDiagnostics.h"
#include "OciLibrary.h"
#include "db/Error.h"
#include "db/Trace.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace db {

OciSession::OciSession(const std::string &connect, const std::string &user, const std::string &password,
                       unsigned callTimeoutSeconds)
    : m_lib(&OciLibrary::instance()), m_callTimeoutSeconds(callTimeoutSeconds)
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
    m_breakErr = OciHandle(*m_lib, env, oci::HTYPE_ERROR);

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
    if (m_lib->clientVersion) {
        int major = 0, minor = 0, update = 0, patch = 0, portUpdate = 0;
        m_lib->clientVersion(&major, &minor, &update, &patch, &portUpdate);
        m_canLimitCalls = major >= 18;
    }
    applyCallTimeout();
    if (m_lib->serverVersion) {
        OraText text[512] = {};
        if (m_lib->serverVersion(m_svc, err(), text, sizeof text, oci::HTYPE_SVCCTX) == oci::SUCCESS)
            m_banner = reinterpret_cast<const char *>(text);
    }
    // Who logged on where, never with what password.
    if (Trace::enabled())
        Trace::write("oci", "logon " + user + "@" + connect + ", server " + (m_banner.empty() ? "unknown" : m_banner));
}

std::size_t OciSession::maxIdentifierBytes() const noexcept
{
    // Clients before 12.2 know no such attribute; they leave the value as it was.
    ub4 bytes = 0;
    if (m_lib->attrGet(m_svc, oci::HTYPE_SVCCTX, &bytes, nullptr, oci::ATTR_MAX_IDENTIFIER_LEN, err()) != oci::SUCCESS)
        return 0;
    return bytes;
}

// A server that stops answering would otherwise hold the program without end: a round trip gives up
// once the limit has passed. Clients before 18 have no such setting, and one that refuses it still
// works, only without the limit.
void OciSession::applyCallTimeout() noexcept
{
    if (!m_canLimitCalls || !m_svc)
        return;
    ub4 milliseconds = m_lifted > 0 ? 0 : static_cast<ub4>(std::min(m_callTimeoutSeconds, 4294967u) * 1000u);
    m_lib->attrSet(m_svc, oci::HTYPE_SVCCTX, &milliseconds, 0, oci::ATTR_CALL_TIMEOUT, err());
}

void OciSession::liftCallTimeout() noexcept
{
    if (m_lifted++ == 0)
        applyCallTimeout();
}

void OciSession::restoreCallTimeout() noexcept
{
    if (m_lifted > 0 && --m_lifted == 0)
        applyCallTimeout();
}

unsigned OciSession::callTimeoutInForce() const noexcept
{
    return m_canLimitCalls && m_lifted == 0 ? m_callTimeoutSeconds : 0;
}

OciSession::~OciSession()
{
    end();
    // Freed only now: locators and handles that outlived the logoff are freed by their owners first,
    // and freeing a descriptor needs its environment.
    m_breakErr.reset();
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

void OciSession::check(sword status, const char *call, const std::string &statement) const
{
    if (status != oci::SUCCESS && status != oci::SUCCESS_WITH_INFO)
        raise(status, call, statement);
}

void OciSession::raise(sword status, const char *call, const std::string &statement) const
{
    fail(OciDiagnostics::read(*m_lib, err(), oci::HTYPE_ERROR, status, call), statement);
}

bool OciSession::serverGone() const noexcept
{
    if (!m_svc)
        return true;
    // A separate error handle, so that the error being reported stays on the main one.
    void *server = nullptr;
    ub4 status = oci::SERVER_NORMAL;
    OCIError *probe = nullptr;
    if (m_lib->handleAlloc(m_env.get(), reinterpret_cast<void **>(&probe), oci::HTYPE_ERROR, 0, nullptr) !=
        oci::SUCCESS)
        return false;
    if (m_lib->attrGet(m_svc, oci::HTYPE_SVCCTX, &server, nullptr, oci::ATTR_SERVER, probe) == oci::SUCCESS && server)
        m_lib->attrGet(server, oci::HTYPE_SERVER, &status, nullptr, oci::ATTR_SERVER_STATUS, probe);
    m_lib->handleFree(probe, oci::HTYPE_ERROR);
    return status != oci::SERVER_NORMAL;
}

void OciSession::fail(const OciDiagnostics &diagnostics, const std::string &statement) const
{
    // Our own break came back as ORA-01013. The session stays usable: OCIReset clears what the break
    // left on the connection (needed in non-blocking mode, harmless in blocking mode).
    if (diagnostics.code == 1013) {
        bool ours = false;
        {
            std::lock_guard lock(m_breakMutex);
            ours = std::exchange(m_breakSent, false);
        }
        if (ours) {
            if (m_svc)
                m_lib->reset(m_svc, err());
            throw CancelledError("The call to Oracle was cancelled (" + diagnostics.message + ")", diagnostics.code,
                                 statement);
        }
    }
    // The client halted a round trip at its limit. Oracle tries to clean the session up for reuse, but
    // whether that worked is not told: the session is not used again. (ODPI-C words the same codes.)
    if (OciDiagnostics::isCallTimeout(diagnostics.code) && callTimeoutInForce() > 0) {
        m_lost = true;
        diagnostics.raiseTimeout(statement, callTimeoutInForce());
    }
    if (OciDiagnostics::isLostSession(diagnostics.code) || (diagnostics.code != 0 && serverGone()))
        m_lost = true;
    diagnostics.raise(statement, m_lost);
}

void OciSession::breakCall() noexcept
{
    std::lock_guard lock(m_breakMutex);
    // Under way means the calling thread is between the two ends of a CallUnderWay, so the service
    // context stands: it is only logged off by that same thread outside any call.
    // A second break for the same call is sent all the same: the first may have reached the call
    // before, which had ended by the time it came.
    if (m_underWay == 0 || !m_svc)
        return;
    Trace::write("oci", "break");
    const sword status = m_lib->breakCall(m_svc, m_breakErr.as<OCIError>());
    if (status == oci::SUCCESS || status == oci::SUCCESS_WITH_INFO) {
        m_breakSent = true;
        return;
    }
    if (Trace::enabled())
        Trace::write("oci",
                     "the call under way could not be broken: " +
                         OciDiagnostics::read(*m_lib, m_breakErr.get(), oci::HTYPE_ERROR, status, "OCIBreak").message);
}

OciSession::CallUnderWay::CallUnderWay(OciSession &session) : m_session(session)
{
    std::lock_guard lock(m_session.m_breakMutex);
    ++m_session.m_underWay;
}

OciSession::CallUnderWay::~CallUnderWay()
{
    std::lock_guard lock(m_session.m_breakMutex);
    --m_session.m_underWay;
}

void OciSession::commit()
{
    requireOpen();
    Trace::write("oci", "commit");
    // Never broken: a commit cut short leaves unknown whether the rows went in, and the row counter must
    // say what Oracle holds.
    check(m_lib->transCommit(m_svc, err(), oci::DEFAULT), "OCITransCommit");
}

void OciSession::rollback()
{
    requireOpen();
    Trace::write("oci", "rollback");
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
    CallUnderWay call(*this);
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

namespace {

// Bytes per OCILobWrite2 call: each is a round trip, and this many bytes are few beside the value.
constexpr std::size_t kLobPiece = 1024 * 1024;

// Where a piece may end: never inside a UTF-8 character of a CLOB.
std::size_t pieceEnd(std::string_view data, std::size_t from, bool isClob)
{
    std::size_t end = std::min(data.size(), from + kLobPiece);
    if (isClob)
        while (end < data.size() && end > from && (static_cast<unsigned char>(data[end]) & 0xC0) == 0x80)
            --end;
    return end;
}

} // namespace

void OciSession::writeTemporaryLob(OCILobLocator *locator, bool isClob, std::string_view data)
{
    requireOpen();
    CallUnderWay call(*this);
    if (Trace::enabled())
        Trace::write("oci", "temporary " + std::string(isClob ? "CLOB" : "BLOB") + " of " +
                                std::to_string(data.size()) + " bytes");
    check(m_lib->lobCreateTemporary(m_svc, err(), locator, 0, oci::SQLCS_IMPLICIT,
                                    isClob ? oci::TEMP_CLOB : oci::TEMP_BLOB, 0, oci::DURATION_SESSION),
          "OCILobCreateTemporary");
    // Polling mode: the first piece announces the whole amount, in bytes (a CLOB's character amount is
    // left 0 so that bytes count). What a write hands back in the amounts is not relied on: for a
    // CLOB it is not the byte count that was sent.
    for (std::size_t from = 0; from < data.size();) {
        const std::size_t end = pieceEnd(data, from, isClob);
        const bool first = from == 0, last = end == data.size();
        const ub1 piece = first && last ? oci::ONE_PIECE
                          : first       ? oci::FIRST_PIECE
                          : last        ? oci::LAST_PIECE
                                        : oci::NEXT_PIECE;
        oraub8 bytes = data.size(), chars = 0;
        const sword status =
            m_lib->lobWrite2(m_svc, err(), locator, &bytes, &chars, 1, const_cast<char *>(data.data() + from),
                             end - from, piece, nullptr, nullptr, oci::CHARSET_AL32UTF8, oci::SQLCS_IMPLICIT);
        if (status != oci::NEED_DATA)
            check(status, "OCILobWrite2");
        from = end;
    }
}

void OciSession::freeTemporaryLob(OCILobLocator *locator) noexcept
{
    // A session that is gone has freed its temporary LOBs with it.
    if (isOpen())
        m_lib->lobFreeTemporary(m_svc, err(), locator);
}

} // namespace db
