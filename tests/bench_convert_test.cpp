// morvane-bench convert, run as a process the way scripts and benchmarks use it.
#include "support/EngineRig.h"

#include <gtest/gtest.h>

using testsupport::EngineRig;
using testsupport::runCommand;

namespace {

std::vector<std::string> benchArgs(EngineRig &rig, std::vector<std::string> extra)
{
    std::vector<std::string> args = {std::string(MORVANE_BINARY_DIR) + "/bench/morvane-bench",
                                     "convert",
                                     "--mysql-database",
                                     rig.mysql().name(),
                                     "--mysql-user",
                                     "morvane",
                                     "--mysql-password",
                                     "morvane",
                                     "--oracle",
                                     rig.oracle().user() + "/tiger@" + rig.oracle().service()};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

} // namespace

TEST(BenchConvert, ConvertsTablesAndPrintsTheLog)
{
    MORVANE_REQUIRE_SANDBOX();
    EngineRig rig({"create table customers (id int primary key, name varchar(30))",
                   "insert into customers values (1, 'Ada'), (2, 'Grace')", "create table empty_t (id int)"});
    std::string out;
    ASSERT_EQ(runCommand(benchArgs(rig, {"customers", "empty_t"}), &out), 0) << out;
    EXPECT_EQ(out, "Create table CUSTOMERS...Done\n\nInsert table CUSTOMERS 2 Rows ...Done\n\n"
                   "Create table EMPTY_T...Done\n\nInsert table EMPTY_T 0 Rows ...Done\n\n"
                   "Conversion is Completed\n"
                   "Wizard has migrated your MySQL database to Oracle server successfully.\n"
                   "Click 'Finish' to exit the wizard.\n");
    EXPECT_EQ(rig.oracleRows("select \"NAME\" from \"CUSTOMERS\" where \"ID\" = 2").at(0).at(0).data, "Grace");
}

TEST(BenchConvert, ExitCodesSayHowTheRunEnded)
{
    MORVANE_REQUIRE_SANDBOX();
    EngineRig rig({"create table t (id int)"});
    std::string out;
    EXPECT_EQ(runCommand(benchArgs(rig, {"--merge", "--skip", "t"}), &out), 2) << out;
    EXPECT_EQ(runCommand(benchArgs(rig, {"--bogus", "t"}), &out), 2) << out;
    EXPECT_EQ(runCommand(benchArgs(rig, {}), &out), 2) << out;
    // The index listing of a table MySQL does not have ends the run: exit 1, the server's text on stderr.
    EXPECT_EQ(runCommand(benchArgs(rig, {"no_such_table"}), &out), 1) << out;
    EXPECT_NE(out.find("doesn't exist"), std::string::npos) << out;
    // A wrong Oracle password is the server's own message.
    auto args = benchArgs(rig, {"t"});
    args[9] = rig.oracle().user() + "/wrong@" + rig.oracle().service();
    EXPECT_EQ(runCommand(args, &out), 1);
    EXPECT_NE(out.find("ORA-01017"), std::string::npos) << out;
}

TEST(BenchConvert, AStandInFaultMidApplyFailsThatTableOnly)
{
    MORVANE_REQUIRE_SANDBOX();
    EngineRig rig({"create table a (id int primary key)", "insert into a select seq from seq_1_to_250",
                   "create table b (id int)", "insert into b values (1), (2)"});
    // The stand-in fails the Nth execute of the process. Which execute is the apply at the end of table
    // A's page depends on how many statements come before it, so look for the N that lands there.
    for (int n = 1; n <= 80; ++n) {
        testsupport::OracleSim oracle("SCOTT", "tiger");
        auto args = benchArgs(rig, {"a", "b"});
        args[9] = "SCOTT/tiger@" + oracle.service();
        args.insert(args.begin(), {"env", "ORACLE_SIM_FAIL_EXECUTE=" + std::to_string(n) +
                                              ":ORA-01653: unable to extend table SCOTT.A by 128 in tablespace USERS"});
        std::string out;
        int rc = runCommand(args, &out);
        if (out.find("Insert table A 200 Rows \nORA-01653") == std::string::npos)
            continue;
        EXPECT_EQ(rc, 0) << out;
        EXPECT_NE(out.find("Insert table A 200 Rows \nORA-01653: unable to extend table SCOTT.A by 128 in "
                           "tablespace USERS\n\nCreate table B...Done\n\nInsert table B 2 Rows ...Done\n"),
                  std::string::npos)
            << out;
        // The applies before the failed one stay committed.
        std::string count;
        runCommand({std::string(MORVANE_BINARY_DIR) + "/oracle-sim/oracle-sim-sql", "SCOTT/tiger@" + oracle.service(),
                    "select count(*) from A"},
                   &count);
        EXPECT_NE(count.find("\n201\n"), std::string::npos) << count;
        return;
    }
    FAIL() << "no execute of the run was the apply at the end of table A's page";
}
