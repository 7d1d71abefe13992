// Large objects and the binds Oracle judges by size, copied end to end from the sandbox MariaDB into
// the stand-in and read back byte for byte: a 2 MiB CLOB beside a 100 MB BLOB, two CLOB columns of
// 10 kB and 3 kB, a 40 kB CLOB listed before a full varchar, and a chunk of rows whose dates are all NULL.
#include "support/EngineRig.h"

#include "convert/NameRules.h"
#include "convert/RowCopy.h"
#include "convert/TargetSteps.h"

#include <gtest/gtest.h>

using testsupport::EngineRig;

namespace {

class LobCopy : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    // Creates T in Oracle as a run would and copies it; returns the copy's result.
    convert::CopyResult copy(EngineRig &rig)
    {
        const convert::TableNames names{"t", "T", "T"};
        const convert::ConversionOptions options;
        auto created = convert::CreateTargetTable(rig.oracleData(), rig.catalog(), names, options);
        EXPECT_TRUE(created.success) << created.message;
        auto profile = rig.mysql().profile();
        convert::ProgressHook none;
        convert::CopyContext context{rig.rowSource(), profile, rig.oracleInsert(), options, rig.log(), none};
        rig.log().append("Insert table T... ");
        return convert::CopyTableRows(context, names);
    }
};

// True when both values hold the same bytes; says where they part otherwise.
testing::AssertionResult sameBytes(const std::string &expected, const std::string &actual)
{
    if (expected == actual)
        return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    return testing::AssertionFailure() << "values of " << expected.size() << " and " << actual.size()
                                       << " bytes differ from byte " << at;
}

TEST_F(LobCopy, ATwoMegabyteClobAndAHundredMegabyteBlobArriveWhole)
{
    // Every byte value in the BLOB; one- to four-byte characters in the CLOB.
    EngineRig rig({"create table t (id int primary key, note longtext, pic longblob)",
                   "insert into t values (1, repeat('Grüße €uro 東京 🚀 line\\n', 2 * 1024 * 1024 div 32), "
                   "repeat(unhex(concat(" +
                       [] {
                           std::string hex;
                           for (int b = 0; b < 256; b += 16) {
                               hex += hex.empty() ? "" : ", ";
                               char part[40];
                               std::snprintf(part, sizeof part, "'%02X%02X%02X%02X%02X%02X%02X%02X", b, b + 1, b + 2,
                                             b + 3, b + 4, b + 5, b + 6, b + 7);
                               hex += part;
                               std::snprintf(part, sizeof part, "%02X%02X%02X%02X%02X%02X%02X%02X'", b + 8, b + 9,
                                             b + 10, b + 11, b + 12, b + 13, b + 14, b + 15);
                               hex += part;
                           }
                           return hex;
                       }() +
                       ")), 409600))",
                   "insert into t values (2, 'small', unhex('00FF'))"});
    const auto result = copy(rig);
    ASSERT_TRUE(result.success) << result.message;
    EXPECT_EQ(result.rows, 2u);

    const auto source = rig.mysqlRows("select note, pic from t order by id");
    const auto target = rig.oracleRows("select \"NOTE\", \"PIC\" from \"T\" order by \"ID\"");
    ASSERT_EQ(target.size(), 2u);
    ASSERT_EQ(source.at(0).at(1).data.size(), 100u * 1024 * 1024);
    for (std::size_t row = 0; row < 2; ++row)
        for (std::size_t column = 0; column < 2; ++column) {
            SCOPED_TRACE("row " + std::to_string(row) + ", column " + std::to_string(column));
            EXPECT_TRUE(sameBytes(source.at(row).at(column).data, target.at(row).at(column).data));
        }
}

TEST_F(LobCopy, TwoClobColumnsOfTenAndThreeKilobytesArriveWhole)
{
    // Bound as bytes, the 10 kB value's bind is over 4000 bytes and the 3 kB one's is not.
    EngineRig rig({"create table t (id int primary key, a longtext, b longtext)",
                   "insert into t select seq, repeat(concat('a', seq % 10), 5 * 1024), "
                   "repeat(concat('é', seq % 10), 1024) from seq_1_to_250"});
    const auto result = copy(rig);
    ASSERT_TRUE(result.success) << result.message;
    EXPECT_EQ(result.rows, 250u);
    EXPECT_TRUE(result.rejected.empty()) << result.rejected.front().message;
    const auto source = rig.mysqlRows("select a, b from t order by id");
    const auto target = rig.oracleRows("select \"A\", \"B\" from \"T\" order by \"ID\"");
    ASSERT_EQ(target.size(), source.size());
    for (std::size_t row = 0; row < source.size(); ++row) {
        EXPECT_TRUE(sameBytes(source[row][0].data, target[row][0].data)) << "row " << row;
        EXPECT_TRUE(sameBytes(source[row][1].data, target[row][1].data)) << "row " << row;
    }
}

TEST_F(LobCopy, AFortyKilobyteClobBeforeAFullVarcharAndADatetimeArrivesWhole)
{
    // The 40 kB CLOB goes through a temporary LOB, whose locator Oracle takes only after every bind
    // that may be over 4000 bytes: the 5 kB text bound as bytes, which the table lists after it. The
    // varchar holds 2000 two-byte characters.
    EngineRig rig({"create table t (id int primary key, body longtext, name varchar(2000), created datetime, "
                   "note text)",
                   "insert into t select seq, repeat(concat('Grüße', seq), 5000), repeat('ß', 2000), "
                   "'2024-02-29 23:59:58' + interval seq second, repeat(concat('n', seq), 2500) from seq_1_to_3"});
    const auto result = copy(rig);
    ASSERT_TRUE(result.success) << result.message;
    EXPECT_EQ(result.rows, 3u);
    EXPECT_TRUE(result.rejected.empty()) << result.rejected.front().message;
    const auto source = rig.mysqlRows("select body, name, created, note from t order by id");
    const auto target = rig.oracleRows("select \"BODY\", \"NAME\", \"CREATED\", \"NOTE\" from \"T\" order by \"ID\"");
    ASSERT_EQ(target.size(), 3u);
    ASSERT_EQ(source[0][0].data.size(), 40000u);
    ASSERT_EQ(source[0][1].data.size(), 4000u);
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t column = 0; column < 4; ++column)
            EXPECT_TRUE(sameBytes(source[row][column].data, target[row][column].data))
                << "row " << row << ", column " << column;
}

TEST_F(LobCopy, AChunkWhoseDatesAreAllNullStillBindsWholeDates)
{
    EngineRig rig({"create table t (id int primary key, d datetime, n int)",
                   "insert into t select seq, null, seq from seq_1_to_250",
                   "update t set d = '2024-02-29 12:00:00' where id = 250"});
    const auto result = copy(rig);
    ASSERT_TRUE(result.success) << result.message;
    EXPECT_EQ(result.rows, 250u);
    EXPECT_EQ(rig.oracleRows("select count(*), count(\"D\") from \"T\""),
              (std::vector<db::Row>{
                  {db::Value::of(db::ValueKind::Decimal, "250"), db::Value::of(db::ValueKind::Decimal, "1")}}));
    EXPECT_EQ(rig.oracleRows("select \"D\" from \"T\" where \"D\" is not null").at(0).at(0),
              db::Value::of(db::ValueKind::DateTime, "2024-02-29 12:00:00"));
}

} // namespace
