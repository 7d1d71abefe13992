#pragma once

#include "db/oci/OciApi.h"

#include <mutex>
#include <vector>

namespace oraclesim {

class EnvHandle;

// Every handle and descriptor the library gives out. Live handles are registered by address, so a
// NULL, freed or foreign pointer, or a handle of another type, is recognised without touching it
// and answered with OCI_INVALID_HANDLE.
class HandleBase {
public:
    HandleBase(ub4 type, EnvHandle *env, bool ownedByParent);
    virtual ~HandleBase();
    HandleBase(const HandleBase &) = delete;
    HandleBase &operator=(const HandleBase &) = delete;

    ub4 handleType() const noexcept { return m_type; }
    EnvHandle *env() const noexcept { return m_env; }
    // Binds, defines, parameter descriptors and batch-error handles belong to the handle that made them.
    bool ownedByParent() const noexcept { return m_ownedByParent; }

    static HandleBase *find(const void *pointer);
    template <class T> static T *find(const void *pointer, ub4 type)
    {
        HandleBase *h = find(pointer);
        return h && h->m_type == type ? static_cast<T *>(h) : nullptr;
    }
    // Runs fn(handle) with the handle registered at pointer, or not at all; no handle is retired
    // meanwhile. For a thread other than the one that owns the handle (OCIBreak).
    template <class Fn> static bool visit(const void *pointer, Fn &&fn)
    {
        std::lock_guard lock(registryMutex());
        HandleBase *h = findLocked(pointer);
        return h && fn(h);
    }
    // No longer found: called before a handle is destroyed, so that no other thread visits it meanwhile.
    void retire();
    // Handles of this environment that nothing else owns, for freeing the environment.
    static std::vector<HandleBase *> ownedBy(const EnvHandle *env);

private:
    static std::mutex &registryMutex();
    static HandleBase *findLocked(const void *pointer);

    ub4 m_type;
    EnvHandle *m_env;
    bool m_ownedByParent;
};

} // namespace oraclesim
