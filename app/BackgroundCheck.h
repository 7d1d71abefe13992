#pragma once

#include "convert/ConversionOptions.h"
#include "convert/DdlScript.h"
#include "db/Connection.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CallBreaker;
class LogFeed;
class Mailbox;

// A check of the selected tables, and the sessions it reads: taken from the window when it starts.
struct CheckRequest {
    std::unique_ptr<db::Connection> catalog;    // MySQL, open on the chosen database
    std::unique_ptr<db::Connection> oracleConn; // Oracle
    std::string oracleUser;
    std::vector<std::string> tables;
    convert::ConversionOptions options; // as page 4 has them; the character set is settled by the check
    // Set: instead of the check, the statements a run would send are written to this file as a script.
    std::string sqlPath;
    convert::DdlScriptSource source; // for the script's header
};

// How it ended, with the sessions handed back.
struct CheckEnd {
    std::unique_ptr<db::Connection> catalog, oracleConn;
    bool started = false; // false: a character set the server lacks, or a Stop, came first
    bool stopped = false;
    std::string error; // what kept it from starting or ended it; empty after a Stop
};

// The check (or the script) on a worker thread of its own, written to the feed: `started` is posted once the character
// set is settled and the first line is on its way, `finished` always last. A Stop breaks the call under
// way and ends the check after the table it is at, with a line that says so.
void startCheck(std::shared_ptr<CheckRequest> request, std::shared_ptr<LogFeed> out,
                std::shared_ptr<CallBreaker> breaker, std::shared_ptr<Mailbox> mailbox, std::function<void()> started,
                std::function<void(std::shared_ptr<CheckEnd>)> finished);
