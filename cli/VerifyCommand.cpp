#include "CommandStart.h"
#include "Commands.h"
#include "Connections.h"
#include "Interrupts.h"

#include "convert/NameRules.h"
#include "convert/OracleAllowance.h"
#include "convert/RunPlan.h"
#include "convert/SourceCharsets.h"
#include "convert/SourceListing.h"
#include "convert/TableVerify.h"
#include "convert/TargetNamePlanner.h"
#include "convert/TargetSteps.h"

#include <chrono>
#include <cstdio>

namespace cli {

namespace {

// One table compared on its own: both sides read whole. Rows an earlier copy refused are not known
// here, so they count as missing; rows outside the checked character set are left out, as a copy leaves
// them out.
convert::TableRecord verifyOne(Connections &c, const convert::TableNames &names, const CommandOptions &args)
{
    convert::TableRecord record;
    record.names = names;
    const auto started = std::chrono::steady_clock::now();
    try {
        auto target = c.oracleInsert->createTargetTable("verify");
        target->open(names.target);
        c.rowSource->close();
        c.rowSource->replaceProfile(c.sourceProfile);
        c.rowSource->open();
        // Settled with the server before the tables: a valid name, or empty.
        const std::string charset = convert::checkedCharsetName(args.options);
        const std::vector<std::string> key =
            convert::PrimaryKeyColumns(convert::ListSourceIndexRows(*c.catalog, names.source));
        const convert::VerifySource source{*c.rowSource,
                                           names,
                                           charset,
                                           key,
                                           nullptr,
                                           args.options.allows.nameBytes,
                                           [](std::size_t) { return !interrupted(); }};
        const convert::VerifyResult result =
            convert::VerifyTable(*c.oracleConn, names.target, target->columns(), source);
        record.verification = result;
        record.status = result.match ? "verified" : "differs";
        record.steps.push_back({"verify", result.match ? "succeeded" : "failed", result.difference, {}});
        std::printf("%s\n", result.logLine(names.target).c_str());
    } catch (const convert::VerificationStopped &) {
        throw; // the command ends: what is verified so far goes to the report
    } catch (const std::exception &e) {
        record.status = "failed";
        record.steps.push_back({"verify", "failed", e.what(), {}});
        std::printf("Verify table %s: %s\n", names.target.c_str(), e.what());
    }
    std::fflush(stdout);
    record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return record;
}

} // namespace

int runVerify(int argc, char **argv, const std::string &program)
{
    int status = convert::kExitClean;
    std::optional<CommandOptions> args = startCommand(Command::Verify, argc, argv, program, status);
    if (!args)
        return status;
    // As for convert: the first SIGINT or SIGTERM stops at the next thousand rows, a second ends at once.
    catchInterrupts();
    convert::RunReport report;
    report.run = describeRun(*args, program);
    report.started = std::chrono::system_clock::now();
    try {
        Connections c(*args);
        if (!settleWithMySql(*c.catalog, *args, program))
            return convert::kExitBadArguments;
        report.run.options = args->options;
        c.openOracle();
        // Names as long as the run could give them.
        args->options.allows = convert::SettleOracleAllowance(*c.oracleConn, args->oracleUser, args->options).allows;
        // The Oracle table a run made from each MySQL table: by its marker, its name, or an older run's counter.
        const convert::OracleSchema oracle = convert::OracleSchema::read(*c.oracleConn, args->oracleUser);
        const convert::TargetNamePlanner planner(oracle, convert::ListSourceTables(*c.catalog),
                                                 args->options.uppercaseNames, args->options.allows.nameBytes);
        std::size_t differ = 0;
        for (const auto &table : args->tables) {
            if (interrupted())
                throw convert::VerificationStopped();
            convert::TableNames names = planner.existingNamesFor(table);
            if (names.target.empty())
                names.target = names.working; // not there: verifying says so
            report.tables.push_back(verifyOne(c, names, *args));
            differ += report.tables.back().status == "verified" ? 0 : 1;
        }
        std::printf("%zu tables verified; tables that differ: %zu.\n", report.tables.size(), differ);
        status = differ == 0 ? convert::kExitClean : convert::kExitWithFailures;
    } catch (const convert::VerificationStopped &) {
        std::printf("Verification interrupted: %zu tables verified.\n", report.tables.size());
        std::fflush(stdout);
        report.error = "interrupted";
        status = convert::kExitStopped;
    } catch (const std::exception &e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        report.error = e.what();
        status = convert::kExitError;
    }
    if (!args->reportPath.empty()) {
        report.exitCode = status;
        report.ended = std::chrono::system_clock::now();
        try {
            convert::WriteRunReport(report, args->reportPath);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s\n", e.what());
            if (status == convert::kExitClean)
                status = convert::kExitError;
        }
    }
    return status;
}

} // namespace cli
