// MORVANE_TRACE=FILE: what a user can send when something goes wrong, from a whole run of
// morvane-bench convert (the trace is set up once per process): the client library and both servers'
// versions and what the Oracle server allows, every statement, every error with its number and call
// and the statement it refused, and never a password.
#include "support/EngineRig.h"

#include "db/Drivers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using testsupport::EngineRig;
using testsupport::runCommand;

namespace {

TEST(Trace, ARunWritesStatementsVersionsAndErrorsButNoPassword)
{
    MORVANE_REQUIRE_SANDBOX();
    MORVANE_REQUIRE_STAND_IN("an Oracle user made for the test");
    // A table whose comment of 2048 three-byte characters is more than an Oracle literal holds.
    EngineRig rig({"create table wide (id int primary key, n int)",
                   "insert into wide values (1, 5), (2, 50)", "create table noted (id int) comment = '" + [] {
                       std::string text;
                       for (int i = 0; i < 2048; ++i)
                           text += "東";
                       return text;
                   }() + "'"});
    // Passwords that can only have come from the profiles.
    rig.mysql().execute("create user if not exists 'tracer'@'localhost' identified by 'Mysql-Secret-7'");
    rig.mysql().execute("grant all on `" + rig.mysql().name() + "`.* to 'tracer'@'localhost'");
    rig.oracle().createUser("TRACER", "Oracle-Secret-9");
    // A narrower Oracle column than MySQL's: one row is refused with Oracle's own error.
    auto oracle = db::createOracleConnection();
    oracle->replaceProfile(rig.oracle().profile("TRACER", "Oracle-Secret-9"));
    oracle->open();
    oracle->execute("create table \"WIDE\" (\"ID\" number, \"N\" number(1))");

    const auto trace = std::filesystem::temp_directory_path() / ("morvane-trace-" + rig.mysql().name() + ".log");
    std::string out;
    const int status = runCommand(
        {"env", "MORVANE_TRACE=" + trace.string(), std::string(MORVANE_BINARY_DIR) + "/bench/morvane-bench", "convert",
         "--mysql-database", rig.mysql().name(), "--mysql-user", "tracer", "--mysql-password", "Mysql-Secret-7",
         "--oracle", "TRACER/Oracle-Secret-9@" + rig.oracle().service(), "--merge", "--keep-schema", "wide", "noted"},
        &out);
    // The run goes through with one row refused.
    EXPECT_EQ(status, 3) << out;
    std::ifstream file(trace);
    std::stringstream content;
    content << file.rdbuf();
    const std::string text = content.str();
    std::filesystem::remove(trace);
    rig.mysql().execute("drop user 'tracer'@'localhost'");

    for (const std::string &expected : std::vector<std::string>{
             "oci: loaded ", "/oracle-sim/libclntsh.so, client version 19.3.0.0.0",
             "oci: logon TRACER@TESTSVC, server ",
             "oci: server allows: Oracle 19.3, names up to 30 bytes, MAX_STRING_SIZE STANDARD, COMPATIBLE 12.1.0.2",
             "oci: error in OCIStmtExecute (status -1, code 1704): ORA-01704: string literal too long",
             "oci: the statement that failed: comment on table \"NOTED\" is '東東東",
             "mysql: connected as tracer@localhost to " + rig.mysql().name() + ", server ",
             "mysql: show FIELDS from `wide`", "mysql: select `id`, `n` from `wide`",
             "oci: execute x0: select * from \"WIDE\" where 1=0",
             "oci: execute x1: insert into \"WIDE\"\\r\\n  (\"ID\", \"N\")\\r\\nvalues\\r\\n  (:1, :2)\\r\\n",
             "oci: error in OCIStmtExecute (status -1, code 1438): ORA-01438: value larger than specified "
             "precision",
             "oci: commit"})
        EXPECT_NE(text.find(expected), std::string::npos) << "missing: " << expected << "\n" << text;
    EXPECT_EQ(text.find("Mysql-Secret-7"), std::string::npos) << text;
    EXPECT_EQ(text.find("Oracle-Secret-9"), std::string::npos) << text;
}

} // namespace
