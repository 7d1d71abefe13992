// MORVANE_TRACE=FILE: what a user can send when something goes wrong, from a whole run of
// morvane-bench convert (the trace is set up once per process): the client library and both servers'
// versions and what the Oracle server allows, every statement, every error with its number and call
// and the statement it refused, and never a password nor a value of a row.
#include "support/EngineRig.h"

#include "db/Drivers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using testsupport::EngineRig;
using testsupport::runCommand;

namespace {

std::string readTrace(const std::filesystem::path &path)
{
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

std::string hex(const std::string &bytes)
{
    std::string out;
    char digits[3];
    for (unsigned char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", c);
        out += digits;
    }
    return out;
}

TEST(Trace, ARunWritesStatementsVersionsAndErrorsButNoPassword)
{
    MORVANE_REQUIRE_SANDBOX();
    MORVANE_REQUIRE_STAND_IN("an Oracle user made for the test");
    // A table keyed on a column that becomes a large object, which Oracle does not index.
    EngineRig rig({"create table wide (id int primary key, n int)", "insert into wide values (1, 5), (2, 50)",
                   "create table noted (id int, body text, key body_key (body(10)))"});
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
             "oci: error in OCIStmtExecute (status -1, code 2327): ORA-02327",
             "oci: the statement that failed: create index \"IDX_BODY_KEYNOTED\" on \"NOTED\" (\"BODY\")",
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

TEST(Trace, KeysOfRowsNeverReachItThoughPagesStartAfterThem)
{
    MORVANE_REQUIRE_SANDBOX();
    MORVANE_REQUIRE_STAND_IN("a run as a process of its own");
    // 12,000 rows each: three pages, the second and third selected past the last key of the one before.
    EngineRig rig({"create table mails (email varchar(60) primary key, note varchar(40)) character set utf8mb4",
                   "insert into mails select concat('person', seq, '@mail', seq % 97, '.example.org'),"
                   " concat('private note ', seq) from seq_1_to_12000",
                   "create table stamps (n int, d date, note varchar(40), primary key (n, d))",
                   "insert into stamps select 7000000 + seq * 13, '1987-01-01' + interval seq day,"
                   " concat('private note ', seq) from seq_1_to_12000"});
    const auto trace = std::filesystem::temp_directory_path() / ("morvane-trace-" + rig.mysql().name() + ".log");
    std::string out;
    auto withTrace = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"env", "MORVANE_TRACE=" + trace.string()});
        return runCommand(args, &out);
    };
    ASSERT_EQ(withTrace(rig.convertCommand("bench/morvane-bench", "convert", {"mails", "stamps"})), 0) << out;
    // The next day the copy continues after the largest key Oracle holds: a key read from Oracle.
    rig.oracleConn().execute("delete from \"STAMPS\" where \"N\" > 7078000");
    rig.oracleConn().commit();
    ASSERT_EQ(withTrace(rig.convertCommand("bench/morvane-bench", "convert", {"--resume", "stamps"})), 0) << out;
    EXPECT_NE(out.find("Continued after key n=7078000, d="), std::string::npos) << out;
    const std::string text = readTrace(trace);
    std::filesystem::remove(trace);

    // The statements keep their shape, a marker where a key value stands.
    for (const std::string &expected : std::vector<std::string>{
             "mysql: select `email`, `note` from `mails` order by `email` limit 5000",
             "mysql: select `email`, `note` from `mails` where `email` >= ? and ((`email` > ?)) order by `email` "
             "limit 5000",
             "mysql: select `n`, `d`, `note` from `stamps` where `n` >= ? and ((`n` > ?) or (`n` = ? and `d` > ?)) "
             "order by `n`, `d` limit 5000",
             "oci: execute x0: select \"N\", \"D\" from \"STAMPS\" order by \"N\" desc, \"D\" desc"})
        EXPECT_NE(text.find(expected), std::string::npos) << "missing: " << expected << "\n" << text;
    std::size_t leaks = 0;
    auto absent = [&](const std::string &value) {
        if (text.find(value) != std::string::npos && ++leaks <= 5)
            ADD_FAILURE() << "the trace holds " << value;
    };
    for (const auto &row : rig.mysqlRows("select email, note from mails")) {
        absent(row[0].data);
        absent(hex(row[0].data));
        absent(row[1].data);
    }
    for (const auto &row : rig.mysqlRows("select n, d from stamps")) {
        absent(row[0].data);
        absent(row[1].data);
    }
    EXPECT_EQ(leaks, 0u);
}
