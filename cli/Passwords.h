#pragma once

#include <optional>
#include <string>

namespace cli {

struct CommandOptions;

// A password left out of the arguments: the environment variable when it is set (even empty, for an
// account without one), else a question on the terminal, typed without echo, when standard input is a
// terminal. Nothing when neither is there.
std::optional<std::string> passwordFromEnvironment(const char *variable, const std::string &question);

// Fills in both passwords of the options; returns what is missing, or empty.
std::string resolvePasswords(CommandOptions &options);

} // namespace cli
