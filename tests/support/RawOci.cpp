#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <stdexcept>

namespace testsupport {

namespace {

RawOciApi load(const std::string &path)
{
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        throw std::runtime_error(dlerror());
    auto sym = [&](const char *name) {
        void *p = dlsym(lib, name);
        if (!p)
            throw std::runtime_error(std::string("missing ") + name);
        return p;
    };
    RawOciApi r;
#define RESOLVE(field, name) r.field = reinterpret_cast<decltype(r.field)>(sym(name))
    RESOLVE(envNlsCreate, "OCIEnvNlsCreate");
    RESOLVE(handleAlloc, "OCIHandleAlloc");
    RESOLVE(handleFree, "OCIHandleFree");
    RESOLVE(descriptorAlloc, "OCIDescriptorAlloc");
    RESOLVE(descriptorFree, "OCIDescriptorFree");
    RESOLVE(errorGet, "OCIErrorGet");
    RESOLVE(logon2, "OCILogon2");
    RESOLVE(logoff, "OCILogoff");
    RESOLVE(stmtPrepare2, "OCIStmtPrepare2");
    RESOLVE(stmtRelease, "OCIStmtRelease");
    RESOLVE(stmtExecute, "OCIStmtExecute");
    RESOLVE(stmtFetch2, "OCIStmtFetch2");
    RESOLVE(paramGet, "OCIParamGet");
    RESOLVE(attrGet, "OCIAttrGet");
    RESOLVE(attrSet, "OCIAttrSet");
    RESOLVE(defineByPos, "OCIDefineByPos");
    RESOLVE(bindByPos, "OCIBindByPos");
    RESOLVE(bindByPos2, "OCIBindByPos2");
    RESOLVE(bindArrayOfStruct, "OCIBindArrayOfStruct");
    RESOLVE(lobWrite2, "OCILobWrite2");
    RESOLVE(lobRead2, "OCILobRead2");
    RESOLVE(lobGetLength2, "OCILobGetLength2");
    RESOLVE(transCommit, "OCITransCommit");
    RESOLVE(transRollback, "OCITransRollback");
    RESOLVE(clientVersion, "OCIClientVersion");
    RESOLVE(ping, "OCIPing");
    RESOLVE(bindDynamic, "OCIBindDynamic");
    RESOLVE(lobCreateTemporary, "OCILobCreateTemporary");
    RESOLVE(lobFreeTemporary, "OCILobFreeTemporary");
#undef RESOLVE
    return r;
}

} // namespace

const RawOciApi &rawOci()
{
    static const RawOciApi api = load(std::string(MORVANE_BINARY_DIR) + "/oracle-sim/libclntsh.so");
    return api;
}

const RawOciApi &rawOciFrom(const std::string &path)
{
    static const RawOciApi api = load(path);
    return api;
}

const OraText *oraText(const std::string &s) {
    return reinterpret_cast<const OraText *>(s.data());
}

std::string rawErrorText(void *handle, ub4 type, ub4 record, const RawOciApi &api)
{
    char buf[3072] = {};
    sb4 code = 0;
    if (api.errorGet(handle, record, nullptr, &code, reinterpret_cast<OraText *>(buf), sizeof buf, type) !=
        oci::SUCCESS)
        return {};
    std::string s = buf;
    // Newer clients add a "Help:" line; tests compare Oracle's message itself.
    if (auto help = s.find("\nHelp:"); help != std::string::npos)
        s.erase(help);
    while (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

ReturningBind::ReturningBind(OCIStmt *statement, OCIError *err, ub4 position, ub2 type, std::vector<void *> targets,
                             ub4 elementSize, const RawOciApi &api)
    : m_targets(std::move(targets)), m_indicators(m_targets.size(), oci::IND_NULL),
      m_lengths(m_targets.size(), elementSize), m_elementSize(elementSize)
{
    OCIBind *bind = nullptr;
    m_status = api.bindByPos(statement, &bind, err, position, nullptr, static_cast<sb4>(elementSize), type, nullptr,
                             nullptr, nullptr, 0, nullptr, oci::DATA_AT_EXEC);
    if (m_status == oci::SUCCESS)
        m_status = api.bindDynamic(bind, err, this, &ReturningBind::in, this, &ReturningBind::out);
}

sb4 ReturningBind::in(void *, OCIBind *, ub4, ub4, void **bufpp, ub4 *alenp, ub1 *piecep, void **indp)
{
    // A RETURNING bind takes nothing in.
    static sb2 null = oci::IND_NULL;
    *bufpp = nullptr;
    *alenp = 0;
    *piecep = oci::ONE_PIECE;
    *indp = &null;
    return oci::CONTINUE;
}

sb4 ReturningBind::out(void *context, OCIBind *, ub4 iter, ub4, void **bufpp, ub4 **alenp, ub1 *piecep, void **indp,
                       ub2 **rcodep)
{
    auto *self = static_cast<ReturningBind *>(context);
    if (iter >= self->m_targets.size())
        return oci::ERROR;
    *bufpp = self->m_targets[iter];
    self->m_lengths[iter] = self->m_elementSize;
    *alenp = &self->m_lengths[iter];
    *piecep = oci::ONE_PIECE;
    *indp = &self->m_indicators[iter];
    *rcodep = nullptr;
    return oci::CONTINUE;
}

RawConn::RawConn(const std::string &user, const std::string &password, const std::string &service, const RawOciApi &api)
    : m_api(api)
{
    api.envNlsCreate(&m_env, oci::THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 873, 873);
    api.handleAlloc(m_env, reinterpret_cast<void **>(&m_err), oci::HTYPE_ERROR, 0, nullptr);
    m_status = api.logon2(m_env, m_err, &m_svc, oraText(user), static_cast<ub4>(user.size()),
                          oraText(password), static_cast<ub4>(password.size()), oraText(service),
                          static_cast<ub4>(service.size()), oci::DEFAULT);
}

RawConn::~RawConn()
{
    if (m_svc)
        m_api.logoff(m_svc, m_err);
    m_api.handleFree(m_err, oci::HTYPE_ERROR);
    m_api.handleFree(m_env, oci::HTYPE_ENV);
}

OCIStmt *RawConn::prepare(const std::string &sql) {
    OCIStmt *st = nullptr;
    EXPECT_EQ(m_api.stmtPrepare2(m_svc, &st, m_err, oraText(sql), static_cast<ub4>(sql.size()), nullptr, 0,
                                 oci::NTV_SYNTAX, oci::DEFAULT),
              oci::SUCCESS);
    return st;
}

void RawConn::release(OCIStmt *st) { m_api.stmtRelease(st, m_err, nullptr, 0, oci::DEFAULT); }

std::string RawConn::exec(const std::string &sql, ub4 mode) {
    OCIStmt *st = prepare(sql);
    sword rc = m_api.stmtExecute(m_svc, st, m_err, 1, 0, nullptr, nullptr, mode);
    release(st);
    return rc == oci::SUCCESS ? std::string() : error();
}

std::vector<std::string> RawConn::rows(const std::string &sql)
{
    std::vector<std::string> out;
    OCIStmt *st = prepare(sql);
    if (m_api.stmtExecute(m_svc, st, m_err, 0, 0, nullptr, nullptr, oci::DEFAULT) != oci::SUCCESS) {
        out.push_back("error: " + error());
        release(st);
        return out;
    }
    ub4 count = 0;
    m_api.attrGet(st, oci::HTYPE_STMT, &count, nullptr, oci::ATTR_PARAM_COUNT, m_err);
    std::vector<std::vector<char>> bufs(count, std::vector<char>(8001));
    std::vector<sb2> inds(count);
    for (ub4 i = 0; i < count; ++i)
        m_api.defineByPos(st, nullptr, m_err, i + 1, bufs[i].data(), 8001, oci::SQLT_STR, &inds[i], nullptr, nullptr,
                          oci::DEFAULT);
    sword rc;
    while ((rc = m_api.stmtFetch2(st, m_err, 1, oci::FETCH_NEXT, 0, oci::DEFAULT)) == oci::SUCCESS) {
        std::string row;
        for (ub4 i = 0; i < count; ++i)
            row += (i ? "|" : "") +
                   (inds[i] == oci::IND_NULL ? std::string("NULL") : std::string(bufs[i].data()));
        out.push_back(row);
    }
    if (rc != oci::NO_DATA)
        out.push_back("error: " + error());
    release(st);
    return out;
}

std::string RawConn::single(const std::string &sql) {
    auto r = rows(sql);
    return r.empty() ? "<no rows>" : r.front();
}

} // namespace testsupport
