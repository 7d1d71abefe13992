#pragma once

#include <string>

namespace testsupport {

// Validates a run report against docs/run-report.schema.json with a real JSON Schema validator
// (python3-jsonschema, installed by scripts/install-deps.sh). Empty when valid, else what is wrong.
std::string reportSchemaErrors(const std::string &reportPath);

// The whole file as text.
std::string readFile(const std::string &path);

} // namespace testsupport
