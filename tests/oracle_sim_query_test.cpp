// Queries, UPDATE and DELETE over tables, as the stand-in runs them without loading a table: what SQLite
// filters, counts and sorts must come out as Oracle's own rules give it. Each condition is asked twice,
// once as written and once with its column wrapped in NVL(c, c), which only the row-by-row evaluation
// can answer: both must agree. Also the snapshot a query reads while others (or its own session) write.

#include "support/OracleSim.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::RawConn;

const testsupport::RawOciApi &api() { return testsupport::rawOci(); }

std::string joined(const std::vector<std::string> &rows)
{
    std::string out;
    for (const auto &r : rows)
        out += (out.empty() ? "" : ",") + r;
    return out;
}

// Replaces every whole-word occurrence of the column with NVL(column, column).
std::string wrapped(std::string condition, const std::string &column)
{
    std::string out;
    for (std::size_t i = 0; i < condition.size();) {
        const bool start = i == 0 || !(std::isalnum(static_cast<unsigned char>(condition[i - 1])) ||
                                       condition[i - 1] == '_' || condition[i - 1] == '\'');
        const std::size_t end = i + column.size();
        if (start && condition.compare(i, column.size(), column) == 0 &&
            (end == condition.size() ||
             !(std::isalnum(static_cast<unsigned char>(condition[end])) || condition[end] == '_'))) {
            out += "nvl(" + column + ", " + column + ")";
            i = end;
            continue;
        }
        out += condition[i++];
    }
    return out;
}

class OracleSimQuery : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(db.exec("create table v (id number primary key, n number, s varchar2(20), d date, "
                          "t timestamp(3), r raw(4), note clob)"),
                  "");
        ASSERT_EQ(db.exec("alter session set nls_date_format = 'SYYYY-MM-DD HH24:MI:SS'"), "");
        ASSERT_EQ(db.exec("alter session set nls_timestamp_format = 'SYYYY-MM-DD HH24:MI:SS.FF3'"), "");
        const char *rows[] = {
            "1, 9, 'b', '2020-01-02 00:00:00', '2020-01-02 00:00:00.500', 'FF', 'x'",
            "2, 10, 'B', '1999-12-31 23:59:59', '1999-12-31 23:59:59.999', '00', 'y'",
            "3, -0.5, 'a', '-0044-03-15 12:00:00', '-0044-03-15 12:00:00.000', '0A', NULL",
            "4, NULL, NULL, NULL, NULL, NULL, NULL",
            "5, 123456789012345678901234567890, 'ab', '-0100-01-01 00:00:00', '-0100-01-01 00:00:00.000', 'FF00', 'z'",
            "6, -1e100, 'é', '0001-01-01 00:00:00', '0001-01-01 00:00:00.001', '01', ''",
            "7, .001, 'a ', '9999-12-31 23:59:59', '9999-12-31 23:59:59.999', NULL, 'w'",
            "8, 1e-100, 'Z', '-4712-01-01 00:00:00', '-4712-01-01 00:00:00.000', 'FFFF', 'v'",
            "9, 0, '10', '2020-01-02 00:00:01', '2020-01-02 00:00:00.501', '0B', 'u'",
        };
        for (const char *r : rows)
            ASSERT_EQ(db.exec(std::string("insert into v (id, n, s, d, t, r, note) values (") + r + ")"), "") << r;
        ASSERT_EQ(db.exec("commit"), "");
    }

    std::string ids(const std::string &where)
    {
        return joined(db.rows("select id from v where " + where + " order by id"));
    }

    testsupport::OracleSim sim;
    RawConn db{"scott", "tiger", sim.service()};
};

TEST_F(OracleSimQuery, ConditionsSQLiteDecidesAgreeWithTheRowByRowEvaluation)
{
    struct Case {
        const char *column;
        const char *condition;
        const char *expected;
    };
    const Case cases[] = {
        {"n", "n = 9", "1"},
        {"n", "n = '9.0'", "1"},
        {"n", "n > 9", "2,5"},
        {"n", "n < 0", "3,6"},
        {"n", "n <= 1e-100", "3,6,8,9"},
        {"n", "n >= .001", "1,2,5,7"},
        {"n", "n != 0", "1,2,3,5,6,7,8"},
        {"n", "n between -1 and 10", "1,2,3,7,8,9"},
        {"n", "n not between -1 and 10", "5,6"},
        {"n", "n in (9, 10, NULL)", "1,2"},
        {"n", "n not in (9, 10)", "3,5,6,7,8,9"},
        {"n", "n not in (9, NULL)", ""},
        {"n", "n is null", "4"},
        {"n", "not (n > 0) or n is null", "3,4,6,9"},
        {"n", "n = ''", ""},
        {"s", "s = 'a'", "3"},
        {"s", "s > 'a'", "1,5,6,7"},
        {"s", "s < 'B'", "9"},
        {"s", "s in ('b', 'B')", "1,2"},
        {"s", "s >= 'Z' and s <= 'b'", "1,3,5,7,8"},
        {"d", "d > '-0100-01-01 00:00:00'", "1,2,3,6,7,9"},
        {"d", "d < '0001-01-01 00:00:00'", "3,5,8"},
        {"d", "d between '-4712-01-01 00:00:00' and '-0044-03-15 12:00:00'", "3,5,8"},
        {"d", "d = to_date('2020-01-02', 'YYYY-MM-DD')", "1"},
        {"t", "t > '2020-01-02 00:00:00.500'", "7,9"},
        {"t", "t < '-0044-03-15 12:00:00.001'", "3,5,8"},
        {"t", "t = to_date('2020-01-02', 'YYYY-MM-DD')", ""},
        {"r", "r = 'FF'", "1"},
        {"r", "r > 'FF'", "5,8"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ids(c.condition), c.expected) << c.condition;
        EXPECT_EQ(ids(wrapped(c.condition, c.column)), c.expected) << wrapped(c.condition, c.column);
    }
}

TEST_F(OracleSimQuery, ALongChainOfKeysIsLookedUpWhole)
{
    // As a merge looks up the keys of an apply: a few hundred equalities joined by OR.
    std::string where;
    for (int k = 1; k <= 400; ++k)
        where += (where.empty() ? "(id = " : " or (id = ") + std::to_string(k % 2 ? k : -k) + " and n is not null)";
    EXPECT_EQ(ids(where), "1,3,5,7,9");
}

TEST_F(OracleSimQuery, ValuesThatCannotBeConvertedFailAsOracleFailsThem)
{
    EXPECT_EQ(ids("n = 'abc'"), "error: ORA-01722: invalid number");
    EXPECT_EQ(ids("d = 'not a date'").substr(0, 14), "error: ORA-018");
    EXPECT_EQ(ids("note = 'x'").substr(0, 17), "error: ORA-00932:");
    // With no row to compare, Oracle has nothing to convert: no error either.
    ASSERT_EQ(db.exec("create table e (n number)"), "");
    EXPECT_EQ(joined(db.rows("select n from e where n = 'abc'")), "");
}

TEST_F(OracleSimQuery, KeysSortByTheirTypeWithNullsLastAscending)
{
    EXPECT_EQ(joined(db.rows("select id from v order by n")), "6,3,9,8,7,1,2,5,4");
    EXPECT_EQ(joined(db.rows("select id from v order by n desc")), "4,5,2,1,7,8,9,3,6");
    EXPECT_EQ(joined(db.rows("select n from v where n > 1 order by 1 desc")), "123456789012345678901234567890,10,9");
    // VARCHAR2 by bytes: upper case before lower case, 'a ' after 'a', 'é' after everything ASCII.
    EXPECT_EQ(joined(db.rows("select id from v order by s")), "9,2,8,3,7,5,1,6,4");
    EXPECT_EQ(joined(db.rows("select id from v order by d")), "8,5,3,6,2,1,9,7,4");
    EXPECT_EQ(joined(db.rows("select id from v order by d desc")), "4,7,9,1,2,6,3,5,8");
    EXPECT_EQ(joined(db.rows("select id from v order by t")), "8,5,3,6,2,1,9,7,4");
    EXPECT_EQ(joined(db.rows("select id from v order by r")), "2,6,3,9,1,5,8,4,7");
    // The same orders when the key is an expression, which is sorted row by row.
    EXPECT_EQ(joined(db.rows("select id from v order by nvl(n, n)")), "6,3,9,8,7,1,2,5,4");
    EXPECT_EQ(joined(db.rows("select id from v order by nvl(d, d) desc")), "4,7,9,1,2,6,3,5,8");
    // Equal keys keep the order rows were stored in; an alias names a key too.
    EXPECT_EQ(joined(db.rows("select id, length(s) l from v where s is not null order by l, id desc")),
              "8|1,6|1,3|1,2|1,1|1,9|2,7|2,5|2");
    // A LOB cannot be sorted: ORA-00932, as the row-by-row sort gives it.
    EXPECT_EQ(db.rows("select id from v order by note").back().substr(0, 17), "error: ORA-00932:");
}

TEST_F(OracleSimQuery, CountsWithAndWithoutAConditionSQLiteDecides)
{
    EXPECT_EQ(db.single("select count(*) from v"), "9");
    EXPECT_EQ(db.single("select count(*) from v where n > 0"), "5");
    EXPECT_EQ(db.single("select count(*) from v where nvl(n, n) > 0"), "5");
    EXPECT_EQ(joined(db.rows("select count(*), count(n), count(note) from v")), "9|8|6");
    EXPECT_EQ(joined(db.rows("select count(s), count(*) from v where s like 'a%'")), "3|3");
    EXPECT_EQ(db.single("select count(*) from v where 1 = 0"), "0");
}

TEST_F(OracleSimQuery, UpdateAndDeleteTouchTheRowsTheirConditionPicks)
{
    ASSERT_EQ(db.exec("update v set s = 'big' where n > 9"), "");
    EXPECT_EQ(ids("s = 'big'"), "2,5");
    ASSERT_EQ(db.exec("update v set n = n + 100 where nvl(n, n) < 0"), "");
    EXPECT_EQ(db.single("select n from v where id = 3"), "99.5");
    // An UPDATE that moves rows into the range of its own condition changes each row once.
    ASSERT_EQ(db.exec("update v set n = n + 1 where n >= 9 and n < 1000"), "");
    EXPECT_EQ(joined(db.rows("select n from v where id in (1, 2, 3) order by id")), "10,11,100.5");
    ASSERT_EQ(db.exec("delete from v where id in (1, 2)"), "");
    ASSERT_EQ(db.exec("delete from v where length(s) = 1"), "");
    EXPECT_EQ(joined(db.rows("select id from v order by id")), "4,5,7,9");
    ASSERT_EQ(db.exec("rollback"), "");
    EXPECT_EQ(db.single("select count(*) from v"), "9");
    // A failing row undoes the whole statement, whatever SQLite decided of its condition.
    ASSERT_EQ(db.exec("create table u (id number primary key)"), "");
    ASSERT_EQ(db.exec("insert into u values (1)"), "");
    ASSERT_EQ(db.exec("insert into u values (2)"), "");
    EXPECT_EQ(db.exec("update u set id = 2 where id >= 1").substr(0, 10), "ORA-00001:");
    EXPECT_EQ(joined(db.rows("select id from u order by id")), "1,2");
}

TEST_F(OracleSimQuery, AQueryKeepsTheSnapshotItBeganWith)
{
    RawConn other{"scott", "tiger", sim.service()};
    auto openQuery = [](RawConn &conn, const std::string &sql, char *buf, sb2 *ind) {
        OCIStmt *st = conn.prepare(sql);
        EXPECT_EQ(api().stmtExecute(conn.svc(), st, conn.err(), 0, 0, nullptr, nullptr, oci::DEFAULT), oci::SUCCESS);
        api().defineByPos(st, nullptr, conn.err(), 1, buf, 64, oci::SQLT_STR, ind, nullptr, nullptr, oci::DEFAULT);
        return st;
    };
    auto drain = [](RawConn &conn, OCIStmt *st, const char *buf) {
        std::string seen;
        while (api().stmtFetch2(st, conn.err(), 1, oci::FETCH_NEXT, 0, oci::DEFAULT) == oci::SUCCESS)
            seen += (seen.empty() ? "" : ",") + std::string(buf);
        conn.release(st);
        return seen;
    };
    char buf[64];
    sb2 ind = 0;

    // Another session's commit after the execute stays out of the rows, as does a delete.
    OCIStmt *st = openQuery(db, "select id from v where id > 6 order by id", buf, &ind);
    ASSERT_EQ(other.exec("insert into v (id) values (10)"), "");
    ASSERT_EQ(other.exec("delete from v where id = 9"), "");
    ASSERT_EQ(other.exec("commit"), "");
    EXPECT_EQ(drain(db, st, buf), "7,8,9");
    EXPECT_EQ(ids("id > 6"), "7,8,10");

    // The session's own changes after the execute stay out too, inside a transaction and outside one.
    ASSERT_EQ(db.exec("insert into v (id) values (11)"), "");
    st = openQuery(db, "select id from v where id > 6 order by id", buf, &ind);
    ASSERT_EQ(db.exec("insert into v (id) values (12)"), "");
    ASSERT_EQ(db.exec("delete from v where id = 7"), "");
    ASSERT_EQ(db.exec("commit"), "");
    EXPECT_EQ(drain(db, st, buf), "7,8,10,11");
    st = openQuery(db, "select count(*) from v", buf, &ind);
    ASSERT_EQ(db.exec("delete from v"), "");
    EXPECT_EQ(drain(db, st, buf), "10");
    EXPECT_EQ(db.single("select count(*) from v"), "0");
}

} // namespace
