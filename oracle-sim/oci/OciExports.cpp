// The C entry points of the client library. Each checks its handles, runs the call and turns any
// failure into an error record on the error handle: nothing ever escapes into the caller as a C++
// exception.

#include "DmlExecutor.h"
#include "EnvHandle.h"
#include "ErrorHandle.h"
#include "LobLocator.h"
#include "ParamDescriptor.h"
#include "ServiceContext.h"
#include "Session.h"
#include "StatementHandle.h"
#include "ValueCoercion.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>

using namespace oraclesim;

#define OCI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

template <class Fn> sword guarded(ErrorHandle *err, Fn &&fn)
{
    try {
        return fn();
    } catch (const OraError &e) {
        if (err)
            err->set(e);
    } catch (const SqliteError &e) {
        if (err)
            err->set(oraErrorFrom(e));
    } catch (const std::exception &e) {
        if (err)
            err->set(OraError::of(600, "oracle-sim", e.what()));
    } catch (...) {
        if (err)
            err->set(OraError::of(600, "oracle-sim", "unknown failure"));
    }
    return oci::ERROR;
}

ErrorHandle *errorHandle(const void *p) { return HandleBase::find<ErrorHandle>(p, oci::HTYPE_ERROR); }

void freeHandle(HandleBase *h)
{
    if (auto *err = dynamic_cast<ErrorHandle *>(h); err && err->parent())
        err->parent()->release(err);
    h->retire();
    delete h;
}

} // namespace

OCI_EXPORT sword OCIEnvNlsCreate(OCIEnv **envp, ub4, void *, void *, void *, void *, size_t, void **, ub2, ub2)
{
    if (!envp)
        return oci::INVALID_HANDLE;
    *envp = reinterpret_cast<OCIEnv *>(static_cast<HandleBase *>(new EnvHandle));
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIHandleAlloc(const void *parenth, void **hndlpp, ub4 type, size_t, void **)
{
    auto *env = HandleBase::find<EnvHandle>(parenth, oci::HTYPE_ENV);
    if (!env || !hndlpp)
        return oci::INVALID_HANDLE;
    HandleBase *h = nullptr;
    switch (type) {
    case oci::HTYPE_ERROR: h = new ErrorHandle(env); break;
    case oci::HTYPE_SVCCTX: h = new ServiceContext(env, nullptr); break;
    case oci::HTYPE_STMT: h = new StatementHandle(env, nullptr, {}); break;
    case oci::HTYPE_DESCRIBE:
    case oci::HTYPE_SERVER:
    case oci::HTYPE_SESSION:
    case oci::HTYPE_TRANS: h = new ErrorHandle(env, type); break; // placeholders: nothing uses their contents
    default: env->set(OraError::of(24315)); return oci::ERROR;
    }
    *hndlpp = static_cast<void *>(h);
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIHandleFree(void *hndlp, ub4 type)
{
    HandleBase *h = HandleBase::find(hndlp);
    if (!h || h->handleType() != type || type == oci::HTYPE_BIND || type == oci::HTYPE_DEFINE)
        return oci::INVALID_HANDLE;
    if (type == oci::HTYPE_ENV) {
        auto *env = static_cast<EnvHandle *>(h);
        // Statements first: they hold the sessions' last references.
        for (ub4 order : {oci::HTYPE_STMT, oci::DTYPE_LOB, oci::HTYPE_SVCCTX, 0u})
            for (HandleBase *child : HandleBase::ownedBy(env))
                if (order == 0 || child->handleType() == order)
                    freeHandle(child);
    }
    freeHandle(h);
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIDescriptorAlloc(const void *parenth, void **descpp, ub4 type, size_t, void **)
{
    auto *env = HandleBase::find<EnvHandle>(parenth, oci::HTYPE_ENV);
    if (!env || !descpp)
        return oci::INVALID_HANDLE;
    if (type != oci::DTYPE_LOB) {
        env->set(OraError::of(24315));
        return oci::ERROR;
    }
    *descpp = static_cast<void *>(static_cast<HandleBase *>(new LobLocator(env)));
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIDescriptorFree(void *descp, ub4 type)
{
    HandleBase *h = HandleBase::find(descp);
    if (!h || h->handleType() != type)
        return oci::INVALID_HANDLE;
    if (type == oci::DTYPE_PARAM) {
        auto *p = static_cast<ParamDescriptor *>(h);
        p->owner()->releaseParam(p);
        return oci::SUCCESS;
    }
    if (type != oci::DTYPE_LOB)
        return oci::INVALID_HANDLE;
    delete h;
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIErrorGet(void *hndlp, ub4 recordno, OraText *, sb4 *errcodep, OraText *bufp, ub4 bufsiz, ub4 type)
{
    if (type != oci::HTYPE_ERROR && type != oci::HTYPE_ENV)
        return oci::INVALID_HANDLE;
    auto *h = HandleBase::find<ErrorHandle>(hndlp, type);
    if (!h)
        return oci::INVALID_HANDLE;
    const auto &records = h->records();
    if (recordno < 1 || recordno > records.size())
        return oci::NO_DATA;
    const OraError &e = records[recordno - 1];
    if (errcodep)
        *errcodep = e.code();
    if (bufp && bufsiz > 0) {
        std::string text = e.message() + "\n";
        std::size_t n = std::min<std::size_t>(text.size(), bufsiz - 1);
        std::memcpy(bufp, text.data(), n);
        bufp[n] = '\0';
    }
    return oci::SUCCESS;
}

OCI_EXPORT sword OCILogon2(OCIEnv *envhp, OCIError *errhp, OCISvcCtx **svchp, const OraText *username, ub4 uname_len,
                           const OraText *password, ub4 passwd_len, const OraText *dbname, ub4 dbname_len, ub4)
{
    auto *env = HandleBase::find<EnvHandle>(envhp, oci::HTYPE_ENV);
    ErrorHandle *err = errorHandle(errhp);
    if (!env || !err || !svchp)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        auto text = [](const OraText *p, ub4 n) {
            return p ? std::string(reinterpret_cast<const char *>(p), n) : std::string();
        };
        auto session = Session::logon(text(username, uname_len), text(password, passwd_len), text(dbname, dbname_len));
        *svchp = reinterpret_cast<OCISvcCtx *>(static_cast<HandleBase *>(new ServiceContext(env, session)));
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCILogoff(OCISvcCtx *svchp, OCIError *)
{
    auto *svc = HandleBase::find<ServiceContext>(svchp, oci::HTYPE_SVCCTX);
    if (!svc)
        return oci::INVALID_HANDLE;
    svc->retire();
    delete svc;
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIStmtPrepare2(OCISvcCtx *svchp, OCIStmt **stmtp, OCIError *errhp, const OraText *stmt, ub4 stmt_len,
                                 const OraText *, ub4, ub4, ub4)
{
    auto *svc = HandleBase::find<ServiceContext>(svchp, oci::HTYPE_SVCCTX);
    ErrorHandle *err = errorHandle(errhp);
    if (!svc || !err || !stmtp)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        if (!stmt || stmt_len == 0)
            throw OraError(24373, "ORA-24373: invalid length specified for statement");
        std::string sql(reinterpret_cast<const char *>(stmt), stmt_len);
        *stmtp = reinterpret_cast<OCIStmt *>(
            static_cast<HandleBase *>(new StatementHandle(svc->env(), svc->sharedSession(), std::move(sql))));
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCIStmtRelease(OCIStmt *stmtp, OCIError *, const OraText *, ub4, ub4)
{
    auto *st = HandleBase::find<StatementHandle>(stmtp, oci::HTYPE_STMT);
    if (!st)
        return oci::INVALID_HANDLE;
    delete st;
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIStmtExecute(OCISvcCtx *svchp, OCIStmt *stmtp, OCIError *errhp, ub4 iters, ub4 rowoff,
                                const void *, void *, ub4 mode)
{
    auto *svc = HandleBase::find<ServiceContext>(svchp, oci::HTYPE_SVCCTX);
    auto *st = HandleBase::find<StatementHandle>(stmtp, oci::HTYPE_STMT);
    ErrorHandle *err = errorHandle(errhp);
    if (!svc || !st || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        Session::Call call(svc->session());
        return st->execute(*svc, *err, iters, rowoff, mode);
    });
}

OCI_EXPORT sword OCIStmtFetch2(OCIStmt *stmtp, OCIError *errhp, ub4 nrows, ub2, sb4, ub4)
{
    auto *st = HandleBase::find<StatementHandle>(stmtp, oci::HTYPE_STMT);
    ErrorHandle *err = errorHandle(errhp);
    if (!st || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        std::optional<Session::Call> call;
        if (st->session())
            call.emplace(*st->session());
        return st->fetch(*err, nrows);
    });
}

OCI_EXPORT sword OCIParamGet(const void *hndlp, ub4 htype, OCIError *errhp, void **parmdpp, ub4 pos)
{
    ErrorHandle *err = errorHandle(errhp);
    if (!parmdpp)
        return oci::INVALID_HANDLE;
    if (htype == oci::HTYPE_ERROR) {
        auto *owner = errorHandle(hndlp);
        if (!owner)
            return oci::INVALID_HANDLE;
        ErrorHandle *child = owner->batchError(pos);
        if (!child)
            return oci::NO_DATA;
        *parmdpp = static_cast<void *>(static_cast<HandleBase *>(child));
        return oci::SUCCESS;
    }
    if (htype != oci::HTYPE_STMT && htype != oci::HTYPE_DESCRIBE)
        return oci::INVALID_HANDLE;
    auto *st = HandleBase::find<StatementHandle>(hndlp, oci::HTYPE_STMT);
    if (!st || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        *parmdpp = static_cast<void *>(static_cast<HandleBase *>(st->param(pos)));
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCIAttrGet(const void *trgthndlp, ub4 trghndltyp, void *attributep, ub4 *sizep, ub4 attrtype,
                            OCIError *errhp)
{
    HandleBase *h = HandleBase::find(trgthndlp);
    if (!h || h->handleType() != trghndltyp || !attributep)
        return oci::INVALID_HANDLE;
    ErrorHandle *err = errorHandle(errhp);
    auto put = [&](auto value) {
        std::memcpy(attributep, &value, sizeof value);
        if (sizep)
            *sizep = sizeof value;
        return oci::SUCCESS;
    };
    return guarded(err, [&]() -> sword {
        switch (trghndltyp) {
        case oci::HTYPE_STMT:
            static_cast<StatementHandle *>(h)->getAttribute(attrtype, attributep, sizep);
            return oci::SUCCESS;
        case oci::DTYPE_PARAM: {
            const ResultColumn &c = static_cast<ParamDescriptor *>(h)->column();
            switch (attrtype) {
            case oci::ATTR_DATA_SIZE: return put(static_cast<ub2>(c.size));
            case oci::ATTR_DATA_TYPE: return put(static_cast<ub2>(c.typeCode));
            case oci::ATTR_NAME: {
                // Not NUL-terminated; the descriptor owns the text.
                const OraText *name = reinterpret_cast<const OraText *>(c.name.data());
                std::memcpy(attributep, &name, sizeof name);
                if (sizep)
                    *sizep = static_cast<ub4>(c.name.size());
                return oci::SUCCESS;
            }
            case oci::ATTR_PRECISION: return put(static_cast<sb2>(c.precision));
            case oci::ATTR_SCALE: return put(static_cast<sb1>(c.scale));
            case oci::ATTR_IS_NULL: return put(static_cast<ub1>(c.nullable ? 1 : 0));
            case oci::ATTR_CHAR_SIZE: return put(static_cast<ub2>(c.charSize));
            case oci::ATTR_CHAR_USED:
                return put(static_cast<ub1>(c.charUsed ? 1 : 0));
            case oci::ATTR_FSPRECISION:
                return put(static_cast<ub1>(c.fsPrecision));
            default: throw OraError::of(24315);
            }
        }
        case oci::HTYPE_SVCCTX: {
            auto *svc = static_cast<ServiceContext *>(h);
            if (attrtype == oci::ATTR_CALL_TIMEOUT)
                return put(static_cast<ub4>(svc->sharedSession() ? svc->sharedSession()->callTimeout() : 0));
            if (attrtype == oci::ATTR_MAX_IDENTIFIER_LEN)
                return put(static_cast<ub4>(svc->sharedSession() ? svc->sharedSession()->config().maxIdentifier : 30));
            if (attrtype == oci::ATTR_SERVER) {
                void *server = static_cast<HandleBase *>(svc->server());
                std::memcpy(attributep, &server, sizeof server);
                if (sizep)
                    *sizep = 0;
                return oci::SUCCESS;
            }
            throw OraError::of(24315);
        }
        case oci::HTYPE_ERROR:
            if (attrtype == oci::ATTR_DML_ROW_OFFSET)
                return put(static_cast<ErrorHandle *>(h)->rowOffset());
            throw OraError::of(24315);
        case oci::HTYPE_BIND:
            if (attrtype == oci::ATTR_ROWS_RETURNED)
                return put(static_cast<BindHandle *>(h)->rowsReturned());
            throw OraError::of(24315);
        case oci::HTYPE_SERVER:
            if (auto *server = dynamic_cast<ServerHandle *>(h); server && attrtype == oci::ATTR_SERVER_STATUS)
                return put(server->status());
            throw OraError::of(24315);
        default: throw OraError::of(24315);
        }
    });
}

OCI_EXPORT sword OCIAttrSet(void *trgthndlp, ub4 trghndltyp, void *attributep, ub4, ub4 attrtype, OCIError *)
{
    HandleBase *h = HandleBase::find(trgthndlp);
    if (!h || h->handleType() != trghndltyp)
        return oci::INVALID_HANDLE;
    if (trghndltyp == oci::HTYPE_STMT)
        static_cast<StatementHandle *>(h)->setAttribute(attrtype, attributep);
    if (trghndltyp == oci::HTYPE_SVCCTX && attrtype == oci::ATTR_CALL_TIMEOUT && attributep) {
        // A client-side setting: it holds for every later round trip of the service context.
        ub4 milliseconds = 0;
        std::memcpy(&milliseconds, attributep, sizeof milliseconds);
        if (const auto &session = static_cast<ServiceContext *>(h)->sharedSession())
            session->setCallTimeout(milliseconds);
    }
    // Settings on other handles (bind charset forms, session attributes) change nothing here.
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIDefineByPos(OCIStmt *stmtp, OCIDefine **defnp, OCIError *errhp, ub4 position, void *valuep,
                                sb4 value_sz, ub2 dty, void *indp, ub2 *rlenp, ub2 *rcodep, ub4)
{
    auto *st = HandleBase::find<StatementHandle>(stmtp, oci::HTYPE_STMT);
    ErrorHandle *err = errorHandle(errhp);
    if (!st || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        DefineHandle *d = st->define(position, valuep, value_sz, dty, static_cast<sb2 *>(indp), rlenp, rcodep);
        if (defnp)
            *defnp = reinterpret_cast<OCIDefine *>(static_cast<HandleBase *>(d));
        return oci::SUCCESS;
    });
}

namespace {
sword bindByPos(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp, ub4 position, void *valuep, sb8 value_sz, ub2 dty,
                void *indp, void *alenp, bool wide, ub2 *rcodep, ub4 mode)
{
    auto *st = HandleBase::find<StatementHandle>(stmtp, oci::HTYPE_STMT);
    ErrorHandle *err = errorHandle(errhp);
    if (!st || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        BindHandle *b = st->bind(position, valuep, value_sz, dty, indp, alenp, wide, rcodep, mode);
        if (bindp)
            *bindp = reinterpret_cast<OCIBind *>(static_cast<HandleBase *>(b));
        return oci::SUCCESS;
    });
}
} // namespace

OCI_EXPORT sword OCIBindByPos(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp, ub4 position, void *valuep,
                              sb4 value_sz, ub2 dty, void *indp, ub2 *alenp, ub2 *rcodep, ub4, ub4 *, ub4 mode)
{
    return bindByPos(stmtp, bindp, errhp, position, valuep, value_sz, dty, indp, alenp, false, rcodep, mode);
}

OCI_EXPORT sword OCIBindByPos2(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp, ub4 position, void *valuep,
                               sb8 value_sz, ub2 dty, void *indp, ub4 *alenp, ub2 *rcodep, ub4, ub4 *, ub4 mode)
{
    return bindByPos(stmtp, bindp, errhp, position, valuep, value_sz, dty, indp, alenp, true, rcodep, mode);
}

OCI_EXPORT sword OCIBindDynamic(OCIBind *bindp, OCIError *errhp, void *ictxp, oci::CallbackInBind icbfp, void *octxp,
                                oci::CallbackOutBind ocbfp)
{
    auto *b = HandleBase::find<BindHandle>(bindp, oci::HTYPE_BIND);
    ErrorHandle *err = errorHandle(errhp);
    if (!b || !err)
        return oci::INVALID_HANDLE;
    b->setCallbacks(ictxp, icbfp, octxp, ocbfp);
    return oci::SUCCESS;
}

OCI_EXPORT sword OCIBindArrayOfStruct(OCIBind *bindp, OCIError *, ub4 pvskip, ub4 indskip, ub4 alskip, ub4 rcskip)
{
    auto *b = HandleBase::find<BindHandle>(bindp, oci::HTYPE_BIND);
    if (!b)
        return oci::INVALID_HANDLE;
    b->setSkips(pvskip, indskip, alskip, rcskip);
    return oci::SUCCESS;
}

namespace {

// Far beyond any value the program moves; a larger offset is a client error, not a reason to fill gigabytes.
constexpr oraub8 maxLobOffset = oraub8(1) << 32;

struct LobCall {
    ServiceContext *svc;
    LobLocator *loc;
    ErrorHandle *err;
};

bool lobCall(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, LobCall &call)
{
    call.svc = HandleBase::find<ServiceContext>(svchp, oci::HTYPE_SVCCTX);
    call.err = errorHandle(errhp);
    call.loc = HandleBase::find<LobLocator>(locp, oci::DTYPE_LOB);
    return call.svc && call.err && call.loc;
}

} // namespace

OCI_EXPORT sword OCILobWrite2(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, oraub8 *byte_amtp,
                              oraub8 *char_amtp, oraub8 offset, void *bufp, oraub8 buflen, ub1 piece, void *, void *,
                              ub2, ub1)
{
    LobCall c;
    if (!lobCall(svchp, errhp, locp, c))
        return oci::INVALID_HANDLE;
    return guarded(c.err, [&] {
        Session &session = c.svc->session();
        Session::Call call(session);
        session.roundTrip();
        if (!c.loc->filled())
            throw OraError::of(22275);
        if ((offset < 1 && (piece == oci::ONE_PIECE || piece == oci::FIRST_PIECE)) || (!bufp && buflen > 0))
            throw OraError::of(24801);
        const char *buf = static_cast<const char *>(bufp);
        const oraub8 start = piece == oci::NEXT_PIECE || piece == oci::LAST_PIECE ? c.loc->nextPiece() : offset;
        if (start > maxLobOffset)
            throw OraError::of(24801);
        std::string_view incoming;
        oraub8 units = 0;
        if (c.loc->isClob() && char_amtp && *char_amtp > 0 && piece == oci::ONE_PIECE) {
            std::string_view all(buf, buflen);
            incoming = all.substr(0, ValueCoercion::utf16Offset(all, *char_amtp));
        } else {
            oraub8 n = piece == oci::ONE_PIECE && byte_amtp && *byte_amtp > 0 ? std::min(*byte_amtp, buflen) : buflen;
            incoming = std::string_view(buf ? buf : "", n);
        }
        auto finish = [&](oraub8 written) {
            c.loc->nextPiece() = start + written;
            if (byte_amtp)
                *byte_amtp = incoming.size();
            if (char_amtp)
                *char_amtp = c.loc->isClob() ? written : 0;
            return piece == oci::FIRST_PIECE || piece == oci::NEXT_PIECE ? oci::NEED_DATA : oci::SUCCESS;
        };
        // A temporary LOB written at its end, piece after piece, goes to its file without passing
        // through memory; any other write is done on the whole value.
        if (c.loc->isTemporary() && start - 1 == c.loc->temporary().units()) {
            const oraub8 before = c.loc->temporary().units();
            c.loc->temporary().append(incoming);
            return finish(c.loc->temporary().units() - before);
        }
        std::string data = c.loc->isTemporary() ? c.loc->temporary().readAll() : c.loc->data();
        if (c.loc->isClob()) {
            units = ValueCoercion::utf16Length(incoming);
            std::size_t have = ValueCoercion::utf16Length(data);
            if (start - 1 > have) // writing past the end fills the gap with blanks
                data.append(start - 1 - have, ' ');
            std::size_t from = ValueCoercion::utf16Offset(data, start - 1);
            std::size_t to = from + ValueCoercion::utf16Offset(std::string_view(data).substr(from), units);
            data.replace(from, to - from, incoming);
        } else {
            if (start - 1 > data.size()) // and with zero bytes in a BLOB
                data.append(start - 1 - data.size(), '\0');
            std::size_t from = start - 1;
            std::size_t len = std::min<std::size_t>(incoming.size(), data.size() - from);
            data.replace(from, len, incoming);
            units = incoming.size();
        }
        if (c.loc->isTemporary()) {
            c.loc->temporary().assign(data);
        } else {
            if (c.loc->ref().tableId)
                DmlExecutor::writeLob(session, c.loc->ref(), c.loc->isClob(), data);
            c.loc->data() = std::move(data);
        }
        return finish(units);
    });
}

OCI_EXPORT sword OCILobRead2(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, oraub8 *byte_amtp,
                             oraub8 *char_amtp, oraub8 offset, void *bufp, oraub8 bufl, ub1, void *, void *, ub2, ub1)
{
    LobCall c;
    if (!lobCall(svchp, errhp, locp, c))
        return oci::INVALID_HANDLE;
    return guarded(c.err, [&]() -> sword {
        Session &session = c.svc->session();
        Session::Call call(session);
        session.roundTrip();
        if (!c.loc->filled())
            throw OraError::of(22275);
        if (offset < 1 || (!bufp && bufl > 0))
            throw OraError::of(24801);
        const std::string whole = c.loc->isTemporary() ? c.loc->temporary().readAll() : std::string();
        const std::string &data = c.loc->isTemporary() ? whole : c.loc->data();
        std::string_view out;
        oraub8 units = 0;
        bool more = false;
        if (c.loc->isClob()) {
            std::size_t from = ValueCoercion::utf16Offset(data, offset - 1);
            std::string_view rest = std::string_view(data).substr(from);
            oraub8 wanted = char_amtp && *char_amtp ? *char_amtp
                                                    : (byte_amtp && *byte_amtp ? *byte_amtp : ValueCoercion::utf16Length(rest));
            std::size_t end = ValueCoercion::utf16Offset(rest, wanted);
            // Whole characters only, as many as fit.
            while (end > bufl) {
                do
                    --end;
                while (end > 0 && (static_cast<unsigned char>(rest[end]) & 0xC0) == 0x80);
                more = true;
            }
            out = rest.substr(0, end);
            units = ValueCoercion::utf16Length(out);
        } else {
            std::size_t from = std::min<std::size_t>(offset - 1, data.size());
            oraub8 wanted = byte_amtp && *byte_amtp ? *byte_amtp : data.size() - from;
            oraub8 n = std::min<oraub8>({wanted, data.size() - from, bufl});
            more = n < std::min<oraub8>(wanted, data.size() - from);
            out = std::string_view(data).substr(from, n);
            units = n;
        }
        if (!out.empty())
            std::memcpy(bufp, out.data(), out.size());
        if (byte_amtp)
            *byte_amtp = out.size();
        if (char_amtp)
            *char_amtp = c.loc->isClob() ? units : 0;
        if (out.empty() && offset > 1)
            return oci::NO_DATA;
        return more ? oci::NEED_DATA : oci::SUCCESS;
    });
}

OCI_EXPORT sword OCILobCreateTemporary(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub2, ub1, ub1 lobtype,
                                       int, ub2)
{
    LobCall c;
    if (!lobCall(svchp, errhp, locp, c))
        return oci::INVALID_HANDLE;
    return guarded(c.err, [&] {
        Session::Call call(c.svc->session());
        c.svc->session().roundTrip();
        if (lobtype != oci::TEMP_BLOB && lobtype != oci::TEMP_CLOB)
            throw OraError::of(24801);
        c.loc->makeTemporary(lobtype == oci::TEMP_CLOB);
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCILobFreeTemporary(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp)
{
    LobCall c;
    if (!lobCall(svchp, errhp, locp, c))
        return oci::INVALID_HANDLE;
    return guarded(c.err, [&] {
        Session::Call call(c.svc->session());
        c.svc->session().roundTrip();
        if (!c.loc->isTemporary())
            throw OraError::of(22275);
        c.loc->freeTemporary();
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCILobGetLength2(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, oraub8 *lenp)
{
    LobCall c;
    if (!lobCall(svchp, errhp, locp, c) || !lenp)
        return oci::INVALID_HANDLE;
    return guarded(c.err, [&] {
        Session::Call call(c.svc->session());
        c.svc->session().roundTrip();
        if (!c.loc->filled())
            throw OraError::of(22275);
        if (c.loc->isTemporary())
            *lenp = c.loc->temporary().units();
        else
            *lenp = c.loc->isClob() ? ValueCoercion::utf16Length(c.loc->data()) : c.loc->data().size();
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCITransCommit(OCISvcCtx *svchp, OCIError *errhp, ub4)
{
    auto *svc = HandleBase::find<ServiceContext>(svchp, oci::HTYPE_SVCCTX);
    ErrorHandle *err = errorHandle(errhp);
    if (!svc || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        Session &s = svc->session();
        Session::Call call(s);
        // Committed as the call arrives, so that the write lock is not held while the answer travels.
        s.workThenRoundTrip([&] { s.commit(); });
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCITransRollback(OCISvcCtx *svchp, OCIError *errhp, ub4)
{
    auto *svc = HandleBase::find<ServiceContext>(svchp, oci::HTYPE_SVCCTX);
    ErrorHandle *err = errorHandle(errhp);
    if (!svc || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        Session &s = svc->session();
        Session::Call call(s);
        s.workThenRoundTrip([&] { s.rollback(); });
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCIPing(OCISvcCtx *svchp, OCIError *errhp, ub4)
{
    auto *svc = HandleBase::find<ServiceContext>(svchp, oci::HTYPE_SVCCTX);
    ErrorHandle *err = errorHandle(errhp);
    if (!svc || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        Session::Call call(svc->session());
        svc->session().roundTrip();
        return oci::SUCCESS;
    });
}

OCI_EXPORT sword OCIServerVersion(void *hndlp, OCIError *errhp, OraText *bufp, ub4 bufsz, ub1)
{
    auto *svc = HandleBase::find<ServiceContext>(hndlp, oci::HTYPE_SVCCTX);
    ErrorHandle *err = errorHandle(errhp);
    if (!svc || !err)
        return oci::INVALID_HANDLE;
    return guarded(err, [&] {
        svc->session().roundTrip();
        static const char text[] = "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production\n"
                                   "Version 19.3.0.0.0 (SQLite stand-in)";
        if (bufp && bufsz > 0) {
            std::size_t n = std::min<std::size_t>(sizeof text - 1, bufsz - 1);
            std::memcpy(bufp, text, n);
            bufp[n] = '\0';
        }
        return oci::SUCCESS;
    });
}

// From another thread than the call's: the call under way on the service context's session (an emulated
// delay, a wait for a lock, SQLite's work, a fetch) ends with ORA-01013 as soon as it can. Without a
// call under way, nothing happens.
OCI_EXPORT sword OCIBreak(void *hndlp, OCIError *)
{
    std::shared_ptr<Session> session;
    const bool known = HandleBase::visit(hndlp, [&](HandleBase *h) {
        if (h->handleType() == oci::HTYPE_SVCCTX)
            session = static_cast<ServiceContext *>(h)->sharedSession();
        else if (h->handleType() == oci::HTYPE_SERVER)
            session = dynamic_cast<ServerHandle *>(h) ? static_cast<ServerHandle *>(h)->session() : nullptr;
        else
            return false;
        return true;
    });
    if (!known)
        return oci::INVALID_HANDLE;
    if (session)
        session->requestBreak();
    return oci::SUCCESS;
}

// In blocking mode, which is the only one here, a broken call has nothing left to reset: accepted.
OCI_EXPORT sword OCIReset(void *hndlp, OCIError *)
{
    const bool known = HandleBase::visit(hndlp, [](HandleBase *h) {
        return h->handleType() == oci::HTYPE_SVCCTX || h->handleType() == oci::HTYPE_SERVER;
    });
    return known ? oci::SUCCESS : oci::INVALID_HANDLE;
}

OCI_EXPORT void OCIClientVersion(int *major, int *minor, int *update, int *patch, int *port_update)
{
    if (major)
        *major = 19;
    if (minor)
        *minor = 3;
    if (update)
        *update = 0;
    if (patch)
        *patch = 0;
    if (port_update)
        *port_update = 0;
}

// The exported functions must keep exactly the prototypes the driver resolves them by.
static_assert(std::is_same_v<decltype(&OCIEnvNlsCreate), oci::EnvNlsCreate>);
static_assert(std::is_same_v<decltype(&OCIHandleAlloc), oci::HandleAlloc>);
static_assert(std::is_same_v<decltype(&OCIHandleFree), oci::HandleFree>);
static_assert(std::is_same_v<decltype(&OCIDescriptorAlloc), oci::DescriptorAlloc>);
static_assert(std::is_same_v<decltype(&OCIDescriptorFree), oci::DescriptorFree>);
static_assert(std::is_same_v<decltype(&OCIErrorGet), oci::ErrorGet>);
static_assert(std::is_same_v<decltype(&OCILogon2), oci::Logon2>);
static_assert(std::is_same_v<decltype(&OCILogoff), oci::Logoff>);
static_assert(std::is_same_v<decltype(&OCIStmtPrepare2), oci::StmtPrepare2>);
static_assert(std::is_same_v<decltype(&OCIStmtRelease), oci::StmtRelease>);
static_assert(std::is_same_v<decltype(&OCIStmtExecute), oci::StmtExecute>);
static_assert(std::is_same_v<decltype(&OCIStmtFetch2), oci::StmtFetch2>);
static_assert(std::is_same_v<decltype(&OCIParamGet), oci::ParamGet>);
static_assert(std::is_same_v<decltype(&OCIAttrGet), oci::AttrGet>);
static_assert(std::is_same_v<decltype(&OCIAttrSet), oci::AttrSet>);
static_assert(std::is_same_v<decltype(&OCIDefineByPos), oci::DefineByPos>);
static_assert(std::is_same_v<decltype(&OCIBindByPos), oci::BindByPos>);
static_assert(std::is_same_v<decltype(&OCIBindByPos2), oci::BindByPos2>);
static_assert(std::is_same_v<decltype(&OCIBindArrayOfStruct), oci::BindArrayOfStruct>);
static_assert(std::is_same_v<decltype(&OCILobWrite2), oci::LobWrite2>);
static_assert(std::is_same_v<decltype(&OCILobRead2), oci::LobRead2>);
static_assert(std::is_same_v<decltype(&OCILobGetLength2), oci::LobGetLength2>);
static_assert(std::is_same_v<decltype(&OCILobCreateTemporary), oci::LobCreateTemporary>);
static_assert(std::is_same_v<decltype(&OCILobFreeTemporary), oci::LobFreeTemporary>);
static_assert(std::is_same_v<decltype(&OCIBindDynamic), oci::BindDynamic>);
static_assert(std::is_same_v<decltype(&OCITransCommit), oci::TransCommit>);
static_assert(std::is_same_v<decltype(&OCITransRollback), oci::TransRollback>);
static_assert(std::is_same_v<decltype(&OCIPing), oci::Ping>);
static_assert(std::is_same_v<decltype(&OCIServerVersion), oci::ServerVersion>);
static_assert(std::is_same_v<decltype(&OCIClientVersion), oci::ClientVersion>);
