#include "app/CallBreaker.h"

#include "app/WorkerThreads.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
// How soon a call that slipped past one round of breaks meets the next.
constexpr std::chrono::milliseconds kBreakAgainAfter{250};
} // namespace

CallBreaker::Hold::Hold(CallBreaker &breaker, std::function<void()> breakCall) : m_breaker(breaker)
{
    const std::lock_guard lock(breaker.m_mutex);
    m_id = breaker.m_nextId++;
    // A Stop that came before the work reached this session still counts.
    if (breaker.m_broken)
        breakCall();
    breaker.m_entries.push_back({m_id, std::move(breakCall)});
}

CallBreaker::Hold::~Hold()
{
    const std::lock_guard lock(m_breaker.m_mutex);
    auto &entries = m_breaker.m_entries;
    entries.erase(std::remove_if(entries.begin(), entries.end(), [this](const Entry &e) { return e.id == m_id; }),
                  entries.end());
}

void CallBreaker::breakCalls()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_broken)
            return; // what was held then is being broken; what came since was broken as it came
        m_broken = true;
    }
    workerthreads::start([self = shared_from_this()] {
        // Again and again while any work still holds a session: a call begun in the instant between the
        // work's last look at broken() and the first round is broken by the next, and a cancel with
        // nothing under way does nothing.
        for (;;) {
            {
                // Under the lock: a session is never released while its call is being broken.
                const std::lock_guard lock(self->m_mutex);
                if (self->m_entries.empty())
                    return;
                for (const Entry &entry : self->m_entries)
                    entry.breakCall();
            }
            std::this_thread::sleep_for(kBreakAgainAfter);
        }
    });
}

bool CallBreaker::broken() const
{
    const std::lock_guard lock(m_mutex);
    return m_broken;
}
