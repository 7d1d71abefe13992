#pragma once

#include "db/Connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <functional>
#include <string>

namespace testsupport {

// What a call broken off from another thread left behind.
struct BrokenCall {
    std::exception_ptr error;                          // what the call threw; empty when it returned
    std::chrono::steady_clock::duration afterCancel{}; // from the cancel to the call's end
};

// Runs `call` on a thread of its own and cancels `connection` from this thread once `underWay` says the
// call has reached the server (asked every 20 ms, for 20 s at most), then waits for the call to end.
BrokenCall cancelWhenUnderWay(db::Connection &connection, const std::function<void()> &call,
                              const std::function<bool()> &underWay);

// The call ended with db::CancelledError of this code, whose message holds the server's text, for this
// statement, and well before it would have ended by itself.
testing::AssertionResult endedCancelled(const BrokenCall &broken, int code, const std::string &serverText,
                                        const std::string &statement);

} // namespace testsupport
