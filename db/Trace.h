#pragma once

#include <string>
#include <string_view>

namespace db {

// Diagnostics a user can send: with MORVANE_TRACE=FILE in the environment, each statement sent to
// either server, each error with its number and the call that met it, the Oracle client library that
// was loaded and its version, and the MySQL server's version are appended to FILE, one line each.
// Passwords never go there; neither do the values of rows. Off when the variable is unset or the file
// cannot be opened.
// Threads: any; each line is written whole.
class Trace {
public:
    static bool enabled() noexcept;
    // One line: time, source ("oci", "mysql"), text; line ends inside the text are escaped.
    static void write(std::string_view source, std::string_view text) noexcept;
};

} // namespace db
