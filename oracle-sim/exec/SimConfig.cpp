#include "SimConfig.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace oraclesim {

namespace {
const char *env(const char *name)
{
    const char *v = std::getenv(name);
    return v && *v ? v : nullptr;
}
} // namespace

SimConfig SimConfig::fromEnvironment()
{
    SimConfig c;
    if (const char *v = env("ORACLE_SIM_FAIL_EXECUTE")) {
        std::string s = v;
        auto colon = s.find(':');
        if (colon != std::string::npos) {
            c.failExecuteAt = std::strtol(s.substr(0, colon).c_str(), nullptr, 10);
            c.failError = OraError::parse(s.substr(colon + 1));
        }
    }
    if (const char *v = env("ORACLE_SIM_DROP_AFTER")) {
        // "N" or "N:ORA-nnnnn: text": the error the lost connection shows as (ORA-03113 by default).
        std::string s = v;
        c.dropAfter = std::strtol(s.c_str(), nullptr, 10);
        if (auto colon = s.find(':'); colon != std::string::npos)
            c.dropError = OraError::parse(s.substr(colon + 1));
    }
    if (const char *v = env("ORACLE_SIM_LOSE_COMMIT"))
        c.loseCommitAt = std::strtol(v, nullptr, 10);
    if (const char *v = env("ORACLE_SIM_DELAY_MS"))
        c.delayMs = std::strtod(v, nullptr);
    if (const char *v = env("ORACLE_SIM_DDL_DELAY_MS"))
        c.ddlDelayMs = std::strtod(v, nullptr);
    if (const char *v = env("ORACLE_SIM_DML_DELAY_MS"))
        c.dmlDelayMs = std::strtod(v, nullptr);
    if (const char *v = env("ORACLE_SIM_MAX_IDENTIFIER"))
        c.maxIdentifier = std::strtoul(v, nullptr, 10) >= 128 ? 128 : 30;
    if (const char *v = env("ORACLE_SIM_LOCK_TIMEOUT_MS"))
        c.lockTimeoutMs = static_cast<int>(std::strtol(v, nullptr, 10));
    return c;
}

long SimConfig::nextExecuteNumber()
{
    static std::atomic<long> counter{0};
    return ++counter;
}

} // namespace oraclesim
