#include "ConversionRun.h"

#include "ExistingObjects.h"
#include "KeyConversion.h"
#include "NameRules.h"
#include "OracleAllowance.h"
#include "RowCopy.h"
#include "SchemaDetails.h"
#include "SchemaSteps.h"
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
    m_keyed.clear();
    m_failedTables.assign(tables.size(), 0);
    m_plan.reset();
    m_record.selected(tables);
    try {
        // What the server and the user allow settles names and identities for the whole run; what they
        // lack is said before anything is sent.
        const OracleAllowance allowance =
            SettleOracleAllowance(m_connections.oracleData, m_connections.oracleUser, m_options);
        m_options.allows = allowance.allows;
        for (const auto &line : allowance.lines)
            m_hooks.log.append(line.text);
        if (!allowance.lines.empty())
            m_hooks.log.append("");
        // A long selection takes a while to plan; a stop asked meanwhile is acted on at the first table.
        m_plan = RunPlan::make(m_connections.catalog, m_connections.oracleConn, m_connections.oracleUser, tables,
                               m_options, [this] { goOn(); });
        std::vector<TableNames> names;
        for (const auto &table : m_plan->tables)
            names.push_back(table.names);
        m_record.named(names);
        for (; m_current < tables.size() && goOn(); ++m_current) {
            if (!convertTable(m_plan->tables[m_current])) {
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
    if (!stopped && m_options.keepSchema && !m_keyed.empty())
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

bool ConversionRun::goOn(std::size_t rows)
{
    if (m_hooks.progress && !m_hooks.progress(Progress{m_current, m_summary.tables, rows}))
        m_stopAsked = true;
    return !m_stopAsked;
}

bool ConversionRun::convertTable(const TablePlan &table)
{
    LogSink &log = m_hooks.log;
    const TableNames &names = table.names;
    const std::string &T = names.target;
    m_record.startTable(m_current);
    const bool exists = !T.empty() && TargetTableExists(m_connections.oracleConn, T, m_connections.oracleUser);
    // Resuming keeps what an earlier run wrote, whatever the policy says.
    const auto policy = exists && m_options.resume ? ExistingTablePolicy::Merge : m_options.policy;
    if (!goOn())
        return false; // nothing of this table touched yet
    if (exists && policy == ExistingTablePolicy::Skip) {
        m_record.skipped();
        log.append("Skip table " + T + "... ");
        log.append("");
        if (!m_options.definitionsOnly) {
            log.append("Skip table " + T);
            log.append("");
        }
        finishTable(false);
        return true;
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
        m_record.step("read", failure);
        finishTable(true);
        return true;
    }
    bool failed = false;
    if (TableIsView(m_connections.catalog, names.source))
        log.append("View " + names.source + ": its table " + T + " holds a snapshot of the rows the view shows now");

    PreparedTable prepared;
    std::vector<ReferencingKey> referencing;
    bool prepare = true;
    if (exists && policy == ExistingTablePolicy::Overwrite) {
        if (!replaceTable(names, prepared, referencing, failed))
            return true;
        prepare = false;
        goOn(); // a stop waits for the table to be made again
    }
    const bool created = !exists || policy == ExistingTablePolicy::Overwrite;
    if (created) {
        if (prepare)
            prepared = PrepareTargetTable(m_connections.catalog, names, m_options);
        bool made = false;
        failed |= prepared.identityLeftOut;
        failed |= !createTable(names, std::move(prepared), made);
        goOn();
        if (made)
            m_keyed.push_back({m_current, names, false});
    }
    const bool continued = exists && policy == ExistingTablePolicy::Merge;
    if (m_options.definitionsOnly) {
        if (created && m_options.keepSchema)
            failed |= !addSchemaAfterRows(names, false);
        if (continued && m_options.resume)
            failed |= !finishResumedTable(names);
        failed |= !remakeReferencingKeys(names, referencing);
        finishTable(failed);
        return true;
    }
    if (!goOn())
        return false; // the table stands as defined, without rows
    if (!copyRows(names, continued, failed))
        return false;
    if (created && m_options.keepSchema)
        failed |= !addSchemaAfterRows(names, false);
    if (continued && m_options.resume)
        failed |= !finishResumedTable(names);
    failed |= !remakeReferencingKeys(names, referencing);
    finishTable(failed);
    return true;
}

bool ConversionRun::replaceTable(const TableNames &names, PreparedTable &prepared,
                                 std::vector<ReferencingKey> &referencing, bool &failed)
{
    LogSink &log = m_hooks.log;
    const std::string &T = names.target;
    // Everything the new table needs from MySQL is read before the old one goes: a table that cannot
    // be read there keeps its Oracle rows.
    prepared = PrepareTargetTable(m_connections.catalog, names, m_options);
    if (!prepared.success) {
        log.append("Drop table " + T + "... ");
        log.append("Table " + T + " is left as it is: " + prepared.message);
        log.append("");
        m_record.step("read", prepared);
        endIfSessionLost(prepared);
        finishTable(true);
        return false;
    }
    referencing = ReadReferencingKeys(m_connections.oracleData, m_connections.oracleUser, T);
    requireLiveSessions();
    log.append("Drop table " + T + "... ");
    const StepResult dropped = DropTargetTable(m_connections.oracleData, T);
    m_record.step("drop", dropped);
    if (dropped.success) {
        log.replaceLast("Drop table " + T + "...Done");
        log.append("");
        return true;
    }
    // A table that is still there is not made again, and its rows are not added to: the old rows would
    // meet the new ones.
    log.append(dropped.message);
    log.append("");
    failed = true;
    endIfSessionLost(dropped);
    finishTable(true);
    return false;
}

bool ConversionRun::createTable(const TableNames &names, PreparedTable prepared, bool &made)
{
    LogSink &log = m_hooks.log;
    const std::string &T = names.target;
    log.append("Create table " + T + "... ");
    const CreateResult created = CreateTargetTable(m_connections.oracleData, prepared, names);
    m_record.step("create", created);
    made = created.success;
    if (created.success) {
        log.replaceLast("Create table " + T + "...Done");
        for (const auto &note : created.notes)
            log.append(note);
    } else {
        log.append(created.message);
    }
    log.append("");
    endIfSessionLost(created);
    goOn();
    if (m_options.skipIndexes)
        return created.success;
    KeyResult keys = ConvertKeys(m_connections.oracleData, m_connections.catalog, names, m_options, m_plan->objects,
                                 [this] { goOn(); });
    m_record.keys(keys);
    // A key Oracle refused is named with Oracle's reason; the table itself is usable.
    for (const auto &failure : keys.failures)
        log.append(failure.name + ": " + failure.message);
    for (const auto &note : keys.notes)
        log.append(note);
    if (!keys.failures.empty() || !keys.notes.empty())
        log.append("");
    endIfSessionLost(keys);
    return created.success && keys.success;
}

// False when a stop ended the copy; failed is set when it did not bring every row.
bool ConversionRun::copyRows(const TableNames &names, bool kept, bool &failed)
{
    LogSink &log = m_hooks.log;
    const std::string &T = names.target;
    log.append("Insert table " + T + "... ");
    ProgressHook copyProgress = [this](const Progress &p) { return goOn(p.rows); };
    CopyContext context{
        m_connections.rowSource, m_connections.rowProfile, m_connections.oracleInsert, m_options, log, copyProgress};
    context.kept = !kept ? KeptTable::None : m_options.resume ? KeptTable::Resume : KeptTable::Merge;
    context.counter = &m_connections.oracleConn;
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
    // A table whose Oracle rows do not read back as the MySQL rows was not converted, whatever the steps
    // said; nor was one that got none of the rows it was given.
    const bool differs = copied.verification && !copied.verification->match;
    const bool allRefused = copied.rejectedCount > 0 && copied.rejectedCount == copied.rows;
    // A resumed table is finished only when no row it should hold is missing, whichever run refused it.
    const bool resumedShort = kept && m_options.resume && copied.rejectedCount > 0;
    failed |= !copied.complete || differs || allRefused || resumedShort;
    return true;
}

// What an earlier run of a resumed table left undone: its keys and, when constraints are kept, the rest
// of its schema, each only where the table lacks it. Its foreign keys come with the others at the end.
bool ConversionRun::finishResumedTable(const TableNames &names)
{
    LogSink &log = m_hooks.log;
    const ExistingObjects there =
        ExistingObjects::read(m_connections.oracleData, m_connections.oracleUser, names.target);
    bool finished = true;
    if (!m_options.skipIndexes) {
        std::vector<std::string> notes;
        std::vector<KeyStatement> missing;
        for (auto &statement : BuildKeyStatements(m_connections.catalog, names, m_options, m_plan->objects, &notes))
            if (!there.has(statement))
                missing.push_back(std::move(statement));
        const KeyResult keys = RunKeyStatements(m_connections.oracleData, missing, [this] { goOn(); });
        m_record.keys(keys);
        for (const auto &failure : keys.failures)
            log.append(failure.name + ": " + failure.message);
        if (!missing.empty())
            log.append("Keys of table " + names.target + " an earlier run did not make: " +
                       std::to_string(missing.size() - keys.failures.size()) + " made");
        log.append("");
        endIfSessionLost(keys);
        finished = keys.success;
    }
    if (m_options.keepSchema) {
        finished &= addSchemaAfterRows(names, true);
        m_keyed.push_back({m_current, names, true});
    }
    return finished;
}

// The foreign keys of other tables that pointed at a table the run replaced. A key whose table gets its
// foreign keys from MySQL at the end of this run is left to that.
bool ConversionRun::remakeReferencingKeys(const TableNames &names, const std::vector<ReferencingKey> &keys)
{
    if (keys.empty())
        return true;
    SchemaResult result;
    for (const auto &key : keys) {
        bool fromMySql = false;
        for (const auto &keyed : m_keyed)
            fromMySql = fromMySql || (m_options.keepSchema && keyed.names.target == key.table);
        if (fromMySql)
            continue;
        const std::string statement = key.statement(names.target);
        try {
            m_connections.oracleData.execute(statement);
            ++result.sent;
        } catch (const db::Error &e) {
            result.failures.push_back({key.name, e.what(), statement});
        }
    }
    if (result.sent > 0)
        result.notes.push_back("Foreign keys of other tables that point at " + names.target + ": " +
                               std::to_string(result.sent) + " made again");
    m_record.schema(result.failures);
    logSchema(result);
    return result.failures.empty();
}

// The rest of a table's schema, after its rows; false when Oracle refused some of it. A continued table
// gets only what it lacks.
bool ConversionRun::addSchemaAfterRows(const TableNames &names, bool continued)
{
    SchemaResult schema;
    try {
        AlreadyThere filter;
        std::optional<ExistingObjects> there;
        if (continued) {
            there = ExistingObjects::read(m_connections.oracleData, m_connections.oracleUser, names.target);
            filter = [&](const SchemaStatement &statement) {
                if (statement.kind == ObjectKind::Identity && !there->isIdentity(statement.column))
                    schema.notes.push_back("Column \"" + statement.column + "\" of " + names.target +
                                           " was made without an identity and cannot become one: its numbers are "
                                           "not carried");
                return there->has(statement);
            };
        }
        SendSchemaStatements(
            m_connections.oracleData,
            BuildSchemaAfterRows(m_connections.catalog, names, m_options, m_plan->objects, schema.notes), schema,
            filter);
    } catch (const db::ConnectionLostError &) {
        throw;
    } catch (const db::Error &e) {
        schema.failures.push_back({names.target, e.what(), e.statement()});
    }
    m_record.schema(schema.failures);
    logSchema(schema);
    return schema.failures.empty();
}

// Foreign keys of the tables this run made or continued, once all of them hold their rows. A key Oracle
// refuses fails the table it belongs to; the step itself is no table.
void ConversionRun::addForeignKeys()
{
    m_hooks.log.append("Foreign keys... ");
    SchemaResult all;
    for (const auto &table : m_keyed) {
        SchemaResult keys;
        try {
            AlreadyThere filter;
            std::optional<ExistingObjects> there;
            if (table.continued) {
                there = ExistingObjects::read(m_connections.oracleData, m_connections.oracleUser, table.names.target);
                filter = [&](const SchemaStatement &statement) { return there->has(statement); };
            }
            AddForeignKeys(m_connections.oracleData, m_connections.catalog, table.names, m_plan->targets, m_options,
                           m_plan->objects, keys, filter);
        } catch (const db::ConnectionLostError &) {
            throw;
        } catch (const db::Error &e) {
            keys.failures.push_back({table.names.target, e.what(), e.statement()});
        }
        all.sent += keys.sent;
        all.failures.insert(all.failures.end(), keys.failures.begin(), keys.failures.end());
        all.notes.insert(all.notes.end(), keys.notes.begin(), keys.notes.end());
        if (!keys.failures.empty() && !m_failedTables[table.index]) {
            m_failedTables[table.index] = 1;
            --m_summary.converted;
            ++m_summary.failed;
            m_record.failTable(table.index, "foreignKeys", keys.failures);
        }
    }
    m_record.foreignKeys(all.failures);
    m_hooks.log.replaceLast("Foreign keys: " + std::to_string(all.sent) + " created");
    logSchema(all);
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

// A step that failed because a session is gone is the last one: every later table would be dropped or
// created without being filled, or wait on a MySQL server that no longer answers.
void ConversionRun::endIfSessionLost(const StepResult &step)
{
    if (!step.success &&
        (step.sessionLost || !m_connections.oracleData.isOpen() || !m_connections.oracleInsert.isOpen()))
        throw LoggedSessionLoss(step.message);
}

void ConversionRun::finishTable(bool failed)
{
    ++(failed ? m_summary.failed : m_summary.converted);
    m_failedTables[m_current] = failed;
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
