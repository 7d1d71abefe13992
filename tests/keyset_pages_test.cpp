// Reading a table in pages: keyset pages for tables with a primary key of any shape, one streamed read
// for tables without; every row copied exactly once across several pages.
#include "support/EngineRig.h"

#include "convert/NameRules.h"
#include "convert/RowCopy.h"
#include "convert/SourceReader.h"
#include "convert/TargetSteps.h"

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::EngineRig;

namespace {

// Copies the table and returns the Oracle rows of the given columns, sorted, next to MySQL's.
struct Compared {
    std::vector<std::string> oracle, mysql;
    convert::CopyResult result;
};

Compared copyAndCompare(EngineRig &rig, const std::string &table, const std::string &mysqlColumns,
                        const std::string &oracleColumns, bool create = true)
{
    const std::string w = convert::ApplyNameCase(table, true);
    convert::TableNames names{table, w, w};
    if (create) {
        auto created = convert::CreateTargetTable(rig.oracleData(), rig.catalog(), names, {});
        EXPECT_TRUE(created.success) << created.message;
    }
    auto profile = rig.mysql().profile();
    convert::ProgressHook none;
    convert::ConversionOptions options;
    convert::CopyContext context{rig.rowSource(), profile, rig.oracleInsert(), options, rig.log(), none};
    rig.log().append("Insert table " + w + "... ");
    Compared out;
    out.result = convert::CopyTableRows(context, names);
    auto join = [](const db::Row &row) {
        std::string s;
        for (const auto &v : row)
            s += (v.isNull() ? std::string("<null>") : v.data) + "|";
        return s;
    };
    for (const auto &row : rig.oracleRows("select " + oracleColumns + " from \"" + w + "\""))
        out.oracle.push_back(join(row));
    for (const auto &row : rig.mysqlRows("select " + mysqlColumns + " from " + table))
        out.mysql.push_back(join(row));
    std::sort(out.oracle.begin(), out.oracle.end());
    std::sort(out.mysql.begin(), out.mysql.end());
    return out;
}

} // namespace

class KeysetPagesTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

TEST_F(KeysetPagesTest, KeyWithGapsNotInInsertionOrder)
{
    // 12 001 rows inserted in descending key order, keys spaced by 7 and one big gap.
    EngineRig rig({"create table gaps (id bigint primary key, v varchar(20))",
                   "insert into gaps select (12002 - seq) * 7 + if(seq < 6000, 1000000, 0), concat('v', seq) "
                   "from seq_1_to_12001 order by seq"});
    auto c = copyAndCompare(rig, "gaps", "id, v", "\"ID\", \"V\"");
    ASSERT_TRUE(c.result.success) << c.result.message;
    EXPECT_EQ(c.result.rows, 12001u);
    EXPECT_EQ(c.oracle, c.mysql);
}

TEST_F(KeysetPagesTest, CompositeKey)
{
    EngineRig rig({"create table comp (a int, b varchar(10), c int, primary key (a, b))",
                   "insert into comp select seq % 3, concat('k', seq), seq from seq_1_to_11000"});
    auto c = copyAndCompare(rig, "comp", "a, b, c", "\"A\", \"B\", \"C\"");
    ASSERT_TRUE(c.result.success) << c.result.message;
    EXPECT_EQ(c.result.rows, 11000u);
    EXPECT_EQ(c.oracle, c.mysql);
}

TEST_F(KeysetPagesTest, TextKeyInACaseInsensitiveCollation)
{
    // Mixed case, multi-byte characters and quotes in the key values; the server orders them by its
    // collation, and the page boundaries must agree with it.
    EngineRig rig({"create table words (w varchar(40) collate utf8mb4_general_ci primary key, n int)",
                   "insert into words select concat(elt(seq % 5 + 1, 'a', 'B', 'é', 'Ö''', 'z\"'), seq), seq "
                   "from seq_1_to_10500"});
    auto c = copyAndCompare(rig, "words", "w, n", "\"W\", \"N\"");
    ASSERT_TRUE(c.result.success) << c.result.message;
    EXPECT_EQ(c.result.rows, 10500u);
    EXPECT_EQ(c.oracle, c.mysql);
}

TEST_F(KeysetPagesTest, BinaryAndDateKeys)
{
    EngineRig rig({"create table bin_k (k varbinary(16) primary key, n int)",
                   "insert into bin_k select unhex(lpad(hex(seq * 2654435761 % 4294967296), 8, '0')), seq "
                   "from seq_1_to_6000",
                   "create table day_k (d datetime primary key, n int)",
                   "insert into day_k select '2020-01-01' + interval seq minute, seq from seq_1_to_6000"});
    // varbinary has no Oracle type of its own in the mapping: the table is made by hand.
    rig.oracleData().execute("create table \"BIN_K\" (\"K\" BLOB, \"N\" number)");
    auto b = copyAndCompare(rig, "bin_k", "k, n", "\"K\", \"N\"", false);
    ASSERT_TRUE(b.result.success) << b.result.message;
    EXPECT_EQ(b.oracle, b.mysql);
    auto d = copyAndCompare(rig, "day_k", "n", "\"N\"");
    ASSERT_TRUE(d.result.success) << d.result.message;
    EXPECT_EQ(d.oracle, d.mysql);
}

TEST_F(KeysetPagesTest, TableWithoutAKeyIsOneStreamedRead)
{
    // Duplicate rows too: a table without a key may hold them, and each must arrive.
    EngineRig rig({"create table heap (v int, note varchar(10))",
                   "insert into heap select seq % 4000, 'dup' from seq_1_to_10001"});
    auto c = copyAndCompare(rig, "heap", "v, note", "\"V\", \"NOTE\"");
    ASSERT_TRUE(c.result.success) << c.result.message;
    EXPECT_EQ(c.result.rows, 10001u);
    EXPECT_EQ(c.oracle, c.mysql);
}

TEST_F(KeysetPagesTest, EnumKeyOrderedByItsListNotItsText)
{
    // ORDER BY sorts an enum by its place in the list, while a comparison with a text compares the
    // text: 'new' sorts first but is the greatest text. Pages must follow the order the server sorts.
    EngineRig rig({"create table tickets (state enum('new','done','archived'), id int, primary key (state, id))",
                   "insert into tickets select elt(seq % 3 + 1, 'new', 'done', 'archived'), seq "
                   "from seq_1_to_12000"});
    auto c = copyAndCompare(rig, "tickets", "state, id", "\"STATE\", \"ID\"");
    ASSERT_TRUE(c.result.success) << c.result.message;
    EXPECT_EQ(c.result.rows, 12000u);
    EXPECT_EQ(c.oracle, c.mysql);
}

TEST_F(KeysetPagesTest, TextKeyInAnotherCharacterSet)
{
    EngineRig rig({"create table names1 (w varchar(40) character set latin1 primary key, n int)",
                   "insert into names1 select concat(elt(seq % 4 + 1, 'a', 'É', 'ÿ', 'Z'), seq), seq "
                   "from seq_1_to_10500"});
    auto c = copyAndCompare(rig, "names1", "w, n", "\"W\", \"N\"");
    ASSERT_TRUE(c.result.success) << c.result.message;
    EXPECT_EQ(c.result.rows, 10500u);
    EXPECT_EQ(c.oracle, c.mysql);
}

TEST_F(KeysetPagesTest, BitKey)
{
    EngineRig rig({"create table flags (b bit(16) primary key, n int)",
                   "insert into flags select seq * 5, seq from seq_1_to_12000"});
    auto c = copyAndCompare(rig, "flags", "b + 0, n", "\"B\", \"N\"");
    ASSERT_TRUE(c.result.success) << c.result.message;
    EXPECT_EQ(c.result.rows, 12000u);
    EXPECT_EQ(c.oracle, c.mysql);
}
