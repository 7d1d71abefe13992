// The conversion started from page 5, against the sandbox MariaDB and the Oracle stand-in: the button
// bar during and after a run, Stop answered No and Yes, a leftover stop request, an error that ends a
// run, closing the window during a run, and Finish.
#include "support/GuiFlow.h"

#include "db/Drivers.h"

#include <QTimer>
#include <QtTest/QTest>

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
    atFirstProgressPoint([&] {
        during = bar();
        pageDuring = window->currentPage();
        shownDuring = shownPage();
    });
    button("btnext").click();

    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(*during, kDuringRun);
    EXPECT_EQ(pageDuring, 5);
    EXPECT_EQ(shownDuring, 6);

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

TEST_F(RunTest, StopAnsweredYesBeforeTheLastTableEndsTheRunSilentlyAtTheNextTable)
{
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"orders", "customers"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {true};
    atFirstProgressPoint([&] { button("btcancel").click(); });
    button("btnext").click();

    ASSERT_EQ(prompts.asked.size(), 1u); // the question only: the stop itself shows nothing
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kAfterStop);
    EXPECT_FALSE(window->stopRequested()); // consumed at the table boundary
    const QStringList lines = logLines();
    const qsizetype aborted = lines.indexOf("Operation aborted");
    ASSERT_GE(aborted, 0) << lines.join("\n").toStdString();
    EXPECT_EQ(lines.size(), aborted + 2);
    EXPECT_EQ(lines.last(), "");
    EXPECT_FALSE(lines.join("\n").contains("CUSTOMERS"));
    // The rows sent before the stop stay (the first progress point comes after the first row); the next
    // table was never started.
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
    EXPECT_EQ(logLines().mid(0, aborted + 2), lines.mid(0, aborted + 2));
    EXPECT_TRUE(logLines().contains("Create table CUSTOMERS...Done"));
}

TEST_F(RunTest, StopAnsweredYesDuringTheLastTableKeepsTheLogPageUntilBackClearsTheRequest)
{
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"customers", "orders"});
    ASSERT_FALSE(HasFatalFailure());
    prompts.answers = {true};
    atFirstProgressPoint([&] { button("btcancel").click(); });
    button("btnext").click();

    // The run wrote its closing lines, but the stop request is still there and the wizard stays.
    EXPECT_TRUE(window->stopRequested());
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 6);
    EXPECT_EQ(bar(), kAfterStop);
    EXPECT_TRUE(logLines().contains("Operation aborted"));
    EXPECT_EQ(logLines().mid(logLines().size() - 3), kCompletion);
    EXPECT_EQ(oracleCount("ORDERS"), "1");

    // Back clears the leftover request, so the next Next moves on as usual.
    button("btback").click();
    EXPECT_FALSE(window->stopRequested());
    EXPECT_EQ(window->currentPage(), 4);
    button("btnext").click();
    EXPECT_EQ(window->currentPage(), 5) << lastMessage();
}

TEST_F(RunTest, AnErrorThatEndsTheRunIsShownAndStopLeadsBack)
{
    createSource({"create table vanishing (id int primary key)"});
    reachPage5({"vanishing"});
    ASSERT_FALSE(HasFatalFailure());
    // Gone between listing and converting: reading its index list fails, which no step catches.
    mysql->execute("drop table vanishing");
    button("btnext").click();

    const auto errors = prompts.of(Kind::Error);
    ASSERT_EQ(errors.size(), 1u) << logLines().join("\n").toStdString();
    EXPECT_EQ(errors[0].title, "Morvane 1.2");
    EXPECT_TRUE(errors[0].text.contains("vanishing")) << errors[0].text.toStdString();
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

TEST_F(RunTest, ClosingTheWindowDuringARunLetsItFinishAndSavesTheSettings)
{
    auto setup = testsupport::ordersTable();
    setup.push_back("create table customers (id int primary key)");
    createSource(setup);
    reachPage5({"orders", "customers"});
    ASSERT_FALSE(HasFatalFailure());
    edit("edtoracleusername").setText(QString::fromStdString(oracle->user()));
    atFirstProgressPoint([&] { window->close(); });
    button("btnext").click();

    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(logLines().contains("Operation aborted"));
    EXPECT_TRUE(oracleHasTable("CUSTOMERS"));
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("oracleu").toString().toStdString(), oracle->user());
}
