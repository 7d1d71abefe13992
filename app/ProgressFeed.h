#pragma once

#include "convert/ProgressHook.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// Where a run is, as its workers report it: every progress point with the moment it was reached, kept
// until the window's thread takes them, so the status line counts every table's last point however
// many points come between two looks.
//
// Thread rules: report() from any thread (the engine calls it one point at a time); take() on the
// window's thread. wake() as for LogFeed: on the reporter's thread, once per batch.
class ProgressFeed {
public:
    using Clock = std::chrono::steady_clock;
    struct Point {
        convert::Progress progress;
        Clock::time_point at;
    };

    explicit ProgressFeed(std::function<void()> wake);

    void report(const convert::Progress &progress);
    std::vector<Point> take();

private:
    std::mutex m_mutex;
    std::function<void()> m_wake;
    std::vector<Point> m_points;
    bool m_woken = false;
};
