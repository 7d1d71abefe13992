// The stand-in's TIMESTAMP, RAW and VARCHAR2(n CHAR) columns, driven through raw OCI calls: the
// declarations Oracle takes and refuses, what the dictionary and a describe report, how values are
// checked, rounded and printed.

#include "support/OracleSim.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::RawConn;

const testsupport::RawOciApi &api() {
    return testsupport::rawOci();
}

class OracleSimTypes : public ::testing::Test {
protected:
    testsupport::OracleSim sim;
    RawConn db{"scott", "tiger", sim.service()};

    struct Described {
        ub2 type = 0, size = 0, charSize = 0;
        ub1 charUsed = 9, fsPrecision = 99;
    };
    // The describe of one column of "select * from table".
    Described describe(const std::string &table, ub4 position) {
        Described d;
        OCIStmt *st = db.prepare("select * from " + table);
        EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, oci::DESCRIBE_ONLY),
                  oci::SUCCESS)
            << db.error();
        void *param = nullptr;
        EXPECT_EQ(api().paramGet(st, oci::HTYPE_STMT, db.err(), &param, position), oci::SUCCESS);
        api().attrGet(param, oci::DTYPE_PARAM, &d.type, nullptr, oci::ATTR_DATA_TYPE, db.err());
        api().attrGet(param, oci::DTYPE_PARAM, &d.size, nullptr, oci::ATTR_DATA_SIZE, db.err());
        api().attrGet(param, oci::DTYPE_PARAM, &d.charSize, nullptr, oci::ATTR_CHAR_SIZE, db.err());
        api().attrGet(param, oci::DTYPE_PARAM, &d.charUsed, nullptr, oci::ATTR_CHAR_USED, db.err());
        api().attrGet(param, oci::DTYPE_PARAM, &d.fsPrecision, nullptr, oci::ATTR_FSPRECISION, db.err());
        api().descriptorFree(param, oci::DTYPE_PARAM);
        db.release(st);
        return d;
    }

    // Inserts one bound value (SQLT_CHR or SQLT_BIN) into the single-column table; "" or the error.
    std::string insertBound(const std::string &table, const std::string &value, ub2 type) {
        OCIStmt *st = db.prepare("insert into " + table + " values (:1)");
        ub2 length = static_cast<ub2>(value.size());
        api().bindByPos(st, nullptr, db.err(), 1, const_cast<char *>(value.data()),
                        static_cast<sb4>(value.size()), type, nullptr, &length, nullptr, 0, nullptr,
                        oci::DEFAULT);
        const sword rc = api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, oci::DEFAULT);
        db.release(st);
        return rc == oci::SUCCESS ? std::string() : db.error();
    }
};

std::string repeated(const std::string &unit, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

TEST_F(OracleSimTypes, TimestampPrecisionIsZeroToNineAndShowsInTheDictionaryAndTheDescribe) {
    ASSERT_EQ(
        db.exec(
            "create table ts (id number, t0 timestamp(0), t3 timestamp(3), t6 timestamp, t9 timestamp(9))"),
        "");
    EXPECT_EQ(db.exec("create table bad (t timestamp(10))"),
              "ORA-30088: datetime/interval precision is out of range");
    EXPECT_EQ(db.rows("select column_name, data_type, data_length, data_scale from user_tab_columns "
                      "where table_name = 'TS' and column_name <> 'ID' order by column_id"),
              (std::vector<std::string>{"T0|TIMESTAMP(0)|11|0", "T3|TIMESTAMP(3)|11|3",
                                        "T6|TIMESTAMP(6)|11|6", "T9|TIMESTAMP(9)|11|9"}));
    const Described t6 = describe("ts", 4);
    EXPECT_EQ(t6.type, oci::TYPE_TIMESTAMP);
    EXPECT_EQ(t6.size, 11);
    EXPECT_EQ(t6.fsPrecision, 6);
    EXPECT_EQ(describe("ts", 2).fsPrecision, 0);
}

TEST_F(OracleSimTypes, TimestampsRoundToTheColumnsPrecisionAndKeepNineDigitsAtMost) {
    ASSERT_EQ(db.exec("create table ts (id number, t0 timestamp(0), t3 timestamp(3), t6 timestamp(6), t9 "
                      "timestamp(9))"),
              "");
    const std::string value = "to_timestamp('2024-02-29 23:59:59.999999600', 'YYYY-MM-DD HH24:MI:SS.FF')";
    ASSERT_EQ(
        db.exec("insert into ts values (1, " + value + ", " + value + ", " + value + ", " + value + ")"), "");
    // Half a microsecond and more rounds up, carrying into the next day and month.
    EXPECT_EQ(
        db.single("select to_char(t0, 'YYYY-MM-DD HH24:MI:SS'), to_char(t3, 'YYYY-MM-DD HH24:MI:SS.FF'), "
                  "to_char(t6, 'YYYY-MM-DD HH24:MI:SS.FF6'), to_char(t9, 'HH24:MI:SS.FF') from ts"),
        "2024-03-01 00:00:00|2024-03-01 00:00:00.000|2024-03-01 00:00:00.000000|23:59:59.999999600");
    const std::string small = "to_timestamp('2024-01-01 10:00:00.0004999', 'YYYY-MM-DD HH24:MI:SS.FF')";
    ASSERT_EQ(db.exec("insert into ts (id, t3) values (2, " + small + ")"), "");
    EXPECT_EQ(db.single("select to_char(t3, 'HH24:MI:SS.FF') from ts where id = 2"), "10:00:00.000");

    // A tenth fractional digit is more than the format reads.
    EXPECT_EQ(db.exec("insert into ts (id, t9) values (3, to_timestamp('2024-01-01 10:00:00.1234567891', "
                      "'YYYY-MM-DD HH24:MI:SS.FF'))"),
              "ORA-01830: date format picture ends before converting entire input string");
    // UNVERIFIED in Oracle: rounding past the last representable moment.
    EXPECT_EQ(db.exec("insert into ts (id, t3) values (4, to_timestamp('9999-12-31 23:59:59.9999', "
                      "'YYYY-MM-DD HH24:MI:SS.FF'))"),
              "ORA-01841: (full) year must be between -4713 and +9999, and not be 0");
    // Fractions belong to timestamps: a DATE format has no FF.
    EXPECT_EQ(db.exec("insert into ts (id) values (to_char(to_date('2024-01-01', 'YYYY-MM-DD'), 'SS.FF'))"),
              "ORA-01821: date format not recognized");
}

TEST_F(OracleSimTypes, TimestampTextFollowsNlsTimestampFormat) {
    ASSERT_EQ(db.exec("create table ts (id number, t0 timestamp(0), t6 timestamp)"), "");
    ASSERT_EQ(
        db.exec("insert into ts values (1, to_timestamp('2024-01-05 13:04:05', 'YYYY-MM-DD HH24:MI:SS'), "
                "to_timestamp('2024-01-05 13:04:05.123456', 'YYYY-MM-DD HH24:MI:SS.FF'))"),
        "");
    // Oracle's default format for AMERICA; a TIMESTAMP(0) shows neither point nor fractions.
    EXPECT_EQ(db.single("select t0, t6 from ts"), "05-JAN-24 01.04.05 PM|05-JAN-24 01.04.05.123456 PM");
    // Text goes into a TIMESTAMP through the same format.
    EXPECT_EQ(db.exec("insert into ts (id, t6) values (2, '06-JAN-24 11.00.00.5 AM')"), "");
    EXPECT_EQ(db.exec("insert into ts (id, t6) values (3, '2024-01-06 11:00:00')"),
              "ORA-01861: literal does not match format string");

    ASSERT_EQ(db.exec("alter session set nls_timestamp_format = 'YYYY-MM-DD HH24:MI:SS.FF'"), "");
    for (const std::string text :
         {"1000-01-01 00:00:00.000000", "9999-12-31 23:59:59.999999", "2024-01-06 11:00:00"})
        EXPECT_EQ(insertBound("ts (t6)", text, oci::SQLT_CHR), "") << text;
    EXPECT_EQ(db.rows("select t6 from ts where id is null order by t6"),
              (std::vector<std::string>{"1000-01-01 00:00:00.000000", "2024-01-06 11:00:00.000000",
                                        "9999-12-31 23:59:59.999999"}));
    EXPECT_EQ(db.single("select t6 from ts where id = 2"), "2024-01-06 11:00:00.500000");
    EXPECT_EQ(db.single("select count(*) from ts where t6 > to_timestamp('2024-01-06 10:59:59', "
                        "'YYYY-MM-DD HH24:MI:SS')"),
              "3");
    EXPECT_EQ(insertBound("ts (t6)", "2024-02-30 00:00:00", oci::SQLT_CHR),
              "ORA-01847: day of month must be between 1 and last day of month");
}

TEST_F(OracleSimTypes, RawHoldsUpTo2000BytesAndCountsBytes) {
    EXPECT_EQ(db.exec("create table bad (b raw(2001))"),
              "ORA-00910: specified length too long for its datatype");
    EXPECT_EQ(db.exec("create table bad (b raw)"), "ORA-00906: missing left parenthesis");
    EXPECT_EQ(db.exec("create table bad (b raw(0))"), "ORA-01723: zero-length columns are not allowed");
    ASSERT_EQ(db.exec("create table big (b raw(2000))"), "");
    ASSERT_EQ(db.exec("create table r (b raw(16))"), "");
    EXPECT_EQ(db.single("select data_type, data_length from user_tab_columns where table_name = 'R'"),
              "RAW|16");
    const Described b = describe("r", 1);
    EXPECT_EQ(b.type, oci::TYPE_RAW);
    EXPECT_EQ(b.size, 16);

    std::string sixteen(16, '\0');
    for (std::size_t i = 0; i < sixteen.size(); ++i)
        sixteen[i] = static_cast<char>(i * 17); // 0x00, 0x11 ... 0xFF
    EXPECT_EQ(insertBound("r", sixteen, oci::SQLT_BIN), "");
    EXPECT_EQ(insertBound("r", sixteen + '\x01', oci::SQLT_BIN),
              "ORA-12899: value too large for column \"SCOTT\".\"R\".\"B\" (actual: 17, maximum: 16)");
    // Text becomes RAW as hex digits.
    EXPECT_EQ(db.exec("insert into r values ('00ff')"), "");
    EXPECT_EQ(db.exec("insert into r values ('0g')"), "ORA-01465: invalid hex number");
    EXPECT_EQ(db.rows("select b from r order by b"),
              (std::vector<std::string>{"00112233445566778899AABBCCDDEEFF", "00FF"}));

    // Read as bytes, a value comes back exactly.
    OCIStmt *st = db.prepare("select b from r where length(b) = 16");
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, oci::DEFAULT), oci::SUCCESS);
    char out[32] = {};
    ub2 outLength = 0;
    api().defineByPos(st, nullptr, db.err(), 1, out, sizeof out, oci::SQLT_BIN, nullptr, &outLength, nullptr,
                      oci::DEFAULT);
    ASSERT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, oci::DEFAULT), oci::SUCCESS);
    EXPECT_EQ(std::string(out, outLength), sixteen);
    db.release(st);
}

TEST_F(OracleSimTypes, CharSemanticsCountCharactersButAVarchar2StillHoldsAt4000Bytes) {
    EXPECT_EQ(db.exec("create table bad (c varchar2(4001 char))"),
              "ORA-00910: specified length too long for its datatype");
    ASSERT_EQ(db.exec("create table c20 (c varchar2(20 char))"), "");
    ASSERT_EQ(db.exec("create table c4000 (c varchar2(4000 char))"), "");
    EXPECT_EQ(
        db.rows("select table_name, data_type, data_length, char_length, char_used from user_tab_columns "
                "order by table_name"),
        (std::vector<std::string>{"C20|VARCHAR2|80|20|C", "C4000|VARCHAR2|4000|4000|C"}));
    const Described c20 = describe("c20", 1);
    EXPECT_EQ(c20.type, oci::TYPE_VARCHAR2);
    EXPECT_EQ(c20.charSize, 20);
    EXPECT_EQ(c20.charUsed, 1);

    const std::string twoByte = "é";
    EXPECT_EQ(insertBound("c20", repeated(twoByte, 20), oci::SQLT_CHR), "");
    EXPECT_EQ(insertBound("c20", repeated(twoByte, 21), oci::SQLT_CHR),
              "ORA-12899: value too large for column \"SCOTT\".\"C20\".\"C\" (actual: 21, maximum: 20)");
    EXPECT_EQ(insertBound("c4000", repeated(twoByte, 2000), oci::SQLT_CHR), "");
    // 4000 characters fit the declaration, but their 8000 bytes do not fit a VARCHAR2: bound, a value
    // over 4000 bytes is a LONG, which only a LONG column takes.
    EXPECT_EQ(insertBound("c4000", repeated(twoByte, 4000), oci::SQLT_CHR),
              "ORA-01461: can bind a LONG value only for insert into a LONG column");
    EXPECT_EQ(db.rows("select length(c) from c4000"), (std::vector<std::string>{"2000"}));
}

} // namespace
