// The wizard's window and page flow, driven through its buttons on an offscreen screen: the start
// state, the button bar on each page, Back, the page actions that fail (a silent server among them),
// Help and Close.
#include "support/GuiFlow.h"

#include "app/ucs.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <chrono>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using testsupport::GuiFlowTest;
using testsupport::GuiPrompts;
using testsupport::GuiTest;
using Bar = testsupport::ButtonBar;
using Kind = GuiPrompts::Kind;

namespace {

const Bar kPage1{false, true, true, true, "Next >", "Close"};
const Bar kPages2To4{true, true, true, true, "Next >", "Close"};

// The error box text for a message: a full stop is added when the last character sorts above ".".
QString errorBoxText(const std::string &message)
{
    QString text = QString::fromStdString(message);
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        text += QLatin1Char('.');
    return text;
}

} // namespace

class WindowTest : public GuiTest {
protected:
    QStringList boldSteps() const
    {
        QStringList bold;
        for (int i = 1; i <= 6; ++i) {
            const QLabel &step = label(QStringLiteral("Label%1").arg(i).toLatin1().constData());
            if (step.font().bold())
                bold << step.objectName();
        }
        return bold;
    }
};

TEST_F(WindowTest, StartsOnTheWelcomePageWithTheDefaults)
{
    Taaform1 &w = makeWindow();
    EXPECT_EQ(w.windowTitle(), "Morvane 1.2");
    EXPECT_EQ(w.size(), QSize(672, 391));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w.currentPage(), 1);
    EXPECT_EQ(shownPage(), 1);
    EXPECT_EQ(boldSteps(), QStringList{"Label1"});
    EXPECT_EQ(bar(), kPage1);
    EXPECT_FALSE(w.stopRequested());
    EXPECT_EQ(w.interfaceLanguage(), "en");

    // Page 2: Local access, the host greyed out, the port for information only.
    const auto modes = radios("accessmode");
    ASSERT_EQ(modes.size(), 2);
    EXPECT_EQ(modes[0]->text(), "&Local");
    EXPECT_EQ(modes[1]->text(), "&Romote");
    EXPECT_TRUE(modes[0]->isChecked());
    EXPECT_FALSE(edit("edthost").isEnabled());
    EXPECT_EQ(edit("edtport").text(), "3306");
    EXPECT_TRUE(edit("edtport").isReadOnly());
    EXPECT_FALSE(edit("edtport").isEnabled());
    EXPECT_EQ(edit("edtpassword").echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit("edtoraclepassword").echoMode(), QLineEdit::Password);

    // Page 4: Overwrite, "Default", only the uppercase option on.
    const auto policies = radios("processtable");
    ASSERT_EQ(policies.size(), 3);
    EXPECT_TRUE(policies[0]->isChecked());
    EXPECT_FALSE(check("chktabledefi").isChecked());
    EXPECT_FALSE(check("chkskipindex").isChecked());
    EXPECT_TRUE(check("chkuppercase").isChecked());
    EXPECT_FALSE(check("chkblobtotext").isChecked());
    QComboBox &charset = combo("cbcharset");
    ASSERT_EQ(charset.count(), 37);
    EXPECT_EQ(charset.itemText(0), "Default");
    EXPECT_EQ(charset.itemText(17), "gbk");
    EXPECT_EQ(charset.itemText(36), "utf8");
    EXPECT_EQ(charset.currentIndex(), 0);

    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(WindowTest, TheTextViewerStaysHiddenAndCopiesItsWholeText)
{
    Taaform1 &w = makeWindow();
    Tfrmcs &viewer = w.textViewer();
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(viewer.objectName(), "frmcs");
    viewer.Memo1->setPlainText("Create table \"ORDERS\" (\r\nline two");
    viewer.Button1->click();
    EXPECT_EQ(QApplication::clipboard()->text(), viewer.Memo1->toPlainText());
}

TEST_F(WindowTest, BackFromPage2ReturnsToTheWelcomePage)
{
    Taaform1 &w = makeWindow();
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 2);
    EXPECT_EQ(bar(), kPages2To4);
    EXPECT_EQ(boldSteps(), QStringList{"Label2"});
    EXPECT_EQ(w.focusWidget(), &edit("edtdatabase"));
    button("btback").click();
    EXPECT_EQ(w.currentPage(), 1);
    EXPECT_EQ(shownPage(), 1);
    EXPECT_EQ(bar(), kPage1);
}

TEST_F(WindowTest, AnEmptyDatabaseNameIsAskedForAndNothingIsConnected)
{
    Taaform1 &w = makeWindow();
    clickAndWait("btnext");
    for (const char *blank : {"", "   "}) {
        prompts.asked.clear();
        edit("edtdatabase").setText(blank);
        edit("edtname").setFocus();
        button("btnext").click();
        EXPECT_EQ(w.currentPage(), 2);
        EXPECT_EQ(shownPage(), 2);
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].kind, Kind::Message);
        EXPECT_EQ(prompts.asked[0].text, "Please enter database name");
        EXPECT_EQ(w.focusWidget(), &edit("edtdatabase"));
        EXPECT_EQ(list("mysqldblist").count(), 0);
    }
}

TEST_F(WindowTest, AccessModeRemoteEnablesTheHostAndLocalGreysItAgain)
{
    makeWindow();
    const auto modes = radios("accessmode");
    modes[1]->click();
    EXPECT_TRUE(edit("edthost").isEnabled());
    EXPECT_FALSE(edit("edtport").isEnabled());
    modes[0]->click();
    EXPECT_FALSE(edit("edthost").isEnabled());
}

TEST_F(WindowTest, HelpAndTheLogoOpenTheShippedHelpPage)
{
    makeWindow();
    button("bthelp").click();
    ASSERT_EQ(prompts.opened.size(), 1u);
    const QUrl help = prompts.opened[0];
    EXPECT_TRUE(help.isLocalFile());
    EXPECT_TRUE(help.toLocalFile().endsWith("help/en/index.html"));
    EXPECT_TRUE(QFileInfo(help.toLocalFile()).isFile()) << help.toLocalFile().toStdString();

    QWidget &logo = control<QWidget>("Image1");
    QTest::mouseClick(&logo, Qt::LeftButton);
    ASSERT_EQ(prompts.opened.size(), 2u);
    EXPECT_EQ(prompts.opened[1], help);
}

TEST_F(WindowTest, CloseAsksFirstAndSavesTheSettingsOnYes)
{
    Taaform1 &w = makeWindow();
    prompts.answers = {false};
    button("btcancel").click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, Kind::Question);
    EXPECT_EQ(prompts.asked[0].title, "Information");
    EXPECT_EQ(prompts.asked[0].text, "Close this Wizard ?");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));

    prompts.answers = {true};
    edit("edtdatabase").setText("shop");
    button("btcancel").click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("mysqldatabase").toString(), "shop");
}

TEST_F(WindowTest, TheCloseBoxClosesWithoutAQuestionAndSavesTheSettings)
{
    Taaform1 &w = makeWindow();
    edit("edtoracleusername").setText("scott");
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("oracleu").toString(), "scott");
}

class WindowFlowTest : public GuiFlowTest {};

TEST_F(WindowFlowTest, NextWalksThePagesWithTheirBarsAndBackWalksThemBack)
{
    createSource({"create table customers (id int primary key)", "create table orders (id int primary key)"});
    Taaform1 &w = makeWindow();
    reachPage4();
    EXPECT_EQ(shownPage(), 4);
    EXPECT_EQ(bar(), kPages2To4);
    EXPECT_EQ(w.focusWidget(), &list("mysqldblist"));
    // The typed database is preselected among everything the server lists.
    const QListWidget &databases = list("mysqldblist");
    ASSERT_EQ(databases.selectedItems().size(), 1);
    EXPECT_EQ(databases.selectedItems()[0]->text().toStdString(), mysql->name());
    EXPECT_FALSE(databases.findItems("information_schema", Qt::MatchExactly).isEmpty());

    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 5);
    EXPECT_EQ(items(list("mysqltablelist")), (QStringList{"customers", "orders"}));
    EXPECT_EQ(list("mysqltablelist").selectedItems().size(), 1);
    EXPECT_EQ(list("mysqltablelist").selectedItems()[0]->text(), "customers");
    EXPECT_EQ(bar(), (Bar{true, false, true, true, "Next >", "Close"}));

    button("btback").click();
    EXPECT_EQ(w.currentPage(), 4);
    button("btback").click();
    EXPECT_EQ(w.currentPage(), 3);
    EXPECT_EQ(w.focusWidget(), &edit("edtservice"));
    EXPECT_EQ(bar(), kPages2To4);
    button("btback").click();
    EXPECT_EQ(w.currentPage(), 2);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(WindowFlowTest, BackFromPage5EmptiesBothListsAndNextListsTheTablesAgain)
{
    createSource({"create table a (id int)", "create table b (id int)", "create table c (id int)"});
    Taaform1 &w = makeWindow();
    reachPage5({"b"});
    ASSERT_EQ(items(list("mysqltableselect")), QStringList{"b"});
    button("btback").click();
    EXPECT_EQ(w.currentPage(), 4);
    EXPECT_EQ(list("mysqltablelist").count(), 0);
    EXPECT_EQ(list("mysqltableselect").count(), 0);
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 5);
    EXPECT_EQ(items(list("mysqltablelist")), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(list("mysqltableselect").count(), 0);
}

TEST_F(WindowFlowTest, AnotherDatabaseChosenAfterBackListsOnlyItsTables)
{
    createSource({"create table first_db_table (id int)"});
    testsupport::ScratchDatabase other({"create table other_table (id int)"});
    Taaform1 &w = makeWindow();
    reachPage5();
    EXPECT_EQ(items(list("mysqltablelist")), QStringList{"first_db_table"});
    button("btback").click();
    const auto found = list("mysqldblist").findItems(QString::fromStdString(other.name()), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    list("mysqldblist").setCurrentItem(found[0], QItemSelectionModel::ClearAndSelect);
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 5);
    EXPECT_EQ(items(list("mysqltablelist")), QStringList{"other_table"});
}

TEST_F(WindowFlowTest, NoDatabaseChosenOnPage4StaysThereUntilOneIs)
{
    createSource({"create table t (id int)"});
    Taaform1 &w = makeWindow();
    reachPage4();
    list("mysqldblist").clearSelection();
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 4);
    ASSERT_EQ(prompts.of(Kind::Error).size(), 1u);
    EXPECT_EQ(prompts.of(Kind::Error)[0].title, "Morvane 1.2");
    // The closing parenthesis sorts below ".": no full stop is added.
    EXPECT_EQ(prompts.of(Kind::Error)[0].text, "List index out of bounds (-1)");

    const auto found = list("mysqldblist").findItems(QString::fromStdString(mysql->name()), Qt::MatchExactly);
    list("mysqldblist").setCurrentItem(found[0], QItemSelectionModel::ClearAndSelect);
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 5);
}

TEST_F(WindowFlowTest, AMySqlConnectionFailureStaysOnPage2WithTheServersMessage)
{
    createSource({});
    Taaform1 &w = makeWindow();
    clickAndWait("btnext");
    typeSourceEntries(mysql->name());
    edit("edtpassword").setText("wrong password");

    // What the driver itself says for the same profile.
    auto direct = db::createMySqlConnection();
    direct->replaceProfile(db::mysqlSourceProfile(mysql->name(), "morvane", "wrong password", "localhost"));
    std::string expected;
    try {
        direct->open();
    } catch (const db::Error &e) {
        expected = e.what();
    }
    ASSERT_FALSE(expected.empty());

    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 2);
    EXPECT_EQ(shownPage(), 2);
    EXPECT_EQ(bar(), kPages2To4);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, Kind::Error);
    EXPECT_EQ(prompts.asked[0].title, "Morvane 1.2");
    EXPECT_EQ(prompts.asked[0].text, errorBoxText(expected));
    EXPECT_TRUE(prompts.asked[0].text.contains("Access denied")) << prompts.asked[0].text.toStdString();

    // Corrected, the same page goes on.
    edit("edtpassword").setText("morvane");
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 3);
}

TEST_F(WindowFlowTest, ADatabaseNameWithATrailingBlankIsSentWithTheBlank)
{
    createSource({});
    Taaform1 &w = makeWindow();
    clickAndWait("btnext");
    typeSourceEntries(mysql->name() + " ");
    clickAndWait("btnext");
    // Not trimmed: the server is asked for the name with its blank, and refuses it.
    EXPECT_EQ(w.currentPage(), 2);
    ASSERT_EQ(prompts.of(Kind::Error).size(), 1u) << lastMessage();
    EXPECT_EQ(prompts.of(Kind::Error)[0].text,
              errorBoxText("Incorrect database name '" + mysql->name() + " '"));
    EXPECT_TRUE(prompts.of(Kind::Message).empty());
}

TEST_F(WindowFlowTest, RemoteAccessReachesTheServerByTheTypedHost)
{
    createSource({"create table t (id int)"});
    Taaform1 &w = makeWindow();
    clickAndWait("btnext");
    radios("accessmode")[1]->click();
    edit("edthost").setText("127.0.0.1");
    typeSourceEntries(mysql->name());
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 3) << lastMessage();
}

TEST_F(WindowFlowTest, ASilentMySqlServerIsGivenUpAfterTheTimeoutWithAMessageNamingIt)
{
    // A listener that accepts connections (the system completes them from its backlog) and never says
    // a word, like a host whose server hangs.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 8), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    // The user's own option file points the client at it and shortens the wait from its 30 s default.
    QTemporaryDir home;
    QFile options(home.filePath(".my.cnf"));
    ASSERT_TRUE(options.open(QIODevice::WriteOnly));
    options.write(QStringLiteral("[client]\nport=%1\nconnect-timeout=2\n").arg(ntohs(address.sin_port)).toUtf8());
    options.close();
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());

    createSource({});
    Taaform1 &w = makeWindow();
    clickAndWait("btnext");
    radios("accessmode")[1]->click();
    edit("edthost").setText("127.0.0.1");
    typeSourceEntries(mysql->name());
    const auto started = std::chrono::steady_clock::now();
    clickAndWait("btnext");
    const auto waited = std::chrono::steady_clock::now() - started;
    qputenv("HOME", realHome);
    close(listener);

    EXPECT_EQ(w.currentPage(), 2);
    ASSERT_EQ(prompts.of(Kind::Error).size(), 1u) << lastMessage();
    const QString text = prompts.of(Kind::Error)[0].text;
    EXPECT_TRUE(text.startsWith("The MySQL server 127.0.0.1 did not answer within 2 seconds: ")) << text.toStdString();
    EXPECT_EQ(prompts.of(Kind::Error)[0].cursor, -1); // shown once the busy pointer is gone
    EXPECT_LT(waited, std::chrono::seconds(20));
}

TEST_F(WindowFlowTest, AnOracleConnectionFailureStaysOnPage3WithTheServersMessage)
{
    createSource({});
    createTarget();
    Taaform1 &w = makeWindow();
    clickAndWait("btnext");
    typeSourceEntries(mysql->name());
    clickAndWait("btnext");
    ASSERT_EQ(w.currentPage(), 3) << lastMessage();
    typeTargetEntries();
    edit("edtservice").setText("NOSUCHSERVICE");

    auto direct = db::createOracleConnection();
    direct->replaceProfile(db::oracleTargetProfile("NOSUCHSERVICE", oracle->user(), "tiger"));
    std::string expected;
    try {
        direct->open();
    } catch (const db::Error &e) {
        expected = e.what();
    }
    ASSERT_FALSE(expected.empty());

    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 3);
    EXPECT_EQ(shownPage(), 3);
    ASSERT_EQ(prompts.of(Kind::Error).size(), 1u);
    EXPECT_EQ(prompts.of(Kind::Error)[0].title, "Morvane 1.2");
    EXPECT_EQ(prompts.of(Kind::Error)[0].text, errorBoxText(expected));
    EXPECT_TRUE(prompts.of(Kind::Error)[0].text.startsWith("ORA-")) << lastMessage();

    // Back to page 3 after a success connects again with what is typed then.
    edit("edtservice").setText(QString::fromStdString(oracle->service()));
    clickAndWait("btnext");
    ASSERT_EQ(w.currentPage(), 4) << lastMessage();
    button("btback").click();
    edit("edtoraclepassword").setText("not tiger");
    clickAndWait("btnext");
    EXPECT_EQ(w.currentPage(), 3);
    EXPECT_EQ(prompts.of(Kind::Error).size(), 2u);
}
