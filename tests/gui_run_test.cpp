// The conversion started from page 5, against the sandbox MariaDB and the Oracle stand-in: the button
// bar, the pointer and the status line during and after a run, Stop answered No and Yes in a copy and in
// a run without rows, an error that ends a run, closing the window during a run, tables side by side,
// and Finish. The run goes on its own thread: each test lets the window handle its events meanwhile.
#include "support/Env.h"
#include "support/GuiEventGaps.h"
#include "support/GuiFlow.h"

#include "app/ucs.h"
#include "db/Drivers.h"

#include <QFile>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <QtTest/QTest>

#include <chrono>
#include <cstdio>
#include <optional>

using testsupport::GuiFlowTest;
using testsupport::GuiPrompts;
using Bar = testsupport::ButtonBar;
using Kind = GuiPrompts::Kind;

namespace {

const QStringList kCompletion = {"Conversion is Completed",
                                 "Wizard has migrated your MySQL database to Oracle server successfully.",
                                 "Click 'Finish' to exit the wizard."};
const Bar kDuringRun{false, false, true, true, "Next >", "Stop"};
const Bar kAfterStop{true, false, true, true, "Next >", "Close"};
const Bar kCompleted{false, true, false, false, "Finish", "Stop"};

} // namespace

class RunTest : public GuiFlowTest {
protected:
    // Once the run has begun: its log page is shown.
    void whenRunning(std::function<void()> action)
    {
        when([this] { return window->isRunning() && shownPage() == 6; }, std::move(action));
    }
    // Whether the log's last line is the counter of that table's rows.
    bool copying(const QString &table) const
    {
        const QStringList lines = logLines();
        return !lines.isEmpty() && lines.last().startsWith("Insert table " + table + " ") &&
               lines.last().endsWith("Rows ");
    }

    std::string oracleCount(const std::string &table)
    {
        auto reader = db::createOracleConnection();
        reader->replaceProfile(oracle->profile());
        reader->open();
        return reader->query("select count(*) from \"" + table + "\"").at(0).at(0).data;
    }
    bool oracleHasTable(const std::string &table)
    {
        auto reader = db::createOracleConnection();
        reader->replaceProfile(oracle->profile());
        reader->open();
        return reader->query("select count(*) from user_tables where table_name = :1", {db::Value::text(table)})
                   .at(0)
                   .at(0)
                   .data != "0";
    }
};

TEST_F(RunTest, ACompleteRunShowsStep6AndFinishClosesTheWindowAndSavesTheSettings)
{
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key, name varchar(20))");
    setup.push_back("insert into customers values (1, 'Ann'), (2, NULL)");
    createSource(setup);
    reachPage5({"customers", "orders"});
    ASSERT_FALSE(HasFatalFailure());

    std::optional<Bar> during;
    int pageDuring = 0;
    int cursorDuring = -1;
    whenRunning([&] {
        during = bar();
        pageDuring = window->currentPage();
        cursorDuring = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1;
    });
    clickAndWait("btnext");

    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(*during, kDuringRun);
    EXPECT_EQ(pageDuring, 5);
    // Busy while it ran, and the ordinary pointer again once it is over.
    EXPECT_EQ(cursorDuring, Qt::BusyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    EXPECT_TRUE(prompts.asked.empty()) << lastMessage();
    EXPECT_EQ(window->currentPage(), 6);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kCompleted);
    EXPECT_TRUE(label("Label6").font().bold());
    EXPECT_EQ(logLines().mid(logLines().size() - 3), kCompletion);
    EXPECT_EQ(oracleCount("ORDERS"), "250");
    EXPECT_EQ(oracleCount("CUSTOMERS"), "2");
    // Under the log, where the run ended: every table done, the bar full.
    EXPECT_TRUE(label("runstatus").text().startsWith("2 of 2 tables done, "))
        << label("runstatus").text().toStdString();
    EXPECT_EQ(control<QProgressBar>("runprogress").value(), 1000);

    // The logo still opens the help page while Help is disabled.
    QTest::mouseClick(&control<QWidget>("Image1"), Qt::LeftButton);
    EXPECT_EQ(prompts.opened.size(), 1u);

    edit("edtdatabase").setText("remembered");
    clickAndWait("btnext"); // Finish
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->progressLog().lineCount(), 0);
    EXPECT_EQ(list("mysqltableselect").count(), 0);
    EXPECT_EQ(window->currentPage(), 1);
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("mysqldatabase").toString(), "remembered");
}

TEST_F(RunTest, TheStatusLineSaysWhichTableHowFarAndHowFastWhileTheRowsGo)
{
    testsupport::ScopedEnv slowInserts("ORACLE_SIM_DML_DELAY_MS", "5");
    auto setup = testsupport::ordersTable("orders", 1000);
    setup.push_back("create table customers (id int primary key)");
    setup.push_back("analyze table orders");
    createSource(setup);
    reachPage5({"customers", "orders"});
    ASSERT_FALSE(HasFatalFailure());
    QString seen;
    int barSeen = -1;
    when([&] { return copying("ORDERS") && !label("runstatus").text().contains(" 0 of "); },
         [&] {
             seen = label("runstatus").text();
             barSeen = control<QProgressBar>("runprogress").value();
         });
    clickAndWait("btnext");

    // "Table 2 of 2, ORDERS: 300 of 1,000 rows (30%), 2,000 rows/s, 0:00:01 spent, about 0:00:01 left"
    static const QRegularExpression kLine(
        R"(^Table 2 of 2, ORDERS: [0-9,]+ of 1,000 rows \([0-9]+%\), [0-9,]+ rows/s, )"
        R"([0-9]+:[0-9]{2}:[0-9]{2} spent(, about [0-9]+:[0-9]{2}:[0-9]{2} left)?$)");
    EXPECT_TRUE(kLine.match(seen).hasMatch()) << seen.toStdString();
    EXPECT_GT(barSeen, 0);
    EXPECT_LT(barSeen, 1000);
    // The log's lines stay what they were.
    EXPECT_TRUE(logLines().contains("Insert table ORDERS 1000 Rows ...Done")) << logLines().join("\n").toStdString();
    // The log makes room for them, and "Save report" stays in sight under them.
    const QRect log = control<QWidget>("sc").geometry();
    const QRect progress = control<QWidget>("runprogress").geometry();
    const QRect status = label("runstatus").geometry();
    const QRect save = button("btsavereport").geometry();
    EXPECT_LE(log.bottom(), progress.top());
    EXPECT_LE(progress.bottom(), status.top());
    EXPECT_LE(status.bottom(), save.top());
    EXPECT_TRUE(control<QWidget>("TabSheet6").rect().contains(save));
}

TEST_F(RunTest, StopAnsweredNoLetsTheRunFinish)
{
    testsupport::ScopedEnv slowInserts("ORACLE_SIM_DML_DELAY_MS", "10");
    createSource(testsupport::ordersTable());
    reachPage5({"orders"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {false};
    whenRunning([&] { button("btcancel").click(); });
    clickAndWait("btnext");

    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, Kind::Question);
    EXPECT_EQ(prompts.asked[0].title, "Info");
    EXPECT_EQ(prompts.asked[0].text, "Stop");
    EXPECT_FALSE(window->stopRequested());
    EXPECT_EQ(window->currentPage(), 6);
    EXPECT_EQ(bar(), kCompleted);
    EXPECT_TRUE(logLines().contains("Insert table ORDERS 250 Rows ...Done"));
    EXPECT_EQ(oracleCount("ORDERS"), "250");
}

TEST_F(RunTest, StopAnsweredYesBeforeTheLastTableEndsTheRunAndSaysSo)
{
    testsupport::ScopedEnv slowInserts("ORACLE_SIM_DML_DELAY_MS", "300");
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"orders", "customers"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {true};
    std::optional<Bar> afterQuestion;
    when([&] { return copying("ORDERS"); },
         [&] {
             button("btcancel").click();
             afterQuestion = bar();
         });
    clickAndWait("btnext");

    ASSERT_EQ(prompts.asked.size(), 1u); // the question only: the stop itself shows nothing
    EXPECT_EQ(prompts.asked[0].cursor, Qt::ArrowCursor); // asked with the ordinary pointer
    // Back and Close are offered at once, while the run ends.
    EXPECT_EQ(afterQuestion, kAfterStop);
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kAfterStop);
    EXPECT_FALSE(window->stopRequested()); // acted on
    const QStringList lines = logLines();
    const qsizetype aborted = lines.indexOf("Operation aborted");
    ASSERT_GE(aborted, 1) << lines.join("\n").toStdString();
    // The counter above it is what Oracle holds.
    static const QRegularExpression kCounter("^Insert table ORDERS ([0-9]+) Rows $");
    const QRegularExpressionMatch counter = kCounter.match(lines[aborted - 1]);
    ASSERT_TRUE(counter.hasMatch()) << lines[aborted - 1].toStdString();
    EXPECT_EQ(oracleCount("ORDERS"), counter.captured(1).toStdString());
    EXPECT_LT(counter.captured(1).toInt(), 250);
    EXPECT_EQ(
        lines.mid(aborted + 1),
        QStringList({"", "Conversion stopped by the user: 0 of 2 tables converted; failed tables: 0, rejected rows: 0.",
                     "Tables not converted: orders, customers."}));
    EXPECT_FALSE(oracleHasTable("CUSTOMERS"));

    // Back leads to page 4, and the wizard can run again; the log keeps the first run's lines.
    button("btback").click();
    EXPECT_EQ(window->currentPage(), 4);
    EXPECT_EQ(list("mysqltableselect").count(), 0);
    clickAndWait("btnext");
    ASSERT_EQ(window->currentPage(), 5) << lastMessage();
    list("mysqltablelist").setCurrentRow(list("mysqltablelist").row(
                                             list("mysqltablelist").findItems("customers", Qt::MatchExactly)[0]),
                                         QItemSelectionModel::ClearAndSelect);
    button("Button1").click();
    clickAndWait("btnext");
    EXPECT_EQ(window->currentPage(), 6) << lastMessage();
    EXPECT_EQ(logLines().mid(0, lines.size()), lines);
    EXPECT_TRUE(logLines().contains("Create table CUSTOMERS...Done"));
}

TEST_F(RunTest, StopAnsweredYesDuringTheLastTableEndsTheRunAsAStopToo)
{
    testsupport::ScopedEnv slowInserts("ORACLE_SIM_DML_DELAY_MS", "300");
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"customers", "orders"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {true};
    when([&] { return copying("ORDERS"); }, [&] { button("btcancel").click(); });
    clickAndWait("btnext");

    // Not the closing lines of a complete run: the last table was not finished.
    EXPECT_FALSE(window->stopRequested());
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kAfterStop);
    EXPECT_TRUE(logLines().contains("Operation aborted"));
    EXPECT_FALSE(logLines().contains(kCompletion[0]));
    EXPECT_EQ(
        logLines().mid(logLines().size() - 2),
        QStringList({"Conversion stopped by the user: 1 of 2 tables converted; failed tables: 0, rejected rows: 0.",
                     "Tables not converted: orders."}));
    EXPECT_LT(std::stoi(oracleCount("ORDERS")), 250);

    button("btback").click();
    EXPECT_EQ(window->currentPage(), 4);
    clickAndWait("btnext");
    EXPECT_EQ(window->currentPage(), 5) << lastMessage();
}

TEST_F(RunTest, AStopDuringADefinitionsOnlyRunIsHonouredBeforeTheNextTable)
{
    // Sixty tables without rows: the run never reaches a row copy, yet Stop must act.
    testsupport::ScopedEnv slowStatements("ORACLE_SIM_DDL_DELAY_MS", "40");
    std::vector<std::string> setup;
    for (int i = 0; i < 60; ++i)
        setup.push_back("create table t" + std::to_string(i) + " (id int primary key, k int, key (k))");
    createSource(setup);
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    button("Button2").click(); // Add all
    check("chktabledefi").setChecked(true);
    prompts.answers = {true};
    auto created = [&] { return logLines().filter(QRegularExpression("^Create table T[0-9]+\\.\\.\\.Done$")).size(); };
    when([&] { return created() >= 6; }, [&] { button("btcancel").click(); });
    clickAndWait("btnext");

    EXPECT_EQ(prompts.asked.size(), 1u);
    EXPECT_GE(created(), 6);
    EXPECT_LT(created(), 60) << "the Stop was not acted on";
    // The tables converted are the ones the log shows created, less one stopped before its keys.
    static const QRegularExpression kStopped(
        R"(^Conversion stopped by the user: ([0-9]+) of 60 tables converted; failed tables: 0, rejected rows: 0\.$)");
    const QRegularExpressionMatch stopped = kStopped.match(logLines().mid(logLines().size() - 2)[0]);
    ASSERT_TRUE(stopped.hasMatch()) << logLines().join("\n").toStdString();
    EXPECT_LE(stopped.captured(1).toInt(), created());
    EXPECT_GE(stopped.captured(1).toInt(), created() - 1);
    EXPECT_EQ(bar(), kAfterStop);
}

TEST_F(RunTest, AnErrorThatEndsTheRunIsShownAndStopLeadsBack)
{
    createSource({"create table vanishing (id int primary key)"});
    reachPage5({"vanishing"});
    ASSERT_FALSE(HasFatalFailure());
    // The wizard's MySQL sessions are killed between listing and converting: the run cannot go on.
    for (const auto &row : mysql->admin().query("select id from information_schema.processlist where db = '" +
                                                mysql->name() + "' and id <> connection_id()"))
        mysql->execute("KILL " + row.at(0).data);
    clickAndWait("btnext");

    const auto errors = prompts.of(Kind::Error);
    ASSERT_EQ(errors.size(), 1u) << logLines().join("\n").toStdString();
    EXPECT_EQ(errors[0].title, "Morvane 1.2");
    EXPECT_EQ(errors[0].cursor, -1); // shown once the busy pointer is gone
    EXPECT_TRUE(logLines().contains("Conversion ended at table vanishing.")) << logLines().join("\n").toStdString();
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kDuringRun);
    EXPECT_FALSE(logLines().contains(kCompletion[0]));
    // The report of the run is kept all the same.
    EXPECT_TRUE(button("btsavereport").isEnabled());

    prompts.answers = {true};
    button("btcancel").click();
    EXPECT_EQ(prompts.asked.back().text, "Stop");
    EXPECT_EQ(bar(), kAfterStop);
    EXPECT_TRUE(window->stopRequested());
    button("btback").click();
    EXPECT_FALSE(window->stopRequested());
    EXPECT_EQ(window->currentPage(), 4);
}

TEST_F(RunTest, ACharacterSetTheServerLacksIsSaidBeforeTheRunAndTheRunDoesNotStart)
{
    createSource(testsupport::ordersTable());
    reachPage5({"orders"});
    ASSERT_FALSE(HasFatalFailure());
    // Entries are only ever added to the list, and a server need not have every set a list names: one
    // it lacks stands in for such an entry here.
    QComboBox &sets = combo("cbcharset");
    sets.addItem(QStringLiteral("no_such_set"));
    sets.setCurrentIndex(sets.count() - 1);

    clickAndWait("btnext");
    auto errors = prompts.of(Kind::Error);
    ASSERT_EQ(errors.size(), 1u) << logLines().join("\n").toStdString();
    EXPECT_TRUE(errors[0].text.startsWith("The MySQL server has no character set no_such_set (Unknown character set: "
                                          "'no_such_set'); it has "))
        << errors[0].text.toStdString();
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 5);
    EXPECT_EQ(bar(), (Bar{true, true, true, true, "Next >", "Close"}));
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join("\n").toStdString();
    EXPECT_FALSE(button("btsavereport").isEnabled());
    EXPECT_FALSE(oracleHasTable("ORDERS"));
    // Check says the same, and shows nothing.
    clickAndWait("btcheck");
    errors = prompts.of(Kind::Error);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].text, errors[0].text);
    EXPECT_FALSE(window->textViewer().isVisible());

    // A set the server has: the run starts and goes through.
    sets.setCurrentIndex(sets.findText(QStringLiteral("latin1")));
    clickAndWait("btnext");
    EXPECT_EQ(prompts.of(Kind::Error).size(), 2u) << lastMessage();
    EXPECT_EQ(bar(), kCompleted) << logLines().join("\n").toStdString();
    EXPECT_EQ(oracleCount("ORDERS"), "250");
}

TEST_F(RunTest, ClosingTheWindowDuringARunAsksFirstThenStopsItSavesTheSettingsAndCloses)
{
    testsupport::ScopedEnv slowInserts("ORACLE_SIM_DML_DELAY_MS", "300");
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"orders", "customers"});
    ASSERT_FALSE(HasFatalFailure());
    edit("edtoracleusername").setText(QString::fromStdString(oracle->user()));
    prompts.answers = {false, true};
    bool openAfterNo = false, closedAtOnce = true;
    when([&] { return copying("ORDERS"); },
         [&] {
             window->close(); // answered No: the run goes on
             openAfterNo = window->isVisible() && window->isRunning();
             window->close(); // answered Yes
             closedAtOnce = !window->isVisible();
         });
    clickAndWait("btnext");

    ASSERT_EQ(prompts.asked.size(), 2u);
    for (const auto &asked : prompts.asked) {
        EXPECT_EQ(asked.title, "Info");
        EXPECT_EQ(asked.text, "Stop");
    }
    EXPECT_TRUE(openAfterNo);
    // The window closes once the run has stopped.
    EXPECT_FALSE(closedAtOnce);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(logLines().contains("Operation aborted"));
    EXPECT_TRUE(logLines().last().startsWith("Tables not converted: orders, customers"));
    EXPECT_LT(std::stoi(oracleCount("ORDERS")), 250);
    EXPECT_FALSE(oracleHasTable("CUSTOMERS"));
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("oracleu").toString().toStdString(), oracle->user());
}

TEST_F(RunTest, TablesAtOnceCopyTablesSideBySideEachTablesLinesTogether)
{
    testsupport::ScopedEnv slowInserts("ORACLE_SIM_DML_DELAY_MS", "10");
    std::vector<std::string> setup;
    for (const char *name : {"alpha", "beta", "gamma", "delta"})
        for (const auto &statement : testsupport::ordersTable(name, 100))
            setup.push_back(statement);
    createSource(setup);
    reachPage4();
    ASSERT_FALSE(HasFatalFailure());
    QSpinBox &jobs = control<QSpinBox>("spjobs");
    EXPECT_EQ(jobs.value(), 1);
    EXPECT_EQ(jobs.minimum(), 1);
    EXPECT_EQ(jobs.maximum(), 16);
    EXPECT_EQ(label("Label37").text(), "Tables at once");
    jobs.setValue(3);
    clickAndWait("btnext");
    button("Button2").click(); // Add all
    // Several tables under way show in the status line together.
    QString together;
    when([&] { return label("runstatus").text().startsWith("Tables "); },
         [&] { together = label("runstatus").text(); });
    clickAndWait("btnext");

    ASSERT_EQ(window->currentPage(), 6) << logLines().join("\n").toStdString();
    EXPECT_TRUE(together.contains(" of 4: ")) << together.toStdString();
    // A block per table, in the order the tables ended: its lines never interleave with another's.
    const QStringList lines = logLines();
    for (const char *name : {"ALPHA", "BETA", "GAMMA", "DELTA"}) {
        const qsizetype create = lines.indexOf(QStringLiteral("Create table %1...Done").arg(name));
        ASSERT_GE(create, 0) << name << "\n" << lines.join("\n").toStdString();
        EXPECT_EQ(lines[create + 1], "");
        EXPECT_EQ(lines[create + 2], QStringLiteral("Insert table %1 100 Rows ...Done").arg(name));
        EXPECT_EQ(oracleCount(name), "100");
    }
    EXPECT_EQ(logLines().mid(logLines().size() - 3), kCompletion);
    // Kept for the next start.
    window->close();
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("jobs").toString(), "3");
}

// The sample database of the demo, with every Oracle round trip slowed to 20 ms: how long the window
// goes at most without handling its events while the run works. A figure for the record, not a limit
// the test holds the machine to.
TEST_F(RunTest, TheSampleDatabaseConvertsWithTheWindowAnswering)
{
    QFile script(QStringLiteral(MORVANE_SOURCE_DIR "/scripts/sample-db.sql"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    std::vector<std::string> statements;
    QString current;
    for (const QString &line : QString::fromUtf8(script.readAll()).split('\n')) {
        if (line.trimmed().startsWith("--"))
            continue;
        current += line + '\n';
        if (line.trimmed().endsWith(';')) {
            statements.push_back(current.trimmed().chopped(1).toStdString());
            current.clear();
        }
    }
    createSource(statements);
    testsupport::ScopedEnv slow("ORACLE_SIM_DELAY_MS", "20");
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    button("Button2").click(); // Add all

    testsupport::EventGaps gaps;
    button("btnext").click();
    EXPECT_TRUE(waitUntilIdle());
    gaps.stop();

    EXPECT_EQ(window->currentPage(), 6) << lastMessage();
    EXPECT_EQ(logLines().mid(logLines().size() - 3), kCompletion) << logLines().join("\n").toStdString();
    EXPECT_GT(gaps.ticks(), 10);
    RecordProperty("LongestWithoutEventsMs", static_cast<int>(gaps.longest().count()));
    std::printf("Sample database at 20 ms a round trip: longest time without handling events %lld ms over %.1f s\n",
                static_cast<long long>(gaps.longest().count()), gaps.seconds());
}
