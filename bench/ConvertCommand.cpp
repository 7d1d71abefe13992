#include "ConvertCommand.h"

#include "OracleLogin.h"
#include "PrintingLog.h"

#include "convert/ConversionRun.h"
#include "convert/SourceCharsets.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <signal.h>

namespace {

const char *kUsage =
    "usage: morvane-bench convert --mysql-database DB --mysql-user U --mysql-password P [--mysql-host H]\n"
    "         --oracle USER/PASSWORD@SERVICE [--overwrite | --merge | --skip] [--definitions-only]\n"
    "         [--skip-indexes] [--no-uppercase] [--blob-to-text] [--charset NAME] TABLE...\n"
    "Converts the tables in the order given, as the wizard would with those options, and prints the\n"
    "progress log. Without --mysql-host the local server is used. SIGINT or SIGTERM stops the run at its\n"
    "next progress point, as Stop does in the wizard; a second one ends the program at once.\n"
    "Exit status: 0 every table converted and no row refused, 1 an error ended the run, 2 bad arguments,\n"
    "3 the run completed with failures (a step failed or rows were refused), 4 stopped by a signal.\n";

enum ExitStatus { kClean = 0, kError = 1, kBadArguments = 2, kWithFailures = 3, kInterrupted = 4 };

// Set by the first SIGINT or SIGTERM; the handler then gives both signals back their default action,
// so a second one, of either kind, ends the program at once.
volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int)
{
    g_interrupted = 1;
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(SIGINT, &byDefault, nullptr);
    sigaction(SIGTERM, &byDefault, nullptr);
}

void catchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    // The other one waits until the first has been handled, and so meets the default action.
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    // Calls under way go on (a read from MySQL, an apply): the run stops at its next progress point.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

struct Arguments {
    std::string database, user, password, host, oracle;
    bool haveDatabase = false, haveUser = false, havePassword = false;
    convert::ConversionOptions options;
    std::vector<std::string> tables;
};

bool parse(int argc, char **argv, Arguments &args, std::string &error)
{
    int policies = 0;
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") {
            error = "help";
            return false;
        }
        auto value = [&](std::string &into) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (a == "--mysql-database") {
            if (!value(args.database))
                return false;
            args.haveDatabase = true;
        } else if (a == "--mysql-user") {
            if (!value(args.user))
                return false;
            args.haveUser = true;
        } else if (a == "--mysql-password") {
            if (!value(args.password))
                return false;
            args.havePassword = true;
        } else if (a == "--mysql-host") {
            if (!value(args.host))
                return false;
        } else if (a == "--oracle") {
            if (!value(args.oracle))
                return false;
        } else if (a == "--overwrite") {
            args.options.policy = convert::ExistingTablePolicy::Overwrite, ++policies;
        } else if (a == "--merge") {
            args.options.policy = convert::ExistingTablePolicy::Merge, ++policies;
        } else if (a == "--skip") {
            args.options.policy = convert::ExistingTablePolicy::Skip, ++policies;
        } else if (a == "--definitions-only") {
            args.options.definitionsOnly = true;
        } else if (a == "--skip-indexes") {
            args.options.skipIndexes = true;
        } else if (a == "--no-uppercase") {
            args.options.uppercaseNames = false;
        } else if (a == "--blob-to-text") {
            args.options.blobToText = true;
        } else if (a == "--charset") {
            if (!value(args.options.charset))
                return false;
            args.options.charsetIndex = convert::sourceCharsetIndex(args.options.charset);
        } else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        } else {
            args.tables.push_back(a);
        }
    }
    if (!args.haveDatabase || !args.haveUser || !args.havePassword || args.oracle.empty()) {
        error = "--mysql-database, --mysql-user, --mysql-password and --oracle are required";
        return false;
    }
    if (policies > 1) {
        error = "give at most one of --overwrite, --merge, --skip";
        return false;
    }
    if (args.tables.empty()) {
        error = "name at least one table";
        return false;
    }
    return true;
}

} // namespace

int runConvertCommand(int argc, char **argv)
{
    Arguments args;
    std::string error;
    if (!parse(argc, argv, args, error)) {
        if (error == "help") {
            std::fputs(kUsage, stdout);
            return kClean;
        }
        std::fprintf(stderr, "morvane-bench convert: %s\n%s", error.c_str(), kUsage);
        return kBadArguments;
    }
    auto login = OracleLogin::parse(args.oracle);
    if (!login) {
        std::fprintf(stderr, "morvane-bench convert: --oracle takes USER/PASSWORD@SERVICE\n%s", kUsage);
        return kBadArguments;
    }
    catchInterrupts();

    PrintingLog log(stdout);
    try {
        auto sourceProfile = db::mysqlSourceProfile(args.database, args.user, args.password, args.host);
        auto catalog = db::createMySqlConnection();
        catalog->replaceProfile(sourceProfile);
        catalog->open();
        auto rowSource = db::createMySqlConnection();

        auto targetProfile = db::oracleTargetProfile(login->service, login->user, login->password);
        auto oracleConn = db::createOracleConnection();
        auto oracleData = db::createOracleConnection();
        auto oracleInsert = db::createOracleConnection();
        for (auto *c : {oracleConn.get(), oracleData.get(), oracleInsert.get()}) {
            c->replaceProfile(targetProfile);
            c->open();
        }

        convert::RunConnections connections{*catalog,    *rowSource,    sourceProfile, *oracleConn,
                                            *oracleData, *oracleInsert, login->user};
        convert::RunHooks hooks{log, [](const convert::Progress &) { return g_interrupted == 0; }, {}};
        hooks.closing.stopped =
            "Conversion interrupted: %1 of %2 tables converted; failed tables: %3, rejected rows: %4.";
        convert::ConversionRun run(std::move(connections), args.options, std::move(hooks));
        const convert::RunSummary summary = run.run(args.tables);
        log.flush();
        if (summary.outcome == convert::RunOutcome::Stopped)
            return kInterrupted;
        return summary.clean() ? kClean : kWithFailures;
    } catch (const std::exception &e) {
        log.flush();
        std::fprintf(stderr, "%s\n", e.what());
        return kError;
    }
}
