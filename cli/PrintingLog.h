#pragma once

#include "convert/LogSink.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace cli {

// How long a line may be held before it is printed as it stands, and how often again while it changes.
struct PrintingPace {
    std::chrono::milliseconds firstAfter{1000};
    std::chrono::milliseconds again{10000};
};

// Prints the progress log line by line, to a terminal, a file or a pipe alike. A line is printed once it
// is final: the last line may still be rewritten (the "... " that becomes "...Done", the row counter),
// so it is held until the next one arrives. A line held longer than the pace's first wait (a slow
// statement, a long copy) is printed as it stands, so that someone following the output (tail -f)
// sees where the run is; then again at the pace's interval while it keeps changing, and once more in
// its final form. A run whose lines all settle quickly prints each line once, exactly as it ends.
//
// On a terminal a status line under the log says where the run is instead (setStatus): it is rewritten
// in place, held lines wait for their final form, and every log line is printed above it. The log sink's
// calls and setStatus may come from any thread, one at a time or not.
class PrintingLog : public convert::LogSink {
public:
    explicit PrintingLog(std::FILE *out, PrintingPace pace = {}, bool statusLine = false);
    ~PrintingLog() override;
    PrintingLog(const PrintingLog &) = delete;
    PrintingLog &operator=(const PrintingLog &) = delete;

    void append(const std::string &line) override;
    void replaceLast(const std::string &line) override;
    std::string lastLine() const override;

    // Prints the held line in its final form, unless it already stands printed so.
    void flush();
    // The status line under the log, on a terminal (cut to its width); ignored otherwise.
    void setStatus(const std::string &text);

private:
    using Clock = std::chrono::steady_clock;

    void finishHeld();
    void print(const std::string &line);
    void drawStatus();
    void clearStatus();
    void watch(std::stop_token stop);

    std::FILE *m_out;
    const PrintingPace m_pace;
    const bool m_statusLine;
    std::string m_status; // the status line as it stands on the terminal
    bool m_statusShown = false;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::string m_held; // the last line, which may still change
    bool m_holding = false;
    Clock::time_point m_heldSince;
    std::string m_printed; // what of the held line stands printed, when m_printedHeld
    bool m_printedHeld = false;
    Clock::time_point m_printedAt;
    std::jthread m_watcher; // last: it starts once everything it reads is there
};

} // namespace cli
