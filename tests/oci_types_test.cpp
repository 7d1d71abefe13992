// The OCI driver's TIMESTAMP, RAW and VARCHAR2(n CHAR) columns against the stand-in: what MySQL's
// values become, which rows are refused and why, row by row and in array applies, read back as the
// data layer's values.
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/TargetTable.h"
#include "support/OracleTarget.h"

#include <gtest/gtest.h>

using db::Value;
using db::ValueKind;

namespace {

class OciTypes : public testing::TestWithParam<db::ApplyMode> {
protected:
    void SetUp() override {
        m_conn = db::createOracleConnection();
        m_conn->replaceProfile(m_sim.profile());
        m_conn->open();
    }

    // Appends one row per value into column C (ID numbering them from 0) and applies them.
    db::ApplyResult insert(const std::string &table, const std::vector<Value> &values) {
        auto target = m_conn->createTargetTable("oracleinsertdata");
        target->setApplyMode(GetParam());
        target->open(table);
        for (std::size_t i = 0; i < values.size(); ++i) {
            target->append();
            target->setValue("ID", Value::integer(static_cast<std::int64_t>(i)));
            target->setValue("C", values[i]);
            target->post();
        }
        return target->apply();
    }
    std::vector<db::Row> column(const std::string &table) {
        return m_conn->query("select \"ID\", \"C\" from \"" + table + "\" order by \"ID\"");
    }

    testsupport::OracleTarget m_sim;
    std::unique_ptr<db::Connection> m_conn;
};

Value id(int n) {
    return Value::of(ValueKind::Decimal, std::to_string(n));
}
Value dateTime(const std::string &text) {
    return Value::of(ValueKind::DateTime, text);
}

std::string repeated(const std::string &unit, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

TEST_P(OciTypes, TimestampsArriveToTheMicrosecondAndWhatCannotBeOneIsRefused) {
    m_conn->execute("create table \"TS\" (\"ID\" number, \"C\" timestamp(6))");
    const std::vector<Value> values = {
        dateTime("1000-01-01 00:00:00.000000"),
        dateTime("9999-12-31 23:59:59.999999"),
        Value::null(),
        dateTime("0000-00-00 00:00:00.000000"),  // MySQL's zero date: NULL
        Value::of(ValueKind::Time, "838:59:59"), // longer than a day: refused
        Value::of(ValueKind::Date, "2024-02-29"),
        Value::of(ValueKind::Time, "12:34:56.5"),
        Value::text("2024-01-02 03:04:05.123456"),
        dateTime("0000-03-01 00:00:00"),         // a real day in year 0: refused
        dateTime("2024-01-02 03:04:05.1234567"), // a seventh digit TIMESTAMP(6) would round away
    };
    const auto applied = insert("TS", values);
    EXPECT_EQ(applied.written, 7u);
    ASSERT_EQ(applied.rejected.size(), 3u);
    EXPECT_EQ(applied.rejected[0].index, 4u);
    EXPECT_EQ(applied.rejected[0].message,
              "Column \"C\": '838:59:59' is outside 00:00:00-23:59:59 and cannot be stored as a time of day");
    EXPECT_EQ(applied.rejected[1].index, 8u);
    EXPECT_EQ(applied.rejected[1].message,
              "Column \"C\": '0000-03-01 00:00:00' lies in year 0, which an Oracle date cannot hold");
    EXPECT_EQ(applied.rejected[2].index, 9u);
    EXPECT_EQ(applied.rejected[2].message,
              "Column \"C\": '2024-01-02 03:04:05.1234567' has fractions of a second "
              "that a TIMESTAMP(6) does not keep");

    EXPECT_EQ(column("TS"), (std::vector<db::Row>{{id(0), dateTime("1000-01-01 00:00:00.000000")},
                                                  {id(1), dateTime("9999-12-31 23:59:59.999999")},
                                                  {id(2), Value::null()},
                                                  {id(3), Value::null()},
                                                  {id(5), dateTime("2024-02-29 00:00:00.000000")},
                                                  {id(6), dateTime("1970-01-01 12:34:56.500000")},
                                                  {id(7), dateTime("2024-01-02 03:04:05.123456")}}));
}

TEST_P(OciTypes, FractionsAColumnDoesNotKeepAreRefusedNotRounded) {
    m_conn->execute("create table \"T3\" (\"ID\" number, \"C\" timestamp(3))");
    m_conn->execute("create table \"D\" (\"ID\" number, \"C\" date)");
    auto applied =
        insert("T3", {dateTime("2024-01-01 10:00:00.123000"), dateTime("2024-01-01 10:00:00.123400")});
    EXPECT_EQ(applied.written, 1u);
    ASSERT_EQ(applied.rejected.size(), 1u);
    EXPECT_EQ(applied.rejected[0].index, 1u);
    EXPECT_EQ(column("T3").at(0).at(1), dateTime("2024-01-01 10:00:00.123"));

    applied = insert("D", {dateTime("2024-01-01 10:00:00.000000"), dateTime("2024-01-01 10:00:00.999")});
    EXPECT_EQ(applied.written, 1u);
    ASSERT_EQ(applied.rejected.size(), 1u);
    EXPECT_EQ(applied.rejected[0].message, "Column \"C\": '2024-01-01 10:00:00.999' has fractions of a "
                                           "second that an Oracle DATE does not keep");
    EXPECT_EQ(column("D").at(0).at(1), dateTime("2024-01-01 10:00:00"));
}

TEST_P(OciTypes, RawValuesArriveByteForByte) {
    m_conn->execute("create table \"R\" (\"ID\" number, \"C\" raw(16))");
    std::string sixteen(16, '\0');
    for (std::size_t i = 0; i < sixteen.size(); ++i)
        sixteen[i] = static_cast<char>(255 - i * 17); // 0xFF ... 0x00
    const auto applied =
        insert("R", {Value::binary(sixteen), Value::binary(std::string("\0", 1)),
                     Value::binary(sixteen + "x"), Value::null(), Value::binary(std::string("\xff", 1))});
    EXPECT_EQ(applied.written, 4u);
    ASSERT_EQ(applied.rejected.size(), 1u);
    EXPECT_EQ(applied.rejected[0].index, 2u);
    EXPECT_TRUE(testsupport::oracleErrorIs(m_sim.differences(), applied.rejected[0].message,
                                           "ORA-12899: value too large for column \"" + m_sim.owner() +
                                               "\".\"R\".\"C\" (actual: 17, maximum: 16)"));
    EXPECT_EQ(column("R"), (std::vector<db::Row>{{id(0), Value::binary(sixteen)},
                                                 {id(1), Value::binary(std::string("\0", 1))},
                                                 {id(3), Value::null()},
                                                 {id(4), Value::binary(std::string("\xff", 1))}}));
}

TEST_P(OciTypes, CharacterLengthsCountCharactersUpToOraclesByteCap) {
    m_conn->execute("create table \"C20\" (\"ID\" number, \"C\" varchar2(20 char))");
    m_conn->execute("create table \"C4000\" (\"ID\" number, \"C\" varchar2(4000 char))");
    const std::string twenty = repeated("é", 20), twoThousand = repeated("é", 2000);

    auto applied = insert("C20", {Value::text(twenty), Value::text(repeated("é", 21))});
    EXPECT_EQ(applied.written, 1u);
    ASSERT_EQ(applied.rejected.size(), 1u);
    EXPECT_TRUE(testsupport::oracleErrorIs(m_sim.differences(), applied.rejected[0].message,
                                           "ORA-12899: value too large for column \"" + m_sim.owner() +
                                               "\".\"C20\".\"C\" (actual: 21, maximum: 20)"));
    EXPECT_EQ(column("C20").at(0).at(1), Value::text(twenty));

    // 4000 two-byte characters are 8000 bytes: more than a VARCHAR2 holds under MAX_STRING_SIZE
    // STANDARD, so the row is refused before it is sent (bound, Oracle would fail the whole insert
    // with ORA-01461). Where it is EXTENDED the column holds them.
    applied = insert("C4000", {Value::text(twoThousand), Value::text(repeated("é", 4000))});
    if (m_sim.differences().extendedStrings) {
        EXPECT_EQ(applied.written, 2u);
        EXPECT_TRUE(applied.rejected.empty()) << applied.rejected.front().message;
    } else {
        EXPECT_EQ(applied.written, 1u);
        ASSERT_EQ(applied.rejected.size(), 1u);
        EXPECT_EQ(applied.rejected[0].message,
                  "Column \"C\": a value of 8000 bytes is longer than the column can hold");
    }
    EXPECT_EQ(column("C4000").at(0).at(1), Value::text(twoThousand));
}

INSTANTIATE_TEST_SUITE_P(BothModes, OciTypes, testing::Values(db::ApplyMode::Array, db::ApplyMode::RowByRow),
                         [](const auto &info) {
                             return info.param == db::ApplyMode::Array ? "Array" : "RowByRow";
                         });

} // namespace
