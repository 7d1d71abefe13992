#include "support/ReportSchema.h"

#include "support/OracleSim.h"

#include <fstream>
#include <iterator>

namespace testsupport {

namespace {

const char *kValidate = "import json, sys, jsonschema\n"
                        "schema = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                        "report = json.load(open(sys.argv[2], encoding='utf-8'))\n"
                        "jsonschema.Draft202012Validator.check_schema(schema)\n"
                        "errors = sorted(jsonschema.Draft202012Validator(schema).iter_errors(report), key=str)\n"
                        "for e in errors: print(list(e.absolute_path), e.message)\n"
                        "sys.exit(1 if errors else 0)\n";

} // namespace

std::string reportSchemaErrors(const std::string &reportPath)
{
    std::string out;
    const int rc = runCommand(
        {"python3", "-c", kValidate, std::string(MORVANE_SOURCE_DIR) + "/docs/run-report.schema.json", reportPath},
        &out);
    if (rc == 0)
        return {};
    return out.empty() ? "the validator failed with status " + std::to_string(rc) : out;
}

std::string readFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

} // namespace testsupport
