// The MySQL driver against the private MariaDB server: opening and its failures, values read back
// byte for byte with their kinds, fields by name, buffered and streamed reads, prepared queries,
// transactions, a session killed under a connection, and calls and connects cancelled from another
// thread.
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"
#include "db/UntimedCalls.h"
#include "db/mysql/MySqlLiterals.h"
#include "support/CallBreaker.h"
#include "support/MySqlSandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using db::Value;
using db::ValueKind;
using testsupport::ScratchDatabase;

namespace {

std::string openError(const std::vector<std::string> &profile, int *code = nullptr)
{
    auto connection = db::createMySqlConnection();
    connection->replaceProfile(profile);
    try {
        connection->open();
    } catch (const db::Error &e) {
        if (code)
            *code = e.code();
        EXPECT_FALSE(connection->isOpen());
        return e.what();
    }
    ADD_FAILURE() << "open succeeded";
    return {};
}

std::string single(db::Connection &connection, const std::string &sql)
{
    auto rows = connection.query(sql);
    if (rows.size() != 1 || rows[0].size() != 1)
        throw std::runtime_error("expected one value from " + sql);
    return rows[0][0].data;
}

// A loopback TCP port nobody listens on: bound, never listened to, closed when the guard goes.
class DeadPort {
public:
    DeadPort() : m_fd(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t size = sizeof address;
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~DeadPort() { ::close(m_fd); }
    int port() const { return m_port; }

private:
    int m_fd;
    int m_port = 0;
};

// Opens 127.0.0.1 on a port without a listener, named by an option file of its own; reports the error
// on stderr and exits 0 when the open failed.
[[noreturn]] void openWithoutListener()
{
    DeadPort dead;
    auto dir = std::filesystem::temp_directory_path() / ("morvane-nolistener-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "my.cnf") << "[client]\nport=" << dead.port() << "\n";
    setenv("MYSQL_HOME", dir.c_str(), 1);
    int status = 1;
    try {
        auto connection = db::createMySqlConnection();
        connection->replaceProfile(db::mysqlSourceProfile("", "morvane", "morvane", "127.0.0.1"));
        connection->open();
        std::fprintf(stderr, "open succeeded\n");
    } catch (const db::Error &e) {
        std::fprintf(stderr, "%d %s\n", e.code(), e.what());
        status = 0;
    }
    std::filesystem::remove_all(dir);
    std::exit(status);
}

// A loopback TCP port that takes connections and never says a word: the kernel completes each
// handshake, nobody answers it.
class SilentServer {
public:
    SilentServer() : m_fd(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(m_fd, 4);
        socklen_t size = sizeof address;
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer()
    {
        if (m_accepted >= 0)
            ::close(m_accepted);
        ::close(m_fd);
    }
    int port() const { return m_port; }
    // Waits for a client to connect (ten seconds at most), and keeps its connection open, unanswered,
    // until this goes.
    void acceptOne()
    {
        pollfd listening{m_fd, POLLIN, 0};
        if (poll(&listening, 1, 10000) == 1)
            m_accepted = accept(m_fd, nullptr, nullptr);
    }

private:
    int m_fd;
    int m_port = 0;
    int m_accepted = -1;
};

// Opens 127.0.0.1 on a port whose server never answers, named by an option file of its own, and
// cancels the open from this thread once the client waits for the server's greeting. Reports how the
// open ended on stderr, and exits 0 when it ended as cancelled.
[[noreturn]] void cancelAConnectToASilentServer()
{
    SilentServer silent;
    auto dir = std::filesystem::temp_directory_path() / ("morvane-silent-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "my.cnf") << "[client]\nport=" << silent.port() << "\n";
    setenv("MYSQL_HOME", dir.c_str(), 1);
    auto connection = db::createMySqlConnection();
    connection->replaceProfile(db::mysqlSourceProfile("", "morvane", "morvane", "127.0.0.1"));
    const auto broken = testsupport::cancelWhenUnderWay(
        *connection, [&] { connection->open(); },
        [&] {
            silent.acceptOne();
            return true;
        });
    std::filesystem::remove_all(dir);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(broken.afterCancel).count();
    int status = 1;
    try {
        if (broken.error)
            std::rethrow_exception(broken.error);
        std::fprintf(stderr, "open succeeded\n");
    } catch (const db::CancelledError &e) {
        std::fprintf(stderr, "cancelled after %lld ms: %s\n", static_cast<long long>(took), e.what());
        // Connecting would have waited thirty seconds for the server otherwise.
        status = took < 5000 && !connection->isOpen() ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    std::exit(status);
}

// Whether the server is at work on a statement of this session.
bool runningOn(db::Connection &watcher, const std::string &sessionId)
{
    return single(watcher, "select count(*) from information_schema.processlist where id = " + sessionId +
                               " and info is not null") == "1";
}

} // namespace

TEST(MySqlOpen, WrongPasswordCarriesTheServerText)
{
    MORVANE_REQUIRE_SANDBOX();
    int code = 0;
    std::string message = openError(db::mysqlSourceProfile("", "morvane", "not-the-password", "localhost"), &code);
    EXPECT_EQ(code, 1045);
    EXPECT_EQ(message, "Access denied for user 'morvane'@'localhost' (using password: YES)");
}

TEST(MySqlOpen, UnknownDatabaseIsSentAsTyped)
{
    MORVANE_REQUIRE_SANDBOX();
    int code = 0;
    EXPECT_EQ(openError(testsupport::sourceProfile("no_such_db"), &code), "Unknown database 'no_such_db'");
    EXPECT_EQ(code, 1049);
    // A trailing blank is part of the name, not trimmed away.
    ScratchDatabase scratch;
    EXPECT_EQ(openError(testsupport::sourceProfile(scratch.name() + " ")),
              "Incorrect database name '" + scratch.name() + " '");
}

TEST(MySqlOpen, UnreachableServerGivesTheClientText)
{
    MORVANE_REQUIRE_SANDBOX();
    // The client library learns where its option files are once per process, so the attempt runs in a
    // fresh child (the re-executing death-test style) that points MYSQL_HOME elsewhere before any connect.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(openWithoutListener(), testing::ExitedWithCode(0), "^2002 Can't connect to server on '127.0.0.1'");
}

TEST(MySqlOpen, AConnectTimeoutInTheOptionFilesIsTheWaitForReadsToo)
{
    MORVANE_REQUIRE_SANDBOX();
    // Without one, a query that takes a few seconds is waited for.
    auto patient = testsupport::connectSandbox();
    EXPECT_EQ(single(*patient, "select sleep(2)"), "0");

    // ~/.my.cnf is read at every connect, after the sandbox's own option file.
    const auto home = std::filesystem::temp_directory_path() / ("morvane-home-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    std::ofstream(home / ".my.cnf") << "[client]\nconnect-timeout=1\n";
    const std::string realHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.c_str(), 1);
    std::unique_ptr<db::Connection> hasty;
    try {
        hasty = testsupport::connectSandbox();
    } catch (...) {
        setenv("HOME", realHome.c_str(), 1);
        throw;
    }
    setenv("HOME", realHome.c_str(), 1);
    std::filesystem::remove_all(home);
    EXPECT_THROW(single(*hasty, "select sleep(3)"), db::ConnectionLostError);
}

TEST(MySqlTimeout, AChosenWaitCutsAQuietCallAndAnUntimedScopeWaitsForIt)
{
    MORVANE_REQUIRE_SANDBOX();
    auto connection = db::createMySqlConnection();
    connection->replaceProfile(testsupport::sourceProfile());
    connection->setCallTimeout(1);
    connection->open();
    connection->execute("set @mine = 'the connection''s own session'");
    {
        // A full-table measurement sends nothing until it ends; here it may take as long as it needs.
        const db::UntimedCalls untimed(*connection);
        EXPECT_EQ(single(*connection, "select sleep(2)"), "0");
        EXPECT_EQ(single(*connection, "select @mine"), "") << "the scope has a session of its own";
        auto dataSet = connection->createDataSet();
        dataSet->open("select sleep(2) as s");
        EXPECT_EQ(dataSet->value(0).data, "0");
    }
    EXPECT_EQ(single(*connection, "select @mine"), "the connection's own session");
    try {
        single(*connection, "select sleep(3)");
        ADD_FAILURE() << "a call of 3 s went through under a limit of 1 s";
    } catch (const db::CallTimeoutError &e) {
        EXPECT_STREQ(e.what(), "The MySQL server did not answer within 1 second: Lost connection to server during "
                               "query");
        EXPECT_EQ(e.seconds(), 1u);
        EXPECT_EQ(e.statement(), "select sleep(3)");
    }

    // 0: no limit at all. A lost connection that was no wait is not called one.
    auto patient = db::createMySqlConnection();
    patient->replaceProfile(testsupport::sourceProfile());
    patient->setCallTimeout(0);
    patient->open();
    EXPECT_EQ(single(*patient, "select sleep(2)"), "0");
    const std::string id = single(*patient, "select connection_id()");
    auto killer = testsupport::connectSandbox();
    try {
        killer->execute("kill " + id);
        single(*patient, "select 1");
        ADD_FAILURE() << "a killed session answered";
    } catch (const db::CallTimeoutError &e) {
        ADD_FAILURE() << e.what();
    } catch (const db::ConnectionLostError &) {
    }
}

TEST(MySqlOpen, CharacterSetIsUtf8mb4UnlessTheProfileNamesOne)
{
    MORVANE_REQUIRE_SANDBOX();
    auto connection = testsupport::connectSandbox();
    EXPECT_EQ(single(*connection, "select @@character_set_client"), "utf8mb4");
    EXPECT_EQ(single(*connection, "select @@character_set_results"), "utf8mb4");

    auto latin = db::createMySqlConnection();
    latin->replaceProfile(testsupport::sourceProfile());
    latin->setParameter("CharSet", "latin1");
    latin->open();
    EXPECT_EQ(single(*latin, "select @@character_set_results"), "latin1");
    EXPECT_EQ(single(*latin, "select _utf8mb4 x'C3A9'"), "\xE9");

    auto profile = testsupport::sourceProfile();
    profile.push_back("CharSet=klingon");
    EXPECT_NE(openError(profile).find("klingon"), std::string::npos);
}

TEST(MySqlOpen, ProfileChangesTakeEffectAtTheNextOpen)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase first, second;
    auto connection = testsupport::connectSandbox(first.name());
    connection->setParameter("database", second.name());
    EXPECT_EQ(connection->profile().lines()[0], "Database=" + second.name());
    connection->open(); // already open: nothing happens
    EXPECT_EQ(single(*connection, "select database()"), first.name());
    connection->close();
    EXPECT_FALSE(connection->isOpen());
    connection->open();
    EXPECT_EQ(single(*connection, "select database()"), second.name());
}

TEST(MySqlValues, NullEmptyAndBinaryWithNulBytesComeBackExactly)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch({"create table t (id int, txt varchar(20), bin varbinary(20), b blob, ch char(5))",
                             "insert into t values (1, NULL, NULL, NULL, NULL), (2, '', '', '', ''),"
                             " (3, 'a', x'00410042', x'00ff00', 'ab  ')"});
    auto connection = testsupport::connectSandbox(scratch.name());
    auto set = connection->createDataSet();
    set->open("select txt, bin, b, ch from t order by id");

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(set->value(i), Value::null()) << i;
    set->next();
    EXPECT_EQ(set->value("txt"), Value::text(""));
    EXPECT_EQ(set->value("bin"), Value::binary(""));
    EXPECT_EQ(set->value("b"), Value::binary(""));
    set->next();
    EXPECT_EQ(set->value("bin"), Value::binary(std::string("\0A\0B", 4)));
    EXPECT_EQ(set->value("b"), Value::binary(std::string("\0\xff\0", 3)));
    // CHAR loses trailing blanks in MySQL itself (without PAD_CHAR_TO_FULL_LENGTH).
    EXPECT_EQ(set->value("ch"), Value::text("ab"));
    set->next();
    EXPECT_TRUE(set->eof());
}

TEST(MySqlValues, MultiByteTextSurvivesBothWays)
{
    MORVANE_REQUIRE_SANDBOX();
    const std::string text = "Grüße, 中文, ✓ and 😀";
    ScratchDatabase scratch({"create table t (s varchar(40)) character set utf8mb4",
                             "insert into t values ('" + text + "')"});
    auto connection = testsupport::connectSandbox(scratch.name());
    EXPECT_EQ(single(*connection, "select s from t"), text);
    EXPECT_EQ(single(*connection, "select char_length(s) from t"), "18");
    connection->query("insert into t values (?)", {Value::text(text + "!")});
    EXPECT_EQ(connection->query("select s from t where s = ?", {Value::text(text + "!")}).size(), 1u);
}

TEST(MySqlValues, KindsFollowTheColumnTypes)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch(
        {"create table t (d decimal(10,2), u bigint unsigned, i int, ti tinyint(1), f float, db double,"
         " dt date, dtm datetime, dt6 datetime(6), ts timestamp null, tm time, y year, bt bit(8), e enum('a','b'),"
         " js json, z date)",
         "insert into t values (-12.50, 18446744073709551615, -2147483648, 1, 1.1, 0.1, '2024-02-29',"
         " '1999-12-31 23:59:59', '2000-01-01 00:00:00.000001', '2038-01-19 03:14:07', '-838:59:59', 2155,"
         " b'10000001', 'b', '{\"k\": [1, 2]}', '0000-00-00')"});
    auto connection = testsupport::connectSandbox(scratch.name());
    auto set = connection->createDataSet();
    set->open("select * from t");
    const std::vector<Value> expected = {
        Value::of(ValueKind::Decimal, "-12.50"),
        Value::of(ValueKind::Integer, "18446744073709551615"),
        Value::of(ValueKind::Integer, "-2147483648"),
        Value::of(ValueKind::Integer, "1"),
        Value::of(ValueKind::Float, "1.1"),
        Value::of(ValueKind::Float, "0.1"),
        Value::of(ValueKind::Date, "2024-02-29"),
        Value::of(ValueKind::DateTime, "1999-12-31 23:59:59"),
        Value::of(ValueKind::DateTime, "2000-01-01 00:00:00.000001"),
        Value::of(ValueKind::DateTime, "2038-01-19 03:14:07"),
        Value::of(ValueKind::Time, "-838:59:59"),
        Value::of(ValueKind::Integer, "2155"),
        Value::binary("\x81"),
        Value::text("b"),
        Value::text("{\"k\": [1, 2]}"),
        // The zero date has no calendar value; it comes as the server's text for the copy to judge.
        Value::of(ValueKind::Date, "0000-00-00"),
    };
    ASSERT_EQ(set->fieldCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < set->fieldCount(); ++i)
        EXPECT_EQ(set->value(i), expected[static_cast<std::size_t>(i)]) << set->fieldName(i);

    // The same through a prepared statement, whose rows come in the binary protocol.
    auto rows = connection->query("select * from t where u = ?", {Value::of(ValueKind::Integer, "18446744073709551615")});
    ASSERT_EQ(rows.size(), 1u);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(rows[0][i], expected[i]) << i;
}

TEST(MySqlFields, NamesMatchWithoutRegardToCase)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch({"create table T1 (Id int, `Column_Name` varchar(10))", "insert into T1 values (7, 'x')"});
    auto connection = testsupport::connectSandbox(scratch.name());
    auto set = connection->createDataSet();
    set->open("show FIELDS from T1");
    ASSERT_FALSE(set->eof());
    EXPECT_EQ(set->fieldName(0), "Field");
    EXPECT_EQ(set->text("field"), "Id");
    EXPECT_EQ(set->text("TYPE"), "int(11)");
    EXPECT_EQ(set->value("Default"), Value::null());

    set->open("select * from T1");
    EXPECT_EQ(set->text("column_name"), "x");
    EXPECT_EQ(set->integer("ID"), 7);
    try {
        set->value("nosuch");
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_STREQ(e.what(), "Field 'nosuch' not found");
    }
    EXPECT_THROW(set->value(2), db::Error);
}

TEST(MySqlFields, IntegerReadsAreStrict)
{
    MORVANE_REQUIRE_SANDBOX();
    auto connection = testsupport::connectSandbox();
    auto set = connection->createDataSet();
    set->open("select count(*) as n, -42 as neg, 'x' as letter, '' as empty, 9223372036854775807 as big");
    EXPECT_EQ(set->integer("n"), 0 + 1);
    EXPECT_EQ(set->integer("neg"), -42);
    EXPECT_EQ(set->integer("big"), 9223372036854775807LL);
    try {
        set->integer("letter");
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    EXPECT_THROW(set->integer("empty"), db::Error);
}

TEST(MySqlDataSet, OpenWalkCloseAndExecute)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch({"create table t (n int)"});
    auto connection = testsupport::connectSandbox(scratch.name());
    auto set = connection->createDataSet();

    set->open("select n from t");
    EXPECT_TRUE(set->isOpen());
    EXPECT_TRUE(set->eof());
    EXPECT_EQ(set->fieldCount(), 1);
    EXPECT_THROW(set->value(0), db::Error);
    set->next(); // at the end already: stays there
    EXPECT_TRUE(set->eof());

    set->execute("insert into t values (3), (1), (2)");
    EXPECT_FALSE(set->isOpen());
    set->open("select n from t order by n");
    std::string seen;
    for (; !set->eof(); set->next())
        seen += set->text(0);
    EXPECT_EQ(seen, "123");
    set->close();
    EXPECT_FALSE(set->isOpen());
    EXPECT_TRUE(set->eof());

    // A statement without rows is refused by open (after the server ran it) and leaves the session usable.
    EXPECT_THROW(set->open("update t set n = n + 10"), db::Error);
    EXPECT_EQ(single(*connection, "select sum(n) from t"), "36");

    try {
        set->open("selec 1");
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_EQ(e.code(), 1064);
        EXPECT_NE(std::string(e.what()).find("You have an error in your SQL syntax"), std::string::npos);
    }
    try {
        connection->execute("drop table nosuch");
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_EQ(std::string(e.what()), "Unknown table '" + scratch.name() + ".nosuch'");
    }
}

TEST(MySqlDataSet, FollowsTheConnectionAcrossSessions)
{
    MORVANE_REQUIRE_SANDBOX();
    auto connection = testsupport::connectSandbox();
    auto set = connection->createDataSet();
    set->open("select connection_id()");
    const std::string firstSession = set->text(0);

    connection->close(); // takes the data set's result with it
    EXPECT_FALSE(set->isOpen());
    EXPECT_THROW(set->open("select 1"), db::Error);

    connection->open();
    set->open("select connection_id()");
    EXPECT_NE(set->text(0), firstSession);

    // A data set that outlives its connection finds it closed, never a freed session.
    connection.reset();
    EXPECT_FALSE(set->isOpen());
    try {
        set->open("select 1");
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_STREQ(e.what(), "The MySQL connection is not open");
    }
}

TEST(MySqlDataSet, StreamedReadsEveryRowAndClosesEarlyCleanly)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch({"create table t (n int primary key, pad varchar(100))",
                             "insert into t select seq, repeat('x', 100) from seq_1_to_50000"});
    auto connection = testsupport::connectSandbox(scratch.name());
    auto set = connection->createDataSet();

    set->open("select n, pad from t order by n", db::FetchMode::Streamed);
    long long count = 0, sum = 0;
    for (; !set->eof(); set->next()) {
        ++count;
        sum += set->integer(0);
    }
    EXPECT_EQ(count, 50000);
    EXPECT_EQ(sum, 50000LL * 50001 / 2);
    EXPECT_EQ(set->fieldName(1), "pad");

    // While a streamed result is unread the session takes no other command...
    set->open("select n from t order by n", db::FetchMode::Streamed);
    EXPECT_EQ(set->integer(0), 1);
    try {
        connection->query("select 1");
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_EQ(e.code(), 2014);
    }
    // ...and closing it early hands the session back.
    set->close();
    EXPECT_EQ(single(*connection, "select count(*) from t"), "50000");
    set->open("select n from t where n > 49998 order by n", db::FetchMode::Streamed);
    EXPECT_EQ(set->text(0), "49999");
    connection->close(); // with the streamed result still open
    connection->open();
    EXPECT_EQ(single(*connection, "select 2"), "2");
}

TEST(MySqlLiterals, NoValueCanChangeTheStatement)
{
    using db::mysqlLiteral;
    EXPECT_EQ(mysqlLiteral(Value::integer(-5), "utf8mb4"), "-5");
    EXPECT_EQ(mysqlLiteral(Value::of(ValueKind::Decimal, "-12.50"), "utf8mb4"), "-12.50");
    EXPECT_EQ(mysqlLiteral(Value::of(ValueKind::Float, "1.5e-7"), "utf8mb4"), "1.5e-7");
    EXPECT_EQ(mysqlLiteral(Value::text("a'b"), "utf8mb4"), "_utf8mb4 X'612762'");
    EXPECT_EQ(mysqlLiteral(Value::binary(std::string("\0\xff", 2)), "utf8mb4"), "X'00FF'");
    EXPECT_EQ(mysqlLiteral(Value::of(ValueKind::DateTime, "2024-01-02 03:04:05"), "utf8mb4"), "'2024-01-02 03:04:05'");
    EXPECT_EQ(mysqlLiteral(Value::null(), "utf8mb4"), "NULL");
    EXPECT_THROW(mysqlLiteral(Value::of(ValueKind::Integer, "1 or 1=1"), "utf8mb4"), db::Error);
    EXPECT_THROW(mysqlLiteral(Value::of(ValueKind::Integer, "1-2"), "utf8mb4"), db::Error);
    EXPECT_THROW(mysqlLiteral(Value::of(ValueKind::Decimal, ""), "utf8mb4"), db::Error);
    EXPECT_THROW(mysqlLiteral(Value::of(ValueKind::Date, "2024' --"), "utf8mb4"), db::Error);
}

TEST(MySqlLiterals, MarkersAreFilledOutsideQuotesNamesAndComments)
{
    using db::placeMySqlValues;
    const std::vector<Value> two = {Value::integer(7), Value::text("x")};
    EXPECT_EQ(placeMySqlValues("select `a?` from t where n > ? and s = ?", two, "utf8mb4"),
              "select `a?` from t where n > 7 and s = _utf8mb4 X'78'");
    EXPECT_EQ(placeMySqlValues("select 'it''s?', \"\\\"?\" /* ? */ -- ?\n, ?, ? # ?", two, "latin1"),
              "select 'it''s?', \"\\\"?\" /* ? */ -- ?\n, 7, _latin1 X'78' # ?");
    EXPECT_EQ(placeMySqlValues("select n from t where n = -?", {Value::integer(-3)}, "utf8mb4"),
              "select n from t where n = --3")
        << "-- without a blank after it opens no comment";
    EXPECT_THROW(placeMySqlValues("select ?", {}, "utf8mb4"), db::Error);
    EXPECT_THROW(placeMySqlValues("select ?", two, "utf8mb4"), db::Error);
    EXPECT_THROW(placeMySqlValues("select '?", {Value::integer(1)}, "utf8mb4"), db::Error);
}

TEST(MySqlDataSet, ValuesAreReadBackAsTheyWereGiven)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch({"create table k (s varchar(20) primary key, b varbinary(4), d date, n decimal(6,2))"
                             " character set utf8mb4",
                             "insert into k values ('ä@x.org', x'00ff', '2024-02-29', -1.50), ('b', x'01', null, 2)"});
    auto connection = testsupport::connectSandbox(scratch.name());
    auto set = connection->createDataSet();
    set->open("select s from k where s = ? and b = ? and d = ? and n = ?",
              {Value::text("ä@x.org"), Value::binary(std::string("\0\xff", 2)),
               Value::of(ValueKind::Date, "2024-02-29"), Value::of(ValueKind::Decimal, "-1.5")},
              db::FetchMode::Streamed);
    ASSERT_FALSE(set->eof());
    EXPECT_EQ(set->text(0), "ä@x.org");
    set->next();
    EXPECT_TRUE(set->eof());
    try {
        set->open("select s from no_such_table where s = ?", {Value::text("ä@x.org")}, db::FetchMode::Buffered);
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_EQ(e.statement(), "select s from no_such_table where s = ?") << "the statement with its marker";
    }
}

TEST(MySqlConnection, KilledSessionIsConnectionLost)
{
    MORVANE_REQUIRE_SANDBOX();
    auto victim = testsupport::connectSandbox();
    auto killer = testsupport::connectSandbox();
    const std::string id = single(*victim, "select connection_id()");
    killer->execute("KILL CONNECTION " + id);

    auto set = victim->createDataSet();
    try {
        set->open("select 1");
        FAIL() << "the killed session still answered";
    } catch (const db::ConnectionLostError &e) {
        EXPECT_TRUE(e.code() == 2006 || e.code() == 2013 || e.code() == 1927) << e.code() << " " << e.what();
    }
    // Reopening gives a fresh session.
    victim->close();
    victim->open();
    EXPECT_NE(single(*victim, "select connection_id()"), id);
}

TEST(MySqlConnection, SessionKilledInTheMiddleOfAStreamedReadIsNotTheEnd)
{
    MORVANE_REQUIRE_SANDBOX();
    // Far more than the socket buffers hold, so the server is still sending when the session dies.
    ScratchDatabase scratch({"create table t (n int, pad char(200)) character set latin1",
                             "insert into t select seq, repeat('p', 200) from seq_1_to_200000"});
    auto reader = testsupport::connectSandbox(scratch.name());
    auto set = reader->createDataSet();
    set->open("select n, pad from t", db::FetchMode::Streamed);
    const std::string id = single(scratch.admin(), "select id from information_schema.processlist where info like "
                                                   "'select n, pad from t%'");
    scratch.execute("KILL CONNECTION " + id);

    long long rows = 0;
    try {
        for (; !set->eof(); set->next())
            ++rows;
        FAIL() << "the read ended normally after " << rows << " rows";
    } catch (const db::ConnectionLostError &e) {
        EXPECT_LT(rows, 200000);
        EXPECT_EQ(e.code(), 2013) << e.what();
    }
    set.reset();
    reader->close(); // still releases cleanly
}

TEST(MySqlConnection, PreparedQueriesBindValuesNeverPasteThem)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch({"create table t (id int, s varchar(200), b blob, d decimal(30,10))"});
    auto connection = testsupport::connectSandbox(scratch.name());
    const std::string tricky = "it's a \"quote\"; drop table t; -- \\";
    const std::string bytes("\0'\\\x1a\xff", 5);
    connection->query("insert into t values (?, ?, ?, ?)",
                      {db::Value::integer(1), Value::text(tricky), Value::binary(bytes),
                       Value::of(ValueKind::Decimal, "12345678901234567890.0123456789")});
    connection->query("insert into t values (?, ?, ?, ?)", {db::Value::integer(2), Value::null(), Value::null(), Value::null()});

    auto rows = connection->query("select s, b, d from t where id = ?", {db::Value::integer(1)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Value::text(tricky));
    EXPECT_EQ(rows[0][1], Value::binary(bytes));
    EXPECT_EQ(rows[0][2], Value::of(ValueKind::Decimal, "12345678901234567890.0123456789"));
    EXPECT_EQ(connection->query("select id from t where d = ?", {Value::of(ValueKind::Decimal, "12345678901234567890.0123456789")}).size(), 1u);
    rows = connection->query("select s, b from t where id = ?", {db::Value::integer(2)});
    EXPECT_EQ(rows[0], (db::Row{Value::null(), Value::null()}));

    // A long value is read whole, beyond the first buffer the client fills.
    const std::string longText(150, 'y');
    EXPECT_EQ(connection->query("select ?", {Value::text(longText)})[0][0], Value::text(longText));

    try {
        connection->query("select ?, ?", {Value::integer(1)});
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_STREQ(e.what(), "The statement has 2 parameter markers but 1 values were given");
    }
    EXPECT_THROW(connection->query("select * from nosuch where id = ?", {Value::integer(1)}), db::Error);
    EXPECT_TRUE(connection->query("delete from t where id = 99").empty());

    // A procedure's rows, and the session free for the next statement afterwards.
    connection->execute("create procedure twice(in x int) select x * 2 as y");
    EXPECT_EQ(connection->query("call twice(?)", {Value::integer(21)}).at(0).at(0), Value::integer(42));
    EXPECT_EQ(connection->query("call twice(5)").at(0).at(0), Value::integer(10));
    EXPECT_EQ(single(*connection, "select 'free'"), "free");
}

TEST(MySqlConnection, CommitAndRollback)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch({"create table t (n int) engine=InnoDB"});
    auto connection = testsupport::connectSandbox(scratch.name());
    auto observer = testsupport::connectSandbox(scratch.name());
    connection->execute("set autocommit = 0");
    connection->execute("insert into t values (1)");
    EXPECT_EQ(single(*observer, "select count(*) from t"), "0");
    connection->rollback();
    EXPECT_EQ(single(*connection, "select count(*) from t"), "0");
    connection->execute("insert into t values (2)");
    connection->commit();
    EXPECT_EQ(single(*observer, "select count(*) from t"), "1");
}

TEST(MySqlCancel, AStatementUnderWayEndsCancelledAndItsSessionGoesOn)
{
    MORVANE_REQUIRE_SANDBOX();
    auto connection = testsupport::connectSandbox();
    auto watcher = testsupport::connectSandbox();
    const std::string id = single(*connection, "select connection_id()");
    auto running = [&] { return runningOn(*watcher, id); };

    auto broken = testsupport::cancelWhenUnderWay(
        *connection, [&] { single(*connection, "select sleep(10)"); }, running);
    EXPECT_TRUE(testsupport::endedCancelled(broken, 1317, "Query execution was interrupted", "select sleep(10)"));
    try {
        std::rethrow_exception(broken.error);
    } catch (const db::ConnectionLostError &) {
        ADD_FAILURE() << "a cancelled statement is no lost session";
    } catch (const db::CancelledError &e) {
        EXPECT_STREQ(e.what(), "The call to MySQL was cancelled (Query execution was interrupted)");
    }
    EXPECT_EQ(single(*connection, "select connection_id()"), id) << "the same session answers";

    // A prepared statement with its values, and a data set, alike.
    broken = testsupport::cancelWhenUnderWay(
        *connection, [&] { connection->query("select sleep(?)", {Value::integer(10)}); }, running);
    EXPECT_TRUE(testsupport::endedCancelled(broken, 1317, "Query execution was interrupted", ""));
    auto set = connection->createDataSet();
    broken = testsupport::cancelWhenUnderWay(
        *connection, [&] { set->open("select sleep(10) as s"); }, running);
    EXPECT_TRUE(testsupport::endedCancelled(broken, 1317, "Query execution was interrupted", "select sleep(10) as s"));
    EXPECT_FALSE(set->isOpen());
    set->open("select 'goes on' as s");
    EXPECT_EQ(set->text("s"), "goes on");
}

TEST(MySqlCancel, AStatementOnTheUntimedSessionIsEndedThere)
{
    MORVANE_REQUIRE_SANDBOX();
    auto connection = testsupport::connectSandbox();
    auto watcher = testsupport::connectSandbox();
    const std::string own = single(*connection, "select connection_id()");
    {
        const db::UntimedCalls untimed(*connection);
        const std::string second = single(*connection, "select connection_id()");
        ASSERT_NE(second, own);
        const auto broken = testsupport::cancelWhenUnderWay(
            *connection, [&] { single(*connection, "select sleep(10)"); }, [&] { return runningOn(*watcher, second); });
        EXPECT_TRUE(testsupport::endedCancelled(broken, 1317, "Query execution was interrupted", "select sleep(10)"));
        EXPECT_EQ(single(*connection, "select connection_id()"), second);
    }
    EXPECT_EQ(single(*connection, "select connection_id()"), own);
}

TEST(MySqlCancel, AStreamedReadEndsCancelledAtItsNextFetch)
{
    MORVANE_REQUIRE_SANDBOX();
    // Far more than the socket buffers hold, so the server is still sending when the cancel comes.
    ScratchDatabase scratch({"create table t (n int, pad char(200)) character set latin1",
                             "insert into t select seq, repeat('p', 200) from seq_1_to_200000"});
    auto reader = testsupport::connectSandbox(scratch.name());
    auto set = reader->createDataSet();
    set->open("select n, pad from t", db::FetchMode::Streamed);
    ASSERT_FALSE(set->eof());

    // Between two fetches no call is under way on the client, but the server still is at work on the
    // statement: the cancel reaches it, from a thread of its own.
    std::thread([&] { reader->cancel(); }).join();
    long long rows = 0;
    try {
        for (; !set->eof(); set->next())
            ++rows;
        ADD_FAILURE() << "the read ended normally after " << rows << " rows";
    } catch (const db::CancelledError &e) {
        EXPECT_LT(rows, 200000);
        EXPECT_EQ(e.code(), 1317) << e.what();
    }
    set->close();
    EXPECT_EQ(single(*reader, "select count(*) from t"), "200000") << "the session goes on";
}

TEST(MySqlCancel, WithNothingUnderWayNothingHappens)
{
    MORVANE_REQUIRE_SANDBOX();
    auto never = db::createMySqlConnection();
    never->cancel();
    never->replaceProfile(testsupport::sourceProfile());
    never->open();
    EXPECT_EQ(single(*never, "select 1"), "1");

    auto idle = testsupport::connectSandbox();
    const std::string id = single(*idle, "select connection_id()");
    idle->cancel();
    idle->cancel();
    // Nothing waits for the next statement either: it takes its full second.
    EXPECT_EQ(single(*idle, "select sleep(1)"), "0");
    EXPECT_EQ(single(*idle, "select connection_id()"), id);

    // A streamed result read to its end has nothing left on the server.
    auto set = idle->createDataSet();
    set->open("select 1 union select 2", db::FetchMode::Streamed);
    set->next();
    set->next();
    ASSERT_TRUE(set->eof());
    idle->cancel();
    set->close();
    EXPECT_EQ(single(*idle, "select sleep(1)"), "0");
    idle->close();
    idle->cancel();
}

TEST(MySqlCancel, CancelsFromAnotherThreadNeverReachALaterStatement)
{
    MORVANE_REQUIRE_SANDBOX();
    ScratchDatabase scratch;
    auto connection = testsupport::connectSandbox(scratch.name());
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        while (!done) {
            connection->cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    // Each statement either answers or ends cancelled; a KILL meant for one never ends the next, which
    // would fail as plainly interrupted.
    int answered = 0, cancelled = 0;
    for (int i = 0; i < 300; ++i) {
        try {
            // A few milliseconds of work that an interruption always ends in an error (SLEEP() may answer 1).
            EXPECT_EQ(single(*connection, "select sum(a.seq) from seq_1_to_300 a, seq_1_to_300 b"), "13545000");
            ++answered;
        } catch (const db::CancelledError &) {
            ++cancelled;
        } catch (const std::exception &e) {
            ADD_FAILURE() << "statement " << i << ": " << e.what();
        }
    }
    done = true;
    canceller.join();
    EXPECT_EQ(answered + cancelled, 300);
    EXPECT_GT(cancelled, 0) << "no cancel met a statement under way";
    EXPECT_EQ(single(*connection, "select 'goes on'"), "goes on");
}

TEST(MySqlCancel, AConnectToAServerThatNeverAnswersIsGivenUp)
{
    MORVANE_REQUIRE_SANDBOX();
    // The option files are found once per process, so the connect runs in a fresh child (see
    // UnreachableServerGivesTheClientText).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(cancelAConnectToASilentServer(), testing::ExitedWithCode(0),
                "cancelled after [0-9]+ ms: Connecting to the MySQL server 127.0.0.1 was cancelled");
}
