// morvane-bench convert, run as a process the way scripts and benchmarks use it: its log, its exit
// status for each way a run ends, a fault mid-apply, a lost session, and SIGTERM.
#include "support/ChildProcess.h"
#include "support/EngineRig.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

using testsupport::ChildProcess;
using testsupport::EngineRig;
using testsupport::runCommand;

namespace {

std::vector<std::string> benchArgs(EngineRig &rig, const std::vector<std::string> &extra)
{
    return rig.convertCommand("bench/morvane-bench", "convert", extra);
}


// The count(*) the stand-in's line client prints for a table.
std::string oracleCount(EngineRig &rig, const std::string &table)
{
    return rig.oracleRows("select count(*) from \"" + table + "\"").at(0).at(0).data;
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
    EngineRig rig({"create table t (code varchar(5) primary key)", "insert into t values ('a'), ('b')"});
    std::string out;
    // Clean, then the same rows merged into the table: every row is offered, Oracle holds them all, and
    // none is added twice: clean again.
    EXPECT_EQ(runCommand(benchArgs(rig, {"t"}), &out), 0) << out;
    EXPECT_EQ(runCommand(benchArgs(rig, {"--merge", "t"}), &out), 0) << out;
    EXPECT_NE(out.find("Insert table T 0 Rows ...Done\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n2 rows were already in Oracle and stay as they are\n"), std::string::npos) << out;
    EXPECT_EQ(runCommand(benchArgs(rig, {"--merge", "--skip", "t"}), &out), 2) << out;
    EXPECT_EQ(runCommand(benchArgs(rig, {"--bogus", "t"}), &out), 2) << out;
    EXPECT_EQ(runCommand(benchArgs(rig, {}), &out), 2) << out;
    // A table MySQL does not have fails, with the server's text: completed with failures.
    EXPECT_EQ(runCommand(benchArgs(rig, {"no_such_table"}), &out), 3) << out;
    EXPECT_NE(out.find("doesn't exist"), std::string::npos) << out;
    EXPECT_NE(out.find("Wizard has converted 0 of 1 tables; failed tables: 1, rejected rows: 0.\n"), std::string::npos)
        << out;
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
        if (out.find("Insert table A 201 Rows \nORA-01653") == std::string::npos)
            continue;
        EXPECT_EQ(rc, 3) << out;
        EXPECT_NE(out.find("Insert table A 201 Rows \nORA-01653: unable to extend table SCOTT.A by 128 in "
                           "tablespace USERS\n\nCreate table B...Done\n\nInsert table B 2 Rows ...Done\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("Wizard has converted 1 of 2 tables; failed tables: 1, rejected rows: 0.\n"),
                  std::string::npos)
            << out;
        // The applies before the failed one stay committed, and the counter says how many.
        std::string count;
        runCommand({std::string(MORVANE_BINARY_DIR) + "/oracle-sim/oracle-sim-sql", "SCOTT/tiger@" + oracle.service(),
                    "select count(*) from A"},
                   &count);
        EXPECT_NE(count.find("\n201\n"), std::string::npos) << count;
        return;
    }
    FAIL() << "no execute of the run was the apply at the end of table A's page";
}

TEST(BenchConvert, SigtermStopsAtTheNextProgressPointWithATrueCounterAndExits4)
{
    MORVANE_REQUIRE_SANDBOX();
    EngineRig rig({"create table big (id int primary key, note varchar(20))",
                   "insert into big select seq, concat('row ', seq) from seq_1_to_20000",
                   "create table after_it (id int)"});
    // A slow Oracle, so the copy is still under way when the signal comes.
    ChildProcess command(benchArgs(rig, {"big", "after_it"}), {{"ORACLE_SIM_DELAY_MS=5"}, {}, false});
    // Printed once the next line began: the copy has started.
    ASSERT_TRUE(command.waitFor("Create table BIG...Done\n\n")) << command.output();
    command.signal(SIGTERM);
    command.finish();
    const int status = command.waitStatus();
    ASSERT_TRUE(WIFEXITED(status)) << command.output();
    EXPECT_EQ(WEXITSTATUS(status), 4) << command.output();
    const std::string &out = command.output();
    const auto counter = out.find("Insert table BIG ");
    ASSERT_NE(counter, std::string::npos) << out;
    const std::string rows = out.substr(counter + 17, out.find(' ', counter + 17) - counter - 17);
    EXPECT_EQ(out.substr(counter), "Insert table BIG " + rows +
                                       " Rows \nOperation aborted\n\n"
                                       "Conversion interrupted: 0 of 2 tables converted; failed tables: 0, rejected "
                                       "rows: 0.\nTables not converted: big, after_it.\n");
    // The counter is what Oracle holds: the apply under way was finished, nothing after it began.
    EXPECT_EQ(oracleCount(rig, "BIG"), rows);
    EXPECT_NE(rows, "20000");
}

TEST(BenchConvert, ASecondSignalEndsTheProgramAtOnce)
{
    MORVANE_REQUIRE_SANDBOX();
    EngineRig rig({"create table big (id int primary key)", "insert into big select seq from seq_1_to_20000"});
    ChildProcess command(benchArgs(rig, {"big"}), {{"ORACLE_SIM_DELAY_MS=5"}, {}, false});
    ASSERT_TRUE(command.waitFor("Create table BIG...Done\n\n")) << command.output();
    // Two kinds, so the system cannot merge them into one while the first is still pending.
    command.signal(SIGINT);
    command.signal(SIGTERM);
    command.finish();
    const int status = command.waitStatus();
    ASSERT_TRUE(WIFSIGNALED(status)) << command.output();
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

TEST(BenchConvert, ALostInsertSessionDropsNothingMoreAndEndsTheRun)
{
    MORVANE_REQUIRE_SANDBOX();
    const std::vector<std::string> setup = {"create table a (id int primary key)",
                                            "insert into a select seq from seq_1_to_250",
                                            "create table b (id int primary key)",
                                            "insert into b select seq from seq_1_to_1500",
                                            "create table c (id int)",
                                            "insert into c values (1), (2)"};
    // The stand-in drops the session of the Nth execute of the process. Look for the N at which that is
    // an apply of table A's rows, in a second run over tables an earlier run filled.
    for (int n = 1; n <= 60; ++n) {
        EngineRig rig(setup);
        ASSERT_TRUE(rig.run({"a", "b", "c"}).clean());
        std::string out;
        const int rc = runCommand(
            [&] {
                auto args = benchArgs(rig, {"a", "b", "c"});
                args.insert(args.begin(), {"env", "ORACLE_SIM_DROP_AFTER=" + std::to_string(n)});
                return args;
            }(),
            &out);
        if (out.find("Insert table A") == std::string::npos ||
            out.find("ORA-03113: end-of-file on communication channel)\n\nConversion ended at table a.") ==
                std::string::npos)
            continue;
        EXPECT_EQ(rc, 1) << out;
        EXPECT_NE(out.find("Conversion ended at table a.\nTables not converted: a, b, c.\n"), std::string::npos) << out;
        EXPECT_EQ(out.find("Drop table B"), std::string::npos) << out;
        // Every table that held rows before the run still holds them.
        EXPECT_EQ(oracleCount(rig, "B"), "1500");
        EXPECT_EQ(oracleCount(rig, "C"), "2");
        return;
    }
    FAIL() << "no execute of the run was an apply of table A";
}
