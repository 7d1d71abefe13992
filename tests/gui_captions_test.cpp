// The English and Chinese caption tables and how they are written into the window: every captioned
// control has its row, Chinese empties and keeps what it should, other codes change nothing.
#include "support/GuiHarness.h"

#include "app/HelpPages.h"
#include "app/captions/ApplyCaptions.h"
#include "app/captions/CaptionTables.h"

#include <QFile>
#include <QFileInfo>

using testsupport::GuiPrompts;
using testsupport::GuiTest;

namespace {

QStringList namesOf(const QStringList &table)
{
    QStringList names;
    for (const QString &row : table)
        names << row.section(QLatin1Char('='), 0, 0);
    return names;
}

} // namespace

class CaptionsTest : public GuiTest {
protected:
    // The caption a control shows: a label's text, a group's title, a check box's text.
    QString captionOf(const QString &name) const
    {
        QWidget *control = window->findChild<QWidget *>(name);
        if (!control)
            return QStringLiteral("<no control %1>").arg(name);
        if (auto *l = qobject_cast<QLabel *>(control))
            return l->text();
        if (auto *g = qobject_cast<QGroupBox *>(control))
            return g->title();
        if (auto *c = qobject_cast<QCheckBox *>(control))
            return c->text();
        if (auto *b = qobject_cast<QPushButton *>(control))
            return b->text();
        return QStringLiteral("<not captioned %1>").arg(name);
    }

    // Every text the window shows, captioned or not, by object name (and item position for radios).
    std::map<QString, QString> allTexts() const
    {
        std::map<QString, QString> texts;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            const QString key = w->objectName().isEmpty()
                                    ? w->parent()->objectName() + "/" + QString::number(quintptr(w), 16)
                                    : w->objectName();
            if (auto *l = qobject_cast<QLabel *>(w))
                texts[key] = l->text();
            else if (auto *g = qobject_cast<QGroupBox *>(w))
                texts[key] = g->title();
            else if (auto *b = qobject_cast<QAbstractButton *>(w))
                texts[key] = b->text();
        }
        return texts;
    }
};

TEST_F(CaptionsTest, BothTablesHoldTheSame54NamesInTheSameOrder)
{
    const QStringList en = captions::englishTable();
    const QStringList cn = captions::chineseTable();
    ASSERT_EQ(en.size(), 54);
    EXPECT_EQ(namesOf(en), namesOf(cn));
    EXPECT_EQ(en[8], "Label9=This wizard helps you move Mysql database to Oracle  server.");
    EXPECT_EQ(en[13], "Label15=Database :");
    EXPECT_EQ(en[15], "edtport111=Port number:");
    EXPECT_EQ(en[20], "Label21=&Service:");
    EXPECT_EQ(en[41], "queryclose=Close this Wizard ?");
    EXPECT_EQ(cn[0], "Label1=欢迎");
    EXPECT_EQ(cn[30], "Label30=向导已经完成Mysql 数据库到Orccle的转换.");
    EXPECT_EQ(cn[41], "queryclose=退出向导 ?");
    // The endings of a run that did not go through cleanly follow, with the same places to fill in.
    for (int i = 42; i < 46; ++i) {
        for (const char *place : {"%1", "%2", "%3", "%4"})
            EXPECT_EQ(en[i].contains(place), cn[i].contains(place)) << en[i].toStdString() << " " << place;
    }
    EXPECT_EQ(en[43], "Label34=Conversion stopped by the user: %1 of %2 tables converted; failed tables: %3, "
                      "rejected rows: %4.");
    EXPECT_EQ(cn[43], "Label34=转换已被用户停止：已转换 %2 个表中的 %1 个；失败的表：%3，被拒绝的行：%4。");
    // "Tables at once" has a Chinese caption; the status line under the log is filled in by the run.
    EXPECT_EQ(en[52], "Label37=Tables at once");
    EXPECT_EQ(cn[52], "Label37=同时转换的表数");
    EXPECT_EQ(en[53], "runstatus=");
    EXPECT_EQ(cn[53], "runstatus=");
    // Both help addresses name a page that ships with the program.
    for (const QStringList *table : {&en, &cn}) {
        const QUrl url = helppages::resolve(captions::captionFor(*table, "helpurl"));
        EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile()) << url.toString().toStdString();
    }
}

TEST_F(CaptionsTest, EnglishCaptionsEveryLabelGroupAndCheckBoxOfTheWindow)
{
    makeWindow();
    const QStringList en = captions::englishTable();
    for (const QString &row : en) {
        const QString name = row.section(QLatin1Char('='), 0, 0);
        EXPECT_EQ(captionOf(name), row.section(QLatin1Char('='), 1)) << name.toStdString();
    }
    // And nothing captioned is left out of the table.
    int captioned = 0;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (qobject_cast<QLabel *>(w) || qobject_cast<QGroupBox *>(w) || qobject_cast<QCheckBox *>(w)) {
            ++captioned;
            EXPECT_TRUE(namesOf(en).contains(w->objectName())) << w->objectName().toStdString();
        }
    }
    // The 54 rows less the two buttons that have rows of their own.
    EXPECT_EQ(captioned, 52);
    EXPECT_EQ(captionOf("helpurl"), "help/en/index.html");
    EXPECT_EQ(captionOf("queryclose"), "Close this Wizard ?");
}

TEST_F(CaptionsTest, ChineseEmptiesThreeLabelsKeepsHostAndLeavesButtonsAndItemsAlone)
{
    Taaform1 &w = makeWindow();
    w.setInterfaceLanguage("cn");
    w.ApplyCaptions();
    EXPECT_EQ(captionOf("Label8"), "");
    EXPECT_EQ(captionOf("Label19"), "");
    EXPECT_EQ(captionOf("Label20"), "");
    EXPECT_EQ(captionOf("Label14"), "Host:");
    EXPECT_EQ(captionOf("Label1"), "欢迎");
    EXPECT_EQ(captionOf("accessmode"), "存取模式");
    EXPECT_EQ(captionOf("chkblobtotext"), "转换BLOB为TEXT类型");
    EXPECT_EQ(captionOf("helpurl"), "help/zh/index.html");
    EXPECT_EQ(captionOf("chkverify"), "复制后校验");
    EXPECT_EQ(captionOf("btcheck"), "检查");
    EXPECT_EQ(captionOf("btsavereport"), "保存报告");
    EXPECT_EQ(captionOf("Label37"), "同时转换的表数");
    EXPECT_EQ(radios("accessmode")[1]->text(), "&Romote");
    EXPECT_EQ(radios("processtable")[0]->text(), "&Overwrite");
    EXPECT_EQ(button("btnext").text(), "Next >");
    EXPECT_EQ(button("Button4").text(), "< Remove all");
    EXPECT_EQ(w.windowTitle(), "Morvane 1.2");

    // The texts the code reads follow the language: the close question and the help page.
    prompts.answers = {false};
    button("btcancel").click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Information");
    EXPECT_EQ(prompts.asked[0].text, "退出向导 ?");
    button("bthelp").click();
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_TRUE(prompts.opened[0].toLocalFile().endsWith("help/zh/index.html"));
}

TEST_F(CaptionsTest, AnUnknownLanguageCodeChangesNoCaption)
{
    Taaform1 &w = makeWindow();
    const auto english = allTexts();
    w.setInterfaceLanguage("de");
    w.ApplyCaptions();
    EXPECT_EQ(allTexts(), english);

    w.setInterfaceLanguage("cn");
    w.ApplyCaptions();
    const auto chinese = allTexts();
    EXPECT_NE(chinese, english);
    // Codes are compared exactly: "EN" is not "en".
    w.setInterfaceLanguage("EN");
    w.ApplyCaptions();
    EXPECT_EQ(allTexts(), chinese);
}

TEST_F(CaptionsTest, NamesMatchWithoutCaseTheFirstRowWinsAndAMissingRowEmptiesTheCaption)
{
    Taaform1 &w = makeWindow();
    w.english.removeAll("Label8=Conversion Wizard");
    w.english.prepend("LABEL7=First");
    w.english.append("Label7=Second");
    w.english.prepend("CHKUPPERCASE=Upper names");
    w.ApplyCaptions();
    EXPECT_EQ(captionOf("Label8"), "");
    EXPECT_EQ(captionOf("Label7"), "First");
    EXPECT_EQ(captionOf("chkuppercase"), "Upper names");
    EXPECT_EQ(captionOf("Label9"), "This wizard helps you move Mysql database to Oracle  server.");
}

TEST_F(CaptionsTest, EachHelpPageDescribesTheLaterOptionsByTheCaptionsOfItsLanguage)
{
    const std::pair<const char *, QStringList> pages[] = {{"helpurl", captions::englishTable()},
                                                          {"helpurl", captions::chineseTable()}};
    for (const auto &[row, table] : pages) {
        const QString file = helppages::resolve(captions::captionFor(table, row)).toLocalFile();
        QFile page(file);
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << file.toStdString();
        const QString text = QString::fromUtf8(page.readAll());
        for (const char *control : {"chkkeepschema", "chkverify", "chklongnames", "btcheck", "btsavereport", "Label37"})
            EXPECT_TRUE(text.contains(captions::captionFor(table, control)))
                << file.toStdString() << " does not name " << control;
    }
}

TEST(CaptionLookup, RowsSplitAtTheFirstEqualsSign)
{
    const QStringList table{"a=x=y", "b=", "noequals", "c=&Save"};
    EXPECT_EQ(captions::captionFor(table, "A"), "x=y");
    EXPECT_EQ(captions::captionFor(table, "b"), "");
    EXPECT_EQ(captions::captionFor(table, "noequals"), "");
    EXPECT_EQ(captions::captionFor(table, "c"), "&Save");
    EXPECT_EQ(captions::captionFor(table, "d"), "");
}
