#include "ConversionRun.h"

#include "ExistingObjects.h"
#include "NameRules.h"
#include "OracleAllowance.h"
#include "SchemaDetails.h"
#include "TableConversion.h"
#include "TargetSteps.h"

#include "db/Connection.h"
#include "db/Error.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>
#include <memory>
#include <thread>

namespace convert {

namespace {

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

// A table up to this size (data and indexes) is counted before its copy: a moment's read, and its status
// line then says how far and how long exactly, where InnoDB's own row figure may be off by half.
constexpr std::size_t kCountedUpToBytes = std::size_t{32} << 20;

// Thrown from the planning's progress point when a stop was asked: a long selection is not planned to
// its end first.
struct PlanningStopped {};

std::vector<std::string> counts(const RunSummary &s)
{
    return {std::to_string(s.converted), std::to_string(s.tables), std::to_string(s.failed),
            std::to_string(s.rejectedRows)};
}

} // namespace

// One worker: its sessions (the run's own for the first, sessions made like them for the others).
struct ConversionRun::Worker {
    std::size_t id = 0;
    std::vector<std::unique_ptr<db::Connection>> owned;
    std::optional<RunConnections> connections;
};

ConversionRun::ConversionRun(RunConnections connections, ConversionOptions options, RunHooks hooks, RunScope scope)
    : m_connections(std::move(connections)), m_options(std::move(options)), m_hooks(std::move(hooks)), m_scope(scope)
{
}

void ConversionRun::requestStop() noexcept
{
    m_stopAsked = true;
    breakCalls();
}

void ConversionRun::breakCalls() noexcept
{
    const std::lock_guard lock(m_sessionsMutex);
    for (db::Connection *session : m_sessions)
        session->cancel();
}

RunSummary ConversionRun::run(const std::vector<std::string> &tables)
{
    m_summary = RunSummary{};
    m_keyed.clear();
    m_referencing.clear();
    m_finishedTables.assign(tables.size(), 0);
    m_failedTables.assign(tables.size(), 0);
    m_plan.reset();
    m_ended = nullptr;
    m_keysStopped = false;
    m_record.selected(tables);
    {
        const std::lock_guard lock(m_sessionsMutex);
        m_sessions = {&m_connections.catalog, &m_connections.rowSource, &m_connections.oracleConn,
                      &m_connections.oracleData, &m_connections.oracleInsert};
    }
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
        // A long selection takes a while to plan; a stop asked meanwhile ends the planning.
        m_plan = RunPlan::make(m_connections.catalog, m_connections.oracleConn, m_connections.oracleUser, tables,
                               m_options, [this] {
                                   const std::lock_guard lock(m_mutex);
                                   if (!goOnLocked(0, 0, "planning", 0))
                                       throw PlanningStopped{};
                               });
        std::vector<TableNames> names;
        for (const auto &table : m_plan->tables)
            names.push_back(table.names);
        m_record.named(names);
    } catch (const PlanningStopped &) {
        return stoppedBeforeAnyTable(tables);
    } catch (const db::CancelledError &) {
        return stoppedBeforeAnyTable(tables);
    } catch (const std::exception &e) {
        m_hooks.log.append(e.what());
        m_hooks.log.append(fillIn(m_hooks.closing.endedAt, {tables.empty() ? "" : tables[0]}));
        m_part = tablesOfThisPart();
        writeNotConverted(tables);
        throw;
    }
    m_part = tablesOfThisPart();
    m_summary.tables = m_part.size();
    m_next = 0;

    if (!m_scope.foreignKeysOnly) {
        // Each worker takes the next table of the part until none is left; the first is this thread.
        const std::size_t jobs = static_cast<std::size_t>(std::clamp(m_options.jobs, 1, ConversionOptions::kMaxJobs));
        std::vector<Worker> workers(std::min(jobs, std::max<std::size_t>(m_part.size(), 1)));
        for (std::size_t i = 0; i < workers.size(); ++i)
            workers[i].id = i;
        std::vector<std::thread> threads;
        for (std::size_t i = 1; i < workers.size(); ++i)
            threads.emplace_back([this, &workers, i] { work(workers[i]); });
        work(workers[0]);
        for (auto &thread : threads)
            thread.join();
        // Sessions of the other workers are gone with them.
        const std::lock_guard lock(m_sessionsMutex);
        m_sessions.resize(5);
    }
    if (m_ended) {
        m_hooks.log.append(fillIn(m_hooks.closing.endedAt, {tables[m_endedAt]}));
        writeNotConverted(tables);
        std::rethrow_exception(m_ended);
    }
    // A stop asked after the last table's last progress point found nothing left to stop.
    const bool stopped = m_stopAsked && std::count(m_finishedTables.begin(), m_finishedTables.end(), 1) <
                                            static_cast<std::ptrdiff_t>(m_part.size());
    if (!stopped) {
        // With constraints kept, a part leaves every foreign key to the last pass, which makes them from
        // MySQL once every part is in: another part may be replacing the tables they belong to.
        if (!(m_options.keepSchema && m_scope.parts > 1))
            remakeReferencingKeys();
        if (m_options.keepSchema && m_scope.parts > 1 && !m_scope.foreignKeysOnly)
            m_hooks.log.append("Foreign keys: left to the last pass, with --foreign-keys-only");
        else if (m_options.keepSchema || m_scope.foreignKeysOnly)
            addForeignKeys();
        if (m_keysStopped) {
            // Every table is in; the foreign keys not made yet come with a resume or the last pass.
            m_hooks.log.append("Foreign keys: stopped before all were made");
            m_summary.outcome = RunOutcome::Stopped;
            m_hooks.log.append(fillIn(m_hooks.closing.stopped, counts(m_summary)));
            return m_summary;
        }
        nameObjectsNotConverted();
        writeClosingLines();
    } else {
        m_summary.outcome = RunOutcome::Stopped;
        m_hooks.log.append(fillIn(m_hooks.closing.stopped, counts(m_summary)));
        writeNotConverted(tables);
    }
    return m_summary;
}

// The tables of this process's part, in selection order. Tables are dealt out largest first, each to the
// part with the least so far, by sizes rounded to powers of two (a size that grows a little between two
// hosts' readings keeps its part); ties by MySQL name. Every process reads the same listing and deals
// alike.
std::vector<std::size_t> ConversionRun::tablesOfThisPart() const
{
    const std::size_t count = m_record.tables().size();
    std::vector<std::size_t> all(count);
    for (std::size_t i = 0; i < count; ++i)
        all[i] = i;
    if (m_scope.parts <= 1 || !m_plan)
        return all;
    auto weight = [&](std::size_t i) {
        const std::size_t bytes = m_plan->tables[i].bytes;
        return bytes == 0 ? 0.0 : std::exp2(std::floor(std::log2(static_cast<double>(bytes))));
    };
    std::vector<std::size_t> order = all;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (weight(a) != weight(b))
            return weight(a) > weight(b);
        return m_plan->tables[a].names.source < m_plan->tables[b].names.source;
    });
    std::vector<double> load(m_scope.parts, 0);
    std::vector<std::size_t> mine;
    for (std::size_t i : order) {
        const auto lightest = std::min_element(load.begin(), load.end()) - load.begin();
        load[static_cast<std::size_t>(lightest)] += std::max(weight(i), 1.0);
        if (static_cast<std::size_t>(lightest) + 1 == m_scope.part)
            mine.push_back(i);
    }
    std::sort(mine.begin(), mine.end());
    return mine;
}

void ConversionRun::work(Worker &worker)
{
    try {
        if (worker.id == 0) {
            worker.connections.emplace(m_connections);
        } else {
            // Sessions of its own, made like the run's.
            for (db::Connection *like : {&m_connections.catalog, &m_connections.rowSource, &m_connections.oracleConn,
                                         &m_connections.oracleData, &m_connections.oracleInsert}) {
                worker.owned.push_back(like->another());
                {
                    const std::lock_guard lock(m_sessionsMutex);
                    m_sessions.push_back(worker.owned.back().get());
                }
                if (like != &m_connections.rowSource) // the copy opens it for each table
                    worker.owned.back()->open();
            }
            worker.connections.emplace(RunConnections{*worker.owned[0], *worker.owned[1], m_connections.rowProfile,
                                                      *worker.owned[2], *worker.owned[3], *worker.owned[4],
                                                      m_connections.oracleUser});
        }
        for (std::size_t next = m_next++; next < m_part.size() && !m_stopAsked && !m_ended; next = m_next++)
            convertNext(worker, m_part[next]);
    } catch (const std::exception &) {
        // Opening a worker's sessions failed: the run cannot take on this worker's tables. Under a stop
        // that is what was asked for.
        const std::lock_guard lock(m_mutex);
        if (!m_ended && !m_stopAsked) {
            m_ended = std::current_exception();
            m_endedAt = m_part.empty() ? 0 : m_part[std::min(m_next.load(), m_part.size() - 1)];
        }
    }
    if (worker.id != 0) {
        const std::lock_guard lock(m_sessionsMutex);
        for (const auto &owned : worker.owned)
            m_sessions.erase(std::remove(m_sessions.begin(), m_sessions.end(), owned.get()), m_sessions.end());
    }
}

void ConversionRun::convertNext(Worker &worker, std::size_t index)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!goOnLocked(index, 0, "definition", worker.id))
            return;
    }
    countIfCheap(*worker.connections, index);
    // With one worker the log is written as the table goes; with several, each table's lines are kept
    // and written together when it is done, so a table's lines stay together.
    const bool alone = std::clamp(m_options.jobs, 1, ConversionOptions::kMaxJobs) == 1;
    MemoryLog block;
    TableContext context{
        index,
        *worker.connections,
        m_options,
        *m_plan,
        alone ? static_cast<LogSink &>(m_hooks.log) : block,
        m_record.table(index),
        [this, &worker, index](std::size_t rows, const char *step) { return goOn(worker, index, rows, step); }};
    try {
        const TableOutcome outcome = ConvertTable(context, m_plan->tables[index]);
        if (!outcome.finished)
            context.record.finish("stopped");
        finishTable(index, outcome, alone ? nullptr : &block);
    } catch (const db::CancelledError &) {
        // A Stop broke a call between the steps' own handling: the table is stopped, like one whose
        // copy a stop ended.
        context.log.append("Operation aborted");
        context.log.append("");
        context.record.finish("stopped");
        finishTable(index, TableOutcome{}, alone ? nullptr : &block);
    } catch (const std::exception &e) {
        context.record.endedByError(e.what());
        const std::lock_guard lock(m_mutex);
        if (!alone)
            for (const auto &line : block.lines())
                m_hooks.log.append(line);
        if (!dynamic_cast<const LoggedSessionLoss *>(&e))
            m_hooks.log.append(e.what());
        if (!m_ended) {
            m_ended = std::current_exception();
            m_endedAt = index;
        }
    }
}

void ConversionRun::countIfCheap(RunConnections &connections, std::size_t index)
{
    const TablePlan &table = m_plan->tables[index];
    // A view has no row figure, and counting it may cost as much as copying it.
    if (m_options.definitionsOnly || !table.problem.empty() || !table.rowsExpected || table.bytes > kCountedUpToBytes)
        return;
    try {
        const auto rows = connections.catalog.query("select count(*) from " + quoteMySqlName(table.names.source));
        const std::lock_guard lock(m_mutex);
        m_plan->tables[index].rowsExpected = static_cast<std::size_t>(rows.at(0).at(0).toInteger());
    } catch (const db::Error &) {
        // The estimate stays; what went wrong, the table's own steps meet and say.
    }
}

bool ConversionRun::goOn(const Worker &worker, std::size_t index, std::size_t rows, const char *step)
{
    const std::lock_guard lock(m_mutex);
    return goOnLocked(index, rows, step, worker.id);
}

bool ConversionRun::goOnLocked(std::size_t index, std::size_t rows, const char *step, std::size_t worker)
{
    if (m_hooks.progress) {
        Progress progress;
        progress.table = index;
        progress.tables = m_plan ? m_part.size() : m_record.tables().size();
        progress.rows = rows;
        progress.step = step;
        progress.worker = worker;
        progress.tablesFinished =
            static_cast<std::size_t>(std::count(m_finishedTables.begin(), m_finishedTables.end(), 1));
        if (m_plan && index < m_plan->tables.size()) {
            progress.name = m_plan->tables[index].names.target;
            progress.rowsExpected = m_plan->tables[index].rowsExpected;
            std::size_t all = 0;
            bool known = true;
            for (std::size_t i : m_part) {
                known = known && m_plan->tables[i].rowsExpected.has_value();
                all += m_plan->tables[i].rowsExpected.value_or(0);
            }
            if (known)
                progress.runRowsExpected = all;
        }
        if (!m_hooks.progress(progress))
            m_stopAsked = true;
    }
    // Another worker's lost session stops this one too.
    return !m_stopAsked && !m_ended;
}

void ConversionRun::finishTable(std::size_t index, const TableOutcome &outcome, const MemoryLog *block)
{
    const std::lock_guard lock(m_mutex);
    if (block)
        for (const auto &line : block->lines())
            m_hooks.log.append(line);
    m_summary.rejectedRows += outcome.rejectedRows;
    const TableNames &names = m_plan->tables[index].names;
    if (outcome.made || outcome.continued)
        m_keyed.push_back({index, names, outcome.continued});
    for (const auto &key : outcome.referencing)
        m_referencing.push_back({{index, names, false}, key});
    if (!outcome.finished)
        return;
    ++(outcome.failed ? m_summary.failed : m_summary.converted);
    m_failedTables[index] = outcome.failed;
    m_finishedTables[index] = 1;
    goOnLocked(index, 0, "finished", 0);
}

// The foreign keys of other tables that pointed at a table the run replaced, once every table is in. A
// key whose table gets its foreign keys from MySQL at the end of this run is left to that; one Oracle
// refuses fails the replaced table.
void ConversionRun::remakeReferencingKeys()
{
    std::map<std::size_t, SchemaResult> byTable;
    for (const auto &[replaced, key] : m_referencing) {
        bool fromMySql = false;
        for (const auto &keyed : m_keyed)
            fromMySql = fromMySql || (m_options.keepSchema && keyed.names.target == key.table);
        if (fromMySql)
            continue;
        if (m_stopAsked) {
            m_keysStopped = true;
            break;
        }
        SchemaResult &result = byTable[replaced.index];
        const std::string statement = key.statement(replaced.names.target);
        try {
            m_connections.oracleData.execute(statement);
            ++result.sent;
        } catch (const db::ConnectionLostError &) {
            throw;
        } catch (const db::CancelledError &) {
            m_keysStopped = true;
            break;
        } catch (const db::Error &e) {
            result.failures.push_back({key.name, e.what(), statement});
        }
    }
    for (auto &[index, result] : byTable) {
        const std::string &target = m_plan->tables[index].names.target;
        if (result.sent > 0)
            result.notes.push_back("Foreign keys of other tables that point at " + target + ": " +
                                   std::to_string(result.sent) + " made again");
        LogSchemaResult(m_hooks.log, result);
        if (!result.failures.empty() && !m_failedTables[index]) {
            m_failedTables[index] = 1;
            --m_summary.converted;
            ++m_summary.failed;
            m_record.failTable(index, "schema", result.failures);
        }
    }
}

// Foreign keys of the tables this run made or continued (or, in the last pass, of every selected table
// Oracle holds), once all of them hold their rows. What Oracle has already is not sent again: a table
// another worker made, a pass run twice. A key Oracle refuses fails the table it belongs to; the step
// itself is no table.
void ConversionRun::addForeignKeys()
{
    if (m_scope.foreignKeysOnly) {
        for (std::size_t index : m_part) {
            const TableNames &names = m_plan->tables[index].names;
            const bool there = !names.target.empty() &&
                               TargetTableExists(m_connections.oracleConn, names.target, m_connections.oracleUser);
            if (there)
                m_keyed.push_back({index, names, true});
            else
                m_hooks.log.append("Table " + names.source + " has no Oracle table: no part converted it");
            ++(there ? m_summary.converted : m_summary.failed);
            m_failedTables[index] = !there;
            m_finishedTables[index] = 1;
        }
    }
    std::sort(m_keyed.begin(), m_keyed.end(),
              [](const KeyedTable &a, const KeyedTable &b) { return a.index < b.index; });
    {
        const std::lock_guard lock(m_mutex);
        goOnLocked(m_part.empty() ? 0 : m_part.back(), 0, "foreign keys", 0);
    }
    m_hooks.log.append("Foreign keys... ");
    SchemaResult all;
    for (const auto &table : m_keyed) {
        if (m_stopAsked) {
            m_keysStopped = true;
            break;
        }
        SchemaResult keys;
        try {
            const ExistingObjects there =
                ExistingObjects::read(m_connections.oracleData, m_connections.oracleUser, table.names.target);
            AddForeignKeys(
                m_connections.oracleData, m_connections.catalog, table.names, m_plan->targets, m_options,
                m_plan->objects, keys, [&](const SchemaStatement &statement) { return there.has(statement); },
                [this] { return !m_stopAsked.load(); });
        } catch (const db::ConnectionLostError &) {
            throw;
        } catch (const db::CancelledError &) {
            keys.stopped = true;
        } catch (const db::Error &e) {
            keys.failures.push_back({table.names.target, e.what(), e.statement()});
        }
        m_keysStopped = m_keysStopped || keys.stopped;
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
    LogSchemaResult(m_hooks.log, all);
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

// The tables of the part the run did not finish, in selection order.
// A stop that came before the first table: nothing of any table was touched.
RunSummary ConversionRun::stoppedBeforeAnyTable(const std::vector<std::string> &tables)
{
    m_plan.reset();
    m_part = tablesOfThisPart();
    m_summary.tables = m_part.size();
    m_summary.outcome = RunOutcome::Stopped;
    m_hooks.log.append(fillIn(m_hooks.closing.stopped, counts(m_summary)));
    writeNotConverted(tables);
    return m_summary;
}

void ConversionRun::writeNotConverted(const std::vector<std::string> &tables)
{
    std::string names;
    for (std::size_t i : m_part)
        if (!m_finishedTables[i])
            names += (names.empty() ? "" : ", ") + tables[i];
    if (!names.empty())
        m_hooks.log.append(fillIn(m_hooks.closing.notConverted, {names}));
}

} // namespace convert
