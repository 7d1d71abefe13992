#pragma once

#include <string>

namespace convert {

// What each engine step hands back to the run: success, or the message of the error that ended it.
struct StepResult {
    bool success = true;
    std::string message;

    void fail(std::string text)
    {
        success = false;
        message = std::move(text);
    }
};

} // namespace convert
