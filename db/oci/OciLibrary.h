#pragma once

#include "OciApi.h"

#include <string>

namespace db {

// The Oracle client library, loaded at run time the first time a session needs it and kept for the
// life of the process (unloading a client library that has created environments is not safe).
// Every required function is resolved at load, so a too-old client fails clearly before any logon
// rather than in the middle of a copy.
//
// Threads: any. instance() loads under a lock; the loaded library is only read afterwards.
class OciLibrary {
public:
    // The loaded library; throws db::ClientLibraryError naming what was tried and the system's reason.
    // A failed load is tried again on the next call, so installing the client needs no restart of
    // what it did not find on a search path that is read at start-up.
    static const OciLibrary &instance();

    const std::string &path() const noexcept { return m_path; }

    oci::EnvNlsCreate envNlsCreate = nullptr;
    oci::HandleAlloc handleAlloc = nullptr;
    oci::HandleFree handleFree = nullptr;
    oci::DescriptorAlloc descriptorAlloc = nullptr;
    oci::DescriptorFree descriptorFree = nullptr;
    oci::ErrorGet errorGet = nullptr;
    oci::Logon2 logon2 = nullptr;
    oci::Logoff logoff = nullptr;
    oci::StmtPrepare2 stmtPrepare2 = nullptr;
    oci::StmtRelease stmtRelease = nullptr;
    oci::StmtExecute stmtExecute = nullptr;
    oci::StmtFetch2 stmtFetch2 = nullptr;
    oci::ParamGet paramGet = nullptr;
    oci::AttrGet attrGet = nullptr;
    oci::AttrSet attrSet = nullptr;
    oci::DefineByPos defineByPos = nullptr;
    oci::BindByPos bindByPos = nullptr;
    oci::LobWrite2 lobWrite2 = nullptr;
    oci::LobRead2 lobRead2 = nullptr;
    oci::LobGetLength2 lobGetLength2 = nullptr;
    oci::LobCreateTemporary lobCreateTemporary = nullptr;
    oci::LobFreeTemporary lobFreeTemporary = nullptr;
    oci::TransCommit transCommit = nullptr;
    oci::TransRollback transRollback = nullptr;
    oci::Break breakCall = nullptr;
    oci::Reset reset = nullptr;

    // Optional: the feature that needs one is off when the client lacks it.
    oci::Ping ping = nullptr;
    oci::ServerVersion serverVersion = nullptr;
    oci::ClientVersion clientVersion = nullptr;
    oci::BindByPos2 bindByPos2 = nullptr;
    oci::BindArrayOfStruct bindArrayOfStruct = nullptr;

private:
    OciLibrary() = default;
    void load();
    void resolveAll();

    void *m_handle = nullptr;
    std::string m_path;
};

} // namespace db
