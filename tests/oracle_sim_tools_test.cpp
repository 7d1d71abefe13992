// The stand-in's two command-line tools: oracle-sim-admin creates services and users, oracle-sim-sql
// runs one statement through the program's own Oracle driver.

#include "support/OracleSim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const std::string toolDir = std::string(MORVANE_BINARY_DIR) + "/oracle-sim/";

class OracleSimToolsTest : public ::testing::Test {
protected:
    testsupport::OracleSim sim;

    int sql(const std::string &login, const std::string &statement, std::string *out)
    {
        return testsupport::runCommand({toolDir + "oracle-sim-sql", login, statement}, out);
    }
    int sql(const std::string &statement, std::string *out) { return sql("scott/tiger@" + sim.service(), statement, out); }
};

TEST_F(OracleSimToolsTest, AdminCreatesServicesAndUsers)
{
    EXPECT_TRUE(std::filesystem::exists(sim.home() + "/" + sim.service() + ".db"));
    std::string out;
    EXPECT_EQ(testsupport::runCommand({toolDir + "oracle-sim-admin", "--help"}, &out), 0);
    EXPECT_NE(out.find("create-user SERVICE USER PASSWORD"), std::string::npos);
    EXPECT_NE(testsupport::runCommand({toolDir + "oracle-sim-admin", "create-user", "ONLYSERVICE"}, &out), 0);
    EXPECT_NE(out.find("Usage"), std::string::npos);
    EXPECT_NE(testsupport::runCommand({toolDir + "oracle-sim-admin", "create-user", "../escape", "u", "p"}, &out), 0);
    EXPECT_NE(out.find("not a service name"), std::string::npos) << out;
    EXPECT_EQ(testsupport::runCommand({toolDir + "oracle-sim-admin", "create-user", sim.service(), "u", "p",
                                       "--privileges", "CREATE SESSION,DROP DATABASE"},
                                      &out),
              2);
    EXPECT_NE(out.find("'DROP DATABASE' is no privilege or role the stand-in knows"), std::string::npos) << out;
    EXPECT_EQ(testsupport::runCommand(
                  {toolDir + "oracle-sim-admin", "create-user", sim.service(), "u", "p", "--quota", "plenty"}, &out),
              2);
    EXPECT_NE(out.find("--quota takes a number of bytes or UNLIMITED"), std::string::npos) << out;

    // An existing user gets the new password; the old one stops working.
    sim.createUser("scott", "lion");
    EXPECT_EQ(sql("scott/lion@" + sim.service(), "select * from dual", &out), 0) << out;
    EXPECT_EQ(sql("scott/tiger@" + sim.service(), "select * from dual", &out), 1);
    EXPECT_EQ(out, "ORA-01017: invalid username/password; logon denied\n");
}

TEST_F(OracleSimToolsTest, SqlRunsStatementsThroughTheDriverAndEscapesValues)
{
    std::string out;
    ASSERT_EQ(sql("create table t (id number, name varchar2(20), note clob)", &out), 0) << out;
    ASSERT_EQ(sql("insert into t values (1, 'tab\there', 'back\\slash')", &out), 0) << out;
    ASSERT_EQ(sql("insert into t values (2.5, NULL, 'line\nbreak')", &out), 0) << out;
    // Each insert was committed: a fresh process sees both rows.
    ASSERT_EQ(sql("select id, name, note from t order by id", &out), 0) << out;
    EXPECT_EQ(out, "ID\tNAME\tNOTE\n1\ttab\\there\tback\\\\slash\n2.5\t\\N\tline\\nbreak\n");

    EXPECT_EQ(sql("select * from missing", &out), 1);
    EXPECT_EQ(out, "ORA-00942: table or view does not exist\n");
    EXPECT_EQ(sql("scott/tiger@NOSUCH", "select * from dual", &out), 1);
    EXPECT_EQ(out, "ORA-12154: TNS:could not resolve the connect identifier specified\n");
    EXPECT_EQ(testsupport::runCommand({toolDir + "oracle-sim-sql", "--help"}, &out), 0);
    EXPECT_NE(out.find("LD_LIBRARY_PATH"), std::string::npos);
    EXPECT_EQ(testsupport::runCommand({toolDir + "oracle-sim-sql", "scott@svc", "select 1 from dual"}, &out), 2);
}

} // namespace
