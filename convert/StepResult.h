#pragma once

#include <exception>
#include <string>

namespace convert {

// What each engine step hands back to the run: success, or the message of the error that ended it.
struct StepResult {
    bool success = true;
    std::string message;
    // The step failed because a session it worked on is gone (either server): the run cannot go on
    // with it, and every later table would wait on it in turn.
    bool sessionLost = false;
    // A Stop broke the call under way: the step did not fail on its own.
    bool cancelled = false;
    // The statement the server refused, when a statement was what failed.
    std::string statement;

    void fail(std::string text)
    {
        success = false;
        message = std::move(text);
    }
    // The error's own text; a lost session is marked as such.
    void fail(const std::exception &error);
};

} // namespace convert
