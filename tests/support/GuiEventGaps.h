#pragma once

// Header only: the test-support library is built without Qt, and only the GUI tests include this.
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace testsupport {

// How long the window's thread goes without handling its events: a timer every 10 ms on that thread
// notes the time between its ticks, and the longest such time is how long a click would have waited.
// Measures from construction (or restart()) to stop().
class EventGaps {
public:
    using Clock = std::chrono::steady_clock;

    EventGaps()
    {
        m_timer.setInterval(10);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        restart();
    }

    void restart()
    {
        m_started = m_last = Clock::now();
        m_longest = {};
        m_ticks = 0;
        m_timer.start();
    }
    void stop()
    {
        if (!m_timer.isActive())
            return;
        tick();
        m_timer.stop();
    }

    std::chrono::milliseconds longest() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_longest);
    }
    int ticks() const noexcept { return m_ticks; }
    double seconds() const { return std::chrono::duration<double>(m_last - m_started).count(); }

private:
    void tick()
    {
        const auto now = Clock::now();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        ++m_ticks;
    }

    QTimer m_timer;
    Clock::time_point m_started, m_last;
    Clock::duration m_longest{};
    int m_ticks = 0;
};

} // namespace testsupport
