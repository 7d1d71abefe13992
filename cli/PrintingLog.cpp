#include "PrintingLog.h"

#include "Interrupts.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace cli {

namespace {

// The terminal's width in columns, or a common one when it does not say.
std::size_t terminalWidth(std::FILE *out)
{
    winsize size{};
    if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// The first `columns` characters of UTF-8 text (a character a column): a line wider than the terminal
// would wrap, and the next rewrite would leave its first part behind.
std::string fitted(const std::string &text, std::size_t columns)
{
    std::size_t seen = 0, at = 0;
    for (; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && seen++ == columns)
            break;
    }
    return text.substr(0, at);
}

} // namespace

PrintingLog::PrintingLog(std::FILE *out, PrintingPace pace, bool statusLine)
    : m_out(out), m_pace(pace), m_statusLine(statusLine), m_watcher([this](std::stop_token stop) { watch(stop); })
{
}

PrintingLog::~PrintingLog()
{
    m_watcher.request_stop();
    m_watcher.join();
    flush();
    std::lock_guard lock(m_mutex);
    clearStatus();
}

void PrintingLog::setStatus(const std::string &text)
{
    if (!m_statusLine)
        return;
    std::lock_guard lock(m_mutex);
    m_status = fitted(text, terminalWidth(m_out) - 1);
    drawStatus();
}

void PrintingLog::drawStatus()
{
    if (m_status.empty())
        return;
    // Back to the line's start, the text, and the rest of the line cleared.
    std::fprintf(m_out, "\r%s\x1b[K", m_status.c_str());
    std::fflush(m_out);
    m_statusShown = true;
}

void PrintingLog::clearStatus()
{
    if (!m_statusShown)
        return;
    std::fputs("\r\x1b[K", m_out);
    std::fflush(m_out);
    m_statusShown = false;
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
    clearStatus();
    std::fprintf(m_out, "%s\n", line.c_str());
    drawStatus();
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
        // The status line says where the run is; a held line waits for its final form.
        if (!m_holding || m_statusLine)
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
