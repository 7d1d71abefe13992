#pragma once

#include "convert/LogSink.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The lines a run or a check writes from its worker threads, kept until the window's thread shows them:
// the engine's log sink. It answers lastLine() itself, so the engine never waits for the window.
//
// Thread rules: append, replaceLast and lastLine from any thread (the engine calls them one at a time);
// take() on the window's thread. wake() is called on the writer's thread, outside the lock, at the first
// change after a take(): the window is told once per batch, however fast the lines come.
class LogFeed : public convert::LogSink {
public:
    // What changed since the last take(): a new text for the line the view showed last, then new lines.
    struct Changes {
        std::optional<std::string> rewrittenLast;
        std::vector<std::string> added;
        bool empty() const noexcept { return !rewrittenLast && added.empty(); }
    };

    // lastShown: the view's last line when the feed starts (a log that already holds lines is written
    // below them), nothing for an empty view.
    LogFeed(std::optional<std::string> lastShown, std::function<void()> wake);

    void append(const std::string &line) override;
    void replaceLast(const std::string &line) override;
    std::string lastLine() const override;

    Changes take();

private:
    void changed(std::unique_lock<std::mutex> &lock);

    mutable std::mutex m_mutex;
    std::function<void()> m_wake;
    Changes m_pending;
    bool m_hasLines;
    std::string m_last;
    bool m_woken = false; // a wake() is on its way and no take() followed it yet
};
