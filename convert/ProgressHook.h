#pragma once

#include <cstddef>
#include <functional>

namespace convert {

// Where a run is when it stops at a progress point.
struct Progress {
    std::size_t table = 0;  // position of the table under way in the selection, from 0
    std::size_t tables = 0; // tables selected
    std::size_t rows = 0;   // rows of that table Oracle holds from this run so far
};

// Called at every progress point of a run: between tables and between the steps of a table, between
// key statements, and in the row copy after every 100th row and whenever a tenth of a second has
// passed. Whoever drives the run lets its user see the log and act (the window handles its pending
// events there); the answer is whether the run goes on. A run without one always goes on.
using ProgressHook = std::function<bool(const Progress &)>;

} // namespace convert
