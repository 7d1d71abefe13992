#pragma once

// The Oracle client library driven through its raw C entry points (dlopen), the way any OCI client
// would, for tests of the stand-in itself: what it accepts and refuses must be what Oracle does,
// whatever our driver happens to send.

#include "db/oci/OciApi.h"

#include <string>
#include <vector>

namespace testsupport {

struct RawOciApi {
    oci::EnvNlsCreate envNlsCreate;
    oci::HandleAlloc handleAlloc;
    oci::HandleFree handleFree;
    oci::DescriptorAlloc descriptorAlloc;
    oci::DescriptorFree descriptorFree;
    oci::ErrorGet errorGet;
    oci::Logon2 logon2;
    oci::Logoff logoff;
    oci::StmtPrepare2 stmtPrepare2;
    oci::StmtRelease stmtRelease;
    oci::StmtExecute stmtExecute;
    oci::StmtFetch2 stmtFetch2;
    oci::ParamGet paramGet;
    oci::AttrGet attrGet;
    oci::AttrSet attrSet;
    oci::DefineByPos defineByPos;
    oci::BindByPos bindByPos;
    oci::BindByPos2 bindByPos2;
    oci::BindArrayOfStruct bindArrayOfStruct;
    oci::LobWrite2 lobWrite2;
    oci::LobRead2 lobRead2;
    oci::LobGetLength2 lobGetLength2;
    oci::TransCommit transCommit;
    oci::TransRollback transRollback;
    oci::ClientVersion clientVersion;
    oci::Ping ping;
    oci::BindDynamic bindDynamic;
    oci::LobCreateTemporary lobCreateTemporary;
    oci::LobFreeTemporary lobFreeTemporary;
};

// The stand-in library of this build, loaded once.
const RawOciApi &rawOci();
// The same entry points of another client library (a real Oracle's), loaded once.
const RawOciApi &rawOciFrom(const std::string &path);

const OraText *oraText(const std::string &s);

// The first (or record-th) error record of a handle, without its line end; empty when there is none.
std::string rawErrorText(void *handle, ub4 type = oci::HTYPE_ERROR, ub4 record = 1, const RawOciApi &api = rawOci());

// A RETURNING ... INTO bind the way Oracle takes one: in OCI_DATA_AT_EXEC mode with OCIBindDynamic
// callbacks. The row iteration i returns goes to targets[i]: for SQLT_CLOB/SQLT_BLOB the locator
// (the descriptor itself), otherwise a buffer of elementSize bytes. Lives as long as the execute.
class ReturningBind {
public:
    ReturningBind(OCIStmt *statement, OCIError *err, ub4 position, ub2 type, std::vector<void *> targets,
                  ub4 elementSize, const RawOciApi &api = rawOci());
    sword status() const { return m_status; }
    sb2 indicator(std::size_t i) const { return m_indicators.at(i); }
    ub4 length(std::size_t i) const { return m_lengths.at(i); }

private:
    static sb4 in(void *, OCIBind *, ub4, ub4, void **bufpp, ub4 *alenp, ub1 *piecep, void **indp);
    static sb4 out(void *context, OCIBind *, ub4 iter, ub4 index, void **bufpp, ub4 **alenp, ub1 *piecep, void **indp,
                   ub2 **rcodep);

    std::vector<void *> m_targets;
    std::vector<sb2> m_indicators;
    std::vector<ub4> m_lengths;
    ub4 m_elementSize;
    sword m_status = oci::ERROR;
};

// One logged-on session with its own environment and error handle.
class RawConn {
public:
    RawConn(const std::string &user, const std::string &password, const std::string &service,
            const RawOciApi &api = rawOci());
    ~RawConn();
    RawConn(const RawConn &) = delete;
    RawConn &operator=(const RawConn &) = delete;

    sword logonStatus() const { return m_status; }
    OCIEnv *env() const { return m_env; }
    OCIError *err() const { return m_err; }
    OCISvcCtx *svc() const { return m_svc; }
    std::string error() const { return rawErrorText(m_err, oci::HTYPE_ERROR, 1, m_api); }
    const RawOciApi &api() const { return m_api; }

    OCIStmt *prepare(const std::string &sql);
    void release(OCIStmt *st);

    // Runs a statement without binds; returns "" on success, else the error text.
    std::string exec(const std::string &sql, ub4 mode = oci::DEFAULT);
    // Runs a query and returns its rows as text ("NULL" for NULL), each row's fields joined by '|'.
    std::vector<std::string> rows(const std::string &sql);
    std::string single(const std::string &sql);

private:
    const RawOciApi &m_api;
    OCIEnv *m_env = nullptr;
    OCIError *m_err = nullptr;
    OCISvcCtx *m_svc = nullptr;
    sword m_status = oci::ERROR;
};

} // namespace testsupport
