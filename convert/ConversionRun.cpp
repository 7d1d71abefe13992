#include "ConversionRun.h"

#include "KeyConversion.h"
#include "NameRules.h"
#include "RowCopy.h"
#include "TargetSteps.h"

#include "db/Connection.h"

#include <cstdio>

namespace convert {

namespace {
inline constexpr std::size_t kCounterPrefix = 26; // bytes of W kept before the four-digit counter
inline constexpr int kLastCounter = 100;

std::string counterSuffix(int k)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", k);
    return digits;
}
} // namespace

ConversionRun::ConversionRun(RunConnections connections, ConversionOptions options, RunHooks hooks)
    : m_connections(std::move(connections)), m_options(std::move(options)), m_hooks(std::move(hooks))
{
}

RunOutcome ConversionRun::run(const std::vector<std::string> &tables)
{
    m_hooks.stopRequested = false;
    for (const auto &entry : tables) {
        if (m_hooks.stopRequested) {
            m_hooks.stopRequested = false;
            return RunOutcome::Stopped;
        }
        convertTable(entry);
    }
    for (const auto &line : m_hooks.completionLines)
        m_hooks.log.append(line);
    return RunOutcome::Completed;
}

std::string ConversionRun::targetNameFor(const std::string &working)
{
    if (working.size() <= kOracleNameLimit)
        return working;
    const std::string prefix = cutToBytes(working, kCounterPrefix);
    std::string candidate;
    for (int k = 0; k <= kLastCounter; ++k) {
        candidate = prefix + counterSuffix(k);
        if (!TargetTableExists(m_connections.oracleConn, candidate, m_connections.oracleUser))
            return candidate;
    }
    return candidate; // every name taken: the policy applies to the last one
}

void ConversionRun::convertTable(const std::string &entry)
{
    LogSink &log = m_hooks.log;
    TableNames names;
    names.source = entry;
    names.working = ApplyNameCase(entry, m_options.uppercaseNames);
    names.target = targetNameFor(names.working);
    const std::string &T = names.target;
    const bool exists = TargetTableExists(m_connections.oracleConn, T, m_connections.oracleUser);
    // Resuming keeps what an earlier run wrote, whatever the policy says.
    const auto policy = exists && m_options.resume ? ExistingTablePolicy::Merge : m_options.policy;

    if (exists && policy == ExistingTablePolicy::Overwrite) {
        log.append("Drop table " + T + "... ");
        StepResult dropped = DropTargetTable(m_connections.oracleData, T);
        if (dropped.success)
            log.replaceLast("Drop table " + T + "...Done");
        else
            log.append(dropped.message);
        log.append("");
    }
    if (exists && policy == ExistingTablePolicy::Skip) {
        log.append("Skip table " + T + "... ");
        log.append("");
    }
    if (!exists || policy == ExistingTablePolicy::Overwrite) {
        log.append("Create table " + T + "... ");
        CreateResult created = CreateTargetTable(m_connections.oracleData, m_connections.catalog, names, m_options);
        if (created.success) {
            log.replaceLast("Create table " + T + "...Done");
            for (const auto &note : created.notes)
                log.append(note);
        } else {
            log.append(created.message);
        }
        log.append("");
        if (!m_options.skipIndexes) {
            KeyResult keys = ConvertKeys(m_connections.oracleData, m_connections.catalog, names, m_options);
            // A key Oracle refused is named with Oracle's reason; the table itself is usable.
            for (const auto &failure : keys.failures)
                log.append(failure.name + ": " + failure.message);
            for (const auto &note : keys.notes)
                log.append(note);
            if (!keys.failures.empty() || !keys.notes.empty())
                log.append("");
        }
    }
    if (m_options.definitionsOnly)
        return;
    if (exists && policy == ExistingTablePolicy::Skip) {
        log.append("Skip table " + T);
        log.append("");
        return;
    }
    log.append("Insert table " + T + "... ");
    CopyContext context{m_connections.rowSource, m_connections.rowProfile, m_connections.oracleInsert, m_options,
                        log, m_hooks.progressPoint, m_hooks.stopRequested};
    context.continueAfterTarget = exists && policy == ExistingTablePolicy::Merge;
    CopyResult copied = CopyTableRows(context, names);
    if (copied.success) {
        log.replaceLast(log.lastLine() + "...Done");
        for (const auto &note : copied.notes)
            log.append(note);
        if (copied.verification)
            log.append(copied.verification->logLine(T));
    } else {
        for (const auto &row : copied.rejected)
            log.append("Row " + std::to_string(row.row) + ": " + row.message);
        if (copied.rejectedCount > copied.rejected.size())
            log.append("... and " + std::to_string(copied.rejectedCount - copied.rejected.size()) + " more");
        log.append(copied.message);
        for (const auto &note : copied.notes)
            log.append(note);
        if (copied.verification)
            log.append(copied.verification->logLine(T));
    }
    log.append("");
}

} // namespace convert
