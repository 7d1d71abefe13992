#pragma once

#include "ConversionOptions.h"
#include "RunRecord.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace convert {

struct RunSummary;

// How a run ended, as the command line's exit status; the wizard's report says the same.
enum RunExitCode {
    kExitClean = 0,        // every step of every table succeeded and Oracle refused no row
    kExitError = 1,        // an error ended the run
    kExitBadArguments = 2, // the command line could not be understood
    kExitWithFailures = 3, // the run went through every table, but a step failed or rows were refused
    kExitStopped = 4,      // stopped by the user (Stop, SIGINT, SIGTERM)
};

int exitCodeFor(const RunSummary &summary);

// What a report says of the run besides its tables. It has no place for a password, so none can leak
// into a report.
struct RunDescription {
    std::string program;                             // "morvane-cli convert", "morvane"
    std::string mysqlDatabase, mysqlUser, mysqlHost; // an empty host is the local server
    std::string oracleUser, oracleService;
    ConversionOptions options;
    std::vector<std::string> tables; // as selected, in order
    // How long a call may wait for each server, in seconds (0: no limit); nothing for the default.
    std::optional<unsigned> oracleTimeout, mysqlTimeout;
};

struct RunReport {
    RunDescription run;
    std::chrono::system_clock::time_point started, ended;
    int exitCode = kExitClean;
    std::string error;             // what ended the run, when an error did
    std::vector<StepRecord> steps; // steps of the run as a whole (the foreign keys between its tables)
    std::vector<TableRecord> tables;
};

// Completes a report begun with its description and start: the tables and the run's own steps from the
// run's record (each selected table "not reached" when no run began, as when its connections could not
// be opened), how it ended and when. The same for every program that reports a run. `error` is what
// ended the run, empty when it went through or was stopped.
void CompleteRunReport(RunReport &report, const RunRecord *record, int exitCode, const std::string &error = {},
                       std::chrono::system_clock::time_point ended = std::chrono::system_clock::now());

// The report as JSON; docs/run-report.schema.json describes it.
std::string RunReportJson(const RunReport &report);

// Writes the report to a file, replacing it at once when it is whole: until then the file is as it was.
// Throws std::runtime_error naming the file and the system's reason, the file left as it was.
void WriteRunReport(const RunReport &report, const std::string &path);

// What would keep a report from being written to `path` (the system's reason), or empty. Leaves no file
// behind, so a run that ends before its report makes none.
std::string ReportPathProblem(const std::string &path);

} // namespace convert
