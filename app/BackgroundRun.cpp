#include "app/BackgroundRun.h"

#include "app/CallBreaker.h"
#include "app/LogFeed.h"
#include "app/Mailbox.h"
#include "app/ProgressFeed.h"
#include "app/WorkerThreads.h"
#include "convert/SourceCharsets.h"

#include <chrono>
#include <exception>
#include <optional>

namespace {

// Settles the character set; false when the run is not to begin (refused, or stopped meanwhile), with
// the reason in end.error unless it was a Stop.
bool settle(RunRequest &request, CallBreaker &breaker, RunEnd &end)
{
    try {
        const CallBreaker::Hold hold(breaker, [&request] { request.sessions.catalog->cancel(); });
        convert::SettleSourceCharset(*request.sessions.catalog, request.options);
    } catch (const std::exception &e) {
        if (!breaker.broken())
            end.error = e.what();
        return false;
    }
    return !breaker.broken();
}

void convertTables(RunRequest &request, LogFeed &log, std::shared_ptr<ProgressFeed> progress, CallBreaker &breaker,
                   RunEnd &end)
{
    auto report = std::make_shared<convert::RunReport>();
    report->run = request.description;
    report->run.options = request.options;
    report->started = std::chrono::system_clock::now();
    WizardSessions &s = request.sessions;
    convert::RunConnections connections{*s.catalog,    *s.rows,         request.rowProfile, *s.oracleConn,
                                        *s.oracleData, *s.oracleInsert, request.oracleUser};
    // The answer to "go on" is the run's own: a Stop reaches it through requestStop().
    convert::RunHooks hooks{log,
                            [progress = std::move(progress)](const convert::Progress &point) {
                                progress->report(point);
                                return true;
                            },
                            request.closing};
    convert::ConversionRun run(std::move(connections), request.options, std::move(hooks));
    {
        const CallBreaker::Hold hold(breaker, [&run] { run.requestStop(); });
        try {
            end.summary = run.run(request.tables);
            convert::CompleteRunReport(*report, &run.record(), convert::exitCodeFor(end.summary));
        } catch (const std::exception &e) {
            end.error = e.what();
            convert::CompleteRunReport(*report, &run.record(), convert::kExitError, end.error);
        }
    }
    end.report = std::move(report);
}

} // namespace

void startRun(std::shared_ptr<RunRequest> request, std::shared_ptr<LogFeed> log, std::shared_ptr<ProgressFeed> progress,
              std::shared_ptr<CallBreaker> breaker, std::shared_ptr<Mailbox> mailbox, std::function<void()> started,
              std::function<void(std::shared_ptr<RunEnd>)> finished)
{
    workerthreads::start([=]() {
        auto end = std::make_shared<RunEnd>();
        try {
            if (settle(*request, *breaker, *end)) {
                mailbox->post(started);
                end->started = true;
                convertTables(*request, *log, progress, *breaker, *end);
            }
        } catch (...) {
            // Nothing above lets an error out; should one come, the window still hears the run ended.
            end->error = "Unexpected failure";
        }
        end->sessions = std::move(request->sessions);
        mailbox->post([finished, end] { finished(end); });
    });
}
