// What the Oracle server and user allow, found before the first statement: a user without CREATE
// SEQUENCE still gets its tables and rows (without identities, said and counted), a check names the
// privilege; names up to 128 bytes where the server takes them, 30 where it does not, said once; and a
// SET column of many members still gets its check.
#include "support/EngineRig.h"
#include "support/OracleSim.h"

#include "convert/CheckRun.h"
#include "db/Drivers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using testsupport::EngineRig;

namespace {

const std::vector<std::string> kNumbered = {"create table tickets (id int auto_increment primary key, seat varchar(8))",
                                            "insert into tickets (seat) values ('A1'), ('A2'), ('B7')"};

std::unique_ptr<db::Connection> logOn(const testsupport::OracleSim &sim, const std::string &user)
{
    auto c = db::createOracleConnection();
    c->replaceProfile(sim.profile(user, "pw"));
    c->open();
    return c;
}

bool has(const std::vector<std::string> &lines, const std::string &start)
{
    return std::any_of(lines.begin(), lines.end(), [&](const auto &l) { return l.rfind(start, 0) == 0; });
}

class OracleAllowanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MORVANE_REQUIRE_SANDBOX();
        MORVANE_REQUIRE_STAND_IN("users made with chosen privileges");
    }
};

} // namespace

TEST_F(OracleAllowanceTest, WithoutCreateSequenceTheRowsArriveAndTheMissingIdentityIsSaidAndCounted)
{
    EngineRig rig(kNumbered);
    testsupport::OracleSim sim;
    sim.createUser("NOSEQ", "pw", "CREATE SESSION,CREATE TABLE", "UNLIMITED");
    auto conn = logOn(sim, "NOSEQ"), data = logOn(sim, "NOSEQ"), insert = logOn(sim, "NOSEQ");
    convert::ConversionOptions options;
    options.keepSchema = true;

    // The check names the privilege as a problem before anything is sent.
    convert::MemoryLog checked;
    convert::CheckConnections checking{rig.catalog(), *conn, "NOSEQ"};
    EXPECT_GE(convert::CheckTables(checking, {"tickets"}, options, checked), 1u);
    EXPECT_TRUE(has(checked.lines(), "  problem: Oracle user NOSEQ lacks the privilege CREATE SEQUENCE"))
        << testing::PrintToString(checked.lines());

    for (int run = 1; run <= 2; ++run) {
        convert::MemoryLog log;
        convert::RunHooks hooks{log, {}, {}};
        convert::ConversionRun conversion(
            {rig.catalog(), rig.rowSource(), rig.mysql().profile(), *conn, *data, *insert, "NOSEQ"}, options, hooks);
        const auto summary = conversion.run({"tickets"});
        EXPECT_EQ(summary.failed, 1u) << testing::PrintToString(log.lines());
        EXPECT_TRUE(has(log.lines(), "Oracle user NOSEQ lacks the privilege CREATE SEQUENCE"));
        EXPECT_TRUE(has(log.lines(), "Column \"id\" is no identity column: the Oracle user lacks CREATE SEQUENCE"));
        EXPECT_TRUE(has(log.lines(), "Insert table TICKETS 3 Rows ...Done"));
        for (const auto &line : log.lines())
            EXPECT_EQ(line.find("ORA-01031"), std::string::npos) << line;
    }
    EXPECT_EQ(conn->query("select count(*) from \"TICKETS\"").at(0).at(0).data, "3");
}

TEST_F(OracleAllowanceTest, LongNamesStayWholeWhereTheServerTakesThemAndAreCutWhereItDoesNot)
{
    const std::string north = "customer_loyalty_program_members_north";
    const std::vector<std::string> setup = {"create table " + north +
                                                " (member_id int primary key, member_level enum('bronze','gold'),"
                                                " a_column_name_of_more_than_thirty_bytes int, key member_level_index "
                                                "(member_level))",
                                            "insert into " + north + " values (1, 'gold', 5), (2, 'bronze', 7)"};
    convert::ConversionOptions options;
    options.longNames = true;
    options.keepSchema = true;
    {
        // An Oracle 12.2 or later: 128 bytes.
        setenv("ORACLE_SIM_MAX_IDENTIFIER", "128", 1);
        EngineRig rig(setup);
        unsetenv("ORACLE_SIM_MAX_IDENTIFIER");
        for (int run = 1; run <= 2; ++run) {
            rig.log().clear();
            EXPECT_TRUE(rig.run({north}, options).clean()) << testing::PrintToString(rig.log().lines());
        }
        // Read on a session made while the server took long names.
        db::Connection &oracle = rig.oracleConn();
        EXPECT_EQ(oracle.query("select count(*) from \"CUSTOMER_LOYALTY_PROGRAM_MEMBERS_NORTH\"").at(0).at(0).data,
                  "2");
        EXPECT_EQ(oracle
                      .query("select count(*) from user_tab_columns where column_name = "
                             "'A_COLUMN_NAME_OF_MORE_THAN_THIRTY_BYTES'")
                      .at(0)
                      .at(0)
                      .data,
                  "1");
        EXPECT_EQ(
            oracle.query("select constraint_name from user_constraints where constraint_type = 'P'").at(0).at(0).data,
            "PRIMARYCUSTOMER_LOYALTY_PROGRAM_MEMBERS_NORTH1");
    }
    {
        // An older server: 30 bytes, and a line saying so.
        EngineRig rig(setup);
        EXPECT_TRUE(rig.run({north}, options).clean());
        EXPECT_TRUE(has(rig.log().lines(), "Names are kept to 30 bytes: this Oracle server takes no longer ones"));
        EXPECT_EQ(rig.oracleRows("select count(*) from \"CUSTOMER_LOYALTY_PROGRAM_M0000\"").at(0).at(0).data, "2");
    }
}

TEST_F(OracleAllowanceTest, ASetOfManyMembersGetsItsCheckWhateverTheirNumber)
{
    // 22 members of 20 bytes and 64 (MySQL's most) of 12: far more than a 512-byte pattern holds.
    std::string twentyTwo, sixtyFour;
    for (int i = 0; i < 22; ++i)
        twentyTwo += (i ? "," : "") + std::string("'member_number_") + std::to_string(100000 + i) + "'";
    for (int i = 0; i < 64; ++i)
        sixtyFour += (i ? "," : "") + std::string("'option") + std::to_string(10000 + i) + "'";
    EngineRig rig({"create table wide_sets (id int primary key, a set(" + twentyTwo + "), b set(" + sixtyFour + "))",
                   "insert into wide_sets values (1, 'member_number_100000,member_number_100021', "
                   "'option10000,option10063'), (2, '', 'option10031'), (3, null, null)"});
    convert::ConversionOptions options;
    options.keepSchema = true;
    EXPECT_TRUE(rig.run({"wide_sets"}, options).clean()) << testing::PrintToString(rig.log().lines());
    EXPECT_EQ(rig.oracleRows("select count(*) from user_constraints where table_name = 'WIDE_SETS' and "
                             "constraint_type = 'C' and generated = 'USER NAME'")
                  .at(0)
                  .at(0)
                  .data,
              "2");
    rig.oracleData().execute("insert into \"WIDE_SETS\" (\"ID\", \"A\") values (4, 'member_number_100005')");
    EXPECT_THROW(rig.oracleData().execute("insert into \"WIDE_SETS\" (\"ID\", \"A\") values (5, 'member_number_1')"),
                 db::Error);
    EXPECT_THROW(rig.oracleData().execute("insert into \"WIDE_SETS\" (\"ID\", \"B\") values (6, 'option10000,x')"),
                 db::Error);
    rig.oracleData().rollback();
}
