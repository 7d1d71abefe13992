// MySQL's zero dates on their way to Oracle. The zero date itself ("0000-00-00", at a zero time) means
// "no date" and arrives as NULL; a zero month or day in an otherwise real date, or a zero date with a
// time, holds something Oracle has no value for: its row is refused, naming the column. The run, the
// check before it and the verification after it agree on which rows those are, run after run.
#include "support/EngineRig.h"

#include "convert/RunReport.h"
#include "convert/TableCheck.h"
#include "convert/TableVerify.h"

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::EngineRig;

namespace {

bool has(const std::vector<std::string> &lines, const std::string &line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Rows 1, 2, 3, 7 and 8 hold a partial zero date; row 4 holds the zero date in every column; row 6
// asks a TIMESTAMP for a partial zero date, which MySQL stores as the zero date.
const std::vector<std::string> kDays = {
    "set session sql_mode = ''",
    "create table days (id int primary key, d date, dt datetime, dt6 datetime(6), ts timestamp null)",
    "insert into days values"
    " (1, '2020-05-00', '2020-05-01 10:00:00', '2020-05-01 10:00:00.250000', '2020-05-01 10:00:00'),"
    " (2, '2020-05-02', '2021-00-00 10:00:00', '2020-05-02 10:00:00.000001', '2020-05-02 10:00:00'),"
    " (3, '2020-05-03', '2020-05-03 10:00:00', '2020-05-00 01:02:03.500000', '2020-05-03 10:00:00'),"
    " (4, '0000-00-00', '0000-00-00 00:00:00', '0000-00-00 00:00:00.000000', '0000-00-00 00:00:00'),"
    " (5, '1999-12-31', '1999-12-31 23:59:59', '1999-12-31 23:59:59.999999', '1999-12-31 23:59:59'),"
    " (6, '2020-05-06', '2020-05-06 10:00:00', '2020-05-06 10:00:00.000000', '2020-05-00 10:00:00'),"
    " (7, '2020-05-07', '0000-00-00 10:00:00', '2020-05-07 10:00:00.000000', '2020-05-07 10:00:00'),"
    " (8, '2021-00-00', '2020-05-08 10:00:00', '2020-05-08 10:00:00.000000', '2020-05-08 10:00:00')"};

const std::vector<std::string> kRefusals = {
    "Row 1: Column \"D\": '2020-05-00' has a month or day of 0, which no Oracle date has",
    "Row 2: Column \"DT\": '2021-00-00 10:00:00' has a month or day of 0, which no Oracle date has",
    "Row 3: Column \"DT6\": '2020-05-00 01:02:03.500000' has a month or day of 0, which no Oracle date has",
    "Row 7: Column \"DT\": '0000-00-00 10:00:00' has a month or day of 0, which no Oracle date has",
    "Row 8: Column \"D\": '2021-00-00' has a month or day of 0, which no Oracle date has"};

class ZeroDates : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static convert::ConversionOptions verifying()
    {
        convert::ConversionOptions options;
        options.verify = true;
        return options;
    }

    static std::vector<db::Row> oracleDays(EngineRig &rig)
    {
        return rig.oracleRows("select \"ID\", \"D\", \"DT\", \"DT6\", \"TS\" from \"DAYS\" order by \"ID\"");
    }

    static convert::VerifyResult verifyAlone(EngineRig &rig)
    {
        const convert::TableNames names{"days", "DAYS", "DAYS"};
        auto target = rig.oracleInsert().createTargetTable("verify");
        target->open("DAYS");
        rig.rowSource().close();
        rig.rowSource().replaceProfile(rig.mysql().profile());
        rig.rowSource().open();
        const convert::VerifySource source{rig.rowSource(), names, "", {"id"}, nullptr};
        return convert::VerifyTable(rig.oracleConn(), "DAYS", target->columns(), source);
    }
};

} // namespace

TEST_F(ZeroDates, APartialZeroDateIsARefusedRowInTheRunTheCheckAndTheVerification)
{
    EngineRig rig(kDays);

    // The check says which rows, column by column, before anything is sent.
    convert::CheckConnections connections{rig.catalog(), rig.oracleConn(), rig.oracle().user()};
    convert::ObjectNamePlanner objects;
    const auto check = convert::CheckTable(connections, {"days", "DAYS", "DAYS"}, {}, objects);
    const std::string why = " holds a date with a month or day of 0, which Oracle has no day for";
    EXPECT_TRUE(has(check.lines, "  problem: 2 rows refused: column \"d\"" + why + " (first: id=1; id=8)"))
        << testing::PrintToString(check.lines);
    EXPECT_TRUE(has(check.lines, "  problem: 2 rows refused: column \"dt\"" + why + " (first: id=2; id=7)"))
        << testing::PrintToString(check.lines);
    EXPECT_TRUE(has(check.lines, "  problem: 1 rows refused: column \"dt6\"" + why + " (first: id=3)"))
        << testing::PrintToString(check.lines);
    EXPECT_EQ(check.problems, 3u) << testing::PrintToString(check.lines);

    // The run refuses those five rows and no other, and says so in the log and the exit status.
    std::vector<db::Row> first;
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        rig.log().clear();
        const convert::RunSummary summary = rig.run({"days"}, verifying());
        const auto &lines = rig.log().lines();
        EXPECT_EQ(summary.rejectedRows, 5u) << testing::PrintToString(lines);
        EXPECT_EQ(convert::exitCodeFor(summary), convert::kExitWithFailures);
        for (const auto &refusal : kRefusals)
            EXPECT_TRUE(has(lines, refusal)) << refusal << "\n" << testing::PrintToString(lines);
        EXPECT_TRUE(has(lines, "5 rows rejected")) << testing::PrintToString(lines);
        EXPECT_TRUE(has(lines, "Verify table DAYS: 3 rows, the same in MySQL and Oracle"))
            << testing::PrintToString(lines);

        const auto rows = oracleDays(rig);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0][0].data, "4");
        for (int c = 1; c < 5; ++c)
            EXPECT_TRUE(rows[0][c].isNull()) << "the zero date, column " << c;
        EXPECT_EQ(rows[1][0].data, "5");
        EXPECT_EQ(rows[1][1].data, "1999-12-31 00:00:00");
        EXPECT_EQ(rows[1][3].data, "1999-12-31 23:59:59.999999");
        EXPECT_EQ(rows[2][0].data, "6");
        EXPECT_TRUE(rows[2][4].isNull()) << "MySQL stored the zero date in the TIMESTAMP";
        if (run == 1)
            first = rows;
        else
            EXPECT_EQ(rows, first) << "a second Overwrite ends where the first did";
    }

    // Merge offers every MySQL row Oracle lacks: the refused ones are refused again, each naming its
    // column, and nothing is added twice.
    convert::ConversionOptions merge;
    merge.policy = convert::ExistingTablePolicy::Merge;
    rig.log().clear();
    const convert::RunSummary merged = rig.run({"days"}, merge);
    EXPECT_EQ(merged.rejectedRows, 5u) << testing::PrintToString(rig.log().lines());
    EXPECT_EQ(oracleDays(rig), first);

    // On its own the verification knows nothing of what a run refused: those rows are missing. Had a
    // run made a partial zero date NULL, the table would differ too, never be the same.
    EXPECT_EQ(verifyAlone(rig).difference, "key ID=1 is missing in Oracle");
    rig.oracleConn().execute("insert into \"DAYS\" (\"ID\", \"D\", \"DT\", \"DT6\", \"TS\") values (1, null, "
                             "to_date('2020-05-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS'), "
                             "to_timestamp('2020-05-01 10:00:00.25', 'YYYY-MM-DD HH24:MI:SS.FF'), "
                             "to_date('2020-05-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS'))");
    rig.oracleConn().commit();
    const auto nulled = verifyAlone(rig);
    EXPECT_FALSE(nulled.match);
    EXPECT_EQ(nulled.difference, "key ID=1 holds other values in Oracle");
}
