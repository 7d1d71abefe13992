#include "HandleBase.h"

#include <mutex>
#include <unordered_map>

namespace oraclesim {

namespace {
struct Registry {
    std::mutex mutex;
    std::unordered_map<const void *, HandleBase *> handles;
};
Registry &registry()
{
    static Registry *r = new Registry; // outlives every handle, also at process exit
    return *r;
}
} // namespace

HandleBase::HandleBase(ub4 type, EnvHandle *env, bool ownedByParent)
    : m_type(type), m_env(env), m_ownedByParent(ownedByParent)
{
    std::lock_guard lock(registry().mutex);
    registry().handles[this] = this;
}

HandleBase::~HandleBase() { retire(); }

void HandleBase::retire()
{
    std::lock_guard lock(registry().mutex);
    registry().handles.erase(this);
}

std::mutex &HandleBase::registryMutex() { return registry().mutex; }

HandleBase *HandleBase::findLocked(const void *pointer)
{
    if (!pointer)
        return nullptr;
    auto it = registry().handles.find(pointer);
    return it == registry().handles.end() ? nullptr : it->second;
}

HandleBase *HandleBase::find(const void *pointer)
{
    std::lock_guard lock(registry().mutex);
    return findLocked(pointer);
}

std::vector<HandleBase *> HandleBase::ownedBy(const EnvHandle *env)
{
    std::vector<HandleBase *> out;
    std::lock_guard lock(registry().mutex);
    for (auto &[p, h] : registry().handles)
        if (h->m_env == env && !h->m_ownedByParent && static_cast<const void *>(h) != env)
            out.push_back(h);
    return out;
}

} // namespace oraclesim
