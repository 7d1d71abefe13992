#include "support/CallBreaker.h"

#include "db/Error.h"

#include <thread>

namespace testsupport {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

BrokenCall cancelWhenUnderWay(db::Connection &connection, const std::function<void()> &call,
                              const std::function<bool()> &underWay)
{
    BrokenCall broken;
    Clock::time_point ended;
    std::thread worker([&] {
        try {
            call();
        } catch (...) {
            broken.error = std::current_exception();
        }
        ended = Clock::now();
    });
    for (const auto giveUp = Clock::now() + 20s; !underWay() && Clock::now() < giveUp;)
        std::this_thread::sleep_for(20ms);
    const auto cancelled = Clock::now();
    connection.cancel();
    worker.join();
    broken.afterCancel = ended - cancelled;
    return broken;
}

testing::AssertionResult endedCancelled(const BrokenCall &broken, int code, const std::string &serverText,
                                        const std::string &statement)
{
    if (!broken.error)
        return testing::AssertionFailure() << "the call returned as if nothing had happened";
    try {
        std::rethrow_exception(broken.error);
    } catch (const db::CancelledError &e) {
        const std::string what = e.what();
        if (e.code() != code || what.find(serverText) == std::string::npos || e.statement() != statement)
            return testing::AssertionFailure() << "cancelled with code " << e.code() << ", \"" << what
                                               << "\", statement \"" << e.statement() << "\"";
    } catch (const std::exception &e) {
        return testing::AssertionFailure() << "the call ended otherwise: " << e.what();
    }
    // Every call broken here would have taken ten seconds by itself.
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(broken.afterCancel);
    if (took > 5s)
        return testing::AssertionFailure() << "the call ended " << took.count() << " ms after the cancel";
    return testing::AssertionSuccess() << "ended " << took.count() << " ms after the cancel";
}

} // namespace testsupport
