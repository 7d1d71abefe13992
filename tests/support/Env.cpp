#include "support/Env.h"

#include <cstdlib>

namespace testsupport {

std::string env(const char *name, const std::string &fallback)
{
    const char *v = std::getenv(name);
    return v ? std::string(v) : fallback;
}

ScopedEnv::ScopedEnv(const char *name, const char *value) : m_name(name) { setenv(name, value, 1); }

ScopedEnv::~ScopedEnv() { unsetenv(m_name); }

} // namespace testsupport
