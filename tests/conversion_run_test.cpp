// The run over selected tables against the sandbox MariaDB and the Oracle stand-in: the existing-table
// policies, the options, target names over 30 bytes and names two tables would share, Stop, the lines
// that close the log, and the errors and lost sessions that end a run.
#include "support/EngineRig.h"

#include "db/ConnectionProfile.h"
#include "db/Error.h"

#include <gtest/gtest.h>

#include <algorithm>

using convert::ConversionOptions;
using convert::ExistingTablePolicy;
using convert::Progress;
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

// The closing lines of a run that completed with failures.
Lines withFailures(Lines lines, const std::string &summary)
{
    lines.push_back(EngineRig::kCompletionLines[0]);
    lines.push_back(summary);
    lines.push_back(EngineRig::kCompletionLines[2]);
    return lines;
}

Lines tail(const Lines &lines, std::size_t n)
{
    return Lines(lines.end() - static_cast<std::ptrdiff_t>(std::min(n, lines.size())), lines.end());
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
    const auto summary = rig.run({"orders"});
    EXPECT_EQ(summary.outcome, RunOutcome::Completed);
    EXPECT_TRUE(summary.clean());
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
    EXPECT_TRUE(rig.run({"orders"}, policy(ExistingTablePolicy::Overwrite)).clean());
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
                              "Table NOTES holds 3 rows and has no primary key to tell them apart, so every MySQL "
                              "row is added to them",
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

TEST_F(ConversionRunTest, MergeIntoATextKeyedTableAddsWhatIsMissingAndKeepsWhatIsThere)
{
    // Oracle and MySQL order text differently, so nothing can be skipped by where a key lies: every row
    // is offered, and Oracle is asked which keys it holds. A row it holds stays as it holds it.
    EngineRig rig({"create table codes (code varchar(5) primary key, label varchar(10))",
                   "insert into codes values ('a', 'one'), ('B', 'two'), ('c', 'three')"});
    rig.run({"codes"});
    rig.oracleData().execute("update \"CODES\" set \"LABEL\" = 'mine' where \"CODE\" = 'a'");
    rig.oracleData().execute("delete from \"CODES\" where \"CODE\" = 'c'");
    rig.oracleData().commit();
    rig.mysql().execute("insert into codes values ('d', 'four'), ('A1', 'five')");
    rig.log().clear();
    const auto summary = rig.run({"codes"}, policy(ExistingTablePolicy::Merge));
    EXPECT_TRUE(summary.clean()) << rig.log().lines().back();
    EXPECT_EQ(rig.log().lines(),
              withCompletion({"Insert table CODES 3 Rows ...Done",
                              "Table CODES holds 2 rows: every MySQL row is offered, and those whose key Oracle "
                              "holds stay as they are",
                              "2 rows were already in Oracle and stay as they are", ""}));
    EXPECT_EQ(oracleCount(rig, "CODES"), "5");
    EXPECT_EQ(rig.oracleRows("select \"LABEL\" from \"CODES\" where \"CODE\" = 'a'").at(0).at(0).data, "mine");

    // Again: every row is there, none is added, none refused.
    rig.log().clear();
    EXPECT_TRUE(rig.run({"codes"}, policy(ExistingTablePolicy::Merge)).clean());
    EXPECT_EQ(rig.log().lines().at(0), "Insert table CODES 0 Rows ...Done");
    EXPECT_EQ(rig.log().lines().at(2), "5 rows were already in Oracle and stay as they are");
    EXPECT_EQ(oracleCount(rig, "CODES"), "5");
}

TEST_F(ConversionRunTest, MergeIntoATableHoldingOneHighKeyAddsEveryRowBelowIt)
{
    // Oracle holds only key 15000: continuing after it would skip the 14,999 rows below.
    EngineRig rig({"create table big (id int primary key, v varchar(10))",
                   "insert into big select seq, concat('v', seq) from seq_1_to_15010"});
    rig.run({"big"});
    rig.oracleData().execute("delete from \"BIG\" where \"ID\" <> 15000");
    rig.oracleData().commit();
    rig.log().clear();
    const auto summary = rig.run({"big"}, policy(ExistingTablePolicy::Merge));
    EXPECT_TRUE(summary.clean()) << rig.log().lines().back();
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Insert table BIG 15009 Rows ...Done");
    EXPECT_EQ(lines[1], "Oracle holds 1 rows up to key id=15000, MySQL 15000: those rows are offered again, and "
                        "the ones Oracle holds stay as they are");
    EXPECT_EQ(lines[2], "1 rows were already in Oracle and stay as they are");
    EXPECT_EQ(oracleCount(rig, "BIG"), "15010");
    EXPECT_EQ(rig.oracleRows("select count(*) from \"BIG\" where \"ID\" <= 15000").at(0).at(0).data, "15000");
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
    const auto summary = rig.run({"big", "small"}, {}, [](const Progress &p) { return p.rows < 101; });
    EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
    EXPECT_EQ(rig.log().lines(),
              (Lines{"Create table BIG...Done", "", "Insert table BIG 101 Rows ", "Operation aborted", "",
                     "Conversion stopped by the user: 0 of 2 tables converted; failed tables: 0, rejected rows: 0.",
                     "Tables not converted: big, small."}));
    // The counter is what Oracle holds; the next table never began.
    EXPECT_EQ(oracleCount(rig, "BIG"), "101");
    EXPECT_EQ(rig.oracleRows("select count(*) from all_tables where table_name = 'SMALL'").at(0).at(0).data, "0");
}

TEST_F(ConversionRunTest, StopDuringTheLastTableIsAStopToo)
{
    EngineRig rig({"create table big (id int primary key)", "insert into big select seq from seq_1_to_250",
                   "create table small (id int)"});
    const auto summary =
        rig.run({"small", "big"}, {}, [](const Progress &p) { return !(p.table == 1 && p.rows >= 201); });
    EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
    EXPECT_EQ(summary.converted, 1u);
    EXPECT_EQ(rig.log().lines(),
              (Lines{"Create table SMALL...Done", "", "Insert table SMALL 0 Rows ...Done", "",
                     "Create table BIG...Done", "", "Insert table BIG 201 Rows ", "Operation aborted", "",
                     "Conversion stopped by the user: 1 of 2 tables converted; failed tables: 0, rejected rows: 0.",
                     "Tables not converted: big."}));
    EXPECT_EQ(oracleCount(rig, "BIG"), "201");
}

TEST_F(ConversionRunTest, AStopAfterADropWaitsForTheTableToBeMadeAgain)
{
    EngineRig rig(kOrders);
    rig.run({"orders"});
    rig.log().clear();
    const auto summary = rig.run({"orders"}, {}, [&](const Progress &) {
        const auto &l = rig.log().lines();
        const bool justDropped = l.size() >= 2 && l[l.size() - 2] == "Drop table ORDERS...Done" && l.back().empty();
        return !justDropped;
    });
    EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
    // Created again with its keys, then stopped before the rows.
    EXPECT_EQ(rig.log().lines(),
              (Lines{"Drop table ORDERS...Done", "", "Create table ORDERS...Done", "",
                     "Conversion stopped by the user: 0 of 1 tables converted; failed tables: 0, rejected rows: 0.",
                     "Tables not converted: orders."}));
    EXPECT_EQ(oracleCount(rig, "ORDERS"), "0");
    EXPECT_THROW(rig.oracleData().execute("create index \"X\" on \"ORDERS\" (\"ID\")"), db::Error);
}

TEST_F(ConversionRunTest, AStopIsHonouredBeforeTheNextTableOfADefinitionsOnlyRun)
{
    std::vector<std::string> setup, tables;
    for (int i = 0; i < 60; ++i) {
        tables.push_back("t" + std::to_string(i));
        setup.push_back("create table t" + std::to_string(i) + " (id int primary key, k int, key (k))");
    }
    EngineRig rig(setup);
    ConversionOptions o;
    o.definitionsOnly = true;
    std::size_t calls = 0, lastTable = 0;
    const auto summary = rig.run(tables, o, [&](const Progress &p) {
        ++calls;
        lastTable = p.table;
        return p.table < 5;
    });
    EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
    EXPECT_EQ(summary.converted, 5u);
    EXPECT_EQ(lastTable, 5u);
    // Several points per table: at its start, after its create and after each key statement.
    EXPECT_GE(calls, 5u * 4u);
    const auto &lines = rig.log().lines();
    EXPECT_EQ(tail(lines, 2)[0],
              "Conversion stopped by the user: 5 of 60 tables converted; failed tables: 0, rejected rows: 0.");
    // Counted among the run's tables only: a real schema may hold others.
    std::string names;
    for (const auto &table : tables)
        names += (names.empty() ? "'" : ", '") + db::asciiUpper(table) + "'";
    EXPECT_EQ(rig.oracleRows("select count(*) from user_tables where table_name in (" + names + ")").at(0).at(0).data,
              "5");
}

TEST_F(ConversionRunTest, FailedStepsAreLoggedAndTheRunGoesOn)
{
    // A column name Oracle cannot take: the create fails, the keys and rows then fail on the missing
    // table, and the next table converts.
    EngineRig rig({"create table flags (id int primary key, `a\"quote` int)", "insert into flags values (1, 1)",
                   "create table fine (id int)", "insert into fine values (7)"});
    rig.run({"flags", "fine"});
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Create table FLAGS... ");
    EXPECT_NE(lines[1].find("double quote"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3].rfind("PRIMARYFLAGS1: ORA-00942", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Insert table FLAGS... ");
    EXPECT_EQ(lines[6].rfind("ORA-00942", 0), 0u) << lines[6];
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 8, lines.end()),
              withFailures({"Create table FINE...Done", "", "Insert table FINE 1 Rows ...Done", ""},
                           "Wizard has converted 1 of 2 tables; failed tables: 1, rejected rows: 0."));
}

TEST_F(ConversionRunTest, ColumnsWhoseFirst30BytesAgreeGetNamesOfTheirOwn)
{
    // Cut to 30 bytes both would be A_COLUMN_NAME_THAT_IS_LONGER_: the second gets a counter instead of
    // losing the table, and keys and rows follow it there.
    EngineRig rig(
        {"create table flags (id int, a_column_name_that_is_longer_than_thirty int,"
         " a_column_name_that_is_longer_than_thirty_too int,"
         " primary key (id, a_column_name_that_is_longer_than_thirty_too),"
         " key both_long (a_column_name_that_is_longer_than_thirty, a_column_name_that_is_longer_than_thirty_too))",
         "insert into flags values (1, 1, 2), (2, 3, 4)"});
    ConversionOptions o;
    o.verify = true;
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        EXPECT_TRUE(rig.run({"flags"}, o).clean()) << testing::PrintToString(rig.log().lines());
    }
    const auto &lines = rig.log().lines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(),
                  "Column \"a_column_name_that_is_longer_than_thirty_too\" is named A_COLUMN_NAME_THAT_IS_LONG0000 "
                  "in Oracle: its first 30 bytes are another column's"),
        lines.end())
        << testing::PrintToString(lines);
    EXPECT_EQ(
        rig.oracleRows("select \"A_COLUMN_NAME_THAT_IS_LONG0000\" from \"FLAGS\" where \"ID\" = 2").at(0).at(0).data,
        "4");
}

TEST_F(ConversionRunTest, ARefusedIndexMakesItsTableAFailedOne)
{
    // Oracle indexes no large object: the key on the text column is refused, the rows all arrive.
    EngineRig rig({"create table docs (id int primary key, body text, key body_idx (body(20)))",
                   "insert into docs values (1, 'a'), (2, 'b')"});
    const auto summary = rig.run({"docs"});
    EXPECT_EQ(summary.failed, 1u);
    const auto &lines = rig.log().lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[2].rfind("IDX_BODY_IDXDOCS: ORA-02327", 0), 0u) << lines[2];
    // The report has the statement Oracle refused, as sent.
    const auto &steps = rig.record().tables().at(0).steps;
    const auto keys = std::find_if(steps.begin(), steps.end(), [](const auto &s) { return s.step == "keys"; });
    ASSERT_NE(keys, steps.end());
    EXPECT_EQ(keys->statements, std::vector<std::string>{"create index \"IDX_BODY_IDXDOCS\" on \"DOCS\" (\"BODY\")"});
    EXPECT_EQ(lines[4], "Insert table DOCS 2 Rows ...Done");
    EXPECT_EQ(tail(lines, 3),
              withFailures({}, "Wizard has converted 0 of 1 tables; failed tables: 1, rejected rows: 0."));
    EXPECT_EQ(oracleCount(rig, "DOCS"), "2");
}

TEST_F(ConversionRunTest, AMissingSourceTableFailsItselfAndNothingOfItsOracleTableIsDropped)
{
    EngineRig rig(kOrders);
    rig.mysql().execute("create table payments (id int primary key)");
    rig.mysql().execute("insert into payments select seq from seq_1_to_20000");
    rig.run({"payments"});
    rig.mysql().execute("rename table payments to payments_2025");
    rig.log().clear();
    // Overwrite of a table MySQL no longer has, and of one it never had: neither touches Oracle.
    const auto summary = rig.run({"payments", "nosuch", "orders"});
    EXPECT_EQ(summary.converted, 1u);
    EXPECT_EQ(summary.failed, 2u);
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Drop table PAYMENTS... ");
    EXPECT_EQ(lines[1].rfind("Table PAYMENTS is left as it is: ", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("doesn't exist"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "Create table NOSUCH... ");
    EXPECT_NE(lines[4].find("doesn't exist"), std::string::npos) << lines[4];
    EXPECT_EQ(tail(lines, 7), withFailures({"Create table ORDERS...Done", "", "Insert table ORDERS 3 Rows ...Done", ""},
                                           "Wizard has converted 1 of 3 tables; failed tables: 2, rejected rows: 0."));
    EXPECT_EQ(oracleCount(rig, "PAYMENTS"), "20000");
    EXPECT_EQ(rig.oracleRows("select count(*) from user_tables where table_name = 'NOSUCH'").at(0).at(0).data, "0");
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

TEST_F(ConversionRunTest, TablesWhoseNamesMeetGetTheirOwnOracleTables)
{
    // MySQL here tells MIXED, Mixed and mixed apart; uppercase names would make all three MIXED. A long
    // name's cut may also be another table's name.
    const std::string cut = "qqqqqqqqqqqqqqqqqqqqqqqqqq"; // 26 bytes
    const std::string longName = cut + "_long_name";      // its Oracle name would be qq...0000
    EngineRig rig({"create table MIXED (v int)", "insert into MIXED values (1), (2)", "create table Mixed (v int)",
                   "insert into Mixed values (3)", "create table mixed (v int)",
                   "insert into mixed values (4), (5), (6)", "create table " + longName + " (v int)",
                   "insert into " + longName + " values (7)", "create table " + cut + "0000 (v int)",
                   "insert into " + cut + "0000 values (8), (9)"});
    const auto summary = rig.run({"MIXED", "Mixed", "mixed", longName, cut + "0000"});
    EXPECT_TRUE(summary.clean()) << rig.log().lines().back();
    EXPECT_EQ(oracleCount(rig, "MIXED"), "2");
    EXPECT_EQ(oracleCount(rig, "MIXED0000"), "1");
    EXPECT_EQ(oracleCount(rig, "MIXED0001"), "3");
    EXPECT_EQ(oracleCount(rig, "QQQQQQQQQQQQQQQQQQQQQQQQQQ0000"), "1");
    EXPECT_EQ(oracleCount(rig, "QQQQQQQQQQQQQQQQQQQQQQQQQQ0001"), "2");
    for (const auto &line : rig.log().lines())
        EXPECT_EQ(line.rfind("Drop", 0), std::string::npos) << line;

    // Again, over the tables of the first run, in another order: each MySQL table meets the Oracle table
    // made from it, which the policy replaces; no second copy is made.
    rig.log().clear();
    EXPECT_TRUE(rig.run({"Mixed", "MIXED", longName}).clean());
    const auto &lines = rig.log().lines();
    EXPECT_EQ(lines.at(0), "Drop table MIXED0000...Done");
    EXPECT_EQ(lines.at(6), "Drop table MIXED...Done");
    EXPECT_EQ(lines.at(12), "Drop table QQQQQQQQQQQQQQQQQQQQQQQQQQ0000...Done");
    EXPECT_EQ(rig.oracleRows("select count(*) from user_tables where table_name in ('MIXED0002', 'MIXED0003', "
                             "'QQQQQQQQQQQQQQQQQQQQQQQQQQ0002')")
                  .at(0)
                  .at(0)
                  .data,
              "0");
    EXPECT_EQ(oracleCount(rig, "MIXED"), "2");
    EXPECT_EQ(oracleCount(rig, "MIXED0000"), "1");
    EXPECT_EQ(oracleCount(rig, "QQQQQQQQQQQQQQQQQQQQQQQQQQ0000"), "1");
}

TEST_F(ConversionRunTest, TwinsAndLongNamesKeepOneTableEachWithItsPrimaryKeyRunAfterRun)
{
    const std::string north = "customer_loyalty_program_members_north",
                      south = "customer_loyalty_program_members_south";
    EngineRig rig({"create table MIXED (id int primary key, v int)", "insert into MIXED values (1, 1), (2, 2)",
                   "create table Mixed (id int primary key, v int)", "insert into Mixed values (3, 3)",
                   "create table " + north + " (id int primary key, member varchar(20), key member (member))",
                   "insert into " + north + " values (1, 'ann'), (2, 'bob')",
                   "create table " + south + " (id int primary key, member varchar(20), key member (member))",
                   "insert into " + south + " values (7, 'eve')"});
    const std::vector<std::string> tables = {"MIXED", "Mixed", north, south};
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        const auto summary = rig.run(tables);
        EXPECT_TRUE(summary.clean()) << "run " << run << ": " << rig.log().lines().back();
        for (const auto &line : rig.log().lines())
            EXPECT_EQ(line.find("ORA-"), std::string::npos) << "run " << run << ": " << line;
    }
    const std::string prefix = "CUSTOMER_LOYALTY_PROGRAM_MEM";
    EXPECT_EQ(oracleCount(rig, "MIXED"), "2");
    EXPECT_EQ(oracleCount(rig, "MIXED0000"), "1");
    EXPECT_EQ(oracleCount(rig, prefix.substr(0, 26) + "0000"), "2");
    EXPECT_EQ(oracleCount(rig, prefix.substr(0, 26) + "0001"), "1");
    // Four tables, each with its primary key and the long ones with their index; no second copies.
    const std::string ours =
        "('MIXED', 'MIXED0000', '" + prefix.substr(0, 26) + "0000', '" + prefix.substr(0, 26) + "0001')";
    EXPECT_EQ(
        rig.oracleRows("select table_name from user_constraints where constraint_type = 'P' and table_name in " + ours)
            .size(),
        4u);
    EXPECT_EQ(
        rig.oracleRows("select index_name from user_indexes where uniqueness = 'NONUNIQUE' and table_name in " + ours)
            .size(),
        2u);
    EXPECT_EQ(rig.oracleRows("select count(*) from user_tables where table_name in ('MIXED0001', '" +
                             prefix.substr(0, 26) + "0002')")
                  .at(0)
                  .at(0)
                  .data,
              "0");
}

TEST_F(ConversionRunTest, ATableNamedAllTablesConvertsTwiceInARow)
{
    // Once in the schema, an unqualified all_tables would name it rather than Oracle's view.
    EngineRig rig({"create table all_tables (id int primary key, owner varchar(10))",
                   "insert into all_tables values (1, 'me'), (2, 'you')", "create table after_it (id int)"});
    EXPECT_TRUE(rig.run({"all_tables", "after_it"}).clean());
    rig.log().clear();
    EXPECT_TRUE(rig.run({"all_tables", "after_it"}).clean());
    EXPECT_EQ(rig.log().lines().at(0), "Drop table ALL_TABLES...Done");
    EXPECT_EQ(rig.log().lines().at(6), "Drop table AFTER_IT...Done");
    EXPECT_EQ(oracleCount(rig, "ALL_TABLES"), "2");
}

TEST_F(ConversionRunTest, NothingIsDroppedWhileTheSessionThatWouldRefillItIsGone)
{
    EngineRig rig({"create table a (id int)", "insert into a values (1), (2)", "create table b (id int)",
                   "insert into b values (3)"});
    rig.run({"a", "b"});
    rig.log().clear();
    rig.oracleInsert().close();
    EXPECT_THROW(rig.run({"a", "b"}), db::ConnectionLostError);
    EXPECT_EQ(rig.log().lines(), (Lines{"The Oracle connection for rows no longer answers",
                                        "Conversion ended at table a.", "Tables not converted: a, b."}));
    EXPECT_EQ(oracleCount(rig, "A"), "2");
    EXPECT_EQ(oracleCount(rig, "B"), "1");
}

TEST_F(ConversionRunTest, ASessionLostByAStepEndsTheRunAfterThatTable)
{
    // No table exists yet, so nothing asks before a drop; the copy finds the insert session gone.
    EngineRig rig({"create table a (id int)", "insert into a values (1)", "create table b (id int)"});
    rig.oracleInsert().close();
    EXPECT_THROW(rig.run({"a", "b"}), db::ConnectionLostError);
    EXPECT_EQ(rig.log().lines(), (Lines{"Create table A...Done", "", "Insert table A... ", "Not connected to Oracle",
                                        "", "Conversion ended at table a.", "Tables not converted: a, b."}));
    EXPECT_EQ(rig.oracleRows("select count(*) from user_tables where table_name = 'B'").at(0).at(0).data, "0");
}

TEST_F(ConversionRunTest, ATableWhoseRowsDoNotReadBackAsWrittenIsAFailedOne)
{
    EngineRig rig({"create table t (id int primary key)", "insert into t select seq from seq_1_to_250"});
    ConversionOptions o;
    o.verify = true;
    bool deleted = false;
    // Someone else removes a row the copy wrote, while it goes on.
    const auto summary = rig.run({"t"}, o, [&](const Progress &p) {
        if (!deleted && p.rows >= 101) {
            rig.oracleData().execute("delete from \"T\" where \"ID\" = 5");
            rig.oracleData().commit();
            deleted = true;
        }
        return true;
    });
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(tail(rig.log().lines(), 3),
              withFailures({}, "Wizard has converted 0 of 1 tables; failed tables: 1, rejected rows: 0."));
}
