#pragma once

#include "OciApi.h"

#include <utility>

namespace db {

class OciLibrary;

// Owns one OCI handle (OCIHandleAlloc) and frees it with its type when it goes.
class OciHandle {
public:
    OciHandle() = default;
    // Allocates a handle of this type under parent; throws db::Error when the client refuses.
    OciHandle(const OciLibrary &lib, const void *parent, ub4 type);
    ~OciHandle() { reset(); }
    OciHandle(OciHandle &&other) noexcept { *this = std::move(other); }
    OciHandle &operator=(OciHandle &&other) noexcept;
    OciHandle(const OciHandle &) = delete;
    OciHandle &operator=(const OciHandle &) = delete;

    // Takes a handle the client allocated itself (the environment).
    void adopt(const OciLibrary &lib, void *handle, ub4 type);
    void reset() noexcept;
    void *get() const noexcept { return m_handle; }
    // For calls that fill a handle in place (OCIParamGet on an error handle) and may replace it.
    void **address() noexcept { return &m_handle; }
    template <typename T> T *as() const noexcept { return static_cast<T *>(m_handle); }

private:
    const OciLibrary *m_lib = nullptr;
    void *m_handle = nullptr;
    ub4 m_type = 0;
};

} // namespace db
