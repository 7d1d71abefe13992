// The window answers while the servers work, and Stop acts within a second: a copy of half a million
// rows and its verification, a verification at 20 ms a round trip, a statement that takes ten seconds,
// a MySQL host that never answers and an Oracle logon that takes long, against the sandbox MariaDB and
// the Oracle stand-in. Each prints how long the window went at most without handling its events: a
// figure for the record, not a limit the machine is held to. Stop is held to a few seconds, which tells a
// call broken off from one waited out.
#include "support/Env.h"
#include "support/GuiEventGaps.h"
#include "support/GuiFlow.h"

#include "db/Drivers.h"
#include "db/Error.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <optional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using testsupport::EventGaps;
using testsupport::GuiFlowTest;
using testsupport::ScopedEnv;
using Bar = testsupport::ButtonBar;
using Kind = testsupport::GuiPrompts::Kind;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void record(const char *what, const EventGaps &gaps)
{
    std::printf("%s: longest time without handling events %lld ms over %.1f s (%d timer ticks)\n", what,
                static_cast<long long>(gaps.longest().count()), gaps.seconds(), gaps.ticks());
    testing::Test::RecordProperty(std::string(what) + " (ms)", static_cast<int>(gaps.longest().count()));
}

// A TCP listener that takes connections into its backlog and never says a word: a MySQL host that never
// answers. Closing it resets what waits in the backlog.
class SilentHost {
public:
    SilentHost()
    {
        m_socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_socket < 0 || bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            listen(m_socket, 8) != 0)
            throw std::runtime_error("cannot listen on the loopback");
        socklen_t length = sizeof address;
        getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentHost() { close(); }
    void close()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
    }
    int port() const noexcept { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};

} // namespace

class AnsweringTest : public GuiFlowTest {
protected:
    // Answers the next question Yes at once, and says how long the work took to end after it.
    double stopAndTimeTheEnd()
    {
        prompts.answers = {true};
        const auto asked = Clock::now();
        button("btcancel").click();
        EXPECT_TRUE(waitUntilIdle(120s));
        return secondsSince(asked);
    }

    bool rowStepUnderWay(const QString &table) const
    {
        const QStringList lines = logLines();
        return !lines.isEmpty() && lines.last().startsWith("Insert table " + table + " ") &&
               lines.last().endsWith("Rows ");
    }

    // Rows in MySQL, made by the server itself.
    static std::vector<std::string> bigTable(int rows)
    {
        return {"create table big (id int primary key, note varchar(40), amount decimal(12,2)) engine=InnoDB",
                "insert into big select seq, concat('note ', seq), seq * 1.25 from seq_1_to_" + std::to_string(rows),
                "analyze table big"};
    }
};

TEST_F(AnsweringTest, ACopyOfHalfAMillionRowsAndItsVerificationLeaveTheWindowAnswering)
{
    createSource(bigTable(500000));
    reachPage4();
    ASSERT_FALSE(HasFatalFailure());
    check("chkverify").setChecked(true);
    clickAndWait("btnext");
    list("mysqltablelist").setCurrentRow(0);
    button("Button1").click();

    // The copy, from its first row to its last; then the verification, until the table's line is done.
    std::optional<EventGaps> copy, verification;
    when([&] { return rowStepUnderWay("BIG"); }, [&] { copy.emplace(); });
    when([&] { return logLines().contains("Insert table BIG 500000 Rows "); },
         [&] {
             copy->stop();
             verification.emplace();
         });
    button("btnext").click();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(copy && verification) << logLines().join("\n").toStdString();
    verification->stop();

    EXPECT_EQ(window->currentPage(), 6) << lastMessage();
    EXPECT_TRUE(logLines().contains("Verify table BIG: 500000 rows, the same in MySQL and Oracle"))
        << logLines().join("\n").toStdString();
    EXPECT_GT(copy->ticks(), 0);
    EXPECT_GT(verification->ticks(), 0);
    record("copy of 500,000 rows", *copy);
    record("verification of 500,000 rows", *verification);
}

TEST_F(AnsweringTest, AVerificationAt20MsARoundTripLeavesTheWindowAnsweringAndStopEndsIt)
{
    createSource(bigTable(500000));
    // The rows go in first, at full speed.
    reachPage5({"big"});
    ASSERT_FALSE(HasFatalFailure());
    clickAndWait("btnext");
    ASSERT_EQ(window->currentPage(), 6) << logLines().join("\n").toStdString();
    window.reset();

    // Then Merge with verification, every Oracle round trip 20 ms: the copy finds nothing to add, and
    // the verification reads the whole table from both sides.
    ScopedEnv slow("ORACLE_SIM_DELAY_MS", "20");
    makeWindow();
    reachPage4();
    ASSERT_FALSE(HasFatalFailure());
    radios("processtable")[1]->click(); // Merge
    check("chkverify").setChecked(true);
    clickAndWait("btnext");
    list("mysqltablelist").setCurrentRow(0);
    button("Button1").click();
    std::optional<EventGaps> gaps;
    std::optional<double> stopTook;
    when([&] { return rowStepUnderWay("BIG"); }, [&] { gaps.emplace(); });
    when([&] { return gaps && gaps->seconds() >= 3.0; },
         [&] {
             gaps->stop();
             stopTook = stopAndTimeTheEnd();
         });
    button("btnext").click();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(gaps.has_value()) << logLines().join("\n").toStdString();
    ASSERT_TRUE(stopTook.has_value()) << "the verification ended before it was stopped\n"
                                      << logLines().join("\n").toStdString();

    EXPECT_GT(gaps->ticks(), 0);
    record("verification of 500,000 rows at 20 ms a round trip", *gaps);
    std::printf("Stop during the verification: the run ended %.2f s after Yes\n", *stopTook);
    EXPECT_LT(*stopTook, 3.0) << "the verification's fetch was not broken off";
}

TEST_F(AnsweringTest, ATenSecondStatementLeavesTheWindowAnsweringAndStopBreaksIt)
{
    createSource(testsupport::ordersTable());
    ScopedEnv slow("ORACLE_SIM_DDL_DELAY_MS", "10000");
    reachPage5({"orders"});
    ASSERT_FALSE(HasFatalFailure());
    std::optional<EventGaps> gaps;
    std::optional<double> stopTook;
    when([&] { return !logLines().isEmpty() && logLines().last() == "Create table ORDERS... "; },
         [&] { gaps.emplace(); });
    when([&] { return gaps && gaps->seconds() >= 1.5; },
         [&] {
             gaps->stop();
             stopTook = stopAndTimeTheEnd();
         });
    button("btnext").click();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(gaps && stopTook) << logLines().join("\n").toStdString();

    EXPECT_GT(gaps->ticks(), 50);
    record("a 10 s CREATE TABLE", *gaps);
    std::printf("Stop during the 10 s statement: the run ended %.2f s after Yes\n", *stopTook);
    EXPECT_TRUE(logLines().contains(
        "Conversion stopped by the user: 0 of 1 tables converted; failed tables: 0, rejected rows: 0."))
        << logLines().join("\n").toStdString();
    EXPECT_LT(*stopTook, 3.0) << "the statement under way was not broken off";
}

TEST_F(AnsweringTest, AMySqlHostThatNeverAnswersLeavesTheWindowAnsweringAndStopOrBackLeaveItBehind)
{
    SilentHost host;
    // The user's own option file points the client at it, with the client's usual wait.
    QTemporaryDir home;
    QFile options(home.filePath(".my.cnf"));
    ASSERT_TRUE(options.open(QIODevice::WriteOnly));
    options.write(QStringLiteral("[client]\nport=%1\n").arg(host.port()).toUtf8());
    options.close();
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());

    createSource({});
    makeWindow();
    clickAndWait("btnext");
    radios("accessmode")[1]->click();
    edit("edthost").setText("127.0.0.1");
    typeSourceEntries(mysql->name());

    std::optional<Bar> during;
    std::optional<double> stopTook;
    EventGaps gaps;
    when([&] { return gaps.seconds() >= 1.5; },
         [&] {
             gaps.stop();
             during = bar();
             stopTook = stopAndTimeTheEnd();
         });
    button("btnext").click();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(stopTook.has_value());
    // Stop leaves the connect behind at once: page 2 as it was, nothing said.
    EXPECT_EQ(*during, (Bar{true, false, true, true, "Next >", "Stop"}));
    EXPECT_LT(*stopTook, 1.0);
    EXPECT_EQ(window->currentPage(), 2);
    EXPECT_EQ(bar(), (Bar{true, true, true, true, "Next >", "Close"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    record("a connect to a MySQL host that never answers", gaps);
    std::printf("Stop during the connect: the window went on %.3f s after Yes\n", *stopTook);

    // Back does the same, and leads to page 1.
    button("btnext").click();
    EXPECT_TRUE(window->isBusy());
    QTest::qWait(300);
    button("btback").click();
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(window->currentPage(), 1);

    // When the connects left behind end, their errors reach nobody.
    host.close();
    EXPECT_TRUE(workerthreads::waitForAll(60s));
    QTest::qWait(100);
    qputenv("HOME", realHome);
    EXPECT_TRUE(prompts.of(Kind::Error).empty()) << lastMessage();
    EXPECT_EQ(prompts.asked.size(), 1u) << lastMessage(); // the one Stop question

    // And the wizard connects as usual afterwards.
    clickAndWait("btnext");
    radios("accessmode")[0]->click();
    clickAndWait("btnext");
    EXPECT_EQ(window->currentPage(), 3) << lastMessage();
}

TEST_F(AnsweringTest, AnOracleLogonThatTakesLongLeavesTheWindowAnsweringAndStopLeavesItBehind)
{
    createSource({"create table t (id int primary key)"});
    createTarget();
    makeWindow();
    clickAndWait("btnext");
    typeSourceEntries(mysql->name());
    clickAndWait("btnext");
    ASSERT_EQ(window->currentPage(), 3) << lastMessage();
    typeTargetEntries();

    std::optional<double> stopTook;
    std::optional<EventGaps> gaps;
    {
        // Each round trip of the logon takes a second.
        ScopedEnv slow("ORACLE_SIM_DELAY_MS", "1000");
        gaps.emplace();
        when([&] { return gaps->seconds() >= 1.5; },
             [&] {
                 gaps->stop();
                 stopTook = stopAndTimeTheEnd();
             });
        button("btnext").click();
        ASSERT_TRUE(waitUntilIdle());
    }
    ASSERT_TRUE(stopTook.has_value());
    EXPECT_LT(*stopTook, 1.0);
    EXPECT_EQ(window->currentPage(), 3);
    record("an Oracle logon at 1 s a round trip", *gaps);

    // The logon left behind ends on its own and says nothing; the next one goes through.
    EXPECT_TRUE(workerthreads::waitForAll(60s));
    QTest::qWait(100);
    EXPECT_TRUE(prompts.of(Kind::Error).empty()) << lastMessage();
    clickAndWait("btnext");
    EXPECT_EQ(window->currentPage(), 4) << lastMessage();
    clickAndWait("btnext");
    EXPECT_EQ(window->currentPage(), 5) << lastMessage();
}

TEST_F(AnsweringTest, AWindowDestroyedDuringARunWaitsABoundedTimeAndTheRunEndsOnItsOwn)
{
    createSource(testsupport::ordersTable());
    ScopedEnv slow("ORACLE_SIM_DDL_DELAY_MS", "8000");
    reachPage5({"orders"});
    ASSERT_FALSE(HasFatalFailure());
    button("btnext").click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !logLines().isEmpty() && logLines().last() == "Create table ORDERS... "; },
                                30000));
    // The run holds the sessions it uses, so it may end after the window is gone.
    const auto destroying = Clock::now();
    window.reset();
    const double took = secondsSince(destroying);
    std::printf("The window destroyed during a statement of 8 s went in %.2f s\n", took);
    EXPECT_LT(took, 7.0);
    EXPECT_TRUE(workerthreads::waitForAll(60s));
}
