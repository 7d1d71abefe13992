#include "ParallelSpeedup.h"

#include "Measure.h"

#include "convert/ConversionRun.h"
#include "db/Drivers.h"
#include "db/Error.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// One conversion of the tables with `jobs` workers, on sessions made for it (so the stand-in's delay,
// read at logon, is the one of the moment).
double convertTables(const std::vector<std::string> &mysqlProfile, const std::vector<std::string> &oracleProfile,
                     const std::string &oracleUser, const std::vector<std::string> &tables, int jobs)
{
    auto catalog = db::createMySqlConnection();
    catalog->replaceProfile(mysqlProfile);
    catalog->open();
    auto rowSource = db::createMySqlConnection();
    std::unique_ptr<db::Connection> oracle[3];
    for (auto &c : oracle) {
        c = db::createOracleConnection();
        c->replaceProfile(oracleProfile);
        c->open();
    }
    convert::MemoryLog log;
    convert::ConversionOptions options;
    options.jobs = jobs;
    convert::ConversionRun run({*catalog, *rowSource, mysqlProfile, *oracle[0], *oracle[1], *oracle[2], oracleUser},
                               options, {log, {}, {}});
    Stopwatch clock;
    const convert::RunSummary summary = run.run(tables);
    const double seconds = clock.seconds();
    if (!summary.clean())
        throw db::Error("the conversion with " + std::to_string(jobs) +
                        " at once did not go through: " + log.lastLine());
    return seconds;
}

double bestOfTwo(const std::vector<std::string> &mysqlProfile, const std::vector<std::string> &oracleProfile,
                 const std::string &oracleUser, const std::vector<std::string> &tables, int jobs)
{
    return std::min(convertTables(mysqlProfile, oracleProfile, oracleUser, tables, jobs),
                    convertTables(mysqlProfile, oracleProfile, oracleUser, tables, jobs));
}

} // namespace

ParallelSpeedup measureParallelSpeedup(const std::vector<std::string> &mysqlProfile,
                                       const std::vector<std::string> &oracleProfile, const std::string &oracleUser,
                                       const std::vector<std::string> &tables, std::size_t rowsEach, double delayMs)
{
    ParallelSpeedup figures;
    figures.tables = tables.size();
    figures.rowsEach = rowsEach;
    figures.delayMs = delayMs;
    const char *before = std::getenv("ORACLE_SIM_DELAY_MS");
    const std::string kept = before ? before : "";
    setenv("ORACLE_SIM_DELAY_MS", std::to_string(delayMs).c_str(), 1);
    figures.oneAtATimeSeconds = bestOfTwo(mysqlProfile, oracleProfile, oracleUser, tables, 1);
    figures.fourAtOnceSeconds = bestOfTwo(mysqlProfile, oracleProfile, oracleUser, tables, 4);
    unsetenv("ORACLE_SIM_DELAY_MS");
    figures.oneNoDelaySeconds = bestOfTwo(mysqlProfile, oracleProfile, oracleUser, tables, 1);
    figures.fourNoDelaySeconds = bestOfTwo(mysqlProfile, oracleProfile, oracleUser, tables, 4);
    if (before)
        setenv("ORACLE_SIM_DELAY_MS", kept.c_str(), 1);
    return figures;
}

std::string ParallelSpeedup::render() const
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "\n## Tables side by side\n\n"
                  "%zu tables of %zu rows converted one at a time and four at once (`--jobs 4`), each the best of "
                  "two runs, with Oracle %.0f ms away (the stand-in's delay per round trip) and without.\n\n"
                  "| | one at a time, s | four at once, s | speedup | goal |\n|---|---|---|---|---|\n"
                  "| Oracle %.0f ms away | %.2f | %.2f | %.2f | at least 3 |\n"
                  "| no delay | %.2f | %.2f | %.2f | at least 1 (no slower) |\n",
                  tables, rowsEach, delayMs, delayMs, oneAtATimeSeconds, fourAtOnceSeconds, speedup(),
                  oneNoDelaySeconds, fourNoDelaySeconds, speedupNoDelay());
    return text;
}
