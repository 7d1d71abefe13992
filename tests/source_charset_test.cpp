// The source character-set option. Whatever entry is chosen, the MySQL session stays in utf8mb4: names and
// paging keys never pass through a narrower set, so every row is read exactly once and every copy ends;
// text reaches Oracle as the same characters; a value the chosen set cannot hold is a refused row that
// names the column and the set.
#include "support/EngineRig.h"

#include "convert/SourceCharsets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using testsupport::EngineRig;

namespace {

class SourceCharset : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

convert::ConversionOptions withCharset(std::string_view name)
{
    convert::ConversionOptions options;
    options.charsetIndex = convert::sourceCharsetIndex(name);
    options.charset = std::string(name);
    return options;
}

std::size_t rejectedCount(const std::vector<std::string> &lines)
{
    for (const auto &line : lines) {
        const auto at = line.find(" rows rejected");
        if (at != std::string::npos && at + 14 == line.size())
            return std::stoul(line);
    }
    return 0;
}

} // namespace

TEST_F(SourceCharset, EveryEntryReadsEachRowOnceAndRefusesWhatItCannotHold)
{
    // Keys in four scripts over 12,000 rows: more than two pages, so pages start after keys holding
    // characters no single-byte set has. The emoji fits no entry but binary, which holds any bytes.
    EngineRig rig({"create table names (k varchar(20) primary key, n int) character set utf8mb4",
                   "insert into names select concat(elt(seq % 4 + 1, 'a', 'é', '中', '😀'), seq), seq"
                   " from seq_1_to_12000"});
    const auto mysql = rig.mysqlRows("select k, n from names order by n");
    for (std::size_t entry = 1; entry < convert::kSourceCharsets.size(); ++entry) {
        const std::string_view charset = convert::kSourceCharsets[entry];
        SCOPED_TRACE(std::string(charset));
        rig.log().clear();
        rig.run({"names"}, withCharset(charset));
        const auto &lines = rig.log().lines();

        auto oracle = rig.oracleRows("select \"K\", \"N\" from \"NAMES\"");
        std::set<std::string> keys;
        for (const auto &row : oracle) {
            EXPECT_TRUE(keys.insert(row[0].data).second) << "row copied twice: " << row[0].data;
            const std::size_t n = std::stoul(row[1].data);
            ASSERT_EQ(row[0].data, mysql.at(n - 1)[0].data) << "key of row " << n;
        }
        const std::size_t refused = rejectedCount(lines);
        EXPECT_EQ(oracle.size() + refused, 12000u) << lines.at(0);
        if (charset == "binary") {
            EXPECT_EQ(refused, 0u);
        } else {
            EXPECT_GE(refused, 3000u);
            EXPECT_EQ(keys.count("😀3"), 0u);
            const std::string why = ": Column \"K\": the value holds a character that the character set " +
                                    std::string(charset) + " cannot hold";
            // The first 100 refused rows are named, each with the column and the set.
            const auto named = std::count_if(lines.begin(), lines.end(), [&](const std::string &line) {
                return line.rfind("Row ", 0) == 0 && line.size() > why.size() &&
                       line.compare(line.size() - why.size(), why.size(), why) == 0;
            });
            EXPECT_EQ(named, 100);
        }
        if (charset == "latin1") {
            EXPECT_EQ(refused, 6000u); // the emoji and the Chinese rows; é is latin1
        }
        if (charset == "gbk" || charset == "utf8" || charset == "ucs2") {
            EXPECT_EQ(refused, 3000u); // only the emoji
        }
    }
}

TEST_F(SourceCharset, ANameWhoseBytesCouldSwallowItsQuoteReadsItsOwnTable)
{
    // Read as GBK, the last byte of 中 in UTF-8 and the closing backtick would form one character: a
    // statement parsed in GBK would name another table, or none.
    EngineRig rig({"create table `t中` (id int primary key, note varchar(10)) character set utf8mb4",
                   "insert into `t中` values (1, 'mine'), (2, '中文')", "create table t (id int primary key)",
                   "insert into t values (100), (200), (300)"});
    rig.run({"t中"}, withCharset("gbk"));
    auto o = rig.oracleRows("select \"ID\", \"NOTE\" from \"T中\" order by \"ID\"");
    ASSERT_EQ(o.size(), 2u) << testing::PrintToString(rig.log().lines());
    EXPECT_EQ(o[0][1].data, "mine");
    EXPECT_EQ(o[1][1].data, "中文");
}

TEST_F(SourceCharset, LatinTextArrivesAsTheSameCharacters)
{
    EngineRig rig({"create table cafe (id int primary key, name varchar(10)) character set latin1",
                   "insert into cafe values (1, 'café'), (2, 'Ærø'), (3, '€uro')"});
    rig.run({"cafe"}, withCharset("latin1"));
    auto o = rig.oracleRows("select \"NAME\" from \"CAFE\" order by \"ID\"");
    ASSERT_EQ(o.size(), 3u) << testing::PrintToString(rig.log().lines());
    EXPECT_EQ(o[0][0].data, "café");
    EXPECT_EQ(o[1][0].data, "Ærø");
    EXPECT_EQ(o[2][0].data, "€uro");
}

TEST_F(SourceCharset, NamesAreSettledWithTheServerLetterCaseAndAliasesAside)
{
    EngineRig rig;
    auto settled = [&](const std::string &name, int index = -1) {
        convert::ConversionOptions options;
        options.charsetIndex = index;
        options.charset = name;
        convert::SettleSourceCharset(rig.catalog(), options);
        return convert::checkedCharsetName(options);
    };
    EXPECT_EQ(settled("LATIN1", convert::sourceCharsetIndex("LATIN1")), "latin1");
    EXPECT_EQ(convert::sourceCharsetIndex("LATIN1"), 25) << "the entry a saved setting keeps";
    EXPECT_EQ(settled("utf8mb3"), "utf8mb3");
    EXPECT_EQ(settled("utf8", 36), "utf8mb3") << "the server's own name of its alias";
    EXPECT_EQ(settled("UTF8MB4"), "utf8mb4");
    EXPECT_EQ(settled("Default", 0), "");
    EXPECT_EQ(settled("", -1), "");
    EXPECT_EQ(settled("default"), "") << "the first entry, however it is written";

    try {
        settled("no_such_set");
        ADD_FAILURE() << "an unknown set was taken";
    } catch (const db::Error &e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("The MySQL server has no character set no_such_set (Unknown character set: "
                               "'no_such_set'); it has "),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(", latin1, "), std::string::npos) << message;
    }
    // Not a name at all: refused before any statement holds it.
    EXPECT_THROW(settled("latin1' --"), db::Error);
}
