#pragma once

#include "ProgressHook.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace convert {

// The one status line a run shows under its log (and a terminal rewrites in place): which table of how
// many, how far, how fast, how long it has taken and about how long it will still take. Fed with every
// progress point; reads the time itself. Not thread-safe: whoever drives the run feeds it from the
// one thread that shows it.
class RunStatus {
public:
    using Clock = std::chrono::steady_clock;

    void start(Clock::time_point now = Clock::now());
    void update(const Progress &progress, Clock::time_point now = Clock::now());

    // "Table 3 of 30, ORDERS: 62,901 of 500,000 rows (13%), 45,210 rows/s, 0:01:23 spent, about 0:09:41
    // left". Several tables at once name themselves "Tables 3, 4, 6 of 30" and count their rows together.
    std::string line(Clock::time_point now = Clock::now()) const;
    // How far the whole run is, 0 to 1000 (a progress bar's range): by rows where the tables' rows are
    // known, by tables otherwise.
    int permille() const;

private:
    struct Table {
        std::string name;
        std::size_t rows = 0;
        std::optional<std::size_t> expected;
        bool finished = false;
    };
    std::size_t rowsDone() const;
    // Rows still to come: the server's figures of the tables not reached yet, and what each table under
    // way lacks of its own figure. A finished table counts with the rows it had, whatever its figure
    // said. Nothing when the figures are not known.
    std::optional<std::size_t> rowsLeft() const;
    bool allFinished() const { return m_tables > 0 && m_finished >= m_tables; }

    Clock::time_point m_started{};
    std::size_t m_tables = 0;
    std::size_t m_finished = 0;
    std::string m_step;
    std::optional<std::size_t> m_runExpected;
    std::map<std::size_t, Table> m_seen; // by position in the selection
    // The rate over the last stretch: rows done and the time at the start of the stretch.
    std::size_t m_rateRows = 0;
    Clock::time_point m_rateSince{};
    double m_rate = 0; // rows per second
};

// "1,234,567"
std::string groupedNumber(std::size_t number);
// "0:01:23"
std::string clockTime(std::chrono::seconds duration);

} // namespace convert
