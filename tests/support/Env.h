#pragma once

#include <string>

namespace testsupport {

std::string env(const char *name, const std::string &fallback = {});

// A variable set in this process's environment for as long as it lives (the stand-in reads its
// settings at each logon), and removed again when it goes.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
};

} // namespace testsupport
