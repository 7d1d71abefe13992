#include "CommandStart.h"
#include "Commands.h"
#include "Connections.h"
#include "PrintingLog.h"

#include "convert/CheckRun.h"
#include "convert/DdlScript.h"
#include "convert/WholeFile.h"

#include <cstdio>

namespace cli {

int runCheck(int argc, char **argv, const std::string &program)
{
    int status = convert::kExitClean;
    std::optional<CommandOptions> args = startCommand(Command::Check, argc, argv, program, status);
    if (!args)
        return status;
    PrintingLog out(stdout);
    try {
        Connections c(*args);
        if (!settleWithMySql(*c.catalog, *args, program))
            return convert::kExitBadArguments;
        c.openOracle();
        convert::CheckConnections connections{*c.catalog, *c.oracleConn, args->oracleUser};
        const std::size_t problems = convert::CheckTables(connections, args->tables, args->options, out);
        out.flush();
        if (!args->sqlPath.empty()) {
            convert::DdlScriptSource source{args->host, args->database, args->oracleUser, args->oracleService};
            convert::WriteWholeFile(args->sqlPath,
                                    convert::BuildDdlScript(connections, args->tables, args->options, source),
                                    "the SQL script");
            std::printf("The statements a run would send are in %s.\n", args->sqlPath.c_str());
        }
        return problems == 0 ? convert::kExitClean : convert::kExitWithFailures;
    } catch (const std::exception &e) {
        out.flush();
        std::fprintf(stderr, "%s\n", e.what());
        return convert::kExitError;
    }
}

} // namespace cli
