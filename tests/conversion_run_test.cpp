// The run over selected tables against the sandbox MariaDB and the Oracle stand-in: the existing-table
// policies, the options, target names over 30 bytes, Stop, and the errors that end a run.
#include "support/EngineRig.h"

#include "db/Error.h"

#include <gtest/gtest.h>

using convert::ConversionOptions;
using convert::ExistingTablePolicy;
using convert::RunOutcome;
using testsupport::EngineRig;
using Lines = std::vector<std::string>;

namespace {

const Lines kOrders = {"create table orders (id int primary key, note varchar(20)) engine=InnoDB",
                       "insert into orders values (1,'one'),(2,null),(3,'three')"};

Lines withCompletion(Lines lines)
{
    for (const auto &l : EngineRig::kCompletionLines)
        lines.push_back(l);
    return lines;
}

ConversionOptions policy(ExistingTablePolicy p)
{
    ConversionOptions o;
    o.policy = p;
    return o;
}

std::string oracleCount(EngineRig &rig, const std::string &table)
{
    return rig.oracleRows("select count(*) from \"" + table + "\"").at(0).at(0).data;
}

} // namespace

class ConversionRunTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

TEST_F(ConversionRunTest, NewTableIsCreatedKeyedAndFilled)
{
    EngineRig rig(kOrders);
    EXPECT_EQ(rig.run({"orders"}), RunOutcome::Completed);
    EXPECT_EQ(rig.log().lines(), withCompletion({"Create table ORDERS...Done", "", "Insert table ORDERS 3 Rows ...Done",
                                                 ""}));
    EXPECT_EQ(oracleCount(rig, "ORDERS"), "3");
    // The primary key exists: indexing its column list again is refused.
    EXPECT_THROW(rig.oracleData().execute("create index \"X\" on \"ORDERS\" (\"ID\")"), db::Error);
    // NULL stays NULL.
    auto rows = rig.oracleRows("select \"NOTE\" from \"ORDERS\" where \"ID\" = 2");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0][0].isNull());
}

TEST_F(ConversionRunTest, OverwriteDropsAndRecreates)
{
    EngineRig rig(kOrders);
    rig.run({"orders"});
    rig.log().clear();
    EXPECT_EQ(rig.run({"orders"}, policy(ExistingTablePolicy::Overwrite)), RunOutcome::Completed);
    EXPECT_EQ(rig.log().lines(),
              withCompletion({"Drop table ORDERS...Done", "", "Create table ORDERS...Done", "",
                              "Insert table ORDERS 3 Rows ...Done", ""}));
    EXPECT_EQ(oracleCount(rig, "ORDERS"), "3");
}

TEST_F(ConversionRunTest, MergeAddsEveryRowToAKeptTableWithoutAKeyAndSaysSo)
{
    EngineRig rig({"create table notes (id int, note varchar(20))", "insert into notes values (1,'one'),(2,null),(3,'x')"});
    rig.run({"notes"});
    rig.log().clear();
    rig.run({"notes"}, policy(ExistingTablePolicy::Merge));
    EXPECT_EQ(rig.log().lines(),
              withCompletion({"Insert table NOTES 3 Rows ...Done",
                              "Table NOTES cannot continue after the 3 rows Oracle holds: it has no primary key of "
                              "numbers or dates, so every MySQL row is added to them",
                              ""}));
    EXPECT_EQ(oracleCount(rig, "NOTES"), "6");
}

TEST_F(ConversionRunTest, MergeIntoAKeyedTableContinuesAfterItsLargestKey)
{
    EngineRig rig(kOrders);
    rig.run({"orders"});
    rig.mysql().execute("insert into orders values (4, 'four'), (5, 'five')");
    rig.log().clear();
    rig.run({"orders"}, policy(ExistingTablePolicy::Merge));
    EXPECT_EQ(rig.log().lines(),
              withCompletion({"Insert table ORDERS 2 Rows ...Done",
                              "Continued after key id=3: 3 rows were already in Oracle", ""}));
    EXPECT_EQ(oracleCount(rig, "ORDERS"), "5");
}

TEST_F(ConversionRunTest, MergeIntoATextKeyedTableReportsTheDuplicates)
{
    // Oracle and MySQL order text differently, so the copy cannot continue after a key: every row is
    // offered again and the key refuses those already there.
    EngineRig rig({"create table codes (code varchar(5) primary key)", "insert into codes values ('a'),('b'),('c')"});
    rig.run({"codes"});
    rig.log().clear();
    rig.run({"codes"}, policy(ExistingTablePolicy::Merge));
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Insert table CODES 3 Rows ");
    EXPECT_EQ(lines[1].rfind("Row 1: ORA-00001: unique constraint", 0), 0u) << lines[1];
    EXPECT_EQ(lines[4], "3 rows rejected");
    EXPECT_EQ(lines[5].rfind("Table CODES cannot continue after the 3 rows Oracle holds", 0), 0u) << lines[5];
    EXPECT_EQ(oracleCount(rig, "CODES"), "3");
}

TEST_F(ConversionRunTest, SkipLeavesTheTableAlone)
{
    EngineRig rig(kOrders);
    rig.run({"orders"});
    rig.log().clear();
    rig.run({"orders"}, policy(ExistingTablePolicy::Skip));
    EXPECT_EQ(rig.log().lines(), withCompletion({"Skip table ORDERS... ", "", "Skip table ORDERS", ""}));
    EXPECT_EQ(oracleCount(rig, "ORDERS"), "3");

    rig.log().clear();
    ConversionOptions skipDefinitions = policy(ExistingTablePolicy::Skip);
    skipDefinitions.definitionsOnly = true;
    rig.run({"orders"}, skipDefinitions);
    EXPECT_EQ(rig.log().lines(), withCompletion({"Skip table ORDERS... ", ""}));
}

TEST_F(ConversionRunTest, DefinitionsOnlyCreatesTablesAndKeysWithoutRows)
{
    EngineRig rig(kOrders);
    ConversionOptions o;
    o.definitionsOnly = true;
    rig.run({"orders"}, o);
    EXPECT_EQ(rig.log().lines(), withCompletion({"Create table ORDERS...Done", ""}));
    EXPECT_EQ(oracleCount(rig, "ORDERS"), "0");
    EXPECT_THROW(rig.oracleData().execute("create index \"X\" on \"ORDERS\" (\"ID\")"), db::Error);

    // Merge onto the existing table with definitions only writes nothing at all.
    rig.log().clear();
    o.policy = ExistingTablePolicy::Merge;
    rig.run({"orders"}, o);
    EXPECT_EQ(rig.log().lines(), withCompletion({}));
}

TEST_F(ConversionRunTest, SkipIndexesSkipsThePrimaryKeyToo)
{
    EngineRig rig(kOrders);
    ConversionOptions o;
    o.skipIndexes = true;
    rig.run({"orders"}, o);
    EXPECT_NO_THROW(rig.oracleData().execute("create index \"X\" on \"ORDERS\" (\"ID\")"));
}

TEST_F(ConversionRunTest, LongNamesGetTheFirstFreeCounter)
{
    const std::string a = "a_very_long_table_name_for_orders_2023"; // first 26 bytes shared
    const std::string b = "a_very_long_table_name_for_orders_2024";
    EngineRig rig({"create table " + a + " (id int)", "create table " + b + " (id int)",
                   "create table exactly_thirty_bytes_long_name (id int)"});
    rig.run({a, b, "exactly_thirty_bytes_long_name"});
    EXPECT_EQ(rig.log().lines(),
              withCompletion({"Create table A_VERY_LONG_TABLE_NAME_FOR0000...Done", "",
                              "Insert table A_VERY_LONG_TABLE_NAME_FOR0000 0 Rows ...Done", "",
                              "Create table A_VERY_LONG_TABLE_NAME_FOR0001...Done", "",
                              "Insert table A_VERY_LONG_TABLE_NAME_FOR0001 0 Rows ...Done", "",
                              "Create table EXACTLY_THIRTY_BYTES_LONG_NAME...Done", "",
                              "Insert table EXACTLY_THIRTY_BYTES_LONG_NAME 0 Rows ...Done", ""}));
}

TEST_F(ConversionRunTest, LowerCaseNamesWithUppercaseOffConvertWithKeysAndLobs)
{
    EngineRig rig({"create table lowcase (id int primary key, name varchar(10), body text, pic blob, key name_idx "
                   "(name)) engine=InnoDB",
                   "insert into lowcase values (1,'a','text one',x'00ff00'),(2,'b',null,null)"});
    ConversionOptions o;
    o.uppercaseNames = false;
    rig.run({"lowcase"}, o);
    EXPECT_EQ(rig.log().lines(), withCompletion({"Create table lowcase...Done", "",
                                                 "Insert table lowcase 2 Rows ...Done", ""}));
    auto rows = rig.oracleRows("select \"id\", \"body\", \"pic\" from \"lowcase\" order by \"id\"");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1].data, "text one");
    EXPECT_EQ(rows[0][2].data, std::string("\0\xff\0", 3));
    EXPECT_TRUE(rows[1][1].isNull());
    EXPECT_TRUE(rows[1][2].isNull());
    // Both keys were made: their column lists are taken.
    EXPECT_THROW(rig.oracleData().execute("create index \"Y\" on \"lowcase\" (\"name\")"), db::Error);
    EXPECT_THROW(rig.oracleData().execute("create index \"Z\" on \"lowcase\" (\"id\")"), db::Error);
}

TEST_F(ConversionRunTest, ExistenceTestComparesTheNameExactly)
{
    EngineRig rig(kOrders);
    rig.run({"orders"});
    rig.log().clear();
    ConversionOptions o;
    o.uppercaseNames = false;
    rig.run({"orders"}, o);
    // ORDERS does not count as existing for orders: a second table is created beside it.
    EXPECT_EQ(rig.log().lines().at(0), "Create table orders...Done");
    EXPECT_EQ(oracleCount(rig, "orders"), "3");
}

TEST_F(ConversionRunTest, StopDuringATableThatIsNotTheLast)
{
    EngineRig rig({"create table big (id int primary key)", "insert into big select seq from seq_1_to_250",
                   "create table small (id int)"});
    auto outcome = rig.run({"big", "small"}, {}, [&] {
        if (rig.log().lastLine() == "Insert table BIG 100 Rows ")
            rig.stopRequested() = true;
    });
    EXPECT_EQ(outcome, RunOutcome::Stopped);
    EXPECT_FALSE(rig.stopRequested());
    EXPECT_EQ(rig.log().lines(),
              (Lines{"Create table BIG...Done", "", "Insert table BIG 100 Rows ", "Operation aborted", ""}));
    // Rows up to and including the one of that progress point were applied; the next table never began.
    EXPECT_EQ(oracleCount(rig, "BIG"), "101");
    EXPECT_EQ(rig.oracleRows("select count(*) from all_tables where table_name = 'SMALL'").at(0).at(0).data, "0");
}

TEST_F(ConversionRunTest, StopDuringTheLastTableLeavesTheRequestSet)
{
    EngineRig rig({"create table big (id int primary key)", "insert into big select seq from seq_1_to_250",
                   "create table small (id int)"});
    auto outcome = rig.run({"small", "big"}, {}, [&] {
        if (rig.log().lastLine() == "Insert table BIG 200 Rows ")
            rig.stopRequested() = true;
    });
    EXPECT_EQ(outcome, RunOutcome::Completed);
    EXPECT_TRUE(rig.stopRequested());
    EXPECT_EQ(rig.log().lines(),
              withCompletion({"Create table SMALL...Done", "", "Insert table SMALL 0 Rows ...Done", "",
                              "Create table BIG...Done", "", "Insert table BIG 200 Rows ", "Operation aborted", ""}));
    EXPECT_EQ(oracleCount(rig, "BIG"), "201");
}

TEST_F(ConversionRunTest, FailedStepsAreLoggedAndTheRunGoesOn)
{
    // Two column names that agree in their first 30 bytes: Oracle refuses the create, the keys and rows
    // then fail on the missing table, and the next table converts.
    EngineRig rig({"create table flags (id int primary key, a_column_name_that_is_longer_than_thirty int,"
                   " a_column_name_that_is_longer_than_thirty_too int)",
                   "insert into flags values (1, 1, 2)",
                   "create table fine (id int)", "insert into fine values (7)"});
    rig.run({"flags", "fine"});
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Create table FLAGS... ");
    EXPECT_EQ(lines[1].rfind("ORA-00957", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3].rfind("PRIMARYFLAGS1: ORA-00942", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Insert table FLAGS... ");
    EXPECT_EQ(lines[6].rfind("ORA-00942", 0), 0u) << lines[6];
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 8, lines.end()),
              withCompletion({"Create table FINE...Done", "", "Insert table FINE 1 Rows ...Done", ""}));
}

TEST_F(ConversionRunTest, AMissingSourceTableEndsTheRunWithItsMessage)
{
    EngineRig rig(kOrders);
    try {
        rig.run({"nosuch", "orders"});
        FAIL() << "the index listing error should end the run";
    } catch (const db::Error &e) {
        EXPECT_NE(std::string(e.what()).find("doesn't exist"), std::string::npos) << e.what();
    }
    const auto &lines = rig.log().lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Create table NOSUCH... ");
    EXPECT_NE(lines[1].find("doesn't exist"), std::string::npos);
    EXPECT_EQ(lines[2], "");
}

TEST_F(ConversionRunTest, ADoubleQuoteInATableNameIsRefusedBeforeOracle)
{
    EngineRig rig({"create table `odd\"name` (id int)"});
    ConversionOptions o;
    o.skipIndexes = true;
    o.definitionsOnly = true;
    rig.run({"odd\"name"}, o);
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Create table ODD\"NAME... ");
    EXPECT_NE(lines[1].find("double quote"), std::string::npos) << lines[1];
}
