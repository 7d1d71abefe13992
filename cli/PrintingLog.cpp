#include "PrintingLog.h"

#include "Interrupts.h"

namespace cli {

PrintingLog::PrintingLog(std::FILE *out, PrintingPace pace)
    : m_out(out), m_pace(pace), m_watcher([this](std::stop_token stop) { watch(stop); })
{
}

PrintingLog::~PrintingLog()
{
    m_watcher.request_stop();
    m_watcher.join();
    flush();
}

void PrintingLog::append(const std::string &line)
{
    std::lock_guard lock(m_mutex);
    finishHeld();
    m_held = line;
    m_holding = true;
    m_heldSince = Clock::now();
    m_printedHeld = false;
}

void PrintingLog::replaceLast(const std::string &line)
{
    std::lock_guard lock(m_mutex);
    if (!m_holding) {
        m_heldSince = Clock::now();
        m_printedHeld = false;
    }
    m_held = line;
    m_holding = true;
}

std::string PrintingLog::lastLine() const
{
    std::lock_guard lock(m_mutex);
    return m_holding ? m_held : std::string();
}

void PrintingLog::flush()
{
    std::lock_guard lock(m_mutex);
    finishHeld();
}

void PrintingLog::finishHeld()
{
    if (!m_holding)
        return;
    if (!m_printedHeld || m_printed != m_held)
        print(m_held);
    m_holding = false;
    m_printedHeld = false;
}

void PrintingLog::print(const std::string &line)
{
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
}

void PrintingLog::watch(std::stop_token stop)
{
    keepInterruptsOffThisThread();
    // A quarter of the first wait: a held line shows within a quarter more than its due time.
    const auto tick = std::max(m_pace.firstAfter / 4, std::chrono::milliseconds(10));
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested()) {
        m_wake.wait_for(lock, stop, tick, [] { return false; });
        if (!m_holding)
            continue;
        const auto now = Clock::now();
        const bool due = m_printedHeld ? m_printed != m_held && now - m_printedAt >= m_pace.again
                                       : now - m_heldSince >= m_pace.firstAfter;
        if (!due)
            continue;
        print(m_held);
        m_printed = m_held;
        m_printedHeld = true;
        m_printedAt = now;
    }
}

} // namespace cli
