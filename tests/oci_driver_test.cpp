// The OCI driver against the Oracle stand-in: logon errors, a missing or too-old client library,
// DDL and the existence test, every column type written and read back, array inserts with rejected
// rows, large objects through both paths, transactions and the exact INSERT text.
#include "convert/TargetSteps.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/OracleServerInfo.h"
#include "db/OracleSessionRights.h"
#include "db/Profiles.h"
#include "db/TargetTable.h"
#include "db/UntimedCalls.h"
#include "db/oci/OciDiagnostics.h"
#include "db/oci/OciInsertPlan.h"
#include "db/oci/OciMarkers.h"
#include "support/CallBreaker.h"
#include "support/ChildTest.h"
#include "support/Env.h"
#include "support/OracleTarget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <exception>
#include <filesystem>
#include <iostream>
#include <thread>
#include <unistd.h>

using db::Value;
using db::ValueKind;

namespace {

std::unique_ptr<db::Connection> connect(const testsupport::OracleTarget &sim)
{
    auto connection = db::createOracleConnection();
    connection->replaceProfile(sim.profile());
    connection->open();
    return connection;
}

// A command that runs this program's helper cases of the filter with what comes first ("env ...").
std::vector<std::string> withChildTest(std::vector<std::string> first, const std::string &filter)
{
    const auto child = testsupport::childTestCommand(filter);
    first.insert(first.end(), child.begin(), child.end());
    return first;
}

class OciDriver : public testing::Test {
protected:
    void SetUp() override { m_conn = connect(m_sim); }

    std::vector<db::Row> rows(const std::string &sql) { return m_conn->query(sql); }
    std::int64_t count(const std::string &table)
    {
        auto result = connect(m_sim)->query("select count(*) from \"" + table + "\"");
        return result.at(0).at(0).toInteger();
    }

    const testsupport::OracleDifferences &differences() const { return m_sim.differences(); }

    testsupport::OracleTarget m_sim;
    std::unique_ptr<db::Connection> m_conn;
};

// Every large-object byte value, so a lost or translated byte shows.
std::string binaryPattern(std::size_t size)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return out;
}

std::string textPattern(std::size_t bytes)
{
    const std::string unit = "Grüße €uro 東京 🚀 line\n"; // 1-, 2-, 3- and 4-byte characters
    std::string out;
    while (out.size() + unit.size() <= bytes)
        out += unit;
    return out;
}

} // namespace

TEST(OciLogon, UnknownServiceAndBadPasswordCarryOraclesText)
{
    testsupport::OracleTarget sim;
    auto connection = db::createOracleConnection();

    connection->replaceProfile(db::oracleTargetProfile("NOSUCHSVC", sim.user(), sim.password()));
    try {
        connection->open();
        FAIL() << "logon to an unknown service succeeded";
    } catch (const db::ConnectionLostError &e) {
        FAIL() << "an unknown service is not a lost session: " << e.what();
    } catch (const db::Error &e) {
        EXPECT_TRUE(testsupport::oracleErrorIs(sim.differences(), e.what(),
                                               "ORA-12154: TNS:could not resolve the connect identifier specified"));
        EXPECT_EQ(e.code(), 12154);
    }
    EXPECT_FALSE(connection->isOpen());

    connection->replaceProfile(sim.profile(sim.user(), sim.password() + "wrong"));
    try {
        connection->open();
        FAIL() << "logon with a wrong password succeeded";
    } catch (const db::Error &e) {
        EXPECT_TRUE(testsupport::oracleErrorIs(sim.differences(), e.what(),
                                               "ORA-01017: invalid username/password; logon denied"));
        EXPECT_EQ(e.code(), 1017);
    }
    EXPECT_FALSE(connection->isOpen());

    connection->replaceProfile(sim.profile());
    connection->open();
    EXPECT_TRUE(connection->isOpen());
    connection->close();
    EXPECT_FALSE(connection->isOpen());
    EXPECT_THROW(connection->execute("create table t (a number)"), db::Error);
}

// Runs in a child process started by the tests below: the client library is loaded once per process,
// and the library search path is read when a process starts.
MORVANE_CHILD_TEST(ClientLibraryProbe, ReportsWhatOpenSays)
{
    auto connection = db::createOracleConnection();
    connection->replaceProfile(db::oracleTargetProfile("ANY", "scott", "tiger"));
    try {
        connection->open();
        std::cout << "PROBE opened\n";
    } catch (const db::ClientLibraryError &e) {
        std::cout << "PROBE ClientLibraryError[" << e.what() << "]\n";
    } catch (const std::exception &e) {
        std::cout << "PROBE other[" << e.what() << "]\n";
    }
}

TEST(ClientLibrary, MissingLibraryIsAClearErrorNotACrash)
{
    std::string out;
    int status = testsupport::runCommand(
        withChildTest({"env", "-u", "ORACLE_HOME", "LD_LIBRARY_PATH=/nonexistent-morvane-lib"}, "ClientLibraryProbe.*"),
        &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("PROBE ClientLibraryError[Cannot load the Oracle client library (64-bit). Tried: libclntsh.so, "
                       "libclntsh.so.19.1"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("System error: libclntsh.so: cannot open shared object file"), std::string::npos) << out;
    EXPECT_NE(out.find("Install Oracle Instant Client (19 or later recommended) and add its folder to PATH / "
                       "LD_LIBRARY_PATH / DYLD_LIBRARY_PATH, or set ORACLE_HOME to a folder whose lib holds it.]"),
              std::string::npos)
        << out;
}

TEST(ClientLibrary, LibraryWithoutTheFunctionsIsNamedWithTheMissingOne)
{
    // Any shared library that is not an Oracle client: the C++ runtime this test runs on.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void *>(&std::terminate), &info), 0);
    const auto folder = std::filesystem::temp_directory_path() / ("morvane-fake-oci-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(std::filesystem::canonical(info.dli_fname), folder / "libclntsh.so");

    std::string out;
    int status = testsupport::runCommand(
        withChildTest({"env", "-u", "ORACLE_HOME", "LD_LIBRARY_PATH=" + folder.string()}, "ClientLibraryProbe.*"),
        &out);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("PROBE ClientLibraryError[Oracle client library "), std::string::npos) << out;
    EXPECT_NE(out.find(" lacks OCIEnvNlsCreate; install a newer client.]"), std::string::npos) << out;
}

// Run in a child process by OciLostSession below: the stand-in counts executes over the whole process,
// so the session is dropped at a known step only in a process that starts fresh.
MORVANE_CHILD_TEST(LostSessionProbe, ApplyMeetsADroppedSession)
{
    const char *mode = std::getenv("MORVANE_OCI_LOST_PROBE");
    ASSERT_NE(mode, nullptr) << "started by OciLostSession, which sets MORVANE_OCI_LOST_PROBE";
    testsupport::OracleTarget sim;
    auto conn = connect(sim); // executes 1-3: session settings, 4: what the server allows
    conn->execute("create table \"L\" (\"ID\" number, \"NOTE\" clob)"); // 5
    auto table = conn->createTargetTable("oracleinsertdata");
    table->setApplyMode(std::string(mode) == "array" ? db::ApplyMode::Array : db::ApplyMode::RowByRow);
    table->open("L"); // 6
    for (int i = 0; i < 3; ++i) {
        table->append();
        table->setValue("ID", Value::integer(i));
        table->setValue("NOTE", Value::text("n"));
        table->post();
    }
    try {
        table->apply(); // array: execute 7; row by row: 7, 8 (dropped), 9
        std::cout << "PROBE applied\n";
    } catch (const db::ConnectionLostError &e) {
        std::cout << "PROBE lost[" << e.what() << "] code=" << e.code() << "\n";
    } catch (const std::exception &e) {
        std::cout << "PROBE other[" << e.what() << "]\n";
    }
    std::cout << "PROBE pending=" << table->pendingCount() << " open=" << conn->isOpen() << "\n";
    std::cout << "PROBE rows=" << connect(sim)->query("select count(*) from \"L\"").at(0).at(0).data << "\n";
}

TEST(OciLostSession, ALostSessionFailsTheWholeApplyAndClosesTheConnection)
{
    MORVANE_REQUIRE_STAND_IN("a session dropped at a chosen execute");
    const std::string endOfFile = "ORA-03113: end-of-file on communication channel";
    // A code outside the known list still means a lost session when the server handle says so.
    const std::string malformed = "ORA-03137: malformed TTC packet from client rejected";
    struct Case {
        const char *mode;
        std::string dropAt, expected;
    };
    for (const Case &c :
         {Case{"array", "7", endOfFile + ")] code=3113"}, Case{"rowbyrow", "8", endOfFile + ")] code=3113"},
          Case{"array", "7:" + malformed, malformed + ")] code=3137"}}) {
        SCOPED_TRACE(c.mode + (" " + c.dropAt));
        std::string out;
        int status = testsupport::runCommand(
            withChildTest({"env", std::string("MORVANE_OCI_LOST_PROBE=") + c.mode, "ORACLE_SIM_DROP_AFTER=" + c.dropAt},
                          "LostSessionProbe.*"),
            &out);
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("PROBE lost[The connection to Oracle was lost (" + c.expected), std::string::npos) << out;
        EXPECT_NE(out.find("PROBE pending=3 open=0"), std::string::npos) << out;
        EXPECT_NE(out.find("PROBE rows=0"), std::string::npos) << "nothing of the apply may stay\n" << out;
    }
}

TEST(OciCallTimeout, DdlTakesAsLongAsItNeedsAndAnInsertPastTheLimitEndsTheSession)
{
    MORVANE_REQUIRE_STAND_IN("DDL and inserts made slow");
    testsupport::ScopedEnv ddl("ORACLE_SIM_DDL_DELAY_MS", "1500");
    testsupport::ScopedEnv dml("ORACLE_SIM_DML_DELAY_MS", "1500");
    testsupport::OracleTarget sim;
    auto conn = db::createOracleConnection();
    conn->replaceProfile(sim.profile());
    conn->setCallTimeout(1);
    conn->open();

    conn->execute("create table \"T\" (\"ID\" number)"); // DDL: no limit
    auto table = conn->createTargetTable("oracleinsertdata");
    table->open("T");
    auto addRow = [&](std::int64_t id) {
        table->append();
        table->setValue("ID", Value::integer(id));
        table->post();
    };
    addRow(1);
    {
        const db::UntimedCalls untimed(*conn); // the caller says this one may take as long as the data
        EXPECT_EQ(table->apply().written, 1u);
    }
    addRow(2);
    try {
        table->apply();
        ADD_FAILURE() << "an insert of 1.5 s went through under a limit of 1 s";
    } catch (const db::CallTimeoutError &e) {
        EXPECT_STREQ(e.what(), "Oracle did not answer within 1 second (ORA-03156: OCI call timed out)");
        EXPECT_EQ(e.code(), 3156);
        EXPECT_EQ(e.seconds(), 1u);
    }
    EXPECT_FALSE(conn->isOpen()) << "a session whose call was cut is not used again";
    EXPECT_EQ(table->pendingCount(), 1u);
    auto other = connect(sim);
    EXPECT_EQ(other->query("select count(*) from \"T\"").at(0).at(0).data, "1");
}

// Long enough to have started on the server, well short of the ten seconds each slowed call takes.
bool runningForAWhile(std::chrono::steady_clock::time_point started)
{
    return std::chrono::steady_clock::now() - started > std::chrono::milliseconds(300);
}

TEST(OciCancel, AStatementUnderWayEndsCancelledAndTheSessionGoesOn)
{
    MORVANE_REQUIRE_STAND_IN("a DDL statement made to take ten seconds");
    testsupport::ScopedEnv slow("ORACLE_SIM_DDL_DELAY_MS", "10000");
    testsupport::OracleTarget sim;
    auto conn = connect(sim);
    const std::string create = "create table \"SLOW\" (\"ID\" number)";
    const auto started = std::chrono::steady_clock::now();
    const auto broken = testsupport::cancelWhenUnderWay(
        *conn, [&] { conn->execute(create); }, [&] { return runningForAWhile(started); });
    EXPECT_TRUE(testsupport::endedCancelled(broken, 1013, "ORA-01013", create));
    try {
        std::rethrow_exception(broken.error);
    } catch (const db::ConnectionLostError &) {
        ADD_FAILURE() << "a broken call is no lost session";
    } catch (const db::CancelledError &e) {
        EXPECT_STREQ(e.what(),
                     "The call to Oracle was cancelled (ORA-01013: user requested cancel of current operation)");
    }
    EXPECT_TRUE(conn->isOpen());
    EXPECT_EQ(conn->query("select 'goes on' from dual").at(0).at(0).data, "goes on");
}

TEST(OciCancel, AnApplyBrokenOffWritesNothingAndKeepsItsRows)
{
    MORVANE_REQUIRE_STAND_IN("inserts made to take ten seconds");
    testsupport::OracleTarget sim;
    connect(sim)->execute("create table \"T\" (\"ID\" number)");
    testsupport::ScopedEnv slow("ORACLE_SIM_DML_DELAY_MS", "10000");
    auto conn = connect(sim);
    auto table = conn->createTargetTable("oracleinsertdata");
    table->open("T");
    for (int id = 1; id <= 3; ++id) {
        table->append();
        table->setValue("ID", Value::integer(id));
        table->post();
    }
    const auto started = std::chrono::steady_clock::now();
    const auto broken = testsupport::cancelWhenUnderWay(
        *conn, [&] { table->apply(); }, [&] { return runningForAWhile(started); });
    ASSERT_TRUE(broken.error);
    try {
        std::rethrow_exception(broken.error);
    } catch (const db::CancelledError &e) {
        EXPECT_EQ(e.code(), 1013) << e.what();
    } catch (const std::exception &e) {
        ADD_FAILURE() << "the apply ended otherwise: " << e.what();
    }
    EXPECT_LT(broken.afterCancel, std::chrono::seconds(5));
    EXPECT_EQ(table->pendingCount(), 3u);
    EXPECT_EQ(connect(sim)->query("select count(*) from \"T\"").at(0).at(0).data, "0");
}

TEST(OciCancel, CancelsFromAnotherThreadNeverReachALaterCall)
{
    MORVANE_REQUIRE_STAND_IN("round trips of a few milliseconds");
    testsupport::ScopedEnv slow("ORACLE_SIM_DELAY_MS", "3");
    testsupport::OracleTarget sim;
    auto conn = connect(sim);
    // With nothing under way a cancel sends nothing, and the next call answers.
    conn->cancel();
    EXPECT_EQ(conn->query("select 1 from dual").at(0).at(0).data, "1");

    std::atomic<bool> done{false};
    std::thread canceller([&] {
        while (!done) {
            conn->cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    // Each call either answers or ends cancelled; a break meant for one never fails another otherwise.
    int answered = 0, cancelled = 0;
    for (int i = 0; i < 200; ++i) {
        try {
            EXPECT_EQ(conn->query("select " + std::to_string(i) + " from dual").at(0).at(0).data, std::to_string(i));
            ++answered;
        } catch (const db::CancelledError &) {
            ++cancelled;
        } catch (const std::exception &e) {
            ADD_FAILURE() << "call " << i << " failed otherwise: " << e.what();
        }
    }
    done = true;
    canceller.join();
    EXPECT_EQ(answered + cancelled, 200);
    EXPECT_GT(cancelled, 0) << "no cancel met a call under way";
    EXPECT_EQ(conn->query("select 'goes on' from dual").at(0).at(0).data, "goes on");
}

TEST_F(OciDriver, TheSessionsRightsAreReadFromTheViewsEveryUserCanRead)
{
    // Whatever the schema, a session that could log on holds CREATE SESSION.
    const auto own = db::readOracleSessionRights(*m_conn);
    EXPECT_TRUE(own.has("CREATE SESSION"));
    EXPECT_FALSE(own.defaultTablespace.empty());
    EXPECT_TRUE(own.unreadable.empty()) << own.unreadable.front();
}

TEST_F(OciDriver, WhatTheServerAllowsIsReadAtLogon)
{
    const db::OracleServerInfo *info = db::oracleServerInfo(*m_conn);
    ASSERT_NE(info, nullptr);
    EXPECT_GE(info->major, 11) << info->banner;
    EXPECT_TRUE(info->maxIdentifierBytes == 30 || info->maxIdentifierBytes == 128) << info->maxIdentifierBytes;
    if (differences().standIn) {
        EXPECT_EQ(info->summary(), "Oracle 19.3, names up to 30 bytes, MAX_STRING_SIZE STANDARD, COMPATIBLE 12.1.0.2");
        EXPECT_EQ(info->maxVarchar2Bytes(), 4000u);
    }
    EXPECT_EQ(db::oracleServerInfo(*db::createOracleConnection()), nullptr) << "not open";
}

TEST(OciServerInfo, LongNamesFromTheClientAndParametersOnlyWhereReadable)
{
    MORVANE_REQUIRE_STAND_IN("a server playing 12.2 and later, and a user without dictionary rights");
    testsupport::ScopedEnv longNames("ORACLE_SIM_MAX_IDENTIFIER", "128");
    testsupport::OracleSim sim;
    sim.createUser("plain", "pw", "CREATE SESSION");
    auto open = [&](const std::string &user, const std::string &password) {
        auto c = db::createOracleConnection();
        c->replaceProfile(sim.profile(user, password));
        c->open();
        return c;
    };
    auto scott = open("scott", "tiger");
    EXPECT_EQ(db::oracleServerInfo(*scott)->summary(),
              "Oracle 19.3, names up to 128 bytes, MAX_STRING_SIZE STANDARD, COMPATIBLE 19.0.0");
    auto plain = open("plain", "pw");
    EXPECT_EQ(db::oracleServerInfo(*plain)->summary(),
              "Oracle 19.3, names up to 128 bytes, MAX_STRING_SIZE not readable");
    EXPECT_EQ(db::oracleServerInfo(*plain)->maxVarchar2Bytes(), 4000u) << "unknown is the limit every server takes";

    int major = 0, minor = 0;
    EXPECT_TRUE(db::parseOracleRelease("Oracle Database 11g Enterprise Edition Release 11.2.0.4.0 - 64bit Production",
                                       major, minor));
    EXPECT_EQ(major * 100 + minor, 1102);
    EXPECT_TRUE(db::parseOracleRelease("Oracle Database 23ai Free Release 23.0.0.0.0 - Develop, Learn, and Run for "
                                       "Free\nVersion 23.4.0.24.05",
                                       major, minor));
    EXPECT_EQ(major * 100 + minor, 2304);
    EXPECT_FALSE(db::parseOracleRelease("unknown", major, minor));
}

TEST(OciSessionRights, WhatALimitedUserLacksIsNamed)
{
    MORVANE_REQUIRE_STAND_IN("users made with chosen privileges");
    testsupport::OracleSim sim;
    sim.createUser("plain", "pw", "CREATE SESSION,CREATE TABLE");
    sim.createUser("quota", "pw", "CONNECT,RESOURCE", "1000000");
    auto open = [&](const std::string &user) {
        auto c = db::createOracleConnection();
        c->replaceProfile(sim.profile(user, "pw"));
        c->open();
        return c;
    };
    const auto plain = db::readOracleSessionRights(*open("plain"));
    EXPECT_EQ(plain.privileges, (std::set<std::string>{"CREATE SESSION", "CREATE TABLE"}));
    EXPECT_EQ(plain.defaultTablespace, "USERS");
    EXPECT_TRUE(plain.quotas.empty());
    EXPECT_EQ(plain.mayStoreRows(), std::optional<bool>(false));
    EXPECT_TRUE(plain.missingToCreate(false).empty());
    EXPECT_EQ(plain.missingToCreate(true), (std::vector<std::string>{"CREATE SEQUENCE"}));

    const auto limited = db::readOracleSessionRights(*open("quota"));
    ASSERT_EQ(limited.quotas.size(), 1u);
    EXPECT_EQ(limited.quotas[0].tablespace, "USERS");
    EXPECT_EQ(limited.quotas[0].maxBytes, std::optional<long long>(1000000));
    EXPECT_EQ(limited.mayStoreRows(), std::optional<bool>(true));
    EXPECT_TRUE(limited.missingToCreate(true).empty());
}

TEST_F(OciDriver, ExistenceTestComparesTheNameExactlyAndTheOwnerInUpperCase)
{
    m_conn->execute("create table ORDERS (ID number)");
    m_conn->execute("create table \"Mixed\" (\"id\" number)");
    const std::string owner = m_sim.owner();
    std::string lower = owner, mixed = owner;
    for (std::size_t i = 0; i < owner.size(); ++i) {
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(owner[i])));
        if (i > 0)
            mixed[i] = lower[i];
    }

    EXPECT_TRUE(convert::TargetTableExists(*m_conn, "ORDERS", lower));
    EXPECT_TRUE(convert::TargetTableExists(*m_conn, "Mixed", mixed));
    EXPECT_FALSE(convert::TargetTableExists(*m_conn, "orders", owner));
    EXPECT_FALSE(convert::TargetTableExists(*m_conn, "MIXED", owner));
    if (differences().canCreateUsers) {
        m_sim.createUser("OTHER", "pw");
        EXPECT_FALSE(convert::TargetTableExists(*m_conn, "ORDERS", "OTHER"));
    }
    // The name is bound: quotes in it are part of the name, not of the statement.
    EXPECT_FALSE(convert::TargetTableExists(*m_conn, "X' or '1'='1", owner));
    EXPECT_FALSE(convert::TargetTableExists(*m_conn, "ORDERS' --", owner));

    m_conn->execute("drop table \"Mixed\"");
    EXPECT_FALSE(convert::TargetTableExists(*m_conn, "Mixed", owner));
    try {
        m_conn->execute("drop table \"Mixed\"");
        FAIL() << "dropping a missing table succeeded";
    } catch (const db::Error &e) {
        EXPECT_TRUE(testsupport::oracleErrorIs(differences(), e.what(), "ORA-00942: table or view does not exist"));
        EXPECT_EQ(e.code(), 942);
        EXPECT_EQ(e.statement(), "drop table \"Mixed\"") << "the error keeps the statement Oracle refused";
    }
}

TEST_F(OciDriver, EveryTypeWrittenAndReadBack)
{
    m_conn->execute("create table \"TYPES\" (\"ID\" number, \"TXT\" varchar2(200), \"NUM\" number, \"D\" date,"
                    " \"C\" clob, \"B\" blob)");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("TYPES");
    ASSERT_EQ(table->columns().size(), 6u);
    EXPECT_EQ(table->columns()[3].type, 12);
    EXPECT_TRUE(table->columns()[4].isClob());
    EXPECT_TRUE(table->columns()[5].isBlob());

    auto row = [&](int id, std::vector<std::pair<std::string, Value>> values) {
        table->append();
        table->setValue("id", Value::integer(id)); // any letter case finds the column
        for (auto &[column, value] : values)
            table->setValue(column, value);
        table->post();
    };
    const std::string manyDigits = "12345678901234567890.123456789012345678";
    const std::string multiByte = "Grüße aus 東京 🚀";
    row(1, {{"TXT", Value::null()}, {"NUM", Value::null()}, {"D", Value::null()}, {"C", Value::null()},
            {"B", Value::null()}});
    row(2, {{"TXT", Value::text(multiByte)},
            {"NUM", Value::of(ValueKind::Decimal, manyDigits)},
            {"D", Value::of(ValueKind::DateTime, "2024-02-29 13:45:07.000")},
            {"C", Value::text("small clob ü")},
            {"B", Value::binary(std::string("\0\1\xff\0", 4))}});
    row(3, {{"TXT", Value::integer(-42)},
            {"NUM", Value::of(ValueKind::Decimal, "-0.5")},
            {"D", Value::of(ValueKind::Date, "1999-12-31")},
            {"C", Value::text("")},
            {"B", Value::binary("")}});
    row(4, {{"NUM", Value::of(ValueKind::Float, "3.25")},
            {"D", Value::of(ValueKind::DateTime, "0000-00-00 00:00:00")}});
    row(5, {{"D", Value::of(ValueKind::Time, "08:30:05")}, {"TXT", Value::of(ValueKind::Time, "08:30:05")}});
    row(6, {{"D", Value::of(ValueKind::Date, "0000-00-00")}, {"TXT", Value::text("")}});
    // A zero month in an otherwise real date is no zero date: NULL would lose it.
    row(7, {{"D", Value::of(ValueKind::Date, "2020-00-15")}});
    ASSERT_EQ(table->pendingCount(), 7u);

    const auto applied = table->apply();
    EXPECT_EQ(applied.written, 6u);
    ASSERT_EQ(applied.rejected.size(), 1u);
    EXPECT_EQ(applied.rejected[0].index, 6u);
    EXPECT_EQ(applied.rejected[0].message,
              "Column \"D\": '2020-00-15' has a month or day of 0, which no Oracle date has");
    EXPECT_EQ(table->pendingCount(), 0u);

    const auto read = rows("select \"ID\", \"TXT\", \"NUM\", \"D\", \"C\", \"B\" from \"TYPES\" order by \"ID\"");
    ASSERT_EQ(read.size(), 6u);
    const Value null = Value::null();
    EXPECT_EQ(read[0], (db::Row{Value::of(ValueKind::Decimal, "1"), null, null, null, null, null}));
    EXPECT_EQ(read[1], (db::Row{Value::of(ValueKind::Decimal, "2"), Value::text(multiByte),
                                Value::of(ValueKind::Decimal, manyDigits),
                                Value::of(ValueKind::DateTime, "2024-02-29 13:45:07"), Value::text("small clob ü"),
                                Value::binary(std::string("\0\1\xff\0", 4))}));
    // An empty large object stays empty, not NULL; Oracle keeps no empty VARCHAR2.
    EXPECT_EQ(read[2], (db::Row{Value::of(ValueKind::Decimal, "3"), Value::text("-42"),
                                Value::of(ValueKind::Decimal, "-0.5"), Value::of(ValueKind::DateTime, "1999-12-31 00:00:00"),
                                Value::text(""), Value::binary("")}));
    EXPECT_EQ(read[3][2], Value::of(ValueKind::Decimal, "3.25"));
    EXPECT_EQ(read[3][3], null) << "a MySQL zero date has no Oracle form";
    EXPECT_EQ(read[4][3], Value::of(ValueKind::DateTime, "1970-01-01 08:30:05"));
    EXPECT_EQ(read[4][1], Value::text("08:30:05"));
    EXPECT_EQ(read[5][3], null) << "the zero date as a DATE";
    EXPECT_EQ(read[5][1], null);

    // The data set walks the same rows with names, fetched in arrays.
    auto dataSet = m_conn->createDataSet();
    dataSet->open("select * from \"TYPES\" order by \"ID\"");
    ASSERT_EQ(dataSet->fieldCount(), 6);
    EXPECT_EQ(dataSet->fieldName(1), "TXT");
    std::vector<std::string> ids;
    for (; !dataSet->eof(); dataSet->next())
        ids.push_back(dataSet->text("id"));
    EXPECT_EQ(ids, (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
}

TEST_F(OciDriver, ValuesThatCannotBeDatesRejectTheirRowAndNothingElse)
{
    m_conn->execute("create table \"TIMES\" (\"ID\" number, \"T\" date)");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("TIMES");
    const std::vector<Value> times = {Value::of(ValueKind::Time, "23:59:59"), Value::of(ValueKind::Time, "24:00:00"),
                                      Value::of(ValueKind::Time, "00:00:00"), Value::of(ValueKind::Time, "-01:00:00"),
                                      Value::text("2021-02-30 10:00:00"), Value::text("yesterday")};
    for (std::size_t i = 0; i < times.size(); ++i) {
        table->append();
        table->setValue("ID", Value::integer(static_cast<std::int64_t>(i)));
        table->setValue("T", times[i]);
        table->post();
    }
    const auto applied = table->apply();
    EXPECT_EQ(applied.written, 2u);
    ASSERT_EQ(applied.rejected.size(), 4u);
    EXPECT_EQ(applied.rejected[0].index, 1u);
    EXPECT_EQ(applied.rejected[0].message,
              "Column \"T\": '24:00:00' is outside 00:00:00-23:59:59 and cannot be stored as a time of day");
    EXPECT_EQ(applied.rejected[1].index, 3u);
    EXPECT_EQ(applied.rejected[2].index, 4u);
    EXPECT_EQ(applied.rejected[2].message, "Column \"T\": '2021-02-30 10:00:00' is not a valid date");
    EXPECT_EQ(applied.rejected[3].index, 5u);
    EXPECT_EQ(rows("select \"ID\", \"T\" from \"TIMES\" order by \"ID\""),
              (std::vector<db::Row>{{Value::of(ValueKind::Decimal, "0"), Value::of(ValueKind::DateTime, "1970-01-01 23:59:59")},
                                    {Value::of(ValueKind::Decimal, "2"), Value::of(ValueKind::DateTime, "1970-01-01 00:00:00")}}));
}

TEST_F(OciDriver, TextOver4000BytesThatItsColumnCannotHoldRejectsOnlyItsRow)
{
    // Bound, such a value would be a LONG and fail the whole insert rather than its row.
    m_conn->execute("create table \"LONGTEXT\" (\"ID\" number, \"S\" varchar2(4000))");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("LONGTEXT");
    const std::vector<std::string> texts = {std::string(4000, 'a'), std::string(4001, 'b'), "short",
                                            textPattern(9000)};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        table->append();
        table->setValue("ID", Value::integer(static_cast<std::int64_t>(i)));
        table->setValue("S", Value::text(texts[i]));
        table->post();
    }
    const auto applied = table->apply();
    EXPECT_EQ(applied.written, 2u);
    ASSERT_EQ(applied.rejected.size(), 2u);
    EXPECT_EQ(applied.rejected[0].index, 1u);
    EXPECT_EQ(applied.rejected[0].message, "Column \"S\": a value of 4001 bytes is longer than the column can hold");
    EXPECT_EQ(applied.rejected[1].index, 3u);
    EXPECT_EQ(rows("select \"S\" from \"LONGTEXT\" order by \"ID\"").at(0).at(0), Value::text(texts[0]));
}

TEST_F(OciDriver, LargeObjectsOfSeveralMegabytesGoThroughTemporaryLobsAndSmallOnesAsBytes)
{
    m_conn->execute("create table \"big\" (\"id\" number, \"note\" clob, \"pic\" blob)");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("big");
    const std::string bigText = textPattern(3 * 1024 * 1024 + 17);
    const std::string bigBytes = binaryPattern(5 * 1024 * 1024 + 3);
    const std::string smallText = textPattern(3000);
    const std::string mediumBytes = binaryPattern(70000);
    struct Input {
        Value note, pic;
    };
    const std::vector<Input> inputs = {
        {Value::text(bigText), Value::binary(bigBytes)},      // both through temporary LOBs
        {Value::text(smallText), Value::binary(mediumBytes)}, // bytes, and a temporary LOB
        {Value::text(bigText), Value::null()},                // a temporary LOB beside a NULL
        {Value::null(), Value::binary("")},                   // NULL and empty
        {Value::text("x"), Value::binary(bigBytes)},          // bytes beside a temporary LOB
    };
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        table->append();
        table->setValue("ID", Value::integer(static_cast<std::int64_t>(i)));
        table->setValue("NOTE", inputs[i].note);
        table->setValue("Pic", inputs[i].pic);
        table->post();
    }
    const auto applied = table->apply();
    EXPECT_EQ(applied.written, inputs.size());
    EXPECT_TRUE(applied.rejected.empty()) << applied.rejected.front().message;

    const auto read = rows("select \"id\", \"note\", \"pic\" from \"big\" order by \"id\"");
    ASSERT_EQ(read.size(), inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(read[i][1].kind, inputs[i].note.kind);
        EXPECT_TRUE(read[i][1].data == inputs[i].note.data) << "note of " << read[i][1].data.size() << " bytes";
        EXPECT_EQ(read[i][2].kind, inputs[i].pic.kind);
        EXPECT_TRUE(read[i][2].data == inputs[i].pic.data) << "pic of " << read[i][2].data.size() << " bytes";
    }
}

TEST_F(OciDriver, ALargeObjectBeforeLongValuesInTheTableStillGoesIn)
{
    // The order of the table puts a CLOB through a temporary LOB before a CLOB short enough to bind as
    // bytes and before a character column of 4000 bytes: Oracle wants every LOB bind after those.
    m_conn->execute("create table \"DOC\" (\"ID\" number, \"BODY\" clob, \"NAME\" varchar2(2000 char), "
                    "\"NOTE\" clob, \"CREATED\" date)");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("DOC");
    const std::string body = textPattern(40000);
    const std::string note = textPattern(5000);
    std::string name;
    for (int i = 0; i < 2000; ++i)
        name += "ß";
    for (std::int64_t id = 1; id <= 3; ++id) {
        table->append();
        table->setValue("ID", Value::integer(id));
        table->setValue("BODY", Value::text(body));
        table->setValue("NAME", Value::text(name));
        table->setValue("NOTE", id == 2 ? Value::null() : Value::text(note));
        table->setValue("CREATED", Value::of(ValueKind::DateTime, "2024-02-29 23:59:58"));
        table->post();
    }
    const auto applied = table->apply();
    EXPECT_TRUE(applied.rejected.empty()) << applied.rejected.front().message;
    EXPECT_EQ(applied.written, 3u);
    const auto read = rows("select \"ID\", \"BODY\", \"NAME\", \"NOTE\", \"CREATED\" from \"DOC\" order by 1");
    ASSERT_EQ(read.size(), 3u);
    for (const auto &row : read) {
        SCOPED_TRACE(row[0].data);
        EXPECT_TRUE(row[1].data == body) << row[1].data.size() << " bytes";
        EXPECT_EQ(row[2].data, name);
        EXPECT_TRUE(row[0].data == "2" ? row[3].isNull() : row[3].data == note);
        EXPECT_EQ(row[4].data, "2024-02-29 23:59:58");
    }
}

class OciApply : public OciDriver, public testing::WithParamInterface<db::ApplyMode> {};

TEST_P(OciApply, RejectedRowsAreReportedWithOraclesTextAndTheOthersWritten)
{
    m_conn->execute("create table \"PEOPLE\" (\"ID\" number(3) primary key, \"NAME\" varchar2(5) not null,"
                    " \"NOTE\" clob)");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->setApplyMode(GetParam());
    table->open("PEOPLE");
    for (int i = 0; i < 10; ++i) {
        table->append();
        table->setValue("ID", Value::integer(i + 1));
        table->setValue("NAME", i == 3 ? Value::text("toolongname") : i == 7 ? Value::null() : Value::text("n" + std::to_string(i)));
        table->setValue("NOTE", Value::text("note " + std::to_string(i)));
        table->post();
    }
    const auto applied = table->apply();
    EXPECT_EQ(applied.written, 8u);
    ASSERT_EQ(applied.rejected.size(), 2u);
    EXPECT_EQ(applied.rejected[0].index, 3u);
    const std::string column = "\"" + m_sim.owner() + "\".\"PEOPLE\".\"NAME\"";
    EXPECT_TRUE(
        testsupport::oracleErrorIs(differences(), applied.rejected[0].message,
                                   "ORA-12899: value too large for column " + column + " (actual: 11, maximum: 5)"));
    EXPECT_EQ(applied.rejected[1].index, 7u);
    EXPECT_TRUE(testsupport::oracleErrorIs(differences(), applied.rejected[1].message,
                                           "ORA-01400: cannot insert NULL into (" + column + ")"));
    EXPECT_EQ(table->pendingCount(), 0u) << "rejected rows are dropped, not sent again";

    // Committed: another session sees exactly the good rows.
    const auto ids = connect(m_sim)->query("select \"ID\" from \"PEOPLE\" order by \"ID\"");
    std::vector<std::string> seen;
    for (const auto &r : ids)
        seen.push_back(r[0].data);
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3", "5", "6", "7", "9", "10"}));

    // A duplicate key in the next apply is rejected alone as well.
    table->append();
    table->setValue("ID", Value::integer(1));
    table->setValue("NAME", Value::text("dup"));
    table->post();
    table->append();
    table->setValue("ID", Value::integer(11));
    table->setValue("NAME", Value::text("new"));
    table->post();
    const auto second = table->apply();
    EXPECT_EQ(second.written, 1u);
    ASSERT_EQ(second.rejected.size(), 1u);
    EXPECT_EQ(second.rejected[0].index, 0u);
    EXPECT_EQ(second.rejected[0].message.rfind("ORA-00001: unique constraint (", 0), 0u) << second.rejected[0].message;
    EXPECT_EQ(count("PEOPLE"), 9);
}

INSTANTIATE_TEST_SUITE_P(BothModes, OciApply, testing::Values(db::ApplyMode::Array, db::ApplyMode::RowByRow),
                         [](const auto &info) { return info.param == db::ApplyMode::Array ? "Array" : "RowByRow"; });

TEST_F(OciDriver, AnApplyThatFailsAsAWholeThrowsAndKeepsItsRows)
{
    m_conn->execute("create table \"GONE\" (\"ID\" number, \"NOTE\" clob)");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("GONE");
    // The large object went to a temporary LOB when it was set; the failed apply must not let go of it.
    const std::string note = textPattern(100000);
    table->append();
    table->setValue("ID", Value::integer(1));
    table->setValue("NOTE", Value::text(note));
    table->post();
    connect(m_sim)->execute("drop table \"GONE\"");
    try {
        table->apply();
        FAIL() << "an insert into a dropped table succeeded";
    } catch (const db::Error &e) {
        EXPECT_TRUE(testsupport::oracleErrorIs(differences(), e.what(), "ORA-00942: table or view does not exist"));
        EXPECT_EQ(e.statement(), "insert into \"GONE\"\r\n  (\"ID\", \"NOTE\")\r\nvalues\r\n  (:1, :2)\r\n");
    }
    EXPECT_EQ(table->pendingCount(), 1u);
    // Once the table is back, the same rows go in whole.
    connect(m_sim)->execute("create table \"GONE\" (\"ID\" number, \"NOTE\" clob)");
    EXPECT_EQ(table->apply().written, 1u);
    EXPECT_TRUE(rows("select \"NOTE\" from \"GONE\"").at(0).at(0).data == note);

    try {
        table->open("NEVER_THERE");
        FAIL() << "opened a missing table";
    } catch (const db::Error &e) {
        EXPECT_EQ(e.code(), 942);
    }
    EXPECT_THROW(table->open("A\"B"), db::Error);
}

TEST_F(OciDriver, FieldsAreFoundWithoutRegardToCaseAndUnknownOnesNamed)
{
    m_conn->execute("create table \"F\" (\"Name\" varchar2(10))");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("F");
    table->append();
    EXPECT_NO_THROW(table->setValue("NAME", Value::text("a")));
    EXPECT_NO_THROW(table->setValue("name", Value::text("b")));
    try {
        table->setValue("NOTE", Value::text("x"));
        FAIL() << "an unknown column was accepted";
    } catch (const db::Error &e) {
        EXPECT_STREQ(e.what(), "oracleinsertdata: Field 'NOTE' not found");
    }
    table->setName("other");
    EXPECT_THROW(
        {
            try {
                table->setValue("x", Value::null());
            } catch (const db::Error &e) {
                EXPECT_STREQ(e.what(), "other: Field 'x' not found");
                throw;
            }
        },
        db::Error);
    table->post();
    EXPECT_EQ(table->apply().written, 1u);
    EXPECT_EQ(rows("select \"Name\" from \"F\"").at(0).at(0), Value::text("b")) << "the last value set counts";
}

TEST_F(OciDriver, RollbackUndoesWhatWasNotCommitted)
{
    m_conn->execute("create table \"R\" (\"ID\" number)");
    m_conn->execute("insert into \"R\" values (1)");
    EXPECT_EQ(rows("select count(*) from \"R\"").at(0).at(0).toInteger(), 1);
    m_conn->rollback();
    EXPECT_EQ(rows("select count(*) from \"R\"").at(0).at(0).toInteger(), 0);

    m_conn->execute("insert into \"R\" values (2)");
    EXPECT_EQ(count("R"), 0) << "another session does not see uncommitted rows";
    m_conn->commit();
    EXPECT_EQ(count("R"), 1);

    // Closing a connection does not commit behind the user's back.
    m_conn->execute("insert into \"R\" values (3)");
    m_conn->close();
    EXPECT_EQ(count("R"), 1);
}

TEST_F(OciDriver, QueriesTakeBoundValuesInEitherMarkerStyle)
{
    m_conn->execute("create table \"Q\" (\"K\" varchar2(20), \"V\" number)");
    m_conn->execute("insert into \"Q\" values ('a''?', 1)");
    m_conn->execute("insert into \"Q\" values ('b', 2)");
    m_conn->commit();
    EXPECT_EQ(m_conn->query("select \"V\" from \"Q\" where \"K\" = ?", {Value::text("a'?")}),
              (std::vector<db::Row>{{Value::of(ValueKind::Decimal, "1")}}));
    EXPECT_EQ(m_conn->query("select \"V\" from \"Q\" where \"K\" = :1 or \"V\" = :2", {Value::text("x"), Value::integer(2)}),
              (std::vector<db::Row>{{Value::of(ValueKind::Decimal, "2")}}));
    EXPECT_TRUE(m_conn->query("select \"V\" from \"Q\" where \"K\" = ?", {Value::null()}).empty());
}

TEST_F(OciDriver, InsertStatementTextWithAndWithoutLargeObjects)
{
    m_conn->execute("create table \"PLAIN\" (\"ID\" number, \"Name\" varchar2(10), \"D\" date)");
    m_conn->execute("create table \"ORDERS\" (\"ID\" number, \"NOTE\" clob, \"QTY\" number, \"pic\" blob)");
    auto table = m_conn->createTargetTable("oracleinsertdata");
    table->open("PLAIN");
    EXPECT_EQ(table->insertStatement(), "insert into \"PLAIN\"\r\n"
                                        "  (\"ID\", \"Name\", \"D\")\r\n"
                                        "values\r\n"
                                        "  (?, ?, ?)\r\n");
    // Large objects are bound as the locators of temporary LOBs, after every other column.
    table->open("ORDERS");
    EXPECT_EQ(table->insertStatement(), "insert into \"ORDERS\"\r\n"
                                        "  (\"ID\", \"QTY\", \"NOTE\", \"pic\")\r\n"
                                        "values\r\n"
                                        "  (?, ?, ?, ?)\r\n");
    table->close();
    EXPECT_THROW(table->insertStatement(), db::Error);
}

TEST(OciMarkers, QuestionMarksBecomePositionalOutsideLiteralsIdentifiersAndComments)
{
    EXPECT_EQ(db::positionalMarkers("insert into \"A?\" values (?, 'it''s ?', ? -- ?\n, /* ? */ ?)"),
              "insert into \"A?\" values (:1, 'it''s ?', :2 -- ?\n, /* ? */ :3)");
    EXPECT_EQ(db::positionalMarkers("select 1 from t where a = :1"), "select 1 from t where a = :1");
    EXPECT_EQ(db::positionalMarkers("values (?, '?"), "values (:1, '?") << "an open literal runs to the end";
    EXPECT_EQ(db::positionalMarkers("?? -- ?"), ":1:2 -- ?");
}

TEST(OciInsertPlan, LobColumnsComeLastAndTheirLocatorsAfterEveryBindThatMayBeLong)
{
    auto column = [](std::string name, int type, int size = 0) {
        db::ColumnInfo info;
        info.name = std::move(name);
        info.type = type;
        info.size = size;
        return info;
    };
    // A CLOB bound as bytes, a NUMBER, a BLOB through a temporary LOB, an empty CLOB, a DATE, a
    // VARCHAR2 longer than 4000 bytes (MAX_STRING_SIZE=EXTENDED) and a CLOB through a temporary LOB.
    const std::vector<db::ColumnInfo> columns = {column("A", 112), column("B", 2, 22), column("c", 113),
                                                 column("D", 112), column("E", 12, 7), column("F", 1, 32767),
                                                 column("G", 112)};
    using F = db::OciLobForm;
    const auto plan = db::OciInsertPlan::build(
        "T", columns, {F::Bound, F::Bound, F::Temporary, F::Empty, F::Bound, F::Bound, F::Temporary});
    EXPECT_EQ(plan.text, "insert into \"T\"\r\n"
                         "  (\"B\", \"E\", \"F\", \"A\", \"D\", \"c\", \"G\")\r\n"
                         "values\r\n"
                         "  (?, ?, ?, ?, EMPTY_CLOB(), ?, ?)\r\n");
    EXPECT_EQ(plan.bound, (std::vector<std::size_t>{1, 4, 5, 0, 2, 6}));
}

TEST(OciDiagnostics, OraclesTextLosesOnlyItsLineEndAndHelpLine)
{
    EXPECT_EQ(db::trimOracleMessage("ORA-00942: table or view does not exist\n"),
              "ORA-00942: table or view does not exist");
    EXPECT_EQ(db::trimOracleMessage("ORA-00942: table or view \"SCOTT\".\"T\" does not exist\n"
                                    "Help: https://docs.oracle.com/error-help/db/ora-00942/\n"),
              "ORA-00942: table or view \"SCOTT\".\"T\" does not exist");
    EXPECT_TRUE(db::OciDiagnostics::isLostSession(3113));
    EXPECT_TRUE(db::OciDiagnostics::isLostSession(12570));
    EXPECT_FALSE(db::OciDiagnostics::isLostSession(1017));
}
