#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// What a Stop breaks: the calls a piece of work is waiting on. The work names, for as long as it uses
// them, the sessions it calls through (or a run, whose own stop breaks its workers' calls); breakCalls()
// reaches each of them, and whatever the work names after it. Breaking a call may itself wait on a
// server (a MySQL query is ended from a second session), so the calls are broken on a thread of their
// own: whoever asks never waits.
//
// Thread rules: breakCalls() and broken() from any thread; a Hold is made and ends on the work's thread.
// Made with std::make_shared.
class CallBreaker : public std::enable_shared_from_this<CallBreaker> {
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

    // Marks the work broken at once, and breaks the calls it is waiting on soon after, and again every
    // quarter second until no work holds a session.
    void breakCalls();
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
