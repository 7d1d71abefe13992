// The passwords in the keyring: a session bus and a GNOME keyring of the test program's own, the real
// window saving and loading through them, the settings file read back, the keyring read by another
// client (secret-tool), and what morvane-cli --from-settings takes. Without a keyring daemon
// installed the program reports itself skipped.
#include "support/GuiHarness.h"

#include "cli/CommandOptions.h"
#include "cli/SavedSettings.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>

using testsupport::GuiTest;
using testsupport::PrivateKeyring;

namespace {

PrivateKeyring *g_keyring = nullptr;

const std::string kService = "Morvane";
const QString kMySqlSecret = QStringLiteral("my=sql;pass word");
const QString kOracleSecret = QStringLiteral("tiger \"scott\" 虎");

} // namespace

class KeyringTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (!keyring().daemonRunning())
            keyring().startDaemon();
        // Each test starts with no entries of the wizard's.
        const auto replies = PasswordKeyring(QString::fromStdString(kService)).write({{"mysqlp", {}}, {"oraclep", {}}});
        for (const auto &reply : replies)
            ASSERT_TRUE(reply.answered) << reply.problem.toStdString();
    }
    void TearDown() override { keyring().thawDaemon(); }

    static PrivateKeyring &keyring() { return *g_keyring; }
    static std::optional<std::string> entry(const char *key) { return keyring().lookup(kService, key); }

    QSettings store() const { return QSettings(QStringLiteral("Quessra"), QStringLiteral("Morvane")); }
    QByteArray fileBytes() const
    {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A store as an earlier version left it, passwords in clear.
    void writeStore(const std::map<QString, QString> &values)
    {
        QSettings s = store();
        s.clear();
        for (const auto &[name, value] : values)
            s.setValue(name, value);
        s.sync();
    }
    Taaform1 &restart()
    {
        window->close();
        window.reset();
        return makeWindow();
    }
    void typePasswords(const QString &mysql, const QString &oracle)
    {
        edit("edtname").setText("me");
        edit("edtpassword").setText(mysql);
        edit("edtoracleusername").setText("scott");
        edit("edtoraclepassword").setText(oracle);
    }
    bool noteShown() const { return !label("keyringnote").isHidden(); }
    // What morvane-cli --from-settings takes.
    static cli::CommandOptions fromSettings()
    {
        cli::CommandOptions options;
        EXPECT_EQ(cli::applySavedSettings(options), "");
        return options;
    }
};

TEST_F(KeyringTest, AfterASaveTheFileHoldsNoPasswordAndTheKeyringHoldsBoth)
{
    makeWindow();
    EXPECT_FALSE(noteShown());
    typePasswords(kMySqlSecret, kOracleSecret);
    window->close();

    // The value names stay, empty, so older versions still find every value.
    QSettings s = store();
    EXPECT_TRUE(s.contains("mysqlp") && s.contains("oraclep"));
    EXPECT_EQ(s.value("mysqlp").toString(), "");
    EXPECT_EQ(s.value("oraclep").toString(), "");
    EXPECT_FALSE(fileBytes().contains("my=sql")) << fileBytes().toStdString();
    EXPECT_FALSE(fileBytes().contains("tiger")) << fileBytes().toStdString();
    EXPECT_EQ(entry("mysqlp"), kMySqlSecret.toStdString());
    EXPECT_EQ(entry("oraclep"), kOracleSecret.toStdString());

    restart();
    EXPECT_EQ(edit("edtpassword").text(), kMySqlSecret);
    EXPECT_EQ(edit("edtoraclepassword").text(), kOracleSecret);
    EXPECT_EQ(edit("edtname").text(), "me");
    EXPECT_FALSE(noteShown());

    const cli::CommandOptions options = fromSettings();
    EXPECT_EQ(options.mysqlPassword, kMySqlSecret.toStdString());
    EXPECT_EQ(options.oraclePassword, kOracleSecret.toStdString());
    EXPECT_EQ(options.oracleUser, "scott");
}

TEST_F(KeyringTest, AClearPasswordFromAnEarlierVersionMovesToTheKeyringAtTheNextSave)
{
    // An entry older than the file: the file's password is the one typed last.
    ASSERT_TRUE(PasswordKeyring(QString::fromStdString(kService)).write({{"mysqlp", "stale"}})[0].answered);
    writeStore({{"mysqlu", "me"}, {"mysqlp", "from-the-file"}, {"oracleu", "scott"}, {"oraclep", "tiger"}});

    // Read before the window saves anything: morvane-cli takes the file's passwords too.
    cli::CommandOptions options = fromSettings();
    EXPECT_EQ(options.mysqlPassword, "from-the-file");
    EXPECT_EQ(options.oraclePassword, "tiger");

    makeWindow();
    EXPECT_EQ(edit("edtpassword").text(), "from-the-file");
    EXPECT_EQ(edit("edtoraclepassword").text(), "tiger");
    window->close();
    EXPECT_EQ(store().value("mysqlp").toString(), "");
    EXPECT_EQ(store().value("oraclep").toString(), "");
    EXPECT_FALSE(fileBytes().contains("from-the-file"));
    EXPECT_EQ(entry("mysqlp"), "from-the-file");
    EXPECT_EQ(entry("oraclep"), "tiger");

    options = fromSettings();
    EXPECT_EQ(options.mysqlPassword, "from-the-file");
    EXPECT_EQ(options.oraclePassword, "tiger");
}

TEST_F(KeyringTest, APasswordEmptiedInTheWindowLeavesTheKeyring)
{
    makeWindow();
    typePasswords(kMySqlSecret, kOracleSecret);
    restart();
    edit("edtoraclepassword").clear();
    window->close();
    EXPECT_EQ(entry("mysqlp"), kMySqlSecret.toStdString());
    EXPECT_EQ(entry("oraclep"), std::nullopt);
    // An empty saved password counts as not saved: the environment or a prompt gives it.
    EXPECT_EQ(fromSettings().oraclePassword, std::nullopt);
}

TEST_F(KeyringTest, WithoutAKeyringThePasswordsStayInTheFileAndTheWindowSaysSo)
{
    keyring().stopDaemon();
    makeWindow();
    EXPECT_TRUE(noteShown());
    EXPECT_EQ(label("keyringnote").text(),
              "No keyring answered: the passwords are saved in the settings file, readable by you only.");
    // The keyring's own reason and the file, for whoever looks closer.
    EXPECT_TRUE(label("keyringnote").toolTip().contains(settingsFile()))
        << label("keyringnote").toolTip().toStdString();
    EXPECT_TRUE(label("keyringnote").toolTip().contains("org.freedesktop.secrets"))
        << label("keyringnote").toolTip().toStdString();
    typePasswords(kMySqlSecret, kOracleSecret);
    window->close();

    // As earlier versions kept them: in the file, which only its owner may read.
    EXPECT_EQ(store().value("mysqlp").toString(), kMySqlSecret);
    EXPECT_EQ(store().value("oraclep").toString(), kOracleSecret);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(settingsFile()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    restart();
    EXPECT_EQ(edit("edtpassword").text(), kMySqlSecret);
    EXPECT_EQ(fromSettings().oraclePassword, kOracleSecret.toStdString());
    window->close();

    // Once a keyring answers again, they move there.
    keyring().startDaemon();
    window.reset();
    makeWindow();
    EXPECT_FALSE(noteShown());
    EXPECT_EQ(edit("edtoraclepassword").text(), kOracleSecret);
    window->close();
    EXPECT_EQ(store().value("mysqlp").toString(), "");
    EXPECT_EQ(entry("mysqlp"), kMySqlSecret.toStdString());
    EXPECT_EQ(entry("oraclep"), kOracleSecret.toStdString());
}

TEST_F(KeyringTest, APasswordTheKeyringDidNotGiveIsNotRemovedFromIt)
{
    makeWindow();
    typePasswords(kMySqlSecret, kOracleSecret);
    window->close();

    // A start while the keyring is away shows empty passwords; closing must not take that for a choice.
    keyring().stopDaemon();
    window.reset();
    makeWindow();
    EXPECT_TRUE(noteShown());
    EXPECT_EQ(edit("edtpassword").text(), "");
    window->close();
    EXPECT_EQ(store().value("mysqlp").toString(), "");

    keyring().startDaemon();
    window.reset();
    makeWindow();
    EXPECT_EQ(edit("edtpassword").text(), kMySqlSecret);
    EXPECT_EQ(edit("edtoraclepassword").text(), kOracleSecret);
}

TEST_F(KeyringTest, AKeyringThatDoesNotAnswerIsGivenUpOnAndAskedAgainOnceItHasAnswered)
{
    makeWindow();
    typePasswords(kMySqlSecret, kOracleSecret);
    window->close();
    window.reset();

    using namespace std::chrono_literals;
    SettingsStore settings(std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat),
                           PasswordKeyring(QString::fromStdString(kService), 300ms));
    keyring().freezeDaemon();
    std::optional<WizardSettings> loaded = settings.load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->mysqlPassword, "");
    EXPECT_TRUE(settings.keyringProblem().contains("no answer within 0.3 seconds"))
        << settings.keyringProblem().toStdString();
    // Asked again while the first request still waits: no second wait, and a password typed meanwhile is
    // kept in the file, as without a keyring; the one that could not be read is left alone.
    loaded->oraclePassword = QStringLiteral("typed while it hung");
    settings.save(*loaded);
    EXPECT_TRUE(settings.keyringProblem().contains("still unanswered")) << settings.keyringProblem().toStdString();
    EXPECT_EQ(store().value("mysqlp").toString(), "");
    EXPECT_EQ(store().value("oraclep").toString(), "typed while it hung");

    // Once the keyring has answered the request it was left with, it is asked again, and nothing was lost.
    keyring().thawDaemon();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            loaded = settings.load();
            return settings.keyringProblem().isEmpty();
        },
        10000))
        << settings.keyringProblem().toStdString();
    EXPECT_EQ(loaded->mysqlPassword, kMySqlSecret);
    EXPECT_EQ(loaded->oraclePassword, "typed while it hung");
    settings.save(*loaded);
    EXPECT_EQ(store().value("oraclep").toString(), "");
    EXPECT_EQ(entry("oraclep"), "typed while it hung");
    EXPECT_EQ(entry("mysqlp"), kMySqlSecret.toStdString());
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (const std::string missing = PrivateKeyring::missingPrograms(); !missing.empty()) {
        std::printf("skipped: the keyring tests need %s\n", missing.c_str());
        return 77; // CTest's SKIP_RETURN_CODE for this program
    }
    // Before the application and the first keyring call: its bus is the only one this program sees.
    PrivateKeyring keyring;
    g_keyring = &keyring;
    return RUN_ALL_TESTS();
}
