#pragma once

#include <string>

namespace testsupport {

std::string env(const char *name, const std::string &fallback = {});

} // namespace testsupport
