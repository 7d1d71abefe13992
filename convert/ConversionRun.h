#pragma once

#include "ConversionOptions.h"
#include "LogSink.h"
#include "StepResult.h"
#include "TableNames.h"

#include <functional>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

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

// How the run talks back to whoever drives it.
struct RunHooks {
    LogSink &log;
    // Called at every progress point of the row copy: let the window handle pending events (repaint,
    // Stop). May be empty.
    std::function<void()> progressPoint;
    // The stop request, owned by the window: set when the user confirms Stop, read here at progress
    // points and table boundaries, cleared when the run starts and when it acts on it.
    bool &stopRequested;
    // The three lines written after the last table (the completion captions).
    std::vector<std::string> completionLines;
};

enum class RunOutcome {
    Completed, // every table visited; completion lines written
    Stopped,   // a stop honoured at a table boundary: nothing more written (a silent abort)
};

// The conversion of the selected tables, in list order. Each table's steps (drop, create, keys, rows)
// catch their own errors into the log; run() throws db::Error only for the failures no step catches
// (the Oracle existence query, the MySQL index listing), with the lines written so far kept.
class ConversionRun {
public:
    ConversionRun(RunConnections connections, ConversionOptions options, RunHooks hooks);

    RunOutcome run(const std::vector<std::string> &tables);

    // T for a working name: W itself up to 30 bytes, else its first 26 bytes and the first free
    // four-digit counter (0000 to 0100).
    std::string targetNameFor(const std::string &working);

    const ConversionOptions &options() const noexcept { return m_options; }

private:
    void convertTable(const std::string &entry);

    RunConnections m_connections;
    ConversionOptions m_options;
    RunHooks m_hooks;
};

} // namespace convert
