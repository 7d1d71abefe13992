// The saved settings: what a first start shows, what a closed window writes and the next start shows
// again, how missing or hand-edited values load, and who may read the file.
#include "support/GuiHarness.h"

#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSpinBox>

#include <sys/stat.h>

using testsupport::GuiTest;

namespace {

const QStringList kValueNames = {"accessmode",   "mysqldatabase", "mysqlu",        "mysqlp",    "host",
                                 "port",         "Character Set", "oracleh",       "oraclep",   "oracleu",
                                 "processtable", "tabledefonly",  "nameuppercase", "skipindex", "blobtotext",
                                 "keepschema",   "verify",        "longnames",     "jobs"};

} // namespace

class SettingsTest : public GuiTest {
protected:
    QSettings store() const { return QSettings(QStringLiteral("Quessra"), QStringLiteral("Morvane")); }

    // A store as a hand edit (or an older version) left it.
    void writeStore(const std::map<QString, QString> &values)
    {
        QSettings s(QStringLiteral("Quessra"), QStringLiteral("Morvane"));
        s.clear();
        for (const auto &[name, value] : values)
            s.setValue(name, value);
        s.sync();
    }

    // Closes the window (saving) and opens a new one on the same store.
    Taaform1 &restart()
    {
        window->close();
        window.reset();
        return makeWindow();
    }

    int charsetIndex() const { return combo("cbcharset").currentIndex(); }
    int radioIndex(const char *group) const
    {
        const auto items = radios(group);
        for (int i = 0; i < items.size(); ++i)
            if (items[i]->isChecked())
                return i;
        return -1;
    }
};

TEST_F(SettingsTest, AFirstStartShowsTheDefaultsAndTheFirstCloseWritesAllNineteenValues)
{
    makeWindow();
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    EXPECT_EQ(radioIndex("accessmode"), 0);
    EXPECT_EQ(edit("edtport").text(), "3306");
    for (const char *name : {"edtdatabase", "edtname", "edtpassword", "edthost", "edtservice", "edtoracleusername",
                             "edtoraclepassword"})
        EXPECT_TRUE(edit(name).text().isEmpty()) << name;
    EXPECT_EQ(radioIndex("processtable"), 0);
    EXPECT_EQ(charsetIndex(), 0);
    EXPECT_TRUE(check("chkuppercase").isChecked());
    EXPECT_FALSE(check("chktabledefi").isChecked() || check("chkskipindex").isChecked() ||
                 check("chkblobtotext").isChecked() || check("chkverify").isChecked() ||
                 check("chklongnames").isChecked());
    EXPECT_EQ(control<QSpinBox>("spjobs").value(), 1);

    window->close();
    QSettings s = store();
    QStringList names = s.allKeys();
    names.sort();
    QStringList expected = kValueNames;
    expected.sort();
    EXPECT_EQ(names, expected);
    EXPECT_EQ(s.value("accessmode").toString(), "0");
    EXPECT_EQ(s.value("port").toString(), "3306");
    EXPECT_EQ(s.value("Character Set").toString(), "0");
    EXPECT_EQ(s.value("processtable").toString(), "0");
    EXPECT_EQ(s.value("nameuppercase").toString(), "1");
    EXPECT_EQ(s.value("tabledefonly").toString(), "0");
    EXPECT_EQ(s.value("verify").toString(), "0");
    EXPECT_EQ(s.value("jobs").toString(), "1");
}

TEST_F(SettingsTest, EveryValueSurvivesARestart)
{
    makeWindow();
    radios("accessmode")[1]->click();
    edit("edthost").setText("db.example.lan");
    edit("edtdatabase").setText("shop ");
    edit("edtname").setText("müller");
    // Characters an INI file or a registry would treat specially, kept exactly as typed.
    const QString mysqlPassword = QStringLiteral(" p@ss=w;o,r#d\"\\ 密码 ");
    edit("edtpassword").setText(mysqlPassword);
    edit("edtservice").setText("dbhost:1521/ORCLPDB1");
    edit("edtoracleusername").setText("scott");
    edit("edtoraclepassword").setText("[tiger]%");
    radios("processtable")[1]->click();
    combo("cbcharset").setCurrentIndex(17);
    check("chktabledefi").setChecked(true);
    check("chkskipindex").setChecked(true);
    check("chkuppercase").setChecked(false);
    check("chkblobtotext").setChecked(true);
    check("chkkeepschema").setChecked(true);
    check("chkverify").setChecked(true);
    check("chklongnames").setChecked(true);
    control<QSpinBox>("spjobs").setValue(4);

    restart();
    EXPECT_EQ(window->currentPage(), 1);
    EXPECT_EQ(radioIndex("accessmode"), 1);
    EXPECT_TRUE(edit("edthost").isEnabled());
    EXPECT_EQ(edit("edthost").text(), "db.example.lan");
    EXPECT_EQ(edit("edtdatabase").text(), "shop ");
    EXPECT_EQ(edit("edtname").text(), "müller");
    EXPECT_EQ(edit("edtpassword").text(), mysqlPassword);
    EXPECT_EQ(edit("edtport").text(), "3306");
    EXPECT_EQ(edit("edtservice").text(), "dbhost:1521/ORCLPDB1");
    EXPECT_EQ(edit("edtoracleusername").text(), "scott");
    EXPECT_EQ(edit("edtoraclepassword").text(), "[tiger]%");
    EXPECT_EQ(radioIndex("processtable"), 1);
    EXPECT_EQ(combo("cbcharset").currentText(), "gbk");
    EXPECT_TRUE(check("chktabledefi").isChecked());
    EXPECT_TRUE(check("chkskipindex").isChecked());
    EXPECT_FALSE(check("chkuppercase").isChecked());
    EXPECT_TRUE(check("chkblobtotext").isChecked());
    EXPECT_TRUE(check("chkkeepschema").isChecked());
    EXPECT_TRUE(check("chkverify").isChecked());
    EXPECT_TRUE(check("chklongnames").isChecked());
    EXPECT_EQ(control<QSpinBox>("spjobs").value(), 4);

    // The stored texts are the ones other versions read: indexes in decimal, flags "1" and "0".
    QSettings s = store();
    EXPECT_EQ(s.value("accessmode").toString(), "1");
    EXPECT_EQ(s.value("Character Set").toString(), "17");
    EXPECT_EQ(s.value("processtable").toString(), "1");
    EXPECT_EQ(s.value("nameuppercase").toString(), "0");
    EXPECT_EQ(s.value("blobtotext").toString(), "1");
    EXPECT_EQ(s.value("keepschema").toString(), "1");
    EXPECT_EQ(s.value("verify").toString(), "1");
    EXPECT_EQ(s.value("longnames").toString(), "1");
    EXPECT_EQ(s.value("jobs").toString(), "4");
    EXPECT_EQ(s.value("mysqlp").toString(), mysqlPassword);

    // And the next round trip changes nothing.
    radios("processtable")[2]->click();
    radios("accessmode")[0]->click();
    restart();
    EXPECT_EQ(radioIndex("processtable"), 2);
    EXPECT_EQ(radioIndex("accessmode"), 0);
    EXPECT_FALSE(edit("edthost").isEnabled());
    EXPECT_EQ(edit("edthost").text(), "db.example.lan");
}

TEST_F(SettingsTest, MissingValuesReadAsEmptyText)
{
    writeStore({{"mysqldatabase", "sales"}});
    makeWindow();
    EXPECT_EQ(edit("edtdatabase").text(), "sales");
    // A missing flag clears its box, the uppercase one included; a missing character set is "Default".
    EXPECT_FALSE(check("chkuppercase").isChecked());
    EXPECT_EQ(charsetIndex(), 0);
    // A missing port is an empty port; the missing indexes keep the window's first items, and one table
    // goes at a time.
    EXPECT_EQ(edit("edtport").text(), "");
    EXPECT_EQ(control<QSpinBox>("spjobs").value(), 1);
    EXPECT_EQ(radioIndex("accessmode"), 0);
    EXPECT_EQ(radioIndex("processtable"), 0);
    EXPECT_FALSE(edit("edthost").isEnabled());
}

TEST_F(SettingsTest, OnlyExactlyOneChecksABox)
{
    writeStore({{"tabledefonly", "01"}, {"nameuppercase", "true"}, {"skipindex", " 1"}, {"blobtotext", "1"},
                {"Character Set", ""}});
    makeWindow();
    EXPECT_FALSE(check("chktabledefi").isChecked());
    EXPECT_FALSE(check("chkuppercase").isChecked());
    EXPECT_FALSE(check("chkskipindex").isChecked());
    EXPECT_TRUE(check("chkblobtotext").isChecked());
    EXPECT_EQ(charsetIndex(), 0);
}

TEST_F(SettingsTest, HandEditedIndexesOutOfRangeStillStartOnPage1)
{
    struct Case {
        QString access, policy, charset;
        int wantAccess, wantPolicy, wantCharset;
    };
    const Case cases[] = {
        {"7", "-3", "99", 0, 0, 0},      {"abc", "1.5", "x", 0, 0, 0},    {"", " 2", "+3", 0, 0, 0},
        {"1", "2", "-1", 1, 2, -1},      {"-1", "3", "36", 0, 0, 36},     {"99999999999", "2", "-2", 0, 2, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.access + "|" + c.policy + "|" + c.charset).toStdString());
        writeStore({{"accessmode", c.access}, {"processtable", c.policy}, {"Character Set", c.charset}});
        makeWindow();
        EXPECT_EQ(window->currentPage(), 1);
        EXPECT_EQ(shownPage(), 1);
        EXPECT_EQ(radioIndex("accessmode"), c.wantAccess);
        EXPECT_EQ(radioIndex("processtable"), c.wantPolicy);
        EXPECT_EQ(charsetIndex(), c.wantCharset);
        EXPECT_EQ(edit("edthost").isEnabled(), c.wantAccess == 1);
        window.reset();
    }
}

TEST_F(SettingsTest, HandEditedTablesAtOnceAreHeldToWhatTheBoxOffers)
{
    const std::pair<QString, int> cases[] = {{"0", 1}, {"-4", 1},  {"17", 16}, {"99999999999", 1},
                                             {"3", 3}, {"16", 16}, {" 2", 1},  {"two", 1}};
    for (const auto &[stored, shown] : cases) {
        SCOPED_TRACE(stored.toStdString());
        writeStore({{"jobs", stored}});
        makeWindow();
        EXPECT_EQ(control<QSpinBox>("spjobs").value(), shown);
        window.reset();
    }
}

TEST(SettingsStoreValidation, EveryNumberIsHeldToItsControlsItemsAsTheWindowAndTheCommandLineReadThem)
{
    WizardSettings s;
    s.accessMode = 2;
    s.processTable = -1;
    s.charsetIndex = WizardSettings::kCharsetEntries;
    s.jobs = WizardSettings::kMaxJobs + 1;
    s.database = "kept";
    const WizardSettings v = SettingsStore::validated(s);
    EXPECT_EQ(v.accessMode, 0);
    EXPECT_EQ(v.processTable, 0);
    EXPECT_EQ(v.charsetIndex, 0);
    EXPECT_EQ(v.jobs, WizardSettings::kMaxJobs);
    EXPECT_EQ(v.database, "kept");
    // What a control can show stays: the last items, and no character set chosen.
    s = {};
    s.accessMode = 1;
    s.processTable = 2;
    s.charsetIndex = -1;
    s.jobs = 1;
    EXPECT_EQ(SettingsStore::validated(s), s);
    s.charsetIndex = WizardSettings::kCharsetEntries - 1;
    EXPECT_EQ(SettingsStore::validated(s), s);
    s.charsetIndex = -2;
    EXPECT_EQ(SettingsStore::validated(s).charsetIndex, 0);
}

TEST_F(SettingsTest, NoChosenCharacterSetIsSavedAsMinusOne)
{
    writeStore({{"Character Set", "-1"}});
    makeWindow();
    EXPECT_EQ(charsetIndex(), -1);
    window->close();
    EXPECT_EQ(store().value("Character Set").toString(), "-1");
}

TEST_F(SettingsTest, TheFileIsReadableAndWritableByItsOwnerOnly)
{
    makeWindow();
    edit("edtpassword").setText("secret");
    window->close();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(settingsFile()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A file an older version left readable to everybody is tightened at the next save.
    ASSERT_EQ(::chmod(QFile::encodeName(settingsFile()).constData(), 0644), 0);
    window.reset();
    makeWindow();
    EXPECT_EQ(edit("edtpassword").text(), "secret");
    window->close();
    ASSERT_EQ(::stat(QFile::encodeName(settingsFile()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SettingsStoreIndex, OnlyPlainDecimalNumbersAreIndexes)
{
    EXPECT_EQ(SettingsStore::parseIndex("0"), 0);
    EXPECT_EQ(SettingsStore::parseIndex("-1"), -1);
    EXPECT_EQ(SettingsStore::parseIndex("36"), 36);
    EXPECT_EQ(SettingsStore::parseIndex(""), std::nullopt);
    EXPECT_EQ(SettingsStore::parseIndex(" 1"), std::nullopt);
    EXPECT_EQ(SettingsStore::parseIndex("+1"), std::nullopt);
    EXPECT_EQ(SettingsStore::parseIndex("0x1"), std::nullopt);
    EXPECT_EQ(SettingsStore::parseIndex("1e3"), std::nullopt);
    EXPECT_EQ(SettingsStore::parseIndex("99999999999"), std::nullopt);
}
