#pragma once

#include "OciApi.h"

#include <utility>

namespace db {

class OciLibrary;

// Handles (OCIHandleAlloc) and descriptors (OCIDescriptorAlloc) differ only in the calls that make and
// free them: one owner serves both.
struct OciHandleKind {
    static sword allocate(const OciLibrary &lib, const void *parent, void **object, ub4 type);
    static void free(const OciLibrary &lib, void *object, ub4 type) noexcept;
    static constexpr const char *noun = "handle";
};

struct OciDescriptorKind {
    static sword allocate(const OciLibrary &lib, const void *env, void **object, ub4 type);
    static void free(const OciLibrary &lib, void *object, ub4 type) noexcept;
    static constexpr const char *noun = "descriptor";
};

// Owns one OCI handle or descriptor and frees it with its type when it goes.
// Threads: its owner's. Allocating and freeing in an OCI_THREADED environment may happen on any.
template <class Kind> class OciOwned {
public:
    OciOwned() = default;
    // Allocates one of this type under parent (descriptors: in the environment); throws db::Error when
    // the client refuses.
    OciOwned(const OciLibrary &lib, const void *parent, ub4 type);
    ~OciOwned() { reset(); }
    OciOwned(OciOwned &&other) noexcept { *this = std::move(other); }
    OciOwned &operator=(OciOwned &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_lib = std::exchange(other.m_lib, nullptr);
            m_object = std::exchange(other.m_object, nullptr);
            m_type = std::exchange(other.m_type, 0);
        }
        return *this;
    }
    OciOwned(const OciOwned &) = delete;
    OciOwned &operator=(const OciOwned &) = delete;

    // Takes one the client allocated itself (the environment, a parameter from OCIParamGet).
    void adopt(const OciLibrary &lib, void *object, ub4 type)
    {
        reset();
        m_lib = &lib;
        m_object = object;
        m_type = type;
    }
    void reset() noexcept
    {
        if (m_object && m_lib)
            Kind::free(*m_lib, m_object, m_type);
        m_object = nullptr;
    }
    void *get() const noexcept { return m_object; }
    // For calls that fill it in place (OCIParamGet on an error handle), and for the binds and defines
    // of LOB locators, which point at the locator's address.
    void **address() noexcept { return &m_object; }
    template <typename T> T *as() const noexcept { return static_cast<T *>(m_object); }

private:
    const OciLibrary *m_lib = nullptr;
    void *m_object = nullptr;
    ub4 m_type = 0;
};

using OciHandle = OciOwned<OciHandleKind>;
// A LOB locator, or a parameter descriptor handed out by OCIParamGet.
using OciDescriptor = OciOwned<OciDescriptorKind>;

extern template class OciOwned<OciHandleKind>;
extern template class OciOwned<OciDescriptorKind>;

} // namespace db
