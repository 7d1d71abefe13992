#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace convert {

// Where a run is when it reaches a progress point.
struct Progress {
    std::size_t table = 0;  // position of the table under way in the selection, from 0
    std::size_t tables = 0; // tables selected
    std::size_t rows = 0;   // rows of that table Oracle holds from this run so far
    std::string name;       // that table's Oracle name; empty before the names are settled
    // The MySQL table's rows: the server's estimate at first, its count where that is cheap; nothing when
    // unknown.
    std::optional<std::size_t> rowsExpected;
    // What the table is at: "planning", "definition", "keys", "rows", "verification", "schema",
    // "finished" (its last point), or "foreign keys" once every table is done.
    std::string step;
    std::size_t tablesFinished = 0; // tables the run has finished so far
    // The rows of every selected table together, as rowsExpected is for one; nothing when unknown.
    std::optional<std::size_t> runRowsExpected;
    std::size_t worker = 0; // which of the run's workers reports: 0 when there is one
};

// Called at every progress point of a run: between tables and between the steps of a table, between
// key statements, in the row copy after every 100th row and whenever a tenth of a second has passed,
// and within a verification. Whoever drives the run lets its user see where it is and act; the answer
// is whether the run goes on. A run without one always goes on.
//
// A run with several workers calls it from each of them, one call at a time: it must not wait on
// whoever drives the run (a window's thread) for long, since every worker waits meanwhile.
using ProgressHook = std::function<bool(const Progress &)>;

} // namespace convert
