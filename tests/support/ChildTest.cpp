#include "support/ChildTest.h"

#include <filesystem>

namespace testsupport {

std::vector<std::string> childTestCommand(const std::string &filter)
{
    std::string disabled = filter;
    if (const auto dot = disabled.find('.'); dot != std::string::npos)
        disabled.insert(dot + 1, "DISABLED_");
    return {std::filesystem::read_symlink("/proc/self/exe").string(), "--gtest_also_run_disabled_tests",
            "--gtest_filter=" + disabled};
}

} // namespace testsupport
