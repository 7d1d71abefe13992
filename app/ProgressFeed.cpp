#include "app/ProgressFeed.h"

ProgressFeed::ProgressFeed(std::function<void()> wake) : m_wake(std::move(wake)) {}

void ProgressFeed::report(const convert::Progress &progress)
{
    std::unique_lock lock(m_mutex);
    m_points.push_back({progress, Clock::now()});
    if (m_woken || !m_wake)
        return;
    m_woken = true;
    lock.unlock();
    m_wake();
}

std::vector<ProgressFeed::Point> ProgressFeed::take()
{
    const std::lock_guard lock(m_mutex);
    m_woken = false;
    return std::exchange(m_points, {});
}
