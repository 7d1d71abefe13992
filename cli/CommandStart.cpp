#include "CommandStart.h"

#include "Passwords.h"

#include "convert/WholeFile.h"

#include "convert/SourceCharsets.h"
#include "db/Error.h"

#include <cstdio>

namespace cli {

std::optional<CommandOptions> startCommand(Command command, int argc, char **argv, const std::string &program,
                                           int &exitStatus)
{
    CommandOptions options;
    std::string error = parseCommandOptions(command, argc, argv, options);
    if (options.help) {
        std::fputs(commandUsage(command, program).c_str(), stdout);
        exitStatus = convert::kExitClean;
        return std::nullopt;
    }
    if (error.empty())
        error = checkReportPath(options.reportPath);
    if (error.empty() && !options.sqlPath.empty()) {
        if (const std::string problem = convert::WholeFileProblem(options.sqlPath); !problem.empty())
            error = "--sql " + options.sqlPath + ": " + problem;
    }
    if (error.empty())
        error = resolvePasswords(options);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), error.c_str(), commandUsage(command, program).c_str());
        exitStatus = convert::kExitBadArguments;
        return std::nullopt;
    }
    return options;
}

bool settleWithMySql(db::Connection &catalog, CommandOptions &options, const std::string &program)
{
    const std::string asked = convert::checkedCharsetName(options.options);
    try {
        convert::SettleSourceCharset(catalog, options.options);
    } catch (const db::ConnectionLostError &) {
        throw;
    } catch (const db::Error &e) {
        std::fprintf(stderr, "%s: --charset %s: %s\n", program.c_str(), asked.c_str(), e.what());
        return false;
    }
    return true;
}

convert::RunDescription describeRun(const CommandOptions &o, const std::string &program)
{
    convert::RunDescription run;
    run.program = program;
    run.mysqlDatabase = o.database;
    run.mysqlUser = o.user;
    run.mysqlHost = o.host;
    run.oracleUser = o.oracleUser;
    run.oracleService = o.oracleService;
    run.options = o.options;
    run.tables = o.tables;
    run.oracleTimeout = o.oracleTimeout;
    run.mysqlTimeout = o.mysqlTimeout;
    return run;
}

std::string checkReportPath(const std::string &path)
{
    if (path.empty())
        return {};
    const std::string problem = convert::ReportPathProblem(path);
    return problem.empty() ? problem : "--report " + path + ": " + problem;
}

} // namespace cli
