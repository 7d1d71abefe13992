// The conversion started from page 5, against the sandbox MariaDB and the Oracle stand-in: the button
// bar and the pointer during and after a run, Stop answered No and Yes in a copy and in a run without
// rows, an error that ends a run, closing the window during a run, and Finish.
#include "support/GuiFlow.h"

#include "db/Drivers.h"

#include <QFile>
#include <QRegularExpression>
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
    // Runs `action` at the first moment the run lets the window handle events: its first progress point.
    static void atFirstProgressPoint(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

    // Runs `action` once, at the first progress point at which `ready` holds.
    void atProgressPointWhen(std::function<bool()> ready, std::function<void()> action)
    {
        auto *timer = new QTimer(window.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, [timer, ready = std::move(ready), action = std::move(action)] {
            if (!ready())
                return;
            timer->stop();
            timer->deleteLater();
            action();
        });
        timer->start();
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
    int pageDuring = 0, shownDuring = 0;
    int cursorDuring = -1;
    atFirstProgressPoint([&] {
        during = bar();
        pageDuring = window->currentPage();
        shownDuring = shownPage();
        cursorDuring = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1;
    });
    button("btnext").click();

    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(*during, kDuringRun);
    EXPECT_EQ(pageDuring, 5);
    EXPECT_EQ(shownDuring, 6);
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

    // The logo still opens the help page while Help is disabled.
    QTest::mouseClick(&control<QWidget>("Image1"), Qt::LeftButton);
    EXPECT_EQ(prompts.opened.size(), 1u);

    edit("edtdatabase").setText("remembered");
    button("btnext").click(); // Finish
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->progressLog().lineCount(), 0);
    EXPECT_EQ(list("mysqltableselect").count(), 0);
    EXPECT_EQ(window->currentPage(), 1);
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("mysqldatabase").toString(), "remembered");
}

TEST_F(RunTest, StopAnsweredNoLetsTheRunFinish)
{
    createSource(testsupport::ordersTable());
    reachPage5({"orders"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {false};
    atFirstProgressPoint([&] { button("btcancel").click(); });
    button("btnext").click();

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
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"orders", "customers"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {true};
    atProgressPointWhen([&] { return copying("ORDERS"); }, [&] { button("btcancel").click(); });
    button("btnext").click();

    ASSERT_EQ(prompts.asked.size(), 1u); // the question only: the stop itself shows nothing
    EXPECT_EQ(prompts.asked[0].cursor, Qt::ArrowCursor); // asked with the ordinary pointer
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kAfterStop);
    EXPECT_FALSE(window->stopRequested()); // acted on
    const QStringList lines = logLines();
    const qsizetype aborted = lines.indexOf("Operation aborted");
    ASSERT_GE(aborted, 1) << lines.join("\n").toStdString();
    // The counter above it is what Oracle holds: the first progress point of a copy follows its first row.
    EXPECT_EQ(lines[aborted - 1], "Insert table ORDERS 1 Rows ");
    EXPECT_EQ(
        lines.mid(aborted + 1),
        QStringList({"", "Conversion stopped by the user: 0 of 2 tables converted; failed tables: 0, rejected rows: 0.",
                     "Tables not converted: orders, customers."}));
    EXPECT_EQ(oracleCount("ORDERS"), "1");
    EXPECT_FALSE(oracleHasTable("CUSTOMERS"));

    // Back leads to page 4, and the wizard can run again; the log keeps the first run's lines.
    button("btback").click();
    EXPECT_EQ(window->currentPage(), 4);
    EXPECT_EQ(list("mysqltableselect").count(), 0);
    button("btnext").click();
    ASSERT_EQ(window->currentPage(), 5) << lastMessage();
    list("mysqltablelist").setCurrentRow(list("mysqltablelist").row(
                                             list("mysqltablelist").findItems("customers", Qt::MatchExactly)[0]),
                                         QItemSelectionModel::ClearAndSelect);
    button("Button1").click();
    button("btnext").click();
    EXPECT_EQ(window->currentPage(), 6) << lastMessage();
    EXPECT_EQ(logLines().mid(0, lines.size()), lines);
    EXPECT_TRUE(logLines().contains("Create table CUSTOMERS...Done"));
}

TEST_F(RunTest, StopAnsweredYesDuringTheLastTableEndsTheRunAsAStopToo)
{
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"customers", "orders"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {true};
    atProgressPointWhen([&] { return copying("ORDERS"); }, [&] { button("btcancel").click(); });
    button("btnext").click();

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
    EXPECT_EQ(oracleCount("ORDERS"), "1");

    button("btback").click();
    EXPECT_EQ(window->currentPage(), 4);
    button("btnext").click();
    EXPECT_EQ(window->currentPage(), 5) << lastMessage();
}

TEST_F(RunTest, AStopDuringADefinitionsOnlyRunIsHonouredBeforeTheNextTable)
{
    // Sixty tables without rows: the run never reaches a row copy, yet Stop must act.
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
    atProgressPointWhen([&] { return created() == 6; }, [&] { button("btcancel").click(); });
    button("btnext").click();

    EXPECT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(created(), 6) << logLines().join("\n").toStdString();
    EXPECT_EQ(logLines().mid(logLines().size() - 2)[0],
              "Conversion stopped by the user: 6 of 60 tables converted; failed tables: 0, rejected rows: 0.");
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
    button("btnext").click();

    const auto errors = prompts.of(Kind::Error);
    ASSERT_EQ(errors.size(), 1u) << logLines().join("\n").toStdString();
    EXPECT_EQ(errors[0].title, "Morvane 1.2");
    EXPECT_TRUE(logLines().contains("Conversion ended at table vanishing.")) << logLines().join("\n").toStdString();
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kDuringRun);
    EXPECT_FALSE(logLines().contains(kCompletion[0]));

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

    button("btnext").click();
    auto errors = prompts.of(Kind::Error);
    ASSERT_EQ(errors.size(), 1u) << logLines().join("\n").toStdString();
    EXPECT_TRUE(errors[0].text.startsWith("The MySQL server has no character set no_such_set (Unknown character set: "
                                          "'no_such_set'); it has "))
        << errors[0].text.toStdString();
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 5);
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join("\n").toStdString();
    EXPECT_FALSE(oracleHasTable("ORDERS"));
    // Check says the same, and shows nothing.
    button("btcheck").click();
    errors = prompts.of(Kind::Error);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].text, errors[0].text);

    // A set the server has: the run starts and goes through.
    sets.setCurrentIndex(sets.findText(QStringLiteral("latin1")));
    button("btnext").click();
    EXPECT_EQ(prompts.of(Kind::Error).size(), 2u) << lastMessage();
    EXPECT_EQ(bar(), kCompleted) << logLines().join("\n").toStdString();
    EXPECT_EQ(oracleCount("ORDERS"), "250");
}

TEST_F(RunTest, ClosingTheWindowDuringARunStopsItSavesTheSettingsAndCloses)
{
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"orders", "customers"});
    ASSERT_FALSE(HasFatalFailure());
    edit("edtoracleusername").setText(QString::fromStdString(oracle->user()));
    bool closedAtOnce = true;
    atProgressPointWhen([&] { return copying("ORDERS"); },
                        [&] {
                            window->close();
                            closedAtOnce = !window->isVisible();
                        });
    button("btnext").click();

    // Taken as a confirmed Stop without a question; the window closes once the run has stopped.
    EXPECT_FALSE(closedAtOnce);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_TRUE(logLines().contains("Operation aborted"));
    EXPECT_TRUE(logLines().last().startsWith("Tables not converted: orders, customers"));
    EXPECT_EQ(oracleCount("ORDERS"), "1");
    EXPECT_FALSE(oracleHasTable("CUSTOMERS"));
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("oracleu").toString().toStdString(), oracle->user());
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
    setenv("ORACLE_SIM_DELAY_MS", "20", 1);
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    button("Button2").click(); // Add all

    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    Clock::duration longest{};
    QString longestBefore;
    int handled = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        if (now - last > longest) {
            longest = now - last;
            longestBefore = logLines().isEmpty() ? QString() : logLines().last();
        }
        last = now;
        ++handled;
    });
    tick.start();
    last = Clock::now();
    button("btnext").click();
    tick.stop();
    if (Clock::now() - last > longest)
        longest = Clock::now() - last, longestBefore = QStringLiteral("(after the last progress point)");
    unsetenv("ORACLE_SIM_DELAY_MS");

    EXPECT_EQ(window->currentPage(), 6) << lastMessage();
    EXPECT_EQ(logLines().mid(logLines().size() - 3), kCompletion) << logLines().join("\n").toStdString();
    // Events were handled all along: at every table, every step and within the copies.
    EXPECT_GT(handled, 13 * 5);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
    RecordProperty("LongestWithoutEventsMs", static_cast<int>(ms));
    std::printf("Longest time without handling events: %lld ms, ending at \"%s\"; events handled %d times\n",
                static_cast<long long>(ms), qPrintable(longestBefore), handled);
}
