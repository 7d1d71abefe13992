#include "ConvertCommand.h"

#include "cli/Commands.h"

// The tests and benchmarks call it by this name; it is morvane-cli convert.
int runConvertCommand(int argc, char **argv) { return cli::runConvert(argc, argv, "morvane-bench convert"); }
