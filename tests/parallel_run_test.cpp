// Tables side by side: a run with several workers converts what one worker converts, row for row, with
// each table's lines together; a stop or a lost session ends every worker; parts of a selection split
// it between processes without a table converted twice, and a last pass makes the foreign keys. And the
// status line a run shows, from its progress points.
#include "support/EngineRig.h"

#include "convert/RunStatus.h"
#include "support/Env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

using convert::ConversionOptions;
using convert::Progress;
using testsupport::EngineRig;
using Lines = std::vector<std::string>;

namespace {

Lines eightTables()
{
    Lines setup;
    for (int t = 1; t <= 8; ++t) {
        const std::string name = "part_" + std::to_string(t);
        setup.push_back("create table " + name + " (id int primary key, note varchar(20))");
        setup.push_back("insert into " + name + " select seq, concat('row ', seq) from seq_1_to_" +
                        std::to_string(300 * t));
    }
    return setup;
}

Lines tableNames(int count)
{
    Lines names;
    for (int t = 1; t <= count; ++t)
        names.push_back("part_" + std::to_string(t));
    return names;
}

ConversionOptions jobs(int n)
{
    ConversionOptions o;
    o.jobs = n;
    o.verify = true;
    return o;
}

class ParallelRunTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

} // namespace

TEST_F(ParallelRunTest, FourWorkersConvertWhatOneDoesWithEachTablesLinesTogether)
{
    EngineRig rig(eightTables());
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        const auto summary = rig.run(tableNames(8), jobs(4));
        EXPECT_TRUE(summary.clean()) << testing::PrintToString(rig.log().lines());
        EXPECT_EQ(summary.converted, 8u);
        const auto &lines = rig.log().lines();
        // Each table's block: its first line, then its own lines only, up to the empty line that ends it.
        std::map<std::string, int> blocks;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            for (int t = 1; t <= 8; ++t) {
                const std::string name = "PART_" + std::to_string(t);
                if (lines[i] != (run == 1 ? "Create table " : "Drop table ") + name + "...Done")
                    continue;
                ++blocks[name];
                const Lines expected =
                    run == 1 ? Lines{"", "Insert table " + name + " " + std::to_string(300 * t) + " Rows ...Done"}
                             : Lines{"", "Create table " + name + "...Done", "",
                                     "Insert table " + name + " " + std::to_string(300 * t) + " Rows ...Done"};
                ASSERT_LT(i + expected.size(), lines.size());
                EXPECT_EQ(Lines(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                lines.begin() + static_cast<std::ptrdiff_t>(i + 1 + expected.size())),
                          expected)
                    << name;
            }
        }
        EXPECT_EQ(blocks.size(), 8u) << testing::PrintToString(lines);
        for (int t = 1; t <= 8; ++t)
            EXPECT_EQ(rig.oracleRows("select count(*) from \"PART_" + std::to_string(t) + "\"").at(0).at(0).data,
                      std::to_string(300 * t));
        EXPECT_EQ(rig.record().tables().at(7).status, "converted");
    }
}

TEST_F(ParallelRunTest, AStopEndsEveryWorkerAndNamesTheTablesNotConverted)
{
    EngineRig rig(eightTables());
    std::atomic<bool> stopping{false};
    const auto summary = rig.run(tableNames(8), jobs(3), [&](const Progress &p) {
        if (p.rows >= 201)
            stopping = true;
        return !stopping;
    });
    EXPECT_EQ(summary.outcome, convert::RunOutcome::Stopped);
    EXPECT_LT(summary.converted, 8u);
    const auto &lines = rig.log().lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("Tables not converted: ", 0), 0u) << lines.back();
    // The counters of stopped tables say what Oracle holds.
    for (int t = 1; t <= 8; ++t) {
        const std::string name = "PART_" + std::to_string(t);
        for (const auto &line : lines) {
            if (line.rfind("Insert table " + name + " ", 0) == 0 && line.find("...Done") == std::string::npos &&
                line.find(" Rows ") != std::string::npos) {
                EXPECT_EQ(line, "Insert table " + name + " " +
                                    rig.oracleRows("select count(*) from \"" + name + "\"").at(0).at(0).data +
                                    " Rows ");
            }
        }
    }
}

TEST_F(ParallelRunTest, AStopThatBreaksCallsAtAnyMomentEndsTheRunAsStoppedAndAResumeFinishesIt)
{
    // Oracle 15 ms away, so every moment below finds a call under way somewhere: planning, a create, a
    // key, an apply, a verification, the constraints after the rows, the foreign keys at the end.
    testsupport::ScopedEnv slow("ORACLE_SIM_DELAY_MS", "15");
    const Lines setup = {"create table buyers (id int primary key, name varchar(20) not null)",
                         "insert into buyers select seq, concat('b', seq) from seq_1_to_300",
                         "create table sales (id int primary key, buyer int not null, note varchar(20) not null,"
                         " constraint fk_sales_buyer foreign key (buyer) references buyers (id))",
                         "insert into sales select seq, seq % 300 + 1, concat('s', seq) from seq_1_to_3000",
                         "create table items (sale int not null, n int not null, primary key (sale, n),"
                         " constraint fk_items_sale foreign key (sale) references sales (id))",
                         "insert into items select seq % 3000 + 1, seq div 3000 from seq_1_to_6000"};
    const Lines tables = {"buyers", "sales", "items"};
    for (const int afterMs : {30, 150, 400, 800, 1300, 2000}) {
        SCOPED_TRACE("stopped after " + std::to_string(afterMs) + " ms");
        EngineRig rig(setup);
        ConversionOptions options = jobs(2);
        options.keepSchema = true;
        convert::ConversionRun run(rig.connections(), options, rig.hooks());
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
            run.requestStop();
        });
        convert::RunSummary stopped;
        EXPECT_NO_THROW(stopped = run.run(tables)) << testing::PrintToString(rig.log().lines());
        stopper.join();
        EXPECT_EQ(stopped.failed, 0u) << "a stop failed a table\n" << testing::PrintToString(rig.log().lines());
        for (const auto &line : rig.log().lines())
            EXPECT_EQ(line.find("cancel"), std::string::npos) << "a broken call was reported as an error: " << line;
        if (stopped.outcome == convert::RunOutcome::Stopped) {
            const std::string &last = rig.log().lines().back();
            EXPECT_TRUE(last.rfind("Conversion stopped by the user", 0) == 0 ||
                        last.rfind("Tables not converted: ", 0) == 0)
                << last;
        }

        // Resumed, the run converges on MySQL: every row, key and foreign key, and nothing twice.
        rig.log().clear();
        options.resume = true;
        const auto resumed = rig.run(tables, options);
        EXPECT_TRUE(resumed.clean()) << testing::PrintToString(rig.log().lines());
        for (const auto &[table, rows] : {std::pair{"BUYERS", "300"}, {"SALES", "3000"}, {"ITEMS", "6000"}})
            EXPECT_EQ(rig.oracleRows(std::string("select count(*) from \"") + table + "\"").at(0).at(0).data, rows)
                << table;
        EXPECT_EQ(rig.oracleRows("select count(*) from user_constraints where constraint_type = 'R'").at(0).at(0).data,
                  "2");
        EXPECT_EQ(rig.oracleRows("select count(*) from user_constraints where constraint_type = 'P'").at(0).at(0).data,
                  "3");
    }
}

TEST_F(ParallelRunTest, PartsSplitTheTablesOnceEachAndTheLastPassMakesTheForeignKeys)
{
    Lines setup = eightTables();
    setup.push_back("create table owners (id int primary key)");
    setup.push_back("insert into owners select seq from seq_1_to_10");
    setup.push_back("create table pets (id int primary key, owner_id int,"
                    " constraint fk_pets_owner foreign key (owner_id) references owners (id))");
    setup.push_back("insert into pets select seq, seq % 10 + 1 from seq_1_to_40");
    EngineRig rig(setup);
    Lines all = tableNames(8);
    all.push_back("owners");
    all.push_back("pets");
    ConversionOptions o;
    o.keepSchema = true;
    std::map<std::string, int> converted;
    for (std::size_t part = 1; part <= 4; ++part) {
        rig.log().clear();
        convert::ConversionRun run(rig.connections(), o, rig.hooks(), {part, 4, false});
        const auto summary = run.run(all);
        EXPECT_TRUE(summary.clean()) << testing::PrintToString(rig.log().lines());
        for (const auto &table : run.record().tables())
            if (table.status == "converted")
                ++converted[table.names.source];
        EXPECT_NE(std::find(rig.log().lines().begin(), rig.log().lines().end(),
                            "Foreign keys: left to the last pass, with --foreign-keys-only"),
                  rig.log().lines().end());
    }
    EXPECT_EQ(converted.size(), all.size());
    for (const auto &[table, times] : converted)
        EXPECT_EQ(times, 1) << table;
    EXPECT_EQ(rig.oracleRows("select count(*) from user_constraints where constraint_type = 'R'").at(0).at(0).data,
              "0");
    // The last pass, twice: the key once.
    for (int pass = 1; pass <= 2; ++pass) {
        rig.log().clear();
        convert::ConversionRun last(rig.connections(), o, rig.hooks(), {1, 1, true});
        EXPECT_TRUE(last.run(all).clean()) << testing::PrintToString(rig.log().lines());
    }
    EXPECT_EQ(rig.oracleRows("select count(*) from user_constraints where constraint_type = 'R'").at(0).at(0).data,
              "1");
    EXPECT_EQ(rig.oracleRows("select count(*) from \"PETS\"").at(0).at(0).data, "40");
}

TEST(RunStatus, SaysWhichTableHowFarHowFastAndHowLongLeft)
{
    using Clock = convert::RunStatus::Clock;
    const Clock::time_point t0 = Clock::now();
    convert::RunStatus status;
    status.start(t0);
    Progress p;
    p.tables = 30;
    p.table = 2;
    p.name = "ORDERS";
    p.step = "rows";
    p.rowsExpected = 500000;
    p.runRowsExpected = 1000000;
    p.rows = 0;
    status.update(p, t0);
    p.rows = 100000;
    status.update(p, t0 + std::chrono::seconds(10));
    EXPECT_EQ(status.line(t0 + std::chrono::seconds(10)),
              "Table 3 of 30, ORDERS: 100,000 of 500,000 rows (20%), 10,000 rows/s, 0:00:10 spent, about 0:01:30 left");
    EXPECT_EQ(status.permille(), 100);
    // Two tables under way name both and count their rows together.
    Progress q = p;
    q.table = 3;
    q.name = "LINES";
    q.rows = 50000;
    status.update(q, t0 + std::chrono::seconds(11));
    EXPECT_EQ(status.line(t0 + std::chrono::seconds(11)).rfind("Tables 3, 4 of 30: 150,000 of 1,000,000 rows (15%)", 0),
              0u)
        << status.line(t0 + std::chrono::seconds(11));
    // Without row counts: by tables, and no time left.
    convert::RunStatus unknown;
    unknown.start(t0);
    Progress r;
    r.tables = 4;
    r.tablesFinished = 1;
    r.table = 1;
    r.name = "T";
    r.step = "rows";
    r.rows = 7;
    unknown.update(r, t0 + std::chrono::seconds(1));
    EXPECT_EQ(unknown.line(t0 + std::chrono::seconds(1)), "Table 2 of 4, T: 7 rows, 7 rows/s, 0:00:01 spent");
    EXPECT_EQ(unknown.permille(), 250);

    // Figures that were too high: a finished table counts with the rows it had, and once every table is
    // done nothing is left, the bar is full and the rate is the whole run's.
    convert::RunStatus high;
    high.start(t0);
    Progress a;
    a.tables = 2;
    a.table = 0;
    a.name = "A";
    a.step = "rows";
    a.rowsExpected = 900;
    a.runRowsExpected = 2000;
    a.rows = 300;
    high.update(a, t0 + std::chrono::seconds(1));
    a.step = "finished";
    a.tablesFinished = 1;
    high.update(a, t0 + std::chrono::seconds(2));
    EXPECT_EQ(high.permille(), 214) << "300 rows done, 1,100 to come (B's figure)";
    Progress b = a;
    b.table = 1;
    b.name = "B";
    b.rowsExpected = 1100;
    b.rows = 700;
    b.step = "rows";
    high.update(b, t0 + std::chrono::seconds(3));
    b.step = "finished";
    b.tablesFinished = 2;
    high.update(b, t0 + std::chrono::seconds(4));
    EXPECT_EQ(high.line(t0 + std::chrono::seconds(4)), "2 of 2 tables done, 250 rows/s, 0:00:04 spent");
    EXPECT_EQ(high.permille(), 1000);

    EXPECT_EQ(convert::groupedNumber(1234567), "1,234,567");
    EXPECT_EQ(convert::clockTime(std::chrono::seconds(3725)), "1:02:05");
}
