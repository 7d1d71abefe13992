#include "RunReport.h"

#include "ConversionRun.h"
#include "JsonWriter.h"
#include "SourceCharsets.h"
#include "WholeFile.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace convert {

namespace {

// UTC, ISO 8601, to the millisecond: "2024-05-01T10:11:12.345Z".
std::string isoTime(std::chrono::system_clock::time_point moment)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms % 1000));
    return text;
}

const char *policyName(ExistingTablePolicy policy)
{
    switch (policy) {
    case ExistingTablePolicy::Merge:
        return "merge";
    case ExistingTablePolicy::Skip:
        return "skip";
    case ExistingTablePolicy::Overwrite:
        break;
    }
    return "overwrite";
}

const char *outcomeName(int exitCode)
{
    switch (exitCode) {
    case kExitClean:
        return "completed";
    case kExitWithFailures:
        return "completed with failures";
    case kExitStopped:
        return "stopped";
    default:
        return "ended by error";
    }
}

std::uint64_t count(std::size_t n) { return static_cast<std::uint64_t>(n); }

void writeOptions(JsonWriter &json, const RunDescription &run)
{
    const ConversionOptions &o = run.options;
    json.key("options").beginObject();
    json.key("mysql").beginObject();
    json.key("database").value(run.mysqlDatabase);
    json.key("user").value(run.mysqlUser);
    json.key("host").value(run.mysqlHost.empty() ? std::string("localhost") : run.mysqlHost);
    json.endObject();
    json.key("oracle").beginObject();
    json.key("user").value(run.oracleUser);
    json.key("service").value(run.oracleService);
    json.endObject();
    json.key("policy").value(policyName(o.policy));
    json.key("definitionsOnly").value(o.definitionsOnly);
    json.key("skipIndexes").value(o.skipIndexes);
    json.key("uppercaseNames").value(o.uppercaseNames);
    json.key("blobToText").value(o.blobToText);
    const std::string charset = checkedCharsetName(o);
    json.key("charset").value(charset.empty() ? std::string("Default") : charset);
    json.key("verify").value(o.verify);
    json.key("resume").value(o.resume);
    json.key("keepSchema").value(o.keepSchema);
    json.key("longNames").value(o.longNames);
    for (const auto &[key, seconds] :
         {std::pair{"oracleTimeout", run.oracleTimeout}, {"mysqlTimeout", run.mysqlTimeout}}) {
        if (seconds)
            json.key(key).value(static_cast<std::int64_t>(*seconds));
        else
            json.key(key).null();
    }
    json.key("tables").beginArray();
    for (const auto &table : run.tables)
        json.value(table);
    json.endArray();
    json.endObject();
}

void writeSteps(JsonWriter &json, const std::vector<StepRecord> &steps)
{
    json.key("steps").beginArray();
    for (const auto &step : steps) {
        json.beginObject();
        json.key("step").value(step.step);
        json.key("status").value(step.status);
        json.key("message").value(step.message);
        json.key("statements").beginArray();
        for (const auto &statement : step.statements)
            json.value(statement);
        json.endArray();
        json.endObject();
    }
    json.endArray();
}

void writeTable(JsonWriter &json, const TableRecord &t)
{
    json.beginObject();
    json.key("source").value(t.names.source);
    if (t.names.target.empty())
        json.key("target").null();
    else
        json.key("target").value(t.names.target);
    json.key("status").value(t.status);
    if (t.error.empty())
        json.key("error").null();
    else
        json.key("error").value(t.error);
    writeSteps(json, t.steps);
    json.key("rowsRead").value(count(t.rowsRead));
    json.key("rowsWritten").value(count(t.rowsWritten));
    json.key("rowsRefused").value(count(t.rowsRefused));
    json.key("rowsAlreadyThere").value(count(t.rowsAlreadyThere));
    json.key("refusedRows").beginArray();
    for (const auto &row : t.refusedRows) {
        json.beginObject();
        json.key("row").value(count(row.row));
        if (row.key.empty())
            json.key("key").null();
        else
            json.key("key").value(row.key);
        json.key("message").value(row.message);
        json.endObject();
    }
    json.endArray();
    if (!t.verification) {
        json.key("verification").null();
    } else {
        const VerifyResult &v = *t.verification;
        json.key("verification").beginObject();
        json.key("match").value(v.match);
        json.key("mysqlRows").value(v.sourceRows);
        json.key("oracleRows").value(v.targetRows);
        json.key("difference").value(v.difference);
        json.endObject();
    }
    json.key("seconds").value(t.seconds);
    json.endObject();
}

} // namespace

int exitCodeFor(const RunSummary &summary)
{
    if (summary.outcome == RunOutcome::Stopped)
        return kExitStopped;
    return summary.clean() ? kExitClean : kExitWithFailures;
}

void CompleteRunReport(RunReport &report, const RunRecord *record, int exitCode, const std::string &error,
                       std::chrono::system_clock::time_point ended)
{
    if (record) {
        report.tables = record->tables();
        report.steps = record->runSteps();
    } else {
        report.tables.clear();
        report.steps.clear();
        for (const auto &table : report.run.tables) {
            report.tables.emplace_back();
            report.tables.back().names.source = table;
        }
    }
    report.exitCode = exitCode;
    report.error = error;
    report.ended = ended;
}

std::string RunReportJson(const RunReport &report)
{
    JsonWriter json;
    json.beginObject();
    json.key("program").value(report.run.program);
    json.key("started").value(isoTime(report.started));
    json.key("ended").value(isoTime(report.ended));
    json.key("exitCode").value(report.exitCode);
    json.key("outcome").value(outcomeName(report.exitCode));
    if (report.error.empty())
        json.key("error").null();
    else
        json.key("error").value(report.error);
    writeOptions(json, report.run);
    writeSteps(json, report.steps);
    json.key("tables").beginArray();
    for (const auto &table : report.tables)
        writeTable(json, table);
    json.endArray();
    json.endObject();
    return json.text() + "\n";
}

void WriteRunReport(const RunReport &report, const std::string &path)
{
    WriteWholeFile(path, RunReportJson(report), "the report");
}

std::string ReportPathProblem(const std::string &path) { return WholeFileProblem(path); }

} // namespace convert
