#include "VerifyCheckCost.h"

#include "Measure.h"

#include "convert/CheckRun.h"
#include "convert/ConversionRun.h"
#include "db/Drivers.h"
#include "db/Error.h"

#include <cstdio>
#include <memory>

namespace {

struct Sessions {
    Sessions(const std::vector<std::string> &mysqlProfile, const std::vector<std::string> &oracleProfile)
        : profile(mysqlProfile)
    {
        catalog = db::createMySqlConnection();
        catalog->replaceProfile(mysqlProfile);
        catalog->open();
        rowSource = db::createMySqlConnection();
        for (auto *c : {&oracleConn, &oracleData, &oracleInsert}) {
            *c = db::createOracleConnection();
            (*c)->replaceProfile(oracleProfile);
            (*c)->open();
        }
    }
    std::vector<std::string> profile;
    std::unique_ptr<db::Connection> catalog, rowSource, oracleConn, oracleData, oracleInsert;
};

double convertOnce(Sessions &s, const std::string &oracleUser, const std::string &table, bool verify)
{
    convert::MemoryLog log;
    convert::ConversionOptions options;
    options.verify = verify;
    convert::ConversionRun run(
        {*s.catalog, *s.rowSource, s.profile, *s.oracleConn, *s.oracleData, *s.oracleInsert, oracleUser}, options,
        {log, {}, {}});
    Stopwatch clock;
    const convert::RunSummary summary = run.run({table});
    const double seconds = clock.seconds();
    if (!summary.clean())
        throw db::Error("the conversion of " + table + " did not go through: " + log.lastLine());
    return seconds;
}

} // namespace

VerifyCheckCost measureVerifyAndCheck(const std::vector<std::string> &mysqlProfile,
                                      const std::vector<std::string> &oracleProfile, const std::string &oracleUser,
                                      const std::string &table)
{
    Sessions s(mysqlProfile, oracleProfile);
    VerifyCheckCost cost;
    cost.table = table;
    cost.rows = std::stoul(s.catalog->query("select count(*) from " + table).at(0).at(0).data);
    cost.convertSeconds = convertOnce(s, oracleUser, table, false);
    cost.verifySeconds = convertOnce(s, oracleUser, table, true);
    // The check as a user runs it before a run: here the table is in Oracle already, as on a second run.
    convert::CheckConnections connections{*s.catalog, *s.oracleConn, oracleUser};
    convert::MemoryLog out;
    Stopwatch clock;
    convert::CheckTables(connections, {table}, {}, out);
    cost.checkSeconds = clock.seconds();
    return cost;
}

std::string VerifyCheckCost::render() const
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "\n## The cost of verifying and of checking\n\n"
                  "The table %s (%zu rows) converted alone, converted with `--verify`, and checked, one after the "
                  "other in one process.\n\n"
                  "| | seconds | / convert | goal |\n|---|---|---|---|\n"
                  "| convert | %.2f | 1.00 | |\n"
                  "| convert --verify | %.2f | %.2f | at most 1.6 |\n"
                  "| check | %.2f | %.2f | at most 0.5 |\n",
                  table.c_str(), rows, convertSeconds, verifySeconds, verifyRatio(), checkSeconds, checkRatio());
    return text;
}
