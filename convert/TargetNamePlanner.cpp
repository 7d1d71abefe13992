#include "TargetNamePlanner.h"

#include "NameRules.h"

#include "db/Error.h"

#include <cstdio>

namespace convert {

namespace {
inline constexpr std::size_t kCounterPrefix = 26; // bytes of W kept before the four-digit counter
inline constexpr int kLastCounter = 100;

std::string counterSuffix(int k)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", k);
    return digits;
}
} // namespace

TargetNamePlanner::TargetNamePlanner(std::function<bool(const std::string &)> existsInOracle)
    : m_existsInOracle(std::move(existsInOracle))
{
}

std::string TargetNamePlanner::nameFor(const std::string &working)
{
    if (working.size() <= kOracleNameLimit && !m_taken.count(working)) {
        m_taken.insert(working);
        return working;
    }
    const std::string prefix = cutToBytes(working, kCounterPrefix);
    std::string chosen; // the last candidate no table of this run has
    for (int k = 0; k <= kLastCounter; ++k) {
        const std::string candidate = prefix + counterSuffix(k);
        if (m_taken.count(candidate))
            continue;
        chosen = candidate;
        if (!m_existsInOracle(candidate))
            break;
    }
    if (chosen.empty())
        throw db::Error("No Oracle name is left for table " + working + ": the names " + prefix + "0000 to " + prefix +
                        counterSuffix(kLastCounter) + " all belong to other tables of this conversion");
    m_taken.insert(chosen);
    return chosen;
}

} // namespace convert
