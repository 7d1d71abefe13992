#pragma once

#include "OciApi.h"

#include <utility>

namespace db {

class OciLibrary;

// Owns one OCI descriptor (a LOB locator, or a parameter descriptor handed out by OCIParamGet) and
// frees it with its type when it goes.
class OciDescriptor {
public:
    OciDescriptor() = default;
    // Allocates a descriptor of this type in the environment; throws db::Error when the client refuses.
    OciDescriptor(const OciLibrary &lib, const void *env, ub4 type);
    ~OciDescriptor() { reset(); }
    OciDescriptor(OciDescriptor &&other) noexcept { *this = std::move(other); }
    OciDescriptor &operator=(OciDescriptor &&other) noexcept;
    OciDescriptor(const OciDescriptor &) = delete;
    OciDescriptor &operator=(const OciDescriptor &) = delete;

    // Takes a descriptor the client allocated (OCIParamGet).
    void adopt(const OciLibrary &lib, void *descriptor, ub4 type);
    void reset() noexcept;
    void *get() const noexcept { return m_descriptor; }
    // The address OCI binds and defines of LOB locators point at.
    void **address() noexcept { return &m_descriptor; }
    OCILobLocator *locator() const noexcept { return static_cast<OCILobLocator *>(m_descriptor); }

private:
    const OciLibrary *m_lib = nullptr;
    void *m_descriptor = nullptr;
    ub4 m_type = 0;
};

} // namespace db
