#include "support/Env.h"

#include <cstdlib>

namespace testsupport {

std::string env(const char *name, const std::string &fallback)
{
    const char *v = std::getenv(name);
    return v ? std::string(v) : fallback;
}

} // namespace testsupport
