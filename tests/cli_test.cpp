// morvane-cli as people and scripts run it, as a process: check, convert and verify with their exit
// codes, passwords from the environment or typed on a terminal without echo and never in the visible
// command line or the report, options taken from the wizard's saved settings, and the report checked
// against its schema.
#include "support/ChildProcess.h"
#include "support/EngineRig.h"
#include "support/ReportSchema.h"

#include "db/Drivers.h"
#include "settings/SettingsStore.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::ChildProcess;
using testsupport::EngineRig;

namespace {

const std::string kCli = std::string(MORVANE_BINARY_DIR) + "/cli/morvane-cli";
// Passwords no other text of a run contains, so finding one anywhere means it leaked.
const std::string kMySqlSecret = "Hush-My5ql-pa55";
const std::string kOracleSecret = "Hush-0racle-pa55";
const std::string kOracleUser = "CLIUSER";

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MORVANE_REQUIRE_SANDBOX();
        ASSERT_TRUE(m_files.isValid());
    }
    void TearDown() override
    {
        if (m_rig && !m_mysqlUser.empty())
            m_rig->mysql().execute("drop user if exists '" + m_mysqlUser + "'@'localhost'");
    }

    // The source database and the Oracle stand-in, each with a user of its own whose password is a secret.
    EngineRig &rig(const std::vector<std::string> &setup)
    {
        m_rig = std::make_unique<EngineRig>(setup);
        m_mysqlUser = "cli_" + m_rig->mysql().name().substr(m_rig->mysql().name().size() - 8);
        m_rig->mysql().execute("create user '" + m_mysqlUser + "'@'localhost' identified by '" + kMySqlSecret + "'");
        m_rig->mysql().execute("grant all on `" + m_rig->mysql().name() + "`.* to '" + m_mysqlUser + "'@'localhost'");
        m_rig->oracle().createUser(kOracleUser, kOracleSecret);
        return *m_rig;
    }

    // A command line without passwords.
    std::vector<std::string> args(const std::string &command, const std::vector<std::string> &rest) const
    {
        std::vector<std::string> a = {
            kCli,           command,     "--mysql-database", m_rig->mysql().name(),
            "--mysql-user", m_mysqlUser, "--oracle",         kOracleUser + "@" + m_rig->oracle().service()};
        a.insert(a.end(), rest.begin(), rest.end());
        return a;
    }

    static ChildProcess::Setup withPasswords(std::vector<std::string> more = {})
    {
        more.push_back("MYSQL_PWD=" + kMySqlSecret);
        more.push_back("MORVANE_ORACLE_PASSWORD=" + kOracleSecret);
        return {more, {}, false};
    }
    static ChildProcess::Setup withoutPasswords(bool terminal = false)
    {
        return {{}, {"MYSQL_PWD", "MORVANE_ORACLE_PASSWORD"}, terminal};
    }

    // Runs to the end: the exit status, the output in `out`.
    static int run(const std::vector<std::string> &a, const ChildProcess::Setup &setup, std::string &out)
    {
        ChildProcess child(a, setup);
        const int status = child.finish();
        out = child.output();
        return status;
    }

    std::unique_ptr<db::Connection> oracleAsCliUser() const
    {
        auto c = db::createOracleConnection();
        c->replaceProfile(m_rig->oracle().profile(kOracleUser, kOracleSecret));
        c->open();
        return c;
    }

    std::string file(const std::string &name) const { return m_files.path().toStdString() + "/" + name; }

    std::unique_ptr<EngineRig> m_rig;
    std::string m_mysqlUser;
    QTemporaryDir m_files;
};

const std::vector<std::string> kTables = {
    "create table ledger (id int primary key, amount decimal(65,0), note varchar(20))",
    "insert into ledger select seq, seq, concat('n', seq) from seq_1_to_3000",
    "update ledger set amount = 123456789012345678901234567890123456789 where id = 7",
    "create table tidy (id int primary key, note varchar(20), photo blob)",
    "insert into tidy select seq, concat('t', seq), repeat('x', seq) from seq_1_to_50"};

} // namespace

TEST(CliHelp, EveryCommandHasItsHelpAndAWrongCommandIsBadArguments)
{
    std::string out;
    for (const char *command : {"convert", "check", "verify"}) {
        ChildProcess help({kCli, command, "--help"}, {});
        EXPECT_EQ(help.finish(), 0) << command;
        EXPECT_TRUE(has(help.output(), "usage: morvane-cli " + std::string(command))) << help.output();
        EXPECT_TRUE(has(help.output(), "MYSQL_PWD")) << help.output();
        EXPECT_TRUE(has(help.output(), "visible to other users of this machine")) << help.output();
        EXPECT_TRUE(has(help.output(), "Exit status: 0 ")) << help.output();
    }
    ChildProcess none({kCli, "export"}, {});
    EXPECT_EQ(none.finish(), 2);
    EXPECT_TRUE(has(none.output(), "convert   convert the tables")) << none.output();
}

TEST_F(CliTest, CheckConvertAndVerifyWithPasswordsFromTheEnvironment)
{
    rig(kTables);
    std::string out;
    // Check: the refused row named by its key, and nothing sent to Oracle.
    EXPECT_EQ(run(args("check", {"ledger", "tidy"}), withPasswords(), out), 3) << out;
    EXPECT_TRUE(has(out, "Check table ledger\n  Oracle name LEDGER: the MySQL name in capitals\n")) << out;
    EXPECT_TRUE(has(out, "  problem: 1 rows refused: column \"amount\" holds a number of more than 38 significant "
                         "digits, which a NUMBER would round (first: id=7)\n"))
        << out;
    EXPECT_TRUE(has(out, "\n2 tables checked; problems: 1.\n")) << out;
    EXPECT_EQ(run(args("check", {"tidy"}), withPasswords(), out), 0) << out;
    EXPECT_EQ(oracleAsCliUser()->query("select count(*) from user_tables").at(0).at(0).data, "0");

    // Convert, verifying, with a report; a slow Oracle keeps it running while its command line is read.
    const std::string report = file("run.json");
    ChildProcess convert(args("convert", {"--verify", "--report", report, "ledger", "tidy"}),
                         withPasswords({"ORACLE_SIM_DELAY_MS=2"}));
    ASSERT_TRUE(convert.waitFor("Create table LEDGER...Done\n")) << convert.output();
    const std::string visible = convert.visibleCommandLine();
    EXPECT_TRUE(has(visible, "--mysql-user " + m_mysqlUser)) << visible;
    EXPECT_FALSE(has(visible, kMySqlSecret) || has(visible, kOracleSecret)) << visible;
    EXPECT_EQ(convert.finish(), 3) << convert.output();
    EXPECT_TRUE(has(convert.output(), "Row 7: ")) << convert.output();
    EXPECT_TRUE(has(convert.output(), "Verify table LEDGER: 2999 rows, the same in MySQL and Oracle\n"))
        << convert.output();
    EXPECT_TRUE(has(convert.output(), "Verify table TIDY: 50 rows, the same in MySQL and Oracle\n"))
        << convert.output();

    const std::string json = testsupport::readFile(report);
    EXPECT_EQ(testsupport::reportSchemaErrors(report), "") << json;
    EXPECT_FALSE(has(json, kMySqlSecret) || has(json, kOracleSecret)) << json;
    EXPECT_TRUE(has(json, "\"program\":\"morvane-cli convert\"")) << json;
    EXPECT_TRUE(has(json, "\"exitCode\":3,\"outcome\":\"completed with failures\",\"error\":null")) << json;
    EXPECT_TRUE(has(json, "\"source\":\"ledger\",\"target\":\"LEDGER\",\"status\":\"converted\"")) << json;
    EXPECT_TRUE(has(json, "\"rowsRead\":3000,\"rowsWritten\":2999,\"rowsRefused\":1,\"rowsAlreadyThere\":0,"
                          "\"refusedRows\":[{\"row\":7,"
                          "\"key\":\"id=7\",\"message\":\"Column \\\"AMOUNT\\\": "))
        << json;
    EXPECT_TRUE(
        has(json, "\"verification\":{\"match\":true,\"mysqlRows\":2999,\"oracleRows\":2999,\"difference\":\"\"}"))
        << json;
    EXPECT_TRUE(has(json, "{\"step\":\"create\",\"status\":\"succeeded\",\"message\":\"\",\"statements\":[]}")) << json;

    // Verify on its own: a clean table matches; one changed in Oracle names its key; the row the copy
    // refused is not known to a later verification and counts as missing.
    EXPECT_EQ(run(args("verify", {"tidy"}), withPasswords(), out), 0) << out;
    EXPECT_EQ(out,
              "Verify table TIDY: 50 rows, the same in MySQL and Oracle\n1 tables verified; tables that differ: 0.\n");
    auto oracle = oracleAsCliUser();
    oracle->execute("update \"TIDY\" set \"NOTE\" = 'changed' where \"ID\" = 31");
    oracle->commit();
    const std::string verifyReport = file("verify.json");
    EXPECT_EQ(run(args("verify", {"--report", verifyReport, "tidy", "ledger"}), withPasswords(), out), 3) << out;
    EXPECT_TRUE(has(out, "Verify table TIDY: MySQL 50 rows, Oracle 50 rows; key ID=31 holds other values in Oracle\n"))
        << out;
    EXPECT_TRUE(has(out, "Verify table LEDGER: MySQL 3000 rows, Oracle 2999 rows; key ID=7 is missing in Oracle\n"))
        << out;
    EXPECT_EQ(testsupport::reportSchemaErrors(verifyReport), "") << testsupport::readFile(verifyReport);
    EXPECT_TRUE(has(testsupport::readFile(verifyReport), "\"status\":\"differs\""))
        << testsupport::readFile(verifyReport);
}

TEST_F(CliTest, MissingPasswordsBadArgumentsAndAServerThatRefuses)
{
    rig(kTables);
    std::string out;
    EXPECT_EQ(run(args("check", {"tidy"}), withoutPasswords(), out), 2) << out;
    EXPECT_TRUE(has(out, "morvane-cli check: no password for MySQL user " + m_mysqlUser +
                             ": give --mysql-password, set MYSQL_PWD, or run the command from a terminal to be asked"))
        << out;
    EXPECT_EQ(run(args("convert", {"tidy"}), {{"MYSQL_PWD=" + kMySqlSecret}, {"MORVANE_ORACLE_PASSWORD"}, false}, out),
              2)
        << out;
    EXPECT_TRUE(has(out, "no password for Oracle user " + kOracleUser)) << out;
    // An empty variable is a password: the empty one, which this account does not have.
    EXPECT_EQ(
        run(args("check", {"tidy"}), {{"MYSQL_PWD=", "MORVANE_ORACLE_PASSWORD=" + kOracleSecret}, {}, false}, out), 1)
        << out;
    EXPECT_TRUE(has(out, "Access denied for user")) << out;

    EXPECT_EQ(run(args("check", {"--report", file("r.json"), "tidy"}), withPasswords(), out), 2) << out;
    EXPECT_EQ(run(args("convert", {"--bogus", "tidy"}), withPasswords(), out), 2) << out;
    EXPECT_TRUE(has(out, "unknown option --bogus")) << out;
    EXPECT_EQ(run(args("convert", {"--report", "/no/such/folder/r.json", "tidy"}), withPasswords(), out), 2) << out;
    EXPECT_TRUE(has(out, "--report /no/such/folder/r.json: No such file or directory")) << out;
    auto noService = args("convert", {"tidy"});
    noService[7] = kOracleUser;
    EXPECT_EQ(run(noService, withPasswords(), out), 2) << out;
    EXPECT_TRUE(has(out, "--oracle takes USER@SERVICE or USER/PASSWORD@SERVICE")) << out;

    // The password argument still works, and a wrong one is Oracle's own refusal: exit 1, and the
    // report says so, naming the tables the run never reached.
    const std::string report = file("refused.json");
    auto wrong = args("convert", {"--report", report, "tidy"});
    wrong[7] = kOracleUser + "/wrong@" + m_rig->oracle().service();
    EXPECT_EQ(run(wrong, withPasswords(), out), 1) << out;
    EXPECT_TRUE(has(out, "ORA-01017")) << out;
    const std::string json = testsupport::readFile(report);
    EXPECT_EQ(testsupport::reportSchemaErrors(report), "") << json;
    EXPECT_TRUE(has(json, "\"exitCode\":1,\"outcome\":\"ended by error\",\"error\":\"ORA-01017")) << json;
    EXPECT_TRUE(has(json, "{\"source\":\"tidy\",\"target\":null,\"status\":\"not reached\"")) << json;
    EXPECT_FALSE(has(json, "wrong")) << json;
}

TEST_F(CliTest, SlowDdlRunsToItsEndAndAnInsertPastTheOracleTimeoutEndsTheRun)
{
    rig({"create table a (id int primary key, note varchar(20) not null)",
         "insert into a select seq, concat('n', seq) from seq_1_to_20", "create table b (id int primary key)",
         "insert into b values (1)"});
    std::string out;
    // Every create, primary key, NOT NULL and drop takes 1.5 s: longer than the limit, and no matter.
    EXPECT_EQ(run(args("convert", {"--oracle-timeout", "1", "--keep-schema", "a", "b"}),
                  withPasswords({"ORACLE_SIM_DDL_DELAY_MS=1500"}), out),
              0)
        << out;
    EXPECT_TRUE(has(out, "Insert table A 20 Rows ...Done")) << out;

    // An insert is no such work: at 1.5 s it ends the run, saying which server did not answer.
    EXPECT_EQ(
        run(args("convert", {"--oracle-timeout", "1", "a", "b"}), withPasswords({"ORACLE_SIM_DML_DELAY_MS=1500"}), out),
        1)
        << out;
    EXPECT_TRUE(has(out, "Oracle did not answer within 1 second (ORA-03156: OCI call timed out)")) << out;
    EXPECT_TRUE(has(out, "Tables not converted: a, b.")) << out;

    EXPECT_EQ(run(args("convert", {"--oracle-timeout", "soon", "a"}), withPasswords(), out), 2) << out;
    EXPECT_TRUE(has(out, "--oracle-timeout takes a number of seconds (0 for no limit)")) << out;
    EXPECT_EQ(run(args("convert", {"--mysql-timeout", "-1", "a"}), withPasswords(), out), 2) << out;
}

TEST_F(CliTest, PasswordsAreAskedOnATerminalWithoutEcho)
{
    rig(kTables);
    ChildProcess check(args("check", {"tidy"}), withoutPasswords(true));
    ASSERT_TRUE(check.waitFor("Password of MySQL user " + m_mysqlUser + ": ")) << check.output();
    check.type(kMySqlSecret + "\n");
    ASSERT_TRUE(check.waitFor("Password of Oracle user " + kOracleUser + "@" + m_rig->oracle().service() + ": "))
        << check.output();
    check.type(kOracleSecret + "\n");
    EXPECT_EQ(check.finish(), 0) << check.output();
    EXPECT_TRUE(has(check.output(), "1 tables checked; problems: 0.")) << check.output();
    EXPECT_FALSE(has(check.output(), kMySqlSecret) || has(check.output(), kOracleSecret)) << check.output();
}

TEST_F(CliTest, OptionsFromTheWizardsSettingsWithArgumentsOverThem)
{
    rig(kTables);
    const std::string config = file("config");
    std::string out;
    // Nothing saved yet.
    EXPECT_EQ(run({kCli, "check", "--from-settings", "tidy"}, {{"XDG_CONFIG_HOME=" + config}, {}, false}, out), 2)
        << out;
    EXPECT_TRUE(has(out, "--from-settings: the wizard has saved no settings for this user yet")) << out;

    WizardSettings saved;
    saved.database = QString::fromStdString(m_rig->mysql().name());
    saved.mysqlUser = QString::fromStdString(m_mysqlUser);
    saved.mysqlPassword = QString::fromStdString(kMySqlSecret);
    saved.oracleService = QString::fromStdString(m_rig->oracle().service());
    saved.oracleUser = QString::fromStdString(kOracleUser);
    saved.oraclePassword = QString::fromStdString(kOracleSecret);
    saved.processTable = 1; // Merge
    saved.verify = true;
    saved.charsetIndex = 25; // latin1
    {
        QSettings store(QString::fromStdString(config + "/Quessra/Morvane.conf"), QSettings::IniFormat);
        SettingsStore::save(store, saved);
    }
    const std::string report = file("saved.json");
    EXPECT_EQ(run({kCli, "convert", "--from-settings", "--report", report, "tidy"},
                  {{"XDG_CONFIG_HOME=" + config}, {"MYSQL_PWD", "MORVANE_ORACLE_PASSWORD"}, false}, out),
              0)
        << out;
    EXPECT_TRUE(has(out, "Verify table TIDY: 50 rows, the same in MySQL and Oracle")) << out;
    // No session bus here, so no keyring: the passwords come from the file, and that is said once.
    const std::string note = "--from-settings: no keyring answered (";
    EXPECT_TRUE(has(out, note) && out.find(note) == out.rfind(note)) << out;
    const std::string json = testsupport::readFile(report);
    EXPECT_TRUE(has(json, "\"policy\":\"merge\"")) << json;
    EXPECT_TRUE(has(json, "\"charset\":\"latin1\",\"verify\":true")) << json;
    EXPECT_FALSE(has(json, kMySqlSecret) || has(json, kOracleSecret)) << json;

    // An argument changes what was saved.
    EXPECT_EQ(run({kCli, "check", "--from-settings", "--mysql-database", "no_such_database", "tidy"},
                  {{"XDG_CONFIG_HOME=" + config}, {}, false}, out),
              1)
        << out;
    EXPECT_TRUE(has(out, "to database 'no_such_database'")) << out;
}

TEST_F(CliTest, TheReportOfARunKeepingTheSchemaHasItsStepsAndTheForeignKeys)
{
    rig({"create table parent (id int primary key, name varchar(10) not null)",
         "create table child (id int primary key, parent_id int, foreign key (parent_id) references parent (id))",
         "insert into parent values (1, 'a')", "insert into child values (1, 1)"});
    const std::string report = file("schema.json");
    std::string out;
    EXPECT_EQ(run(args("convert", {"--keep-schema", "--report", report, "parent", "child"}), withPasswords(), out), 0)
        << out;
    const std::string json = testsupport::readFile(report);
    EXPECT_EQ(testsupport::reportSchemaErrors(report), "") << json;
    EXPECT_TRUE(has(json, "\"keepSchema\":true")) << json;
    EXPECT_TRUE(has(json, "\"steps\":[{\"step\":\"foreignKeys\",\"status\":\"succeeded\",\"message\":\"\","
                          "\"statements\":[]}]"))
        << json;
    EXPECT_TRUE(has(json, "{\"step\":\"schema\",\"status\":\"succeeded\",\"message\":\"\",\"statements\":[]}")) << json;
}

TEST_F(CliTest, ACharacterSetIsTheServersWhateverItsLetterCaseAndAnUnknownOneIsABadArgument)
{
    // A hundred rows hold a character latin1 has no place for; every row fits utf8mb3.
    rig({"create table words (id int primary key, word varchar(20)) character set utf8mb4",
         "insert into words select seq, concat(if(seq % 4 = 0, '中', 'é'), seq) from seq_1_to_400"});
    std::string out;

    // A set the server does not have ends each command before anything reaches Oracle.
    for (const char *command : {"check", "convert", "verify"}) {
        EXPECT_EQ(run(args(command, {"--charset", "no_such_set", "words"}), withPasswords(), out), 2) << out;
        EXPECT_TRUE(has(out, "morvane-cli " + std::string(command) +
                                 ": --charset no_such_set: The MySQL server has no character set no_such_set "
                                 "(Unknown character set: 'no_such_set'); it has "))
            << out;
    }
    EXPECT_EQ(oracleAsCliUser()->query("select count(*) from user_tables").at(0).at(0).data, "0");
    // A command that ends before it starts leaves no report, not even an empty one.
    const std::string never = file("never.json");
    EXPECT_EQ(run(args("convert", {"--charset", "no_such_set", "--report", never, "words"}), withPasswords(), out), 2)
        << out;
    EXPECT_EQ(run(args("verify", {"--report", never, "words"}), withoutPasswords(), out), 2) << out;
    EXPECT_FALSE(std::filesystem::exists(never));

    // LATIN1 is latin1: the check counts the rows, the run refuses them, and both sides add up.
    EXPECT_EQ(run(args("check", {"--charset", "LATIN1", "words"}), withPasswords(), out), 3) << out;
    EXPECT_TRUE(has(out, "  problem: 100 rows refused: column \"word\" holds a character that the character set "
                         "latin1 cannot hold (first: id=4; id=8; id=12)\n"))
        << out;
    const std::string report = file("latin1.json");
    for (int day = 1; day <= 2; ++day) {
        SCOPED_TRACE("run " + std::to_string(day));
        EXPECT_EQ(run(args("convert", {"--charset", "LATIN1", "--verify", "--report", report, "words"}),
                      withPasswords(), out),
                  3)
            << out;
        EXPECT_TRUE(has(out, "Row 4: Column \"WORD\": the value holds a character that the character set latin1 "
                             "cannot hold\n"))
            << out;
        EXPECT_TRUE(has(out, "\n100 rows rejected\n")) << out;
        EXPECT_TRUE(has(out, "Verify table WORDS: 300 rows, the same in MySQL and Oracle\n")) << out;
        EXPECT_EQ(oracleAsCliUser()->query("select count(*) from \"WORDS\"").at(0).at(0).data, "300");
        EXPECT_TRUE(has(testsupport::readFile(report), "\"charset\":\"latin1\"")) << testsupport::readFile(report);
    }
    // Verified later with the same set, the refused rows are left out as the run left them out; without
    // it they are missing.
    EXPECT_EQ(run(args("verify", {"--charset", "Latin1", "words"}), withPasswords(), out), 0) << out;
    EXPECT_EQ(run(args("verify", {"words"}), withPasswords(), out), 3) << out;
    EXPECT_TRUE(has(out, "key ID=4 is missing in Oracle")) << out;

    // utf8mb3, the server's own name of utf8, checks and holds every row here.
    EXPECT_EQ(run(args("convert", {"--charset", "utf8mb3", "--report", report, "words"}), withPasswords(), out), 0)
        << out;
    EXPECT_EQ(oracleAsCliUser()->query("select count(*) from \"WORDS\"").at(0).at(0).data, "400");
    EXPECT_TRUE(has(testsupport::readFile(report), "\"charset\":\"utf8mb3\"")) << testsupport::readFile(report);
}
