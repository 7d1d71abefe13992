// Verification after a copy: both sides brought to one canonical form and compared as an
// order-independent digest; a difference names the first key that differs, and the rows the copy
// refused are not counted against it.
#include "support/EngineRig.h"

#include "convert/NameRules.h"
#include "convert/RowCopy.h"
#include "convert/TableVerify.h"
#include "convert/ValueCanon.h"

#include <gtest/gtest.h>

using testsupport::EngineRig;

TEST(ValueCanon, NumbersMeetInOneForm)
{
    using convert::canonicalNumber;
    EXPECT_EQ(canonicalNumber("0.500"), "0.5");
    EXPECT_EQ(canonicalNumber(".5"), "0.5");
    EXPECT_EQ(canonicalNumber("-0.0"), "0");
    EXPECT_EQ(canonicalNumber("3.40282e+38"), "340282000000000000000000000000000000000");
    EXPECT_EQ(canonicalNumber("340282000000000000000000000000000000000"), "340282000000000000000000000000000000000");
    EXPECT_EQ(canonicalNumber("1.17549435e-38"), "0.0000000000000000000000000000000000000117549435");
    EXPECT_EQ(canonicalNumber("-12345678901234.123456"), "-12345678901234.123456");
    EXPECT_EQ(canonicalNumber("007"), "7");
    EXPECT_EQ(canonicalNumber("1E3"), "1000");
    EXPECT_EQ(canonicalNumber("abc"), "");
}

TEST(ValueCanon, MomentsAndEmptyValues)
{
    using convert::CanonKind;
    std::string out;
    auto canon = [&](CanonKind kind, db::ValueKind valueKind, const std::string &text) {
        return convert::canonicalValue(kind, db::Value::of(valueKind, text), out) ? out : std::string("<null>");
    };
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::Date, "2024-02-29"), "2024-02-29 00:00:00");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::DateTime, "2024-02-29 10:11:12.500000"), "2024-02-29 10:11:12.5");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::DateTime, "2024-02-29 10:11:12.000000000"),
              "2024-02-29 10:11:12");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::Time, "8:05:00"), "1970-01-01 08:05:00");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::DateTime, "0000-00-00 00:00:00"), "<null>");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::DateTime, "0000-00-00 00:00:00.000000"), "<null>");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::Date, "0000-00-00"), "<null>");
    // Any other zero month or day is a refused row: as it is, it matches no Oracle value, NULL included.
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::Date, "2020-05-00"), "2020-05-00");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::DateTime, "0000-00-00 10:00:00"), "0000-00-00 10:00:00");
    EXPECT_EQ(canon(CanonKind::Moment, db::ValueKind::DateTime, "0000-00-00 00:00:00.000001"),
              "0000-00-00 00:00:00.000001");
    EXPECT_EQ(canon(CanonKind::Text, db::ValueKind::Text, ""), "<null>");
    EXPECT_EQ(canon(CanonKind::LongText, db::ValueKind::Text, ""), "");
    EXPECT_EQ(canon(CanonKind::Bytes, db::ValueKind::Binary, ""), "<null>");
    EXPECT_EQ(canon(CanonKind::LongBytes, db::ValueKind::Binary, ""), "");
}

namespace {

class VerifyTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static convert::ConversionOptions verifying()
    {
        convert::ConversionOptions options;
        options.verify = true;
        return options;
    }

    // A verification on its own of one table, as the command line runs it after the fact.
    static convert::VerifyResult verifyAlone(EngineRig &rig, const std::string &table)
    {
        const std::string w = convert::ApplyNameCase(table, true);
        const convert::TableNames names{table, w, w};
        auto target = rig.oracleInsert().createTargetTable("verify");
        target->open(w);
        rig.rowSource().close();
        rig.rowSource().replaceProfile(rig.mysql().profile());
        rig.rowSource().open();
        const convert::VerifySource source{rig.rowSource(), names, "", {"id"}, nullptr};
        return convert::VerifyTable(rig.oracleConn(), w, target->columns(), source);
    }

    static bool logHas(EngineRig &rig, const std::string &line)
    {
        const auto &lines = rig.log().lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

const std::vector<std::string> kShop = {
    "create table orders (id int primary key, note varchar(20), total decimal(12,2), placed datetime(3),"
    " photo longblob, memo text) character set utf8mb4",
    "insert into orders select seq, if(seq % 7 = 0, '', concat('note ', seq)), seq * 1.25,"
    " '2024-01-01 00:00:00.125' + interval seq second, if(seq % 5 = 0, null, repeat(x'00FF', seq)),"
    " if(seq % 3 = 0, '', 'ü') from seq_1_to_6000"};

} // namespace

TEST_F(VerifyTest, ACleanCopyVerifiesInTheRunAndAlone)
{
    EngineRig rig(kShop);
    rig.run({"orders"}, verifying());
    EXPECT_TRUE(logHas(rig, "Verify table ORDERS: 6000 rows, the same in MySQL and Oracle"))
        << testing::PrintToString(rig.log().lines());
    const auto alone = verifyAlone(rig, "orders");
    EXPECT_TRUE(alone.match) << alone.difference;
    EXPECT_EQ(alone.targetRows, 6000u);
}

TEST_F(VerifyTest, AChangedADeletedAndALobChangedByOneByteAreFound)
{
    EngineRig rig(kShop);
    rig.run({"orders"});

    rig.oracleConn().execute("update \"ORDERS\" set \"NOTE\" = 'changed' where \"ID\" = 4321");
    rig.oracleConn().commit();
    auto changed = verifyAlone(rig, "orders");
    EXPECT_FALSE(changed.match);
    EXPECT_EQ(changed.difference, "key ID=4321 holds other values in Oracle");
    rig.oracleConn().execute("update \"ORDERS\" set \"NOTE\" = 'note 4321' where \"ID\" = 4321");
    rig.oracleConn().commit();
    EXPECT_TRUE(verifyAlone(rig, "orders").match);

    // One byte of a large object, through a bound value.
    const auto original = rig.mysqlRows("select photo from orders where id = 2222").at(0).at(0).data;
    auto lob = original;
    lob[lob.size() / 2] = static_cast<char>(lob[lob.size() / 2] ^ 1);
    rig.oracleConn().query("update \"ORDERS\" set \"PHOTO\" = :1 where \"ID\" = 2222", {db::Value::binary(lob)});
    rig.oracleConn().commit();
    EXPECT_EQ(verifyAlone(rig, "orders").difference, "key ID=2222 holds other values in Oracle");
    rig.oracleConn().query("update \"ORDERS\" set \"PHOTO\" = :1 where \"ID\" = 2222", {db::Value::binary(original)});
    rig.oracleConn().commit();
    EXPECT_TRUE(verifyAlone(rig, "orders").match);

    rig.oracleConn().execute("insert into \"ORDERS\" (\"ID\") values (99999)");
    rig.oracleConn().commit();
    auto extra = verifyAlone(rig, "orders");
    EXPECT_EQ(extra.difference, "key ID=99999 is in Oracle only");

    rig.oracleConn().execute("delete from \"ORDERS\" where \"ID\" in (17, 99999)");
    rig.oracleConn().commit();
    auto deleted = verifyAlone(rig, "orders");
    EXPECT_FALSE(deleted.match);
    EXPECT_EQ(deleted.targetRows, 5999u);
    EXPECT_EQ(deleted.logLine("ORDERS"),
              "Verify table ORDERS: MySQL 6000 rows, Oracle 5999 rows; key ID=17 is missing in Oracle");
}

TEST_F(VerifyTest, RowsTheCopyRefusedAreNotCountedAgainstIt)
{
    EngineRig rig({"create table amounts (id int primary key, v decimal(65,0))",
                   "insert into amounts select seq, seq from seq_1_to_300",
                   // 39 digits: a NUMBER would round it, so the copy refuses the row.
                   "update amounts set v = 123456789012345678901234567890123456789 where id = 150"});
    rig.run({"amounts"}, verifying());
    EXPECT_TRUE(logHas(rig, "1 rows rejected")) << testing::PrintToString(rig.log().lines());
    EXPECT_TRUE(logHas(rig, "Verify table AMOUNTS: 299 rows, the same in MySQL and Oracle"))
        << testing::PrintToString(rig.log().lines());
}
