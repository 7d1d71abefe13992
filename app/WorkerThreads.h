#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

// The threads the window hands its server work to. Each runs one task and ends. Nobody joins them: a
// task owns everything it uses, so it may outlive whoever started it (a connect to a host that never
// answers ends only when the client library gives up). Whoever ends the program waits for them, for a
// bounded time, before the client libraries they may still be in go away.
//
// Thread rules: every function may be called from any thread.
namespace workerthreads {

// Runs the task on a thread of its own; it catches what it throws. The task, and everything it holds, is
// destroyed on that thread.
void start(std::function<void()> task);

// Waits until no task is running or the time is up; true when none is left.
bool waitForAll(std::chrono::milliseconds limit);

// Tasks started and not yet ended.
std::size_t running();

} // namespace workerthreads
