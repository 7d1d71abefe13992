#include "CommandStart.h"
#include "Commands.h"
#include "Connections.h"
#include "Interrupts.h"
#include "PrintingLog.h"

#include "convert/ConversionRun.h"
#include "convert/RunReport.h"
#include "convert/RunStatus.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include <unistd.h>

namespace cli {

namespace {

// The report of a run, written whatever way the run ended; a report that cannot be written is said on
// stderr and makes a clean run's exit status 1.
int writeReport(const CommandOptions &args, convert::RunReport &report, const convert::RunRecord *record, int status,
                const std::string &error)
{
    if (args.reportPath.empty())
        return status;
    convert::CompleteRunReport(report, record, status, error);
    try {
        convert::WriteRunReport(report, args.reportPath);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return status == convert::kExitClean ? convert::kExitError : status;
    }
    return status;
}

} // namespace

int runConvert(int argc, char **argv, const std::string &program)
{
    int status = convert::kExitClean;
    std::optional<CommandOptions> args = startCommand(Command::Convert, argc, argv, program, status);
    if (!args)
        return status;
    catchInterrupts();

    convert::RunReport report;
    report.run = describeRun(*args, program);
    report.started = std::chrono::system_clock::now();
    // On a terminal a status line under the log says where the run is; a file or a pipe gets lines only.
    PrintingLog log(stdout, {}, isatty(fileno(stdout)) != 0);
    std::mutex statusMutex;
    convert::RunStatus runStatus;
    runStatus.start();
    auto lastShown = convert::RunStatus::Clock::time_point{};
    std::optional<convert::ConversionRun> run;
    std::string error; // what ended the run, when something did
    try {
        Connections c(*args);
        if (!settleWithMySql(*c.catalog, *args, program))
            return convert::kExitBadArguments;
        report.run.options = args->options;
        c.openOracle();
        convert::RunConnections connections{*c.catalog,    *c.rowSource,    c.sourceProfile, *c.oracleConn,
                                            *c.oracleData, *c.oracleInsert, args->oracleUser};
        convert::RunHooks hooks{log,
                                [&](const convert::Progress &progress) {
                                    const std::lock_guard lock(statusMutex);
                                    const auto now = convert::RunStatus::Clock::now();
                                    runStatus.update(progress, now);
                                    // Ten a second at most: a terminal redrawn faster only flickers.
                                    if (now - lastShown >= std::chrono::milliseconds(100)) {
                                        log.setStatus(runStatus.line(now));
                                        lastShown = now;
                                    }
                                    return !interrupted();
                                },
                                {}};
        hooks.closing.stopped =
            "Conversion interrupted: %1 of %2 tables converted; failed tables: %3, rejected rows: %4.";
        run.emplace(std::move(connections), args->options, std::move(hooks), args->scope);
        // A signal also breaks the calls under way, so a long statement does not hold the stop; again
        // every quarter second until the run ends, for a call begun just after a round of breaks.
        std::jthread breaker([&](std::stop_token stop) {
            keepInterruptsOffThisThread();
            while (!stop.stop_requested() && !interrupted())
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            while (!stop.stop_requested()) {
                run->requestStop();
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
            }
        });
        const convert::RunSummary summary = run->run(args->tables);
        breaker.request_stop();
        log.flush();
        status = convert::exitCodeFor(summary);
    } catch (const std::exception &e) {
        log.flush();
        std::fprintf(stderr, "%s\n", e.what());
        error = e.what();
        status = convert::kExitError;
    }
    return writeReport(*args, report, run ? &run->record() : nullptr, status, error);
}

} // namespace cli
