#include "app/BackgroundCheck.h"

#include "app/CallBreaker.h"
#include "app/LogFeed.h"
#include "app/Mailbox.h"
#include "app/WorkerThreads.h"
#include "convert/CheckRun.h"
#include "convert/SourceCharsets.h"
#include "convert/WholeFile.h"

#include <cstddef>
#include <exception>

namespace {

struct Stopped {};

void check(CheckRequest &request, LogFeed &out, CallBreaker &breaker, Mailbox &mailbox,
           const std::function<void()> &started, CheckEnd &end)
{
    const CallBreaker::Hold mysql(breaker, [&request] { request.catalog->cancel(); });
    const CallBreaker::Hold oracle(breaker, [&request] { request.oracleConn->cancel(); });
    convert::SettleSourceCharset(*request.catalog, request.options);
    if (breaker.broken())
        throw Stopped{};
    mailbox.post(started);
    end.started = true;
    convert::CheckConnections connections{*request.catalog, *request.oracleConn, request.oracleUser};
    if (!request.sqlPath.empty()) {
        const std::string script =
            convert::BuildDdlScript(connections, request.tables, request.options, request.source);
        if (breaker.broken())
            throw Stopped{};
        convert::WriteWholeFile(request.sqlPath, script, "the SQL script");
        return;
    }
    std::size_t checked = 0;
    try {
        convert::CheckTables(connections, request.tables, request.options, out, [&] {
            ++checked;
            if (breaker.broken())
                throw Stopped{};
        });
    } catch (...) {
        // Stopped between two tables, or within one (its broken call is then among its findings).
        if (!breaker.broken())
            throw;
        out.append("");
        out.append("Check stopped after " + std::to_string(checked) + " of " + std::to_string(request.tables.size()) +
                   " tables.");
        throw Stopped{};
    }
}

} // namespace

void startCheck(std::shared_ptr<CheckRequest> request, std::shared_ptr<LogFeed> out,
                std::shared_ptr<CallBreaker> breaker, std::shared_ptr<Mailbox> mailbox, std::function<void()> started,
                std::function<void(std::shared_ptr<CheckEnd>)> finished)
{
    workerthreads::start([=]() {
        auto end = std::make_shared<CheckEnd>();
        try {
            check(*request, *out, *breaker, *mailbox, started, *end);
        } catch (const Stopped &) {
            end->stopped = true;
        } catch (const std::exception &e) {
            // A call a Stop broke is no error of the servers'.
            end->stopped = breaker->broken();
            if (!end->stopped)
                end->error = e.what();
        } catch (...) {
            end->error = "Unexpected failure";
        }
        end->catalog = std::move(request->catalog);
        end->oracleConn = std::move(request->oracleConn);
        mailbox->post([finished, end] { finished(end); });
    });
}
