#pragma once

#include <string>

namespace convert {

// The three names of one table in a run.
struct TableNames {
    std::string source;  // as the MySQL catalog listed it; every MySQL statement uses it, backtick-quoted
    std::string working; // W: the listed name after the name-casing rule
    std::string target;  // T: the Oracle table name, at most 30 bytes
    // T alone does not say which MySQL table it was made from: its comment carries a marker naming it.
    bool marked = false;
};

} // namespace convert
