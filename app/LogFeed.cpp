#include "app/LogFeed.h"

LogFeed::LogFeed(std::optional<std::string> lastShown, std::function<void()> wake)
    : m_wake(std::move(wake)), m_hasLines(lastShown.has_value()), m_last(lastShown.value_or(std::string()))
{
}

void LogFeed::append(const std::string &line)
{
    std::unique_lock lock(m_mutex);
    m_pending.added.push_back(line);
    m_hasLines = true;
    m_last = line;
    changed(lock);
}

void LogFeed::replaceLast(const std::string &line)
{
    std::unique_lock lock(m_mutex);
    if (!m_hasLines)
        m_pending.added.push_back(line);
    else if (!m_pending.added.empty())
        m_pending.added.back() = line;
    else
        m_pending.rewrittenLast = line;
    m_hasLines = true;
    m_last = line;
    changed(lock);
}

std::string LogFeed::lastLine() const
{
    const std::lock_guard lock(m_mutex);
    return m_last;
}

LogFeed::Changes LogFeed::take()
{
    const std::lock_guard lock(m_mutex);
    Changes out = std::move(m_pending);
    m_pending = Changes{};
    m_woken = false;
    return out;
}

void LogFeed::changed(std::unique_lock<std::mutex> &lock)
{
    if (m_woken || !m_wake)
        return;
    m_woken = true;
    lock.unlock();
    m_wake();
}
