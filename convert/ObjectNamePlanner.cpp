#include "ObjectNamePlanner.h"

#include "NameRules.h"

#include "db/Error.h"

#include <cstdio>

namespace convert {

namespace {
inline constexpr int kLastCounter = 9999;
} // namespace

ObjectNamePlanner::ObjectNamePlanner(ObjectNamePlanner &&other) noexcept
    : m_owners(std::move(other.m_owners)), m_nameBytes(other.m_nameBytes), m_taken(std::move(other.m_taken)),
      m_settled(std::move(other.m_settled))
{
}

ObjectNamePlanner &ObjectNamePlanner::operator=(ObjectNamePlanner &&other) noexcept
{
    m_owners = std::move(other.m_owners);
    m_nameBytes = other.m_nameBytes;
    m_taken = std::move(other.m_taken);
    m_settled = std::move(other.m_settled);
    return *this;
}

std::string ObjectNamePlanner::nameFor(const std::string &table, const std::string &id, const std::string &usual)
{
    const std::lock_guard lock(m_mutex);
    const auto key = std::make_pair(table, id);
    if (const auto settled = m_settled.find(key); settled != m_settled.end())
        return settled->second;
    std::string name = cutToBytes(usual, m_nameBytes);
    if (!isFree(name, table)) {
        const std::string prefix = cutToBytes(name, m_nameBytes - 4);
        std::string candidate;
        for (int k = 0; k <= kLastCounter && candidate.empty(); ++k) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%04d", k);
            if (isFree(prefix + digits, table))
                candidate = prefix + digits;
        }
        if (candidate.empty())
            throw db::Error("No name is left for " + name + " of table " + table);
        name = candidate;
    }
    m_taken.insert(name);
    return m_settled.emplace(key, std::move(name)).first->second;
}

bool ObjectNamePlanner::isFree(const std::string &name, const std::string &table) const
{
    if (m_taken.count(name))
        return false;
    const auto owner = m_owners.find(name);
    return owner == m_owners.end() || owner->second == table;
}

} // namespace convert
