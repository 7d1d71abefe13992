// Copying rows from the sandbox MariaDB into the Oracle stand-in: pages, progress points and their
// counter lines, exact values, rows Oracle refuses, and failures on either side.
#include "support/EngineRig.h"

#include "convert/NameRules.h"
#include "convert/RowCopy.h"
#include "convert/TargetSteps.h"

#include <gtest/gtest.h>

#include <chrono>

using convert::ConversionOptions;
using convert::CopyResult;
using convert::TableNames;
using testsupport::EngineRig;
using Lines = std::vector<std::string>;

namespace {

struct Copy {
    CopyResult result;
    Lines counterLines; // the log's last line at each progress point
};

// The copy of one table, its progress points only every 100th row unless a pace is given.
Copy copyTable(EngineRig &rig, const std::string &source, const ConversionOptions &options = {},
               std::function<bool(const convert::Progress &)> extra = {},
               std::chrono::milliseconds pace = std::chrono::hours(1))
{
    std::string w = convert::ApplyNameCase(source, options.uppercaseNames);
    TableNames names{source, w, w};
    Copy copy;
    convert::ProgressHook progress = [&](const convert::Progress &p) {
        copy.counterLines.push_back(rig.log().lastLine());
        return extra ? extra(p) : true;
    };
    auto profile = rig.mysql().profile();
    convert::CopyContext context{rig.rowSource(), profile, rig.oracleInsert(), options, rig.log(), progress};
    context.progressInterval = pace;
    rig.log().append("Insert table " + w + "... ");
    copy.result = convert::CopyTableRows(context, names);
    return copy;
}

void createInOracle(EngineRig &rig, const std::string &source, const ConversionOptions &options = {})
{
    std::string w = convert::ApplyNameCase(source, options.uppercaseNames);
    auto created = convert::CreateTargetTable(rig.oracleData(), rig.catalog(), {source, w, w}, options);
    ASSERT_TRUE(created.success) << created.message;
}

// Progress points come after the 1st, 101st, 201st ... row, which each apply writes: the line then
// counts the rows Oracle holds, that row included.
Lines expectedCounters(std::size_t rows)
{
    Lines out;
    for (std::size_t n = 0; n < rows; n += 100)
        out.push_back("Insert table T " + std::to_string(n + 1) + " Rows ");
    return out;
}

} // namespace

class RowCopyTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

TEST_P(RowCopyTest, CounterLinesFollowTheProgressPoints)
{
    const int rows = GetParam();
    Lines setup = {"create table t (id int primary key, v varchar(10))"};
    if (rows > 0)
        setup.push_back("insert into t select seq, concat('v', seq) from seq_1_to_" + std::to_string(rows));
    EngineRig rig(setup);
    createInOracle(rig, "t");
    Copy copy = copyTable(rig, "t");
    ASSERT_TRUE(copy.result.success) << copy.result.message;
    EXPECT_EQ(copy.result.rows, static_cast<std::size_t>(rows));
    EXPECT_EQ(copy.result.written, static_cast<std::size_t>(rows));
    EXPECT_TRUE(copy.result.complete);
    EXPECT_EQ(copy.counterLines, expectedCounters(rows));
    EXPECT_EQ(rig.log().lastLine(), "Insert table T " + std::to_string(rows) + " Rows ");
    // Every row once: the ids in Oracle are exactly 1..rows.
    auto ids = rig.oracleRows("select \"ID\" from \"T\" order by \"ID\"");
    ASSERT_EQ(ids.size(), static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i)
        ASSERT_EQ(ids[i][0].data, std::to_string(i + 1));
}

INSTANTIATE_TEST_SUITE_P(PageEdges, RowCopyTest, ::testing::Values(0, 250, 5000, 5001));

class RowCopyValuesTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

TEST_F(RowCopyValuesTest, EveryValueArrivesAsItWasRead)
{
    EngineRig rig({"create table vals (id int primary key, i bigint, u bigint unsigned, d decimal(20,6), f double, "
                   "dt datetime, da date, ti time, c char(4), v varchar(40), tx longtext, bl longblob, "
                   "e enum('small','large'), y year)"});
    rig.mysql().execute("insert into vals values (1, -9223372036854775808, 18446744073709551615, "
                        "-12345678901234.123456, 0.1, '2024-02-29 23:59:58', '1999-12-31', '13:14:15', 'ab', "
                        "'Grüße 東京 🚀', 'long text', x'000102ff', 'large', 2024)");
    rig.mysql().execute("insert into vals values (2, null, null, null, null, null, null, null, null, null, null, "
                        "null, null, null)");
    rig.mysql().execute("insert into vals (id, v, tx, bl) values (3, '', '', '')");
    // A large object of several megabytes, with every byte value.
    rig.mysql().execute("insert into vals (id, bl, tx) values (4, repeat(unhex('000102030405060708090A0B0C0D0E0FFF'), "
                        "200000), repeat('Ünïcödé text ', 250000))");
    rig.mysql().execute("insert into vals (id, dt, da) values (5, '0000-00-00 00:00:00', '0000-00-00')");
    createInOracle(rig, "vals");
    Copy copy = copyTable(rig, "vals");
    ASSERT_TRUE(copy.result.success) << copy.result.message;

    auto o = rig.oracleRows("select \"ID\", \"I\", \"U\", \"D\", \"F\", \"DT\", \"DA\", \"TI\", \"C\", \"V\", \"TX\", "
                            "\"BL\", \"E\", \"Y\" from \"VALS\" order by \"ID\"");
    ASSERT_EQ(o.size(), 5u);
    const auto &r1 = o[0];
    EXPECT_EQ(r1[1].data, "-9223372036854775808");
    EXPECT_EQ(r1[2].data, "18446744073709551615");
    EXPECT_EQ(r1[3].data, "-12345678901234.123456");
    EXPECT_EQ(r1[4].data, "0.1");
    EXPECT_EQ(r1[5].data, "2024-02-29 23:59:58");
    EXPECT_EQ(r1[6].data, "1999-12-31 00:00:00");
    EXPECT_EQ(r1[7].data, "1970-01-01 13:14:15");
    EXPECT_EQ(r1[8].data, "ab");
    EXPECT_EQ(r1[9].data, "Grüße 東京 🚀");
    EXPECT_EQ(r1[10].data, "long text");
    EXPECT_EQ(r1[11].data, std::string("\x00\x01\x02\xff", 4));
    EXPECT_EQ(r1[12].data, "large");
    EXPECT_EQ(r1[13].data, "2024");
    for (int c = 1; c < 14; ++c)
        EXPECT_TRUE(o[1][c].isNull()) << "column " << c << " of the all-NULL row";
    // Oracle keeps no empty VARCHAR2; the empty LOBs stay empty, not NULL.
    EXPECT_TRUE(o[2][9].isNull());
    EXPECT_FALSE(o[2][10].isNull());
    EXPECT_EQ(o[2][10].data, "");
    EXPECT_FALSE(o[2][11].isNull());
    EXPECT_EQ(o[2][11].data, "");

    auto big = rig.mysqlRows("select bl, tx from vals where id = 4");
    ASSERT_EQ(o[3][11].data.size(), big[0][0].data.size());
    EXPECT_TRUE(o[3][11].data == big[0][0].data);
    EXPECT_TRUE(o[3][10].data == big[0][1].data);
    // Zero dates have no Oracle value.
    EXPECT_TRUE(o[4][5].isNull());
    EXPECT_TRUE(o[4][6].isNull());
}

TEST_F(RowCopyValuesTest, ARefusedRowIsLeftOutAndReported)
{
    EngineRig rig({"create table notes (id int primary key, note varchar(5))",
                   "insert into notes select seq, 'ok' from seq_1_to_250",
                   "update notes set note = 'ééééé' where id = 120"});
    // A table kept from before, whose column counts bytes: five characters are ten bytes there.
    rig.oracleData().execute("create table \"NOTES\" (\"ID\" number, \"NOTE\" varchar2(5))");
    Copy copy = copyTable(rig, "notes");
    EXPECT_FALSE(copy.result.success);
    EXPECT_EQ(copy.result.message, "1 rows rejected");
    EXPECT_EQ(copy.result.rows, 250u);
    ASSERT_EQ(copy.result.rejected.size(), 1u);
    EXPECT_EQ(copy.result.rejected[0].row, 120u);
    EXPECT_TRUE(testsupport::oracleErrorIs(rig.oracle().differences(), copy.result.rejected[0].message,
                                           "ORA-12899: value too large for column \"" + rig.oracle().owner() +
                                               "\".\"NOTES\".\"NOTE\" (actual: 10, maximum: 5)"));
    // The counter is what Oracle holds; the refused row is listed apart.
    EXPECT_EQ(rig.log().lastLine(), "Insert table NOTES 249 Rows ");
    EXPECT_TRUE(copy.result.complete);
    EXPECT_EQ(rig.oracleRows("select count(*) from \"NOTES\"").at(0).at(0).data, "249");
    EXPECT_EQ(rig.oracleRows("select count(*) from \"NOTES\" where \"ID\" = 120").at(0).at(0).data, "0");
}

TEST_F(RowCopyValuesTest, ATimeOutsideOneDayIsARefusedRow)
{
    EngineRig rig({"create table shifts (id int, t time)", "insert into shifts values (1, '08:00:00'), "
                                                           "(2, '25:30:00'), (3, '-01:00:00'), (4, '23:59:59')"});
    createInOracle(rig, "shifts");
    Copy copy = copyTable(rig, "shifts");
    EXPECT_EQ(copy.result.message, "2 rows rejected");
    ASSERT_EQ(copy.result.rejected.size(), 2u);
    EXPECT_EQ(copy.result.rejected[0].row, 2u);
    EXPECT_EQ(copy.result.rejected[1].row, 3u);
    EXPECT_NE(copy.result.rejected[0].message.find("25:30:00"), std::string::npos) << copy.result.rejected[0].message;
    EXPECT_EQ(rig.oracleRows("select count(*) from \"SHIFTS\"").at(0).at(0).data, "2");
}

TEST_F(RowCopyValuesTest, ColumnsAreMatchedByTheirCutNameWithoutRegardToCase)
{
    const std::string longName = "a_column_name_of_thirty_five_bytes_";
    EngineRig rig({"create table wide (Mixed int, " + longName + " int)", "insert into wide values (1, 2)"});
    createInOracle(rig, "wide");
    Copy copy = copyTable(rig, "wide");
    ASSERT_TRUE(copy.result.success) << copy.result.message;
    auto o = rig.oracleRows("select \"MIXED\", \"A_COLUMN_NAME_OF_THIRTY_FIVE_B\" from \"WIDE\"");
    EXPECT_EQ(o.at(0).at(1).data, "2");
}

TEST_F(RowCopyValuesTest, ATargetWithoutASourceColumnFailsAtTheFirstRow)
{
    EngineRig rig({"create table kept (id int, note varchar(5))", "insert into kept values (1, 'a')"});
    rig.oracleData().execute("create table \"KEPT\" (\"ID\" number)");
    Copy copy = copyTable(rig, "kept");
    EXPECT_EQ(copy.result.message, "oracleinsertdata: Field 'note' not found");
    EXPECT_EQ(rig.oracleRows("select count(*) from \"KEPT\"").at(0).at(0).data, "0");
}

TEST_F(RowCopyValuesTest, CharacterSetNames)
{
    EngineRig rig({"create table cs (id int, v varchar(10))", "insert into cs values (1, 'é')"});
    createInOracle(rig, "cs");
    ConversionOptions o;
    o.charsetIndex = 36;
    o.charset = "utf8";
    EXPECT_TRUE(copyTable(rig, "cs", o).result.success);

    o.charsetIndex = 5;
    o.charset = "latin1' --";
    Copy bad = copyTable(rig, "cs", o);
    EXPECT_FALSE(bad.result.success);
    EXPECT_NE(bad.result.message.find("latin1' --"), std::string::npos) << bad.result.message;

    // A name that is no entry is checked as much as an entry is, never left out.
    o.charsetIndex = -1;
    Copy typed = copyTable(rig, "cs", o);
    EXPECT_FALSE(typed.result.success);
    EXPECT_NE(typed.result.message.find("latin1' --"), std::string::npos) << typed.result.message;
    o.charset = "ASCII";
    Copy upper = copyTable(rig, "cs", o);
    EXPECT_EQ(upper.result.message, "1 rows rejected");
    // No entry and no name: nothing to check.
    o.charset.clear();
    EXPECT_TRUE(copyTable(rig, "cs", o).result.success);

    o.charsetIndex = 3;
    o.charset = "nosuchset";
    Copy unknown = copyTable(rig, "cs", o);
    EXPECT_FALSE(unknown.result.success);
    EXPECT_NE(unknown.result.message.find("nosuchset"), std::string::npos) << unknown.result.message;
}

TEST_F(RowCopyValuesTest, ALostSourceConnectionEndsTheRunWithThatTableNotConverted)
{
    EngineRig rig({"create table first_t (id int primary key)", "insert into first_t select seq from seq_1_to_12000",
                   "create table second_t (id int)", "insert into second_t values (1), (2)"});
    bool killed = false;
    // A session gone is the run's end: a server that stopped answering would make every later table wait
    // on it in turn.
    EXPECT_THROW(rig.run({"first_t", "second_t"}, {},
                         [&](const convert::Progress &p) {
                             if (!killed && p.rows >= 5000) {
                                 rig.killOtherMySqlSessions();
                                 killed = true;
                             }
                             return true;
                         }),
                 db::ConnectionLostError);
    const auto &lines = rig.log().lines();
    ASSERT_EQ(lines.size(), 7u);
    // The copy ends at the next read from the killed session, below the counter line it last wrote.
    EXPECT_EQ(lines[2].rfind("Insert table FIRST_T ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[2].find("...Done"), std::string::npos) << lines[2];
    EXPECT_FALSE(lines[3].empty());
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Conversion ended at table first_t.");
    EXPECT_EQ(lines[6], "Tables not converted: first_t, second_t.");
    // The counter says what Oracle holds.
    EXPECT_EQ(lines[2],
              "Insert table FIRST_T " + rig.oracleRows("select count(*) from \"FIRST_T\"").at(0).at(0).data + " Rows ");
}

TEST_F(RowCopyValuesTest, AYearZeroDateIsARefusedRowWhileZeroDatesAreNull)
{
    // Year 0 with a real month and day is a value MySQL keeps, but no Oracle date: made NULL it would
    // vanish unreported. Only the zero date itself becomes NULL; a zero day in a real date is refused.
    EngineRig rig({"create table days (id int primary key, d date, dt datetime)",
                   "insert into days values (1, '0000-05-10', null), (2, '0000-00-00', '0000-00-00 00:00:00'), "
                   "(3, '2024-05-00', '0000-07-04 12:00:00'), (4, '0999-01-02', '0001-01-01 00:00:00')"});
    createInOracle(rig, "days");
    Copy copy = copyTable(rig, "days");
    EXPECT_EQ(copy.result.message, "2 rows rejected");
    ASSERT_EQ(copy.result.rejected.size(), 2u);
    EXPECT_EQ(copy.result.rejected[0].row, 1u);
    EXPECT_EQ(copy.result.rejected[0].message,
              "Column \"D\": '0000-05-10' lies in year 0, which an Oracle date cannot hold");
    EXPECT_EQ(copy.result.rejected[1].row, 3u);
    auto o = rig.oracleRows("select \"ID\", \"D\", \"DT\" from \"DAYS\" order by \"ID\"");
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0][0].data, "2");
    EXPECT_TRUE(o[0][1].isNull());
    EXPECT_TRUE(o[0][2].isNull());
    EXPECT_EQ(o[1][1].data, "0999-01-02 00:00:00");
    EXPECT_EQ(o[1][2].data, "0001-01-01 00:00:00");
}

TEST_F(RowCopyValuesTest, RefusedRowsKeepTheirPlaceAmongLargeObjectRowsWrittenOneByOne)
{
    // Rows 3 and 150 carry objects too big to bind and go one statement each, between the array
    // executes of their apply; the refused rows around them must still be named by their own place.
    EngineRig rig({"create table mix (id int primary key, note varchar(10), body longtext, pic longblob)",
                   "insert into mix select seq, 'ok', 'x', null from seq_1_to_300",
                   "update mix set body = repeat('é', 700000) where id in (3, 150)",
                   "update mix set note = 'toolong' where id in (4, 149, 151)",
                   "update mix set pic = x'00ff00' where id = 5", "update mix set body = '' where id = 6"});
    rig.oracleData().execute("create table \"MIX\" (\"ID\" number, \"NOTE\" varchar2(5), \"BODY\" CLOB, \"PIC\" CLOB)");
    ConversionOptions options;
    options.blobToText = true;
    Copy copy = copyTable(rig, "mix", options);
    EXPECT_EQ(copy.result.message, "3 rows rejected");
    ASSERT_EQ(copy.result.rejected.size(), 3u);
    EXPECT_EQ(copy.result.rejected[0].row, 4u);
    EXPECT_EQ(copy.result.rejected[1].row, 149u);
    EXPECT_EQ(copy.result.rejected[2].row, 151u);
    EXPECT_EQ(rig.oracleRows("select count(*) from \"MIX\"").at(0).at(0).data, "297");
    auto o = rig.oracleRows("select \"ID\", \"BODY\", \"PIC\" from \"MIX\" where \"ID\" in (3, 5, 6, 150) "
                            "order by \"ID\"");
    ASSERT_EQ(o.size(), 4u);
    EXPECT_EQ(o[0][1].data.size(), 1400000u);
    EXPECT_EQ(o[1][2].data, std::string("\x00\xff\x00", 3));
    EXPECT_FALSE(o[2][1].isNull());
    EXPECT_EQ(o[2][1].data, "");
    EXPECT_TRUE(o[2][2].isNull());
    EXPECT_EQ(o[3][1].data.size(), 1400000u);
}

TEST_F(RowCopyValuesTest, NumbersOracleWouldRoundAreRefusedRows)
{
    const std::string digits38 = "12345678901234567890123456789012345678";
    EngineRig rig({"create table nums (id int, big decimal(65,0), frac decimal(65,30), f double)"});
    rig.mysql().execute("insert into nums values (1, " + digits38 + ", 0.5, 1.5e125)");
    rig.mysql().execute("insert into nums values (2, " + digits38 + "9, null, null)"); // 39 digits
    rig.mysql().execute("insert into nums values (3, null, 1234567890.123456789012345678901234567891, null)");
    rig.mysql().execute("insert into nums values (4, null, null, 1e-300)"); // underflows
    rig.mysql().execute("insert into nums values (5, " + digits38 + "000000, -0.000001, -2.5e-130)");
    createInOracle(rig, "nums");
    Copy copy = copyTable(rig, "nums");
    EXPECT_EQ(copy.result.message, "3 rows rejected");
    ASSERT_EQ(copy.result.rejected.size(), 3u);
    EXPECT_EQ(copy.result.rejected[0].row, 2u);
    EXPECT_EQ(copy.result.rejected[0].message,
              "Column \"BIG\": the number " + digits38 + "9 has 39 significant digits; an Oracle NUMBER keeps 38");
    EXPECT_EQ(copy.result.rejected[1].row, 3u);
    EXPECT_EQ(copy.result.rejected[2].row, 4u);
    EXPECT_NE(copy.result.rejected[2].message.find("outside the range"), std::string::npos);
    // What went in is exact.
    auto o = rig.oracleRows("select \"ID\", \"BIG\", \"FRAC\" from \"NUMS\" order by \"ID\"");
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0][1].data, digits38);
    // Oracle writes a number of more than 40 characters in scientific notation; the digits are all there.
    EXPECT_EQ(o[1][1].data, "1.2345678901234567890123456789012345678E+43");
    EXPECT_EQ(o[1][2].data, "-0.000001");
}
