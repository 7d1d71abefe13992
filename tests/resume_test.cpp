// Resuming a copy that stopped: the table kept, the copy continued after the largest key Oracle holds,
// reading only the rows not yet there, never adding a row twice; a table that cannot continue says so.
#include "support/EngineRig.h"

#include <gtest/gtest.h>

using testsupport::EngineRig;

namespace {

class ResumeTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static convert::ConversionOptions resuming()
    {
        convert::ConversionOptions options;
        options.resume = true;
        options.verify = true;
        return options;
    }

    static std::string count(EngineRig &rig, const std::string &sql) { return rig.oracleRows(sql).at(0).at(0).data; }
};

} // namespace

TEST_F(ResumeTest, AStoppedCopyFinishesWithoutDuplicatesReadingOnlyWhatIsMissing)
{
    EngineRig rig({"create table events (day date, seq int, what varchar(20), primary key (day, seq))",
                   "insert into events select '2024-01-01' + interval (seq div 100) day, seq % 100, concat('e', seq)"
                   " from seq_1_to_20000"});
    // Stop at the progress point after about half the rows (the one after the 9901st row).
    rig.run({"events"}, {}, [](const convert::Progress &p) { return p.rows != 9901; });
    const std::string held = count(rig, "select count(*) from \"EVENTS\"");
    ASSERT_EQ(held, "9901");

    rig.log().clear();
    rig.run({"events"}, resuming());
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 3u);
    // Only the rows not yet in Oracle were read and written.
    EXPECT_EQ(lines[0], "Insert table EVENTS 10099 Rows ...Done");
    EXPECT_EQ(lines[1], "Continued after key day=2024-04-09 00:00:00, seq=1: 9901 rows were already in Oracle");
    EXPECT_EQ(lines[2], "Verify table EVENTS: 20000 rows, the same in MySQL and Oracle");
    EXPECT_EQ(count(rig, "select count(*) from \"EVENTS\""), "20000");
}

TEST_F(ResumeTest, WithoutAKeyOnlyAWholeTableResumesAndATextKeyIsAskedRowByRow)
{
    EngineRig rig({"create table loose (n int, note varchar(5))", "insert into loose select seq, 'x' from seq_1_to_300",
                   "create table named (code varchar(5) primary key)", "insert into named values ('a'), ('b')"});
    rig.run({"loose", "named"});
    rig.log().clear();
    // Both whole: nothing is added to either.
    EXPECT_TRUE(rig.run({"loose", "named"}, resuming()).clean()) << rig.log().lines().back();
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[2], "Verify table LOOSE: 300 rows, the same in MySQL and Oracle");
    EXPECT_EQ(lines[0], "Insert table LOOSE 0 Rows ...Done");
    EXPECT_EQ(lines[1], "Table LOOSE already holds 300 rows, as many as MySQL: nothing is added");
    EXPECT_EQ(lines[5], "Insert table NAMED 0 Rows ...Done");
    EXPECT_EQ(lines[6], "Table NAMED holds 2 rows: every MySQL row is offered, and those whose key Oracle holds "
                        "stay as they are");
    EXPECT_EQ(lines[7], "2 rows were already in Oracle and stay as they are");

    // A row more in MySQL: the keyless table cannot tell which one is missing and is left alone, failed;
    // the keyed one gets just the new row.
    rig.mysql().execute("insert into loose values (301, 'y')");
    rig.mysql().execute("insert into named values ('c')");
    rig.log().clear();
    const auto summary = rig.run({"loose", "named"}, resuming());
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(rig.log().lines().at(1), "Table LOOSE holds 300 of the 301 MySQL rows and has no primary key to tell "
                                       "which are missing; convert it again with Overwrite");
    EXPECT_EQ(count(rig, "select count(*) from \"LOOSE\""), "300");
    EXPECT_EQ(count(rig, "select count(*) from \"NAMED\""), "3");
}

TEST_F(ResumeTest, AnEmptyOrMissingTableIsCopiedWhole)
{
    EngineRig rig({"create table fresh (id int primary key)", "insert into fresh select seq from seq_1_to_250"});
    rig.run({"fresh"}, resuming());
    EXPECT_EQ(rig.log().lines().at(2), "Insert table FRESH 250 Rows ...Done");
    EXPECT_EQ(count(rig, "select count(*) from \"FRESH\""), "250");
}
