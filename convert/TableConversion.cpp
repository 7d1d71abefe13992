#include "TableConversion.h"

#include "ConversionRun.h"
#include "ExistingObjects.h"
#include "KeyConversion.h"
#include "RowCopy.h"
#include "SchemaDetails.h"
#include "SchemaSteps.h"
#include "TargetSteps.h"

#include "db/Connection.h"

#include <optional>

namespace convert {

namespace {

const char *const kAborted = "Operation aborted";

class TableConversion {
public:
    explicit TableConversion(TableContext &context) : m_ctx(context) {}

    TableOutcome run(const TablePlan &table);

private:
    bool replaceTable(const TableNames &names, PreparedTable &prepared);
    bool createTable(const TableNames &names, PreparedTable prepared);
    bool copyRows(const TableNames &names, bool kept, bool &failed);
    bool finishResumedTable(const TableNames &names);
    bool addSchemaAfterRows(const TableNames &names, bool continued);
    void requireLiveSessions();
    void endIfSessionLost(const StepResult &step);

    bool goOn(std::size_t rows, const char *step) { return m_ctx.goOn(rows, step); }
    // A step a Stop ended part way: said in the log as a stopped copy says it.
    void stopIf(bool stopped)
    {
        if (!stopped)
            return;
        m_stopped = true;
        m_ctx.log.append(kAborted);
        m_ctx.log.append("");
    }
    TableOutcome &finish(bool failed)
    {
        // A table a Stop broke off is stopped, not failed: its log says what each step met, and a resume
        // finishes it. A step that failed on its own while a stop was pending still fails the table.
        if (m_stopped)
            return m_outcome;
        m_outcome.finished = true;
        m_outcome.failed = failed;
        m_ctx.record.finish(failed ? "failed" : "converted");
        return m_outcome;
    }

    TableContext &m_ctx;
    TableOutcome m_outcome;
    // A Stop broke one of the table's calls, or came between its statements: nothing more of it is sent.
    bool m_stopped = false;
};

TableOutcome TableConversion::run(const TablePlan &table)
{
    LogSink &log = m_ctx.log;
    const TableNames &names = table.names;
    const std::string &T = names.target;
    const bool exists = !T.empty() && TargetTableExists(m_ctx.connections.oracleConn, T, m_ctx.connections.oracleUser);
    // Resuming keeps what an earlier run wrote, whatever the policy says.
    const auto policy = exists && m_ctx.options.resume ? ExistingTablePolicy::Merge : m_ctx.options.policy;
    if (!goOn(0, "definition"))
        return m_outcome; // nothing of this table touched yet
    if (exists && policy == ExistingTablePolicy::Skip) {
        m_ctx.record.skipped();
        log.append("Skip table " + T + "... ");
        log.append("");
        if (!m_ctx.options.definitionsOnly) {
            log.append("Skip table " + T);
            log.append("");
        }
        return finish(false);
    }
    if (!table.problem.empty()) {
        // The MySQL table cannot be read (or has no Oracle name): nothing of it is touched in Oracle.
        const std::string step = exists && policy == ExistingTablePolicy::Overwrite ? "Drop"
                                 : exists                                           ? "Insert"
                                                                                    : "Create";
        log.append(step + " table " + (T.empty() ? names.working : T) + "... ");
        log.append(exists ? "Table " + T + " is left as it is: " + table.problem : table.problem);
        log.append("");
        StepResult failure;
        failure.fail(table.problem);
        m_ctx.record.step("read", failure);
        return finish(true);
    }
    bool failed = false;
    if (TableIsView(m_ctx.connections.catalog, names.source))
        log.append("View " + names.source + ": its table " + T + " holds a snapshot of the rows the view shows now");

    PreparedTable prepared;
    bool prepare = true;
    if (exists && policy == ExistingTablePolicy::Overwrite) {
        if (!replaceTable(names, prepared))
            return finish(true); // or stopped, when the drop was broken
        prepare = false;
        goOn(0, "definition"); // a stop waits for the table to be made again
    }
    const bool created = !exists || policy == ExistingTablePolicy::Overwrite;
    if (created) {
        if (prepare)
            prepared = PrepareTargetTable(m_ctx.connections.catalog, names, m_ctx.options);
        failed |= prepared.identityLeftOut;
        failed |= !createTable(names, std::move(prepared));
        if (m_stopped)
            return m_outcome; // made as far as it got; a resume finishes it
    }
    const bool continued = exists && policy == ExistingTablePolicy::Merge;
    if (!m_ctx.options.definitionsOnly) {
        if (!goOn(0, "rows"))
            return m_outcome; // the table stands as defined, without rows
        if (!copyRows(names, continued, failed))
            return m_outcome;
    }
    if (created && m_ctx.options.keepSchema)
        failed |= !addSchemaAfterRows(names, false);
    if (continued && m_ctx.options.resume)
        failed |= !finishResumedTable(names);
    return finish(failed);
}

// Drops an existing table to make it again; false (the table failed, untouched) when its MySQL side
// cannot be read or the drop was refused.
bool TableConversion::replaceTable(const TableNames &names, PreparedTable &prepared)
{
    LogSink &log = m_ctx.log;
    const std::string &T = names.target;
    // Everything the new table needs from MySQL is read before the old one goes: a table that cannot
    // be read there keeps its Oracle rows.
    prepared = PrepareTargetTable(m_ctx.connections.catalog, names, m_ctx.options);
    if (!prepared.success) {
        log.append("Drop table " + T + "... ");
        log.append(prepared.cancelled ? kAborted : "Table " + T + " is left as it is: " + prepared.message);
        log.append("");
        m_ctx.record.step("read", prepared);
        endIfSessionLost(prepared);
        m_stopped = prepared.cancelled;
        return false;
    }
    m_outcome.referencing = ReadReferencingKeys(m_ctx.connections.oracleData, m_ctx.connections.oracleUser, T);
    requireLiveSessions();
    log.append("Drop table " + T + "... ");
    const StepResult dropped = DropTargetTable(m_ctx.connections.oracleData, T);
    m_ctx.record.step("drop", dropped);
    if (dropped.success) {
        log.replaceLast("Drop table " + T + "...Done");
        log.append("");
        return true;
    }
    // A table that is still there is not made again, and its rows are not added to: the old rows would
    // meet the new ones.
    log.append(dropped.cancelled ? kAborted : dropped.message);
    log.append("");
    endIfSessionLost(dropped);
    m_stopped = dropped.cancelled;
    return false;
}

// False when a step failed; the table is made when its create went through.
bool TableConversion::createTable(const TableNames &names, PreparedTable prepared)
{
    LogSink &log = m_ctx.log;
    const std::string &T = names.target;
    log.append("Create table " + T + "... ");
    const CreateResult created = CreateTargetTable(m_ctx.connections.oracleData, prepared, names);
    m_ctx.record.step("create", created);
    m_outcome.made = created.success;
    if (created.success) {
        log.replaceLast("Create table " + T + "...Done");
        for (const auto &note : created.notes)
            log.append(note);
    } else {
        log.append(created.cancelled ? kAborted : created.message);
    }
    log.append("");
    endIfSessionLost(created);
    // A stop breaks the create under way, and then nothing more of the table is sent. One that comes
    // after it waits for the keys: built over an empty table they take no time, and the table stands
    // whole.
    goOn(0, "keys");
    if (created.cancelled) {
        m_stopped = true;
        return false;
    }
    if (m_ctx.options.skipIndexes)
        return created.success;
    KeyResult keys = ConvertKeys(m_ctx.connections.oracleData, m_ctx.connections.catalog, names, m_ctx.options,
                                 m_ctx.plan.objects, [this] {
                                     goOn(0, "keys");
                                     return true;
                                 });
    m_ctx.record.keys(keys);
    // A key Oracle refused is named with Oracle's reason; the table itself is usable.
    for (const auto &failure : keys.failures)
        log.append(failure.name + ": " + failure.message);
    for (const auto &note : keys.notes)
        log.append(note);
    if (!keys.failures.empty() || !keys.notes.empty())
        log.append("");
    endIfSessionLost(keys);
    stopIf(keys.stopped);
    return created.success && keys.success;
}

// False when a stop ended the copy; failed is set when it did not bring every row.
bool TableConversion::copyRows(const TableNames &names, bool kept, bool &failed)
{
    LogSink &log = m_ctx.log;
    const std::string &T = names.target;
    log.append("Insert table " + T + "... ");
    ProgressHook copyProgress = [this](const Progress &p) {
        return goOn(p.rows, p.step.empty() ? "rows" : p.step.c_str());
    };
    CopyContext context{m_ctx.connections.rowSource,
                        m_ctx.connections.rowProfile,
                        m_ctx.connections.oracleInsert,
                        m_ctx.options,
                        log,
                        copyProgress};
    context.kept = !kept ? KeptTable::None : m_ctx.options.resume ? KeptTable::Resume : KeptTable::Merge;
    context.counter = &m_ctx.connections.oracleConn;
    CopyResult copied = CopyTableRows(context, names);
    m_ctx.record.rows(copied);
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
    m_outcome.rejectedRows += copied.rejectedCount;
    if (copied.stopped)
        return false;
    endIfSessionLost(copied);
    // A table whose Oracle rows do not read back as the MySQL rows was not converted, whatever the steps
    // said; nor was one that got none of the rows it was given.
    const bool differs = copied.verification && !copied.verification->match;
    const bool allRefused = copied.rejectedCount > 0 && copied.rejectedCount == copied.rows;
    // A resumed table is finished only when no row it should hold is missing, whichever run refused it.
    const bool resumedShort = kept && m_ctx.options.resume && copied.rejectedCount > 0;
    failed |= !copied.complete || differs || allRefused || resumedShort;
    return true;
}

// What an earlier run of a resumed table left undone: its keys and, when constraints are kept, the rest
// of its schema, each only where the table lacks it. Its foreign keys come with the others at the end.
bool TableConversion::finishResumedTable(const TableNames &names)
{
    LogSink &log = m_ctx.log;
    const ExistingObjects there =
        ExistingObjects::read(m_ctx.connections.oracleData, m_ctx.connections.oracleUser, names.target);
    bool finished = true;
    if (!m_ctx.options.skipIndexes) {
        std::vector<std::string> notes;
        std::vector<KeyStatement> missing;
        for (auto &statement :
             BuildKeyStatements(m_ctx.connections.catalog, names, m_ctx.options, m_ctx.plan.objects, &notes))
            if (!there.has(statement))
                missing.push_back(std::move(statement));
        const KeyResult keys =
            RunKeyStatements(m_ctx.connections.oracleData, missing, [this] { return goOn(0, "keys"); });
        m_ctx.record.keys(keys);
        for (const auto &failure : keys.failures)
            log.append(failure.name + ": " + failure.message);
        if (!missing.empty())
            log.append("Keys of table " + names.target + " an earlier run did not make: " +
                       std::to_string(missing.size() - keys.failures.size()) + " made");
        log.append("");
        endIfSessionLost(keys);
        stopIf(keys.stopped);
        finished = keys.success && !keys.stopped;
    }
    if (m_ctx.options.keepSchema && !m_stopped) {
        finished &= addSchemaAfterRows(names, true);
        m_outcome.continued = true;
    }
    return finished;
}

// The rest of a table's schema, after its rows; false when Oracle refused some of it. A continued table
// gets only what it lacks.
bool TableConversion::addSchemaAfterRows(const TableNames &names, bool continued)
{
    SchemaResult schema;
    try {
        AlreadyThere filter;
        std::optional<ExistingObjects> there;
        if (continued) {
            there = ExistingObjects::read(m_ctx.connections.oracleData, m_ctx.connections.oracleUser, names.target);
            filter = [&](const SchemaStatement &statement) {
                if (statement.kind == ObjectKind::Identity && !there->isIdentity(statement.column))
                    schema.notes.push_back("Column \"" + statement.column + "\" of " + names.target +
                                           " was made without an identity and cannot become one: its numbers are "
                                           "not carried");
                return there->has(statement);
            };
        }
        SendSchemaStatements(
            m_ctx.connections.oracleData,
            BuildSchemaAfterRows(m_ctx.connections.catalog, names, m_ctx.options, m_ctx.plan.objects, schema.notes),
            schema, filter, [this] { return goOn(0, "keys"); });
    } catch (const db::ConnectionLostError &) {
        throw;
    } catch (const db::CancelledError &) {
        schema.stopped = true;
    } catch (const db::Error &e) {
        schema.failures.push_back({names.target, e.what(), e.statement()});
    }
    m_ctx.record.schema(schema.failures);
    LogSchemaResult(m_ctx.log, schema);
    stopIf(schema.stopped);
    return schema.failures.empty() && !schema.stopped;
}

// A drop is the one step the run cannot take back: it goes ahead only while both sessions that make and
// fill the table again answer.
void TableConversion::requireLiveSessions()
{
    if (!m_ctx.connections.oracleData.ping())
        throw db::ConnectionLostError("The Oracle connection for table definitions no longer answers");
    if (!m_ctx.connections.oracleInsert.ping())
        throw db::ConnectionLostError("The Oracle connection for rows no longer answers");
}

// A step that failed because a session is gone is the last one: every later table would be dropped or
// created without being filled, or wait on a MySQL server that no longer answers.
void TableConversion::endIfSessionLost(const StepResult &step)
{
    if (!step.success &&
        (step.sessionLost || !m_ctx.connections.oracleData.isOpen() || !m_ctx.connections.oracleInsert.isOpen()))
        throw LoggedSessionLoss(step.message);
}

} // namespace

TableOutcome ConvertTable(TableContext &context, const TablePlan &table) { return TableConversion(context).run(table); }

} // namespace convert
