#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A helper case that a test of the same program starts in a child process of its own (with what it
// needs in its environment), because it ends the process or depends on a process-wide count. It is no
// test on its own, so it stays out of the program's count of run and skipped cases (googletest's
// DISABLED_ prefix) and runs only through childTestCommand().
#define MORVANE_CHILD_TEST(suite, name) TEST(suite, DISABLED_##name)

namespace testsupport {

// The command line that runs this program's helper cases matching "Suite.Name" or "Suite.*".
std::vector<std::string> childTestCommand(const std::string &filter);

} // namespace testsupport
