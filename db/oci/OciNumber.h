#pragma once

#include <string>
#include <string_view>

namespace db {

// Threads: any.

// Why Oracle's NUMBER cannot hold this decimal text exactly (more than 38 significant digits, or a
// magnitude outside 1e-130 .. 1e126, which Oracle would round or flush to zero without a word), or an
// empty string when it can. Text that is not a plain number is left to Oracle to judge.
std::string oracleNumberProblem(std::string_view text);

} // namespace db
