// The wizard's check before a run (page 5's "Check", shown in its own window over the wizard, saved,
// stopped), its option to verify after copying (page 4), and "Save report" on the log page, against the
// sandbox and the stand-in.
#include "support/Env.h"
#include "support/GuiFlow.h"
#include "support/ReportSchema.h"

#include "app/ucs.h"
#include "db/Drivers.h"

#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>

using testsupport::GuiFlowTest;
using Kind = testsupport::GuiPrompts::Kind;

namespace {

bool has(const QString &text, const QString &part) { return text.contains(part); }

} // namespace

class CheckAndReportTest : public GuiFlowTest {
protected:
    std::string oracleTables()
    {
        auto reader = db::createOracleConnection();
        reader->replaceProfile(oracle->profile());
        reader->open();
        return reader->query("select count(*) from user_tables").at(0).at(0).data;
    }
};

TEST_F(CheckAndReportTest, CheckShowsWhatARunWouldDoInTheTextViewerAndSendsNothing)
{
    auto setup = testsupport::ordersTable();
    setup.push_back("create table ledger (id int primary key, amount decimal(65,0))");
    setup.push_back("insert into ledger values (1, 1), (7, 123456789012345678901234567890123456789)");
    createSource(setup);
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_FALSE(button("btcheck").isEnabled());
    for (const char *table : {"ledger", "orders"}) {
        list("mysqltablelist").setCurrentItem(list("mysqltablelist").findItems(table, Qt::MatchExactly).at(0));
        button("Button1").click();
    }
    EXPECT_TRUE(button("btcheck").isEnabled());
    EXPECT_EQ(button("btcheck").text(), "Check");

    clickAndWait("btcheck");
    EXPECT_TRUE(prompts.asked.empty()) << lastMessage();
    Tfrmcs &viewer = window->textViewer();
    EXPECT_TRUE(viewer.isVisible());
    const QString text = viewer.Memo1->toPlainText();
    // First what the Oracle server and user allow, then each table.
    EXPECT_TRUE(text.startsWith("Check Oracle user SCOTT\n  Oracle 19.3, names up to 30 bytes")) << text.toStdString();
    EXPECT_TRUE(has(text, "\n\nCheck table ledger\n  Oracle name LEDGER: the MySQL name in capitals\n"))
        << text.toStdString();
    EXPECT_TRUE(has(text, "  problem: 1 rows refused: column \"amount\" holds a number of more than 38 significant "
                          "digits, which a NUMBER would round (first: id=7)\n"))
        << text.toStdString();
    EXPECT_TRUE(has(text, "\nCheck table orders\n")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\n2 tables checked; problems: 1.")) << text.toStdString();
    EXPECT_EQ(oracleTables(), "0");
    EXPECT_EQ(window->currentPage(), 5);
    EXPECT_EQ(shownPage(), 5);

    // "Select All" hands the whole text to the clipboard.
    viewer.Button1->click();
    EXPECT_EQ(QApplication::clipboard()->text(), text);

    // The button sits in the page's free space: it covers no other control.
    const QRect at = button("btcheck").geometry();
    for (QWidget *other : button("btcheck").parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (other != &button("btcheck")) {
            EXPECT_FALSE(at.intersects(other->geometry())) << other->objectName().toStdString();
        }
    }
    EXPECT_TRUE(button("btcheck").parentWidget()->rect().contains(at));

    button("Button4").click(); // nothing selected: nothing to check
    EXPECT_FALSE(button("btcheck").isEnabled());
}

TEST_F(CheckAndReportTest, VerifyAfterCopyingAndSaveReport)
{
    createSource(testsupport::ordersTable());
    reachPage4();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_FALSE(check("chkverify").isChecked());
    EXPECT_EQ(check("chkverify").text(), "Verify after copying");
    check("chkverify").setChecked(true);
    clickAndWait("btnext");
    ASSERT_EQ(window->currentPage(), 5) << lastMessage();
    list("mysqltablelist").setCurrentRow(0);
    button("Button1").click();
    EXPECT_FALSE(button("btsavereport").isEnabled());
    clickAndWait("btnext");
    ASSERT_EQ(window->currentPage(), 6) << lastMessage();
    EXPECT_TRUE(logLines().contains("Verify table ORDERS: 250 rows, the same in MySQL and Oracle"))
        << logLines().join('\n').toStdString();

    ASSERT_TRUE(button("btsavereport").isEnabled());
    EXPECT_EQ(button("btsavereport").text(), "Save report");
    QTemporaryDir files;
    const QString path = files.path() + "/wizard.json";
    prompts.saveAnswers = {path};
    button("btsavereport").click();
    ASSERT_EQ(prompts.of(Kind::SaveFile).size(), 1u);
    EXPECT_TRUE(prompts.of(Kind::SaveFile)[0].text.endsWith(".json"))
        << prompts.of(Kind::SaveFile)[0].text.toStdString();
    const std::string json = testsupport::readFile(path.toStdString());
    EXPECT_EQ(testsupport::reportSchemaErrors(path.toStdString()), "") << json;
    for (const char *part : {"\"program\":\"morvane\"", "\"exitCode\":0,\"outcome\":\"completed\"", "\"verify\":true",
                             "\"source\":\"orders\",\"target\":\"ORDERS\",\"status\":\"converted\"",
                             "\"rowsRead\":250,\"rowsWritten\":250,\"rowsRefused\":0"})
        EXPECT_NE(json.find(part), std::string::npos) << part << " in " << json;
    EXPECT_EQ(json.find("tiger"), std::string::npos) << json;

    // Cancelled: nothing written, nothing said. A folder that is not there: the system's reason.
    button("btsavereport").click();
    EXPECT_TRUE(prompts.of(Kind::Error).empty());
    prompts.saveAnswers = {files.path() + "/missing/wizard.json"};
    button("btsavereport").click();
    ASSERT_EQ(prompts.of(Kind::Error).size(), 1u);
    EXPECT_EQ(prompts.of(Kind::Error)[0].text,
              "Cannot write the report to " + files.path() + "/missing/wizard.json: No such file or directory.");
}

TEST_F(CheckAndReportTest, SaveSqlWritesTheStatementsOfTheCheckedTablesAsAScript)
{
    createSource(testsupport::ordersTable());
    reachPage5({"orders"});
    ASSERT_FALSE(HasFatalFailure());
    check("chkkeepschema").setChecked(true);
    clickAndWait("btcheck");
    Tfrmcs &viewer = window->textViewer();
    ASSERT_TRUE(viewer.isVisible()) << lastMessage();
    // Options changed after the check do not change what the script says: it goes with the text shown.
    check("chkkeepschema").setChecked(false);

    QTemporaryDir files;
    const QString path = files.path() + "/orders.sql";
    prompts.saveAnswers = {path};
    viewer.Button3->click();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(prompts.of(Kind::SaveFile).size(), 1u);
    EXPECT_EQ(prompts.of(Kind::SaveFile)[0].title, "Save SQL");
    EXPECT_EQ(prompts.filters.back(), "SQL (*.sql)");
    EXPECT_TRUE(prompts.of(Kind::Error).empty()) << lastMessage();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString script = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(script.startsWith("-- Morvane: the DDL of a conversion, as a run would send it to Oracle\n"))
        << script.toStdString();
    EXPECT_TRUE(script.contains("-- Options: --keep-schema\n")) << script.toStdString();
    EXPECT_TRUE(script.contains("Create table \"ORDERS\"")) << script.toStdString();
    EXPECT_TRUE(script.contains("primary key (\"ID\");\n")) << script.toStdString();
    EXPECT_EQ(oracleTables(), "0") << "the script is written, not run";

    // A folder that is not there: the system's reason, in words, and no file.
    prompts.saveAnswers = {files.path() + "/missing/orders.sql"};
    viewer.Button3->click();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(prompts.of(Kind::Error).size(), 1u);
    EXPECT_TRUE(prompts.of(Kind::Error)[0].text.contains("missing/orders.sql")) << lastMessage();
    EXPECT_EQ(window->currentPage(), 5);
}

TEST_F(CheckAndReportTest, TheCheckWindowOpensOverTheWizardSavesItsTextAndClosesWithIt)
{
    createSource(testsupport::ordersTable());
    reachPage5({"orders"});
    ASSERT_FALSE(HasFatalFailure());
    clickAndWait("btcheck");
    Tfrmcs &viewer = window->textViewer();
    ASSERT_TRUE(viewer.isVisible()) << lastMessage();
    EXPECT_EQ(viewer.windowTitle(), "Check");
    // A window of its own, over the wizard's.
    EXPECT_TRUE(viewer.isWindow());
    EXPECT_EQ(viewer.parentWidget(), window.get());
    EXPECT_EQ(bar(), (testsupport::ButtonBar{true, true, true, true, "Next >", "Close"}));

    // "Save" writes the text as it stands, where the user says.
    QTemporaryDir files;
    const QString path = files.path() + "/check.txt";
    prompts.saveAnswers = {path};
    viewer.Button2->click();
    ASSERT_EQ(prompts.of(Kind::SaveFile).size(), 1u);
    EXPECT_EQ(prompts.of(Kind::SaveFile)[0].title, "Save");
    EXPECT_TRUE(prompts.of(Kind::SaveFile)[0].text.endsWith(".txt"));
    EXPECT_EQ(prompts.filters.back(), "Text (*.txt)");
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), viewer.Memo1->toPlainText() + "\n");
    // A folder that is not there: the system's reason, and no file.
    prompts.saveAnswers = {files.path() + "/missing/check.txt"};
    viewer.Button2->click();
    ASSERT_EQ(prompts.of(Kind::Error).size(), 1u);
    EXPECT_TRUE(prompts.of(Kind::Error)[0].text.startsWith("Cannot write the check to " + files.path() +
                                                           "/missing/check.txt: "))
        << lastMessage();

    // Closing the wizard closes it too: no window is left behind that keeps the program alive.
    window->close();
    EXPECT_FALSE(viewer.isVisible());
    for (QWidget *top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
}

TEST_F(CheckAndReportTest, CheckTakesTheOptionsOfPage4AsTheRunWould)
{
    createSource({"create table kept (id int primary key, name varchar(20) not null, unique key (name))"});
    reachPage5({"kept"});
    ASSERT_FALSE(HasFatalFailure());
    clickAndWait("btcheck");
    const QString plain = window->textViewer().Memo1->toPlainText();
    // Without constraints kept, a unique key is a plain index.
    EXPECT_TRUE(plain.contains("  sends: create index \"IDX_NAMEKEPT\" on \"KEPT\" (\"NAME\")")) << plain.toStdString();

    // With them, it becomes a unique constraint, which foreign keys may point at.
    button("btback").click();
    check("chkkeepschema").setChecked(true);
    clickAndWait("btnext");
    list("mysqltablelist").setCurrentRow(0);
    button("Button1").click();
    clickAndWait("btcheck");
    const QString kept = window->textViewer().Memo1->toPlainText();
    EXPECT_TRUE(kept.contains(" unique (\"NAME\")")) << kept.toStdString();
    EXPECT_FALSE(kept.contains("create index")) << kept.toStdString();
}

TEST_F(CheckAndReportTest, StopEndsACheckAfterTheTableItIsAtAndTheWizardGoesOn)
{
    std::vector<std::string> setup;
    for (const char *name : {"t1", "t2", "t3", "t4", "t5", "t6"})
        setup.push_back(std::string("create table ") + name + " (id int primary key)");
    createSource(setup);
    // Every Oracle round trip takes a while, so a check of six tables lasts a few seconds.
    testsupport::ScopedEnv slow("ORACLE_SIM_DELAY_MS", "150");
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    button("Button2").click(); // Add all
    prompts.answers = {true};
    std::optional<testsupport::ButtonBar> during;
    bool pageDisabled = false;
    auto *timer = new QTimer(window.get());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        if (!window->textViewer().Memo1->toPlainText().contains("Check table t1"))
            return;
        timer->stop();
        during = bar();
        pageDisabled = !control<QWidget>("TabSheet5").isEnabled();
        button("btcancel").click();
    });
    timer->start();
    const auto started = std::chrono::steady_clock::now();
    clickAndWait("btcheck");
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(*during, (testsupport::ButtonBar{false, false, true, true, "Next >", "Stop"}));
    EXPECT_TRUE(pageDisabled);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, "Stop");
    const QString text = window->textViewer().Memo1->toPlainText();
    static const QRegularExpression kStopped("\nCheck stopped after ([0-9]) of 6 tables\\.$");
    const QRegularExpressionMatch stopped = kStopped.match(text);
    ASSERT_TRUE(stopped.hasMatch()) << text.toStdString();
    EXPECT_LT(stopped.captured(1).toInt(), 6);
    EXPECT_FALSE(text.contains("tables checked; problems:"));
    EXPECT_TRUE(prompts.of(Kind::Error).empty()) << lastMessage();
    std::printf("A check of six tables at 150 ms a round trip, stopped at the first: %.1f s\n", took);

    // The sessions came back: page 5 as before, and the run goes through.
    EXPECT_EQ(bar(), (testsupport::ButtonBar{true, true, true, true, "Next >", "Close"}));
    clickAndWait("btnext");
    EXPECT_EQ(window->currentPage(), 6) << lastMessage();
}
