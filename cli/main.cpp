#include "Commands.h"

#include <cstdio>
#include <cstring>
#include <string>

static const char *kUsage =
    "usage: morvane-cli COMMAND [OPTION]... TABLE...\n"
    "Moves MySQL tables into an Oracle schema, as the Morvane wizard does, without a window.\n"
    "  convert   convert the tables\n"
    "  check     say what a conversion would do, changing nothing\n"
    "  verify    compare converted tables with MySQL, changing nothing\n"
    "morvane-cli COMMAND --help lists the options of a command. Exit status: 0 all went well, 1 an error\n"
    "ended the command, 2 bad arguments, 3 something failed or differs, 4 stopped by a signal.\n";

int main(int argc, char **argv)
{
    if (argc >= 2) {
        const std::string command = argv[1];
        const std::string program = "morvane-cli " + command;
        if (command == "convert")
            return cli::runConvert(argc - 2, argv + 2, program);
        if (command == "check")
            return cli::runCheck(argc - 2, argv + 2, program);
        if (command == "verify")
            return cli::runVerify(argc - 2, argv + 2, program);
        if (command == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    std::fputs(kUsage, stderr);
    return 2;
}
