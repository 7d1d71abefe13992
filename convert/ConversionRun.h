#pragma once

#include "ConversionOptions.h"
#include "LogSink.h"
#include "ProgressHook.h"
#include "ReferencingKeys.h"
#include "RunPlan.h"
#include "RunRecord.h"
#include "SchemaSteps.h"
#include "StepResult.h"
#include "TableNames.h"

#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

struct TableOutcome;

// The connections a run works on. The window owns them; the run only uses them.
struct RunConnections {
    db::Connection &catalog;              // MySQL, open on the chosen database: column and index listings
    db::Connection &rowSource;            // MySQL, closed and reopened for every table's rows
    std::vector<std::string> rowProfile;  // the source profile lines, database line = the chosen database
    db::Connection &oracleConn;           // existence queries
    db::Connection &oracleData;           // drop, create, primary key and indexes
    db::Connection &oracleInsert;         // row inserts
    std::string oracleUser;               // owner of the tables, as typed on page 3
};

// The lines that close a run's log. The window takes them from its caption table; %1, %2 ... stand for
// the numbers and names filled in.
struct ClosingTexts {
    // A run in which every step of every table succeeded and Oracle refused no row.
    std::vector<std::string> completed = {"Conversion is Completed",
                                          "Wizard has migrated your MySQL database to Oracle server successfully.",
                                          "Click 'Finish' to exit the wizard."};
    // Replaces the second line above when something failed: converted, selected, failed tables,
    // rejected rows.
    std::string withFailures = "Wizard has converted %1 of %2 tables; failed tables: %3, rejected rows: %4.";
    // The only closing line of a run that was told to stop; the same four numbers.
    std::string stopped =
        "Conversion stopped by the user: %1 of %2 tables converted; failed tables: %3, rejected rows: %4.";
    // After an error that ended the run: the table it was at.
    std::string endedAt = "Conversion ended at table %1.";
    // After a stop or an error: the selected tables the run did not finish, as listed in MySQL.
    std::string notConverted = "Tables not converted: %1.";
};

// Which share of the selected tables this process converts, so that several processes, on one machine
// or many, split one selection: each plans the names of every table (the same names whoever plans), and
// converts the tables of its part, chosen by size the same way everywhere. Foreign keys wait for a last
// pass that converts nothing and makes them once every part is in.
struct RunScope {
    std::size_t part = 1, parts = 1; // this is part `part` of `parts`, from 1
    bool foreignKeysOnly = false;    // the last pass: the selected tables' foreign keys, nothing else
};

// How the run talks back to whoever drives it.
struct RunHooks {
    LogSink &log;
    ProgressHook progress; // may be empty: the run then always goes on
    ClosingTexts closing;
};

enum class RunOutcome {
    Completed, // every table visited
    Stopped,   // the progress hook said not to go on
};

// What a run did, for its caller to act on (the window's next page, the command's exit code).
struct RunSummary {
    RunOutcome outcome = RunOutcome::Completed;
    std::size_t tables = 0;       // selected
    std::size_t converted = 0;    // finished with every step succeeding (some rows may have been refused)
    std::size_t failed = 0;       // finished, but a step failed, or its foreign keys, or every row was refused
    std::size_t rejectedRows = 0; // rows Oracle refused, over all tables

    bool clean() const noexcept { return outcome == RunOutcome::Completed && failed == 0 && rejectedRows == 0; }
};

// The conversion of the selected tables, in list order. The Oracle names of all of them, and of every
// key and constraint they get, are settled first (RunPlan), so no two meet and a later run finds the
// same tables again. Each table's steps (drop, create, keys, rows) catch their own errors into the log,
// and the run ends with lines that say how it went. A table is dropped only once its MySQL side has
// been read and the create statement built; the foreign keys of other tables that point at it are made
// again once it is refilled. A kept table (Merge, --resume) gets every MySQL row it lacks and none twice;
// a resumed one also gets the keys and, when kept, the constraints an earlier run did not reach.
//
// A stop asked at a progress point is acted on before the table's first statement, before its rows,
// within its rows or at the next table, never between a drop and the create that follows it. run()
// throws db::Error only when it cannot go on: the Oracle existence query or the Oracle schema could not
// be read, or a session of either server is lost (then nothing more is dropped); the log then ends with
// the table it was at and the tables it did not finish.
class ConversionRun {
public:
    ConversionRun(RunConnections connections, ConversionOptions options, RunHooks hooks, RunScope scope = {});

    // Runs on the calling thread, and with options.jobs above 1 on as many workers, each with sessions of
    // its own made like the connections given (Connection::another()). Returns once every worker is done.
    RunSummary run(const std::vector<std::string> &tables);

    // Asks the run to stop, from any thread: the next progress point of every worker says stop, and the
    // call each worker waits on is broken off (Connection::cancel()), so a Stop is acted on within a
    // second whatever the servers are doing. Safe before, during and after run().
    void requestStop() noexcept;

    const ConversionOptions &options() const noexcept { return m_options; }
    // What the last run() did to each table, also after it threw.
    const RunRecord &record() const noexcept { return m_record; }

private:
    // A table whose foreign keys the run makes at its end.
    struct KeyedTable {
        std::size_t index = 0; // in the selection
        TableNames names;
        bool continued = false; // kept from an earlier run: only the keys it lacks are made
    };
    struct Worker;

    void work(Worker &worker);
    void convertNext(Worker &worker, std::size_t index);
    // The table's row figure made exact where counting costs next to nothing.
    void countIfCheap(RunConnections &connections, std::size_t index);
    // A progress point of a table under way; false once the run is to stop.
    bool goOn(const Worker &worker, std::size_t index, std::size_t rows, const char *step);
    // A progress point between the tables or after them (under the lock).
    bool goOnLocked(std::size_t index, std::size_t rows, const char *step, std::size_t worker);
    std::vector<std::size_t> tablesOfThisPart() const;
    void finishTable(std::size_t index, const TableOutcome &outcome, const MemoryLog *block);
    void remakeReferencingKeys();
    void addForeignKeys();
    void nameObjectsNotConverted();
    void writeClosingLines();
    void writeNotConverted(const std::vector<std::string> &tables);
    RunSummary stoppedBeforeAnyTable(const std::vector<std::string> &tables);
    void breakCalls() noexcept;

    RunConnections m_connections;
    ConversionOptions m_options;
    RunHooks m_hooks;
    RunScope m_scope;
    RunSummary m_summary;
    RunRecord m_record;
    std::optional<RunPlan> m_plan;
    std::mutex m_mutex; // the summary, the record's run steps, the log, the hook, the lists below
    std::atomic<bool> m_stopAsked{false};
    std::atomic<std::size_t> m_next{0}; // the next table of the part to take
    std::vector<std::size_t> m_part;    // positions of the tables this process converts
    std::vector<char> m_finishedTables; // per selected table
    std::vector<char> m_failedTables;   // per selected table, whether it ended failed
    std::vector<KeyedTable> m_keyed;    // tables whose foreign keys the run makes at its end
    // Keys of other tables that pointed at a replaced table, with that table, to make again at the end.
    std::vector<std::pair<KeyedTable, ReferencingKey>> m_referencing;
    // Every session of every worker, for breaking calls. A lock of its own: breaking a MySQL call opens a
    // connection to the server, which must not hold up the workers' progress points.
    std::mutex m_sessionsMutex;
    std::vector<db::Connection *> m_sessions;
    bool m_keysStopped = false;               // a stop came during the foreign keys at the end
    std::exception_ptr m_ended;               // what ended the run, with the table it was at
    std::size_t m_endedAt = 0;
};

} // namespace convert
