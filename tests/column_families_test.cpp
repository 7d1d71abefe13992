// Every MySQL column family converted end to end, from the sandbox MariaDB into the Oracle stand-in, and
// read back from Oracle value for value: the numbers that MySQL's text form would round, the columns a
// "select *" would miss, the families that once had no Oracle type, character columns at their full
// declared length in multi-byte text.
#include "support/EngineRig.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testsupport::EngineRig;

namespace {

class ColumnFamilies : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

double number(const db::Value &value) { return std::strtod(value.data.c_str(), nullptr); }

const std::vector<std::string> &lines(EngineRig &rig) { return rig.log().lines(); }

bool logHas(EngineRig &rig, const std::string &line)
{
    for (const auto &l : lines(rig))
        if (l == line)
            return true;
    return false;
}

} // namespace

TEST_F(ColumnFamilies, FloatAndDoubleArriveAsTheValuesMySqlHolds)
{
    EngineRig rig({"create table nums (id int primary key, f float, d double)",
                   "insert into nums values (1, 123456792, 0.1), (2, 16777217, 0.30000000000000004),"
                   " (3, 3.40282e38, 123456789.12345679), (4, 1.17549435e-38, 1e125), (5, 0.1, -2.5e-130),"
                   " (6, -0.0, 4.9406564584124654e-324), (7, null, 1.7976931348623157e308)"});
    rig.run({"nums"});
    // The two doubles outside NUMBER's range are refused rows that say so; every other value arrives.
    EXPECT_TRUE(logHas(rig, "2 rows rejected")) << testing::PrintToString(lines(rig));

    auto mysql = rig.mysqlRows("select id, cast(f as double), d from nums order by id");
    auto oracle = rig.oracleRows("select \"ID\", \"F\", \"D\" from \"NUMS\" order by \"ID\"");
    ASSERT_EQ(oracle.size(), 5u);
    for (std::size_t i = 0; i < oracle.size(); ++i) {
        const auto &o = oracle[i];
        const auto &m = mysql[i];
        ASSERT_EQ(o[0].data, m[0].data);
        if (m[1].isNull()) {
            EXPECT_TRUE(o[1].isNull());
        } else {
            EXPECT_EQ(static_cast<float>(number(o[1])), static_cast<float>(number(m[1])))
                << "FLOAT of row " << m[0].data << ": Oracle holds " << o[1].data;
        }
        EXPECT_EQ(number(o[2]), number(m[2])) << "DOUBLE of row " << m[0].data << ": Oracle holds " << o[2].data;
    }
    // Not MySQL's six-digit display form.
    EXPECT_NE(oracle[0][1].data, "123457000");
}

TEST_F(ColumnFamilies, InvisibleColumnsArriveWithTheirValues)
{
    EngineRig rig({"create table secrets (id int primary key, shown varchar(10), kept varchar(10) invisible,"
                   " n int invisible)",
                   "insert into secrets (id, shown, kept, n) select seq, concat('s', seq), concat('k', seq), seq * 2"
                   " from seq_1_to_250"});
    rig.run({"secrets"});
    auto o = rig.oracleRows("select \"ID\", \"SHOWN\", \"KEPT\", \"N\" from \"SECRETS\" order by \"ID\"");
    auto m = rig.mysqlRows("select id, shown, kept, n from secrets order by id");
    ASSERT_EQ(o.size(), 250u);
    for (std::size_t r = 0; r < o.size(); ++r)
        for (std::size_t c = 0; c < 4; ++c)
            ASSERT_EQ(o[r][c].data, m[r][c].data) << "row " << r << " column " << c;
}

TEST_F(ColumnFamilies, BitSpatialJsonAndMariaDbTypesKeepTheirValues)
{
    EngineRig rig({"create table odd (id int primary key, b64 bit(64), b1 bit(1), g geometry, p point, j json,"
                   " u uuid, a6 inet6, a4 inet4, e enum('a','bé'), s set('x','yé'),"
                   " c varchar(20) /*M!100301 COMPRESSED*/, t text compressed) character set utf8mb4",
                   "insert into odd values (1, b'1111111111111111111111111111111111111111111111111111111111111111', 1,"
                   " ST_GeomFromText('POLYGON((0 0,10 0,10 10,0 10,0 0),(2 2,3 2,3 3,2 2))'), point(1.5, -2),"
                   " '{\"emoji\": \"😀\", \"n\": [1, 2.5]}', '123e4567-e89b-12d3-a456-426614174000',"
                   " 'ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff', '255.255.255.255', 'bé', 'x,yé',"
                   " 'compressed é', 'long compressed text')",
                   "insert into odd (id, b64, b1) values (2, 0, 0)"});
    rig.run({"odd"});
    EXPECT_EQ(lines(rig).at(0), "Create table ODD...Done");

    auto o =
        rig.oracleRows("select \"B64\", \"B1\", \"G\", \"P\", \"J\", \"U\", \"A6\", \"A4\", \"E\", \"S\", \"C\", \"T\""
                       " from \"ODD\" order by \"ID\"");
    auto m = rig.mysqlRows("select b64 + 0, b1 + 0, st_aswkb(g), st_aswkb(p), j, u, a6, a4, e, s, c, t from odd"
                           " order by id");
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0][0].data, "18446744073709551615");
    for (std::size_t c = 0; c < m[0].size(); ++c)
        EXPECT_EQ(o[0][c].data, m[0][c].data) << "column " << c;
    EXPECT_EQ(o[1][0].data, "0");
    EXPECT_EQ(o[1][1].data, "0");
}

TEST_F(ColumnFamilies, CharacterColumnsHoldTheirFullLengthInAnyScript)
{
    // MySQL counts characters: twenty accented letters fit a varchar(20) and must fit its Oracle column.
    // 4000 two-byte characters are 8000 bytes, more than any VARCHAR2: that column becomes a CLOB.
    EngineRig rig({"create table city (id int primary key, name varchar(20), code char(3), wide varchar(4000),"
                   " narrow varchar(4000)) character set utf8mb4",
                   "insert into city values (1, repeat('é', 20), 'ÅÄÖ', repeat('ж', 4000), repeat('x', 10)),"
                   " (2, 'São Paulo', '東京', 'short', repeat('ü', 1500))"});
    rig.run({"city"});
    EXPECT_TRUE(logHas(rig, "Column \"wide\" becomes CLOB: its longest value is 8000 bytes, more than the 4000 "
                            "bytes an Oracle VARCHAR2 holds"))
        << testing::PrintToString(lines(rig));
    EXPECT_TRUE(logHas(rig, "Insert table CITY 2 Rows ...Done")) << testing::PrintToString(lines(rig));
    auto o = rig.oracleRows("select \"NAME\", \"CODE\", \"WIDE\", \"NARROW\" from \"CITY\" order by \"ID\"");
    auto m = rig.mysqlRows("select name, code, wide, narrow from city order by id");
    ASSERT_EQ(o.size(), 2u);
    for (std::size_t r = 0; r < 2; ++r)
        for (std::size_t c = 0; c < 4; ++c)
            EXPECT_EQ(o[r][c].data, m[r][c].data) << "row " << r << " column " << c;
}
