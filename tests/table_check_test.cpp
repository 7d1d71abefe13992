// The check before a run: what it says a run would do, compared with what the run then does. Every row
// it says Oracle will refuse is refused, and no other; the keys it says Oracle will refuse are refused.
#include "support/EngineRig.h"

#include "convert/SourceCharsets.h"
#include "convert/TableCheck.h"

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::EngineRig;

namespace {

class TableCheckTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static convert::TableCheck check(EngineRig &rig, const std::string &table, const convert::ConversionOptions &o)
    {
        convert::CheckConnections connections{rig.catalog(), rig.oracleConn(), rig.oracle().user()};
        const std::string w = convert::ApplyNameCase(table, o.uppercaseNames);
        convert::ObjectNamePlanner objects;
        return convert::CheckTable(connections, {table, w, w}, o, objects);
    }

    static bool has(const convert::TableCheck &c, const std::string &line)
    {
        return std::find(c.lines.begin(), c.lines.end(), "  " + line) != c.lines.end();
    }

    static std::size_t rejected(const std::vector<std::string> &lines)
    {
        for (const auto &line : lines)
            if (line.size() > 14 && line.compare(line.size() - 14, 14, " rows rejected") == 0)
                return std::stoul(line);
        return 0;
    }
};

} // namespace

TEST_F(TableCheckTest, RowsItSaysWillBeRefusedAreTheRowsTheRunRefuses)
{
    EngineRig rig({"create table ledger (id int primary key, amount decimal(65,0), ratio double, day date,"
                   " span time, note varchar(20)) character set utf8mb4",
                   "insert into ledger select seq, seq, seq / 7, '2024-01-01', '01:00:00', concat('n', seq)"
                   " from seq_1_to_1000",
                   "update ledger set amount = 123456789012345678901234567890123456789 where id in (10, 20)",
                   "update ledger set ratio = 1e300 where id = 30",
                   "update ledger set day = '0000-05-10' where id in (40, 41, 42, 43)",
                   "update ledger set span = '25:00:00' where id = 50",
                   "update ledger set note = '中文' where id in (60, 61)",
                   "update ledger set note = '' where id between 100 and 104"});
    convert::ConversionOptions options;
    options.charsetIndex = convert::sourceCharsetIndex("latin1");
    options.charset = "latin1";
    const auto c = check(rig, "ledger", options);
    EXPECT_TRUE(has(c, "1000 rows in MySQL")) << testing::PrintToString(c.lines);
    EXPECT_TRUE(has(c, "problem: 2 rows refused: column \"amount\" holds a number of more than 38 significant "
                       "digits, which a NUMBER would round (first: id=10; id=20)"))
        << testing::PrintToString(c.lines);
    EXPECT_TRUE(has(c, "problem: 1 rows refused: column \"ratio\" holds a number outside the range of a NUMBER "
                       "(first: id=30)"));
    EXPECT_TRUE(has(c, "problem: 4 rows refused: column \"day\" holds a date in year 0, which Oracle has no day for "
                       "(first: id=40; id=41; id=42)"));
    EXPECT_TRUE(has(c, "problem: 1 rows refused: column \"span\" holds a TIME outside one day, which has no place "
                       "on 1 January 1970 (first: id=50)"));
    EXPECT_TRUE(has(c, "problem: 2 rows refused: column \"note\" holds a character that the character set latin1 "
                       "cannot hold (first: id=60; id=61)"));
    EXPECT_TRUE(has(c, "5 empty strings in column \"note\" arrive as NULL"));
    EXPECT_TRUE(has(c, "Oracle has no table LEDGER: it is created"));
    EXPECT_TRUE(has(c, "Oracle name LEDGER: the MySQL name in capitals"));
    EXPECT_EQ(c.problems, 5u);

    // Nothing was sent to Oracle; the run then refuses exactly those rows.
    EXPECT_EQ(rig.oracleRows("select count(*) from all_tables where table_name = 'LEDGER'").at(0).at(0).data, "0");
    rig.run({"ledger"}, options);
    EXPECT_EQ(rejected(rig.log().lines()), 10u) << testing::PrintToString(rig.log().lines());
}

TEST_F(TableCheckTest, KeysViewsStatementsAndThePolicy)
{
    EngineRig rig(
        {"create table posts (id int primary key, title varchar(100), body text, code char(5),"
         " unique key by_id (id), fulltext key words (body), key by_title (title(10)), key by_body (body(20)))",
         "insert into posts values (1, 'a', 'b', 'c')", "create view recent as select id, title from posts"});
    const auto c = check(rig, "posts", {});
    EXPECT_TRUE(has(c, "Key words is a FULLTEXT key and is not created: in Oracle an Oracle Text index (CREATE "
                       "INDEX ... INDEXTYPE IS CTXSYS.CONTEXT) serves full-text search"))
        << testing::PrintToString(c.lines);
    EXPECT_TRUE(has(c, "problem: key by_body is on column \"body\", which becomes a large object that Oracle cannot "
                       "index (ORA-02327)"));
    EXPECT_TRUE(has(c, "problem: key by_id is on the same columns as key PRIMARY, which Oracle refuses (ORA-01408)"));
    EXPECT_TRUE(has(c, "key by_title indexes only the first characters of \"title\"; Oracle indexes the whole value"));
    EXPECT_TRUE(has(c, "sends: create index \"IDX_BY_TITLEPOSTS\" on \"POSTS\" (\"TITLE\")"));
    EXPECT_NE(std::find_if(c.lines.begin(), c.lines.end(),
                           [](const std::string &l) { return l.rfind("  sends: Create table \"POSTS\" (", 0) == 0; }),
              c.lines.end());

    // The run meets the refusals the check announced.
    rig.run({"posts"});
    const auto &lines = rig.log().lines();
    for (const char *key : {"IDX_BY_IDPOSTS: ORA-01408", "IDX_BY_BODYPOSTS: ORA-02327", "Key words is a FULLTEXT key"})
        EXPECT_NE(std::find_if(lines.begin(), lines.end(), [&](const std::string &l) { return l.rfind(key, 0) == 0; }),
                  lines.end())
            << key << " in " << testing::PrintToString(lines);

    // A second look sees the table the run made, and what each policy does to it.
    convert::ConversionOptions merge;
    merge.policy = convert::ExistingTablePolicy::Merge;
    EXPECT_TRUE(has(check(rig, "posts", {}), "Oracle table POSTS holds 1 rows: Overwrite drops it with them and "
                                             "creates it again"));
    EXPECT_TRUE(has(check(rig, "posts", merge),
                    "Oracle table POSTS holds 1 rows: they are kept, and each MySQL row whose primary key Oracle "
                    "lacks is added (without a primary key, every row)"));

    const auto view = check(rig, "recent", {});
    EXPECT_TRUE(has(view, "a view: it becomes a table holding a snapshot of the rows the view shows now"));
    EXPECT_EQ(view.problems, 0u);
}
