#include "ConvertCommand.h"

#include "OracleLogin.h"
#include "PrintingLog.h"

#include "convert/ConversionRun.h"
#include "convert/SourceCharsets.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char *kUsage =
    "usage: morvane-bench convert --mysql-database DB --mysql-user U --mysql-password P [--mysql-host H]\n"
    "         --oracle USER/PASSWORD@SERVICE [--overwrite | --merge | --skip] [--definitions-only]\n"
    "         [--skip-indexes] [--no-uppercase] [--blob-to-text] [--charset NAME] TABLE...\n"
    "Converts the tables in the order given, as the wizard would with those options, and prints the\n"
    "progress log. Without --mysql-host the local server is used. Exit 0 when the run returned, 1 when\n"
    "an error ended it, 2 on bad arguments.\n";

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
            return 0;
        }
        std::fprintf(stderr, "morvane-bench convert: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    auto login = OracleLogin::parse(args.oracle);
    if (!login) {
        std::fprintf(stderr, "morvane-bench convert: --oracle takes USER/PASSWORD@SERVICE\n%s", kUsage);
        return 2;
    }

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

        bool stopRequested = false;
        convert::RunConnections connections{*catalog,    *rowSource,    sourceProfile, *oracleConn,
                                            *oracleData, *oracleInsert, login->user};
        convert::RunHooks hooks{log, {}, stopRequested,
                                {"Conversion is Completed",
                                 "Wizard has migrated your MySQL database to Oracle server successfully.",
                                 "Click 'Finish' to exit the wizard."}};
        convert::ConversionRun run(std::move(connections), args.options, std::move(hooks));
        run.run(args.tables);
        log.flush();
        return 0;
    } catch (const std::exception &e) {
        log.flush();
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
