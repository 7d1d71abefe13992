#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

// What a Stop breaks: the calls a piece of work is waiting on. The work names, for as long as it uses
// them, the sessions it calls through (or a run, whose own stop breaks its workers' calls); breakCalls()
// reaches each of them, and whatever the work names after it.
//
// Thread rules: breakCalls() and broken() from any thread; a Hold is made and ends on the work's thread.
class CallBreaker {
public:
    class Hold {
    public:
        Hold(CallBreaker &breaker, std::function<void()> breakCall);
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        CallBreaker &m_breaker;
        std::size_t m_id;
    };

    void breakCalls() noexcept;
    bool broken() const;

private:
    struct Entry {
        std::size_t id;
        std::function<void()> breakCall;
    };

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::size_t m_nextId = 0;
    bool m_broken = false;
};
