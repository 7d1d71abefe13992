#include "app/WorkerThreads.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace workerthreads {

namespace {

std::mutex g_mutex;
std::condition_variable g_ended;
std::size_t g_running = 0;

} // namespace

void start(std::function<void()> task)
{
    {
        const std::lock_guard lock(g_mutex);
        ++g_running;
    }
    std::thread([task = std::move(task)]() mutable {
        // The task and what it captured are gone before it counts as ended, so a wait that returns
        // leaves no session of it open.
        {
            std::function<void()> work = std::move(task);
            try {
                work();
            } catch (...) {
                // Each task reports its own failures; one that escapes must not end the program.
            }
        }
        const std::lock_guard lock(g_mutex);
        --g_running;
        g_ended.notify_all();
    }).detach();
}

bool waitForAll(std::chrono::milliseconds limit)
{
    std::unique_lock lock(g_mutex);
    return g_ended.wait_for(lock, limit, [] { return g_running == 0; });
}

std::size_t running()
{
    const std::lock_guard lock(g_mutex);
    return g_running;
}

} // namespace workerthreads
