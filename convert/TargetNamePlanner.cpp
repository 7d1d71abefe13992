#include "TargetNamePlanner.h"

#include "NameRules.h"

#include "db/Error.h"

#include <cstdio>

namespace convert {

namespace {
inline constexpr int kLastCounter = 100;

std::string counterSuffix(int k)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", k);
    return digits;
}

bool isDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

// Whether the name is W, or W's counter form: the Oracle names a run could have given W.
bool couldBeNameOf(const std::string &table, const std::string &working, std::size_t nameBytes)
{
    if (table == working)
        return true;
    const std::string prefix = cutToBytes(working, nameBytes - 4);
    return table.size() == prefix.size() + 4 && table.compare(0, prefix.size(), prefix) == 0 &&
           isDigits(std::string_view(table).substr(prefix.size()));
}
} // namespace

TargetNamePlanner::TargetNamePlanner(const OracleSchema &oracle, const std::vector<std::string> &sourceTables,
                                     bool uppercase, std::size_t nameBytes)
    : m_oracle(oracle), m_uppercase(uppercase), m_nameBytes(nameBytes)
{
    for (const auto &table : sourceTables)
        m_workingNames.insert(ApplyNameCase(table, uppercase));
}

TableNames TargetNamePlanner::namesFor(const std::string &source)
{
    TableNames names;
    names.source = source;
    names.working = ApplyNameCase(source, m_uppercase);
    const std::string &W = names.working;
    names.target = foundByMarker(source, W);
    if (names.target.empty() && W.size() <= m_nameBytes && !m_taken.count(W) && !givenToAnother(W, source))
        names.target = W;
    if (names.target.empty())
        names.target = counterName(source, W);
    m_taken.insert(names.target);
    names.marked = names.target != W || m_workingNames.count(W) > 1;
    return names;
}

TableNames TargetNamePlanner::existingNamesFor(const std::string &source) const
{
    TableNames names;
    names.source = source;
    names.working = ApplyNameCase(source, m_uppercase);
    names.target = foundByMarker(source, names.working);
    if (names.target.empty() && m_oracle.tables.count(names.working) && !givenToAnother(names.working, source))
        names.target = names.working;
    // A table an older run cut and counted without a marker: the first counter Oracle has.
    const std::string prefix = cutToBytes(names.working, m_nameBytes - 4);
    for (int k = 0; k <= kLastCounter && names.target.empty() && names.working.size() > m_nameBytes; ++k) {
        const std::string candidate = prefix + counterSuffix(k);
        if (m_oracle.tables.count(candidate) && !m_oracle.markedSources.count(candidate))
            names.target = candidate;
    }
    names.marked = !names.target.empty() && (names.target != names.working || m_workingNames.count(names.working) > 1);
    return names;
}

std::string TargetNamePlanner::foundByMarker(const std::string &source, const std::string &working) const
{
    for (const auto &[table, marked] : m_oracle.markedSources)
        if (marked == source && !m_taken.count(table) && couldBeNameOf(table, working, m_nameBytes))
            return table;
    return {};
}

bool TargetNamePlanner::givenToAnother(const std::string &table, const std::string &source) const
{
    const auto marked = m_oracle.markedSources.find(table);
    return marked != m_oracle.markedSources.end() && marked->second != source;
}

std::string TargetNamePlanner::counterName(const std::string &source, const std::string &working) const
{
    const std::string prefix = cutToBytes(working, m_nameBytes - 4);
    std::string last; // the last candidate no table of this run took
    for (int k = 0; k <= kLastCounter; ++k) {
        const std::string candidate = prefix + counterSuffix(k);
        if (m_taken.count(candidate))
            continue;
        if (!m_oracle.tables.count(candidate))
            return candidate;
        last = candidate;
    }
    if (last.empty())
        throw db::Error("No Oracle name is left for table " + working + ": the names " + prefix + "0000 to " + prefix +
                        counterSuffix(kLastCounter) + " all belong to other tables of this conversion");
    if (givenToAnother(last, source))
        throw db::Error("No Oracle name is left for table " + working + ": the names " + prefix + "0000 to " + prefix +
                        counterSuffix(kLastCounter) + " are all taken, the last by the table made from MySQL table " +
                        m_oracle.markedSources.at(last));
    return last;
}

} // namespace convert
