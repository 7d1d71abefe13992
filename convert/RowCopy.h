#pragma once

#include "ConversionOptions.h"
#include "LogSink.h"
#include "ProgressHook.h"
#include "StepResult.h"
#include "TableNames.h"
#include "TableVerify.h"

#include "db/TargetTable.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

inline constexpr std::size_t kPageSize = 5000;     // source rows per page
inline constexpr std::size_t kApplyInterval = 100; // a progress point follows every 100th row
inline constexpr std::size_t kRejectedRowsShown = 100;
// A progress point is also due once this much time has passed since the last one, so the window
// answers within a quarter of a second whatever the rows are like.
inline constexpr std::chrono::milliseconds kProgressInterval{100};

// A row Oracle (or the conversion of one of its values) refused.
struct RejectedRowReport {
    std::size_t row = 0; // position in the table, from 1
    std::string key;     // "id=42" or "a=1, b=x" by the MySQL primary key; empty for a table without one
    std::string message;
};

struct CopyResult : StepResult {
    std::size_t rows = 0;          // rows read from MySQL and handed to Oracle
    std::size_t written = 0;       // rows Oracle holds from this copy (committed)
    std::size_t rejectedCount = 0; // rows Oracle refused; the others are written
    std::size_t alreadyThere = 0;  // rows of a kept table whose key Oracle held: left as Oracle holds them
    bool complete = false;         // every row of the table was handed to Oracle
    bool stopped = false;          // the progress hook said not to go on
    std::vector<RejectedRowReport> rejected; // the first kRejectedRowsShown of them
    std::optional<VerifyResult> verification; // when the options ask for it and every row was read
    std::vector<std::string> notes;           // where the copy started, when not at the first row
};

// What the copy does with an Oracle table that holds rows from before.
enum class KeptTable {
    None,   // the table was made by this run: every row is new
    Merge,  // every MySQL row is offered; a row whose key Oracle holds stays as Oracle holds it
    Resume, // the same, but a table whose missing rows cannot be told apart (no key) fails
};

// Everything the row copy works with besides the table's names.
struct CopyContext {
    db::Connection &rowSource;              // reopened for the table with rowProfile
    const std::vector<std::string> &rowProfile;
    db::Connection &oracleInsert;
    const ConversionOptions &options;
    LogSink &log;                           // its last line is the table's row counter
    const ProgressHook &progress;           // may be empty
    db::ApplyMode applyMode = db::ApplyMode::Array;
    KeptTable kept = KeptTable::None;
    // Another Oracle session, to count what the table holds when an apply failed on the insert session.
    db::Connection *counter = nullptr;
    std::chrono::milliseconds progressInterval = kProgressInterval;
};

// Copies every row of one MySQL table into its Oracle table, in pages of kPageSize rows, applying the
// pending rows at every progress point and at the end of each page; after each apply the counter line
// shows the rows Oracle holds from this copy, also after an apply that failed. Never throws: every
// error ends the copy and becomes the result's message, and a progress hook that says stop ends it with
// "Operation aborted"; rows refused by Oracle are left out, reported, and make the copy fail with "K rows
// rejected" once all other rows are in.
//
// A kept table (context.kept) is added to, never duplicated: when its key is of numbers or dates and
// Oracle holds exactly as many rows as MySQL has up to Oracle's largest key, the copy goes on after that
// key; otherwise every MySQL row is offered and each apply asks Oracle which of its keys it holds
// already. A kept table without a primary key gets every MySQL row added (Merge), or fails unless it
// holds as many rows as MySQL (Resume): which rows are missing cannot be told.
CopyResult CopyTableRows(CopyContext &context, const TableNames &names);

// The row counter line: the rows Oracle holds from the copy.
std::string rowCounterLine(const std::string &target, std::size_t rows);

} // namespace convert
