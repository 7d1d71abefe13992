#include "ConvertCommand.h"
#include "PerfCommand.h"
#include "SimCommand.h"

#include "db/MemoryPolicy.h"

#include <cstdio>
#include <cstring>

static const char *kUsage = "usage: morvane-bench convert ... | morvane-bench perf [--rows N] [--quick] [--write-doc]\n"
                            "       morvane-bench sim [--rows N] [--columns C] [--tables T] [--table-rows R]\n"
                            "       morvane-bench COMMAND --help for the options of a command\n";

int main(int argc, char **argv)
{
    db::keepLargeBuffersOutOfTheHeap();
    if (argc >= 2 && std::strcmp(argv[1], "convert") == 0)
        return runConvertCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "perf") == 0)
        return runPerfCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "sim") == 0)
        return runSimCommand(argc - 2, argv + 2);
    std::fputs(kUsage, stderr);
    return 2;
}
