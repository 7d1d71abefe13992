#include "ConversionRun.h"

#include "KeyConversion.h"
#include "NameRules.h"
#include "RowCopy.h"
#include "SchemaDetails.h"
#include "SchemaSteps.h"
#include "TargetNamePlanner.h"
#include "TargetSteps.h"

#include "db/Connection.h"
#include "db/Error.h"

#include <exception>

namespace convert {

namespace {

// A lost session that a step has already reported in the log.
class LoggedSessionLoss : public db::ConnectionLostError {
public:
    using db::ConnectionLostError::ConnectionLostError;
};

// The text with %1, %2 ... replaced by the values, in one pass, so a value holding "%2" stays as it is.
std::string fillIn(const std::string &text, const std::vector<std::string> &values)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && next <= '9' && static_cast<std::size_t>(next - '1') < values.size()) {
            out += values[static_cast<std::size_t>(next - '1')];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> counts(const RunSummary &s)
{
    return {std::to_string(s.converted), std::to_string(s.tables), std::to_string(s.failed),
            std::to_string(s.rejectedRows)};
}

} // namespace

ConversionRun::ConversionRun(RunConnections connections, ConversionOptions options, RunHooks hooks)
    : m_connections(std::move(connections)), m_options(std::move(options)), m_hooks(std::move(hooks))
{
}

RunSummary ConversionRun::run(const std::vector<std::string> &tables)
{
    m_summary = RunSummary{};
    m_summary.tables = tables.size();
    m_current = m_finished = 0;
    m_stopAsked = false;
    m_created.clear();
    m_record.selected(tables);
    try {
        const std::vector<TableNames> names = planNames(tables);
        m_record.named(names);
        for (; m_current < tables.size() && goOn(); ++m_current) {
            if (!convertTable(names[m_current])) {
                m_record.finishTable("stopped");
                break;
            }
        }
    } catch (const std::exception &e) {
        m_record.endedByError(e.what());
        LogSink &log = m_hooks.log;
        if (!dynamic_cast<const LoggedSessionLoss *>(&e))
            log.append(e.what());
        log.append(fillIn(m_hooks.closing.endedAt, {m_current < tables.size() ? tables[m_current] : ""}));
        writeNotConverted(tables);
        throw;
    }
    // A stop asked after the last table's last progress point found nothing left to stop.
    const bool stopped = m_stopAsked && m_finished < tables.size();
    if (!stopped && m_options.keepSchema && !m_created.empty())
        addForeignKeys();
    if (!stopped)
        nameObjectsNotConverted();
    if (stopped) {
        m_summary.outcome = RunOutcome::Stopped;
        m_hooks.log.append(fillIn(m_hooks.closing.stopped, counts(m_summary)));
        writeNotConverted(tables);
    } else {
        writeClosingLines();
    }
    return m_summary;
}

std::vector<TableNames> ConversionRun::planNames(const std::vector<std::string> &tables)
{
    TargetNamePlanner planner([this](const std::string &candidate) {
        const bool exists = TargetTableExists(m_connections.oracleConn, candidate, m_connections.oracleUser);
        goOn(); // a long list of taken names is a long wait; a stop is acted on at the first table
        return exists;
    });
    std::vector<TableNames> names;
    names.reserve(tables.size());
    for (const auto &entry : tables) {
        TableNames n;
        n.source = entry;
        n.working = ApplyNameCase(entry, m_options.uppercaseNames);
        n.target = planner.nameFor(n.working);
        names.push_back(std::move(n));
    }
    return names;
}

bool ConversionRun::goOn(std::size_t rows)
{
    if (m_hooks.progress && !m_hooks.progress(Progress{m_current, m_summary.tables, rows}))
        m_stopAsked = true;
    return !m_stopAsked;
}

bool ConversionRun::convertTable(const TableNames &names)
{
    LogSink &log = m_hooks.log;
    const std::string &T = names.target;
    m_record.startTable(m_current);
    const bool exists = TargetTableExists(m_connections.oracleConn, T, m_connections.oracleUser);
    // Resuming keeps what an earlier run wrote, whatever the policy says.
    const auto policy = exists && m_options.resume ? ExistingTablePolicy::Merge : m_options.policy;
    if (!goOn())
        return false; // nothing of this table touched yet
    bool failed = false;
    if (TableIsView(m_connections.catalog, names.source))
        log.append("View " + names.source + ": its table " + T + " holds a snapshot of the rows the view shows now");

    if (exists && policy == ExistingTablePolicy::Overwrite) {
        requireLiveSessions();
        log.append("Drop table " + T + "... ");
        StepResult dropped = DropTargetTable(m_connections.oracleData, T);
        m_record.step("drop", dropped);
        if (dropped.success)
            log.replaceLast("Drop table " + T + "...Done");
        else
            log.append(dropped.message);
        log.append("");
        failed |= !dropped.success;
        endIfSessionLost(dropped);
        goOn(); // a stop waits for the table to be made again
    }
    if (exists && policy == ExistingTablePolicy::Skip) {
        m_record.skipped();
        log.append("Skip table " + T + "... ");
        log.append("");
    }
    if (!exists || policy == ExistingTablePolicy::Overwrite) {
        log.append("Create table " + T + "... ");
        CreateResult created = CreateTargetTable(m_connections.oracleData, m_connections.catalog, names, m_options);
        m_record.step("create", created);
        if (created.success) {
            log.replaceLast("Create table " + T + "...Done");
            for (const auto &note : created.notes)
                log.append(note);
        } else {
            log.append(created.message);
        }
        log.append("");
        failed |= !created.success;
        endIfSessionLost(created);
        goOn();
        if (!m_options.skipIndexes) {
            KeyResult keys =
                ConvertKeys(m_connections.oracleData, m_connections.catalog, names, m_options, [this] { goOn(); });
            m_record.keys(keys);
            // A key Oracle refused is named with Oracle's reason; the table itself is usable.
            for (const auto &failure : keys.failures)
                log.append(failure.name + ": " + failure.message);
            for (const auto &note : keys.notes)
                log.append(note);
            if (!keys.failures.empty() || !keys.notes.empty())
                log.append("");
            failed |= !keys.success;
            endIfSessionLost(keys);
        }
    }
    const bool created = !exists || policy == ExistingTablePolicy::Overwrite;
    if (created)
        m_created.push_back(names);
    if (m_options.definitionsOnly) {
        if (created && m_options.keepSchema)
            failed |= !addSchemaAfterRows(names);
        finishTable(failed);
        return true;
    }
    if (exists && policy == ExistingTablePolicy::Skip) {
        log.append("Skip table " + T);
        log.append("");
        finishTable(failed);
        return true;
    }
    if (!goOn())
        return false; // the table stands as defined, without rows

    log.append("Insert table " + T + "... ");
    ProgressHook copyProgress = [this](const Progress &p) { return goOn(p.rows); };
    CopyContext context{
        m_connections.rowSource, m_connections.rowProfile, m_connections.oracleInsert, m_options, log, copyProgress};
    context.continueAfterTarget = exists && policy == ExistingTablePolicy::Merge;
    CopyResult copied = CopyTableRows(context, names);
    m_record.rows(copied);
    if (copied.success) {
        log.replaceLast(log.lastLine() + "...Done");
    } else {
        for (const auto &row : copied.rejected)
            log.append("Row " + std::to_string(row.row) + ": " + row.message);
        if (copied.rejectedCount > copied.rejected.size())
            log.append("... and " + std::to_string(copied.rejectedCount - copied.rejected.size()) + " more");
        log.append(copied.message);
    }
    for (const auto &note : copied.notes)
        log.append(note);
    if (copied.verification)
        log.append(copied.verification->logLine(T));
    log.append("");
    m_summary.rejectedRows += copied.rejectedCount;
    if (copied.stopped)
        return false;
    endIfSessionLost(copied);
    if (created && m_options.keepSchema)
        failed |= !addSchemaAfterRows(names);
    // A table whose Oracle rows do not read back as the MySQL rows was not converted, whatever the steps said.
    const bool differs = copied.verification && !copied.verification->match;
    finishTable(failed || !copied.complete || differs);
    return true;
}

// The rest of a table's schema, after its rows; false when Oracle refused some of it.
bool ConversionRun::addSchemaAfterRows(const TableNames &names)
{
    const SchemaResult schema = AddSchemaAfterRows(m_connections.oracleData, m_connections.catalog, names, m_options);
    m_record.schema(schema.failures);
    logSchema(schema);
    return schema.failures.empty();
}

// Foreign keys between the tables this run made, once all of them hold their rows.
void ConversionRun::addForeignKeys()
{
    m_hooks.log.append("Foreign keys... ");
    const SchemaResult keys = AddForeignKeys(m_connections.oracleData, m_connections.catalog, m_created, m_options);
    m_record.foreignKeys(keys.failures);
    m_hooks.log.replaceLast("Foreign keys: " + std::to_string(keys.sent) + " created");
    logSchema(keys);
    m_summary.failed += keys.failures.empty() ? 0 : 1;
}

void ConversionRun::logSchema(const SchemaResult &schema)
{
    LogSink &log = m_hooks.log;
    for (const auto &failure : schema.failures)
        log.append(failure.name + ": " + failure.message);
    for (const auto &note : schema.notes)
        log.append(note);
    if (!schema.failures.empty() || !schema.notes.empty())
        log.append("");
}

// What the database holds besides tables and views is not converted; the log names each, so nobody has to
// find out later.
void ConversionRun::nameObjectsNotConverted()
{
    try {
        for (const auto &object : ListObjectsNotConverted(m_connections.catalog))
            m_hooks.log.append("Not converted: " + object);
    } catch (const db::Error &e) {
        m_hooks.log.append("The database's triggers, routines and events could not be listed: " +
                           std::string(e.what()));
    }
}

// A drop is the one step the run cannot take back: it goes ahead only while both sessions that make and
// fill the table again answer.
void ConversionRun::requireLiveSessions()
{
    if (!m_connections.oracleData.ping())
        throw db::ConnectionLostError("The Oracle connection for table definitions no longer answers");
    if (!m_connections.oracleInsert.ping())
        throw db::ConnectionLostError("The Oracle connection for rows no longer answers");
}

// A step that failed because its session is gone is the last one: every later table would be dropped or
// created without being filled.
void ConversionRun::endIfSessionLost(const StepResult &step)
{
    if (!step.success && (!m_connections.oracleData.isOpen() || !m_connections.oracleInsert.isOpen()))
        throw LoggedSessionLoss(step.message);
}

void ConversionRun::finishTable(bool failed)
{
    ++(failed ? m_summary.failed : m_summary.converted);
    m_record.finishTable(failed ? "failed" : "converted");
    m_finished = m_current + 1;
}

void ConversionRun::writeClosingLines()
{
    const auto &lines = m_hooks.closing.completed;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 1 && !m_summary.clean())
            m_hooks.log.append(fillIn(m_hooks.closing.withFailures, counts(m_summary)));
        else
            m_hooks.log.append(lines[i]);
    }
}

void ConversionRun::writeNotConverted(const std::vector<std::string> &tables)
{
    if (m_finished >= tables.size())
        return;
    std::string names;
    for (std::size_t i = m_finished; i < tables.size(); ++i)
        names += (i > m_finished ? ", " : "") + tables[i];
    m_hooks.log.append(fillIn(m_hooks.closing.notConverted, {names}));
}

} // namespace convert
