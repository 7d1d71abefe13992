#include "CommandStart.h"
#include "Commands.h"
#include "Connections.h"

#include "convert/NameRules.h"
#include "convert/TableCheck.h"
#include "convert/TargetNamePlanner.h"
#include "convert/TargetSteps.h"

#include <cstdio>

namespace cli {

int runCheck(int argc, char **argv, const std::string &program)
{
    int status = convert::kExitClean;
    const std::optional<CommandOptions> args = startCommand(Command::Check, argc, argv, program, status);
    if (!args)
        return status;
    try {
        Connections c(*args);
        convert::CheckConnections connections{*c.catalog, *c.oracleConn, args->oracleUser};
        // The names a run would give, settled the way it settles them: before the first table.
        convert::TargetNamePlanner planner([&](const std::string &name) {
            return convert::TargetTableExists(*c.oracleConn, name, args->oracleUser);
        });
        std::vector<convert::TableNames> names;
        for (const auto &table : args->tables) {
            const std::string working = convert::ApplyNameCase(table, args->options.uppercaseNames);
            names.push_back({table, working, planner.nameFor(working)});
        }
        std::size_t problems = 0;
        for (const auto &table : names) {
            const convert::TableCheck check = convert::CheckTable(connections, table, args->options);
            std::printf("Check table %s\n", table.source.c_str());
            for (const auto &line : check.lines)
                std::printf("%s\n", line.c_str());
            std::printf("\n");
            std::fflush(stdout);
            problems += check.problems;
        }
        std::printf("%zu tables checked; problems: %zu.\n", names.size(), problems);
        return problems == 0 ? convert::kExitClean : convert::kExitWithFailures;
    } catch (const std::exception &e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return convert::kExitError;
    }
}

} // namespace cli
