#pragma once

#include <chrono>
#include <cstddef>

namespace convert {

// Decides when the row copy owes its driver a progress point besides every 100th row: once the time
// since the last one, plus what applying the pending rows is expected to take, reaches the interval.
// Counting the apply keeps slow writes (large objects sent one by one, a slow server) from holding the
// window as much as slow reads would; the expectation is the per-row time of the latest apply.
class ProgressPacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit ProgressPacer(std::chrono::milliseconds interval) : m_interval(interval), m_last(Clock::now()) {}

    bool due(std::size_t pendingRows) const
    {
        const auto expected = m_perRow * static_cast<long long>(pendingRows);
        return Clock::now() - m_last + expected >= m_interval;
    }
    // A progress point has just been made.
    void restart() { m_last = Clock::now(); }
    // An apply of this many rows took this long.
    void applied(std::size_t rows, Clock::duration took)
    {
        if (rows > 0)
            m_perRow = took / static_cast<long long>(rows);
    }

private:
    Clock::duration m_interval;
    Clock::time_point m_last;
    Clock::duration m_perRow{};
};

} // namespace convert
