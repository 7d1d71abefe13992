// A copy of a large keyed table stopped by SIGTERM at about half, then resumed: the final count is the
// table's, no row is there twice, and the resumed run reads at most the rows still missing plus one page.
#include "support/ChildProcess.h"
#include "support/EngineRig.h"
#include "support/ReportSchema.h"

#include "convert/RowCopy.h"
#include "db/DataSet.h"
#include "db/Drivers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <regex>
#include <thread>

using testsupport::ChildProcess;
using testsupport::EngineRig;

namespace {

// 1,000,000 rows unless MORVANE_RESUME_ROWS says otherwise.
std::size_t tableRows()
{
    const char *rows = std::getenv("MORVANE_RESUME_ROWS");
    return rows ? std::stoul(rows) : 1000000;
}

std::vector<std::string> convertArgs(EngineRig &rig, const std::vector<std::string> &extra)
{
    return rig.convertCommand("cli/morvane-cli", "convert", extra);
}

std::size_t number(const std::string &json, const std::string &name)
{
    std::smatch found;
    if (!std::regex_search(json, found, std::regex("\"" + name + "\":([0-9]+)")))
        return 0;
    return std::stoul(found[1]);
}

} // namespace

TEST(CliResume, ACopyStoppedAtHalfByASignalResumesWithoutDuplicatesReadingOnlyWhatIsMissing)
{
    MORVANE_REQUIRE_SANDBOX();
    const std::size_t rows = tableRows();
    EngineRig rig({"create table big (id int primary key, v int, note varchar(20))",
                   "insert into big select seq, seq * 7, concat('row ', seq) from seq_1_to_" + std::to_string(rows)});
    auto count = [&](const std::string &sql) { return std::stoul(rig.oracleRows(sql).at(0).at(0).data); };
    auto held = [&] {
        try {
            return count("select count(*) from \"BIG\"");
        } catch (const std::exception &) {
            return 0ul; // not created yet
        }
    };

    // Each round trip to the stand-in made a millisecond longer, so the copy is still near half when the
    // signal comes, however long the count takes.
    ChildProcess first(convertArgs(rig, {"big"}), {{"ORACLE_SIM_DELAY_MS=1"}, {}, false});
    ASSERT_TRUE(first.waitFor("Create table BIG...Done\n")) << first.output();
    while (held() < rows / 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    first.signal(SIGTERM);
    EXPECT_EQ(first.finish(), 4) << first.output();
    const std::size_t before = held();
    EXPECT_GE(before, rows / 2);
    ASSERT_LT(before, rows) << "the copy ended before the signal";

    QTemporaryDir files;
    const std::string report = files.path().toStdString() + "/resume.json";
    ChildProcess second(convertArgs(rig, {"--resume", "--verify", "--report", report, "big"}), {});
    EXPECT_EQ(second.finish(), 0) << second.output();
    EXPECT_NE(second.output().find(": " + std::to_string(before) + " rows were already in Oracle\n"), std::string::npos)
        << second.output();
    EXPECT_NE(second.output().find("Verify table BIG: " + std::to_string(rows) + " rows, the same in MySQL and Oracle"),
              std::string::npos)
        << second.output();

    EXPECT_EQ(count("select count(*) from \"BIG\""), rows);
    // Every key once: read in key order, each one follows the one before.
    auto reader = db::createOracleConnection();
    reader->replaceProfile(rig.oracle().profile());
    reader->open();
    auto ids = reader->createDataSet();
    ids->open("select \"ID\" from \"BIG\" order by \"ID\"", db::FetchMode::Streamed);
    std::size_t expected = 1, repeated = 0;
    for (; !ids->eof(); ids->next(), ++expected)
        repeated += std::stoul(ids->value(0).data) == expected ? 0 : 1;
    EXPECT_EQ(repeated, 0u);
    EXPECT_EQ(expected - 1, rows);
    const std::string json = testsupport::readFile(report);
    EXPECT_EQ(testsupport::reportSchemaErrors(report), "") << json.substr(0, 2000);
    const std::size_t read = number(json, "rowsRead");
    EXPECT_LE(read, rows - before + convert::kPageSize) << json;
    EXPECT_EQ(number(json, "rowsWritten"), rows - before) << json;
    std::printf("rows %zu, held after the signal %zu, read by the resumed run %zu\n", rows, before, read);
}
