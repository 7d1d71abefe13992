#pragma once

#include "app/WizardSessions.h"
#include "convert/ConversionRun.h"
#include "convert/RunReport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CallBreaker;
class LogFeed;
class Mailbox;
class ProgressFeed;

// A conversion started from page 5, and what it needs: taken from the window once, when the run starts.
struct RunRequest {
    WizardSessions sessions;
    std::vector<std::string> rowProfile; // the source profile, on the chosen database
    std::string oracleUser;
    std::vector<std::string> tables;
    convert::ConversionOptions options; // as page 4 has them; the character set is settled by the run
    convert::ClosingTexts closing;
    convert::RunDescription description; // what the report says of the run besides its tables
};

// How it ended, with the sessions handed back.
struct RunEnd {
    WizardSessions sessions;
    bool started = false; // false: it ended before its first statement (a Stop, or a character set refused)
    convert::RunSummary summary;
    std::string error;                          // what ended the run, or kept it from starting; empty otherwise
    std::shared_ptr<convert::RunReport> report; // however the run ended; none when it never began
};

// The run on a worker thread of its own. The character set is settled with the MySQL server first; then
// `started` is posted and the run goes; `finished` is always posted last. The run writes its log to the
// log feed and its progress points to the progress feed, and a Stop reaches it through the breaker:
// before it begins, by breaking the character set's query; once it runs, by the run's own stop, which
// breaks every worker's call. Both calls run on the window's thread, through the mailbox.
void startRun(std::shared_ptr<RunRequest> request, std::shared_ptr<LogFeed> log, std::shared_ptr<ProgressFeed> progress,
              std::shared_ptr<CallBreaker> breaker, std::shared_ptr<Mailbox> mailbox, std::function<void()> started,
              std::function<void(std::shared_ptr<RunEnd>)> finished);
