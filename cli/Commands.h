#pragma once

#include <string>

namespace cli {

// Each takes the arguments after its command word and returns the exit status; `program` names the
// command in messages and help ("morvane-cli convert").
int runConvert(int argc, char **argv, const std::string &program);
int runCheck(int argc, char **argv, const std::string &program);
int runVerify(int argc, char **argv, const std::string &program);

} // namespace cli
