// The controls of the wizard's window and where they stand: the step column, the six pages and the
// hidden holder page, the button bar. The window's behaviour is in Umail.cpp.
#include "app/Umail.h"

#include "app/LogoImage.h"
#include "app/RadioGroup.h"
#include "convert/SourceCharsets.h"
#include "settings/WizardSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

#include <string_view>

namespace {

constexpr int kClientWidth = 672;
constexpr int kClientHeight = 391;
constexpr int kStepColumnWidth = 177;
constexpr int kPageWidth = 493;
constexpr int kPageHeight = 344;
constexpr int kLogPage = 6;
QLabel *makeLabel(const QString &name, const QString &caption, QWidget *parent, const QRect &geometry,
                  bool wrap = false)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | (wrap ? Qt::AlignTop : Qt::AlignVCenter));
    return label;
}

QLineEdit *makeEdit(const QString &name, QWidget *parent, const QRect &geometry, QLabel *label)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    label->setBuddy(edit);
    return edit;
}

QListWidget *makeList(const QString &name, QWidget *parent, const QRect &geometry)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent, const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QCheckBox *makeCheck(const QString &name, const QString &caption, QWidget *parent, const QRect &geometry)
{
    auto *check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    check->setGeometry(geometry);
    return check;
}

QFont boldFont(QFont font, int pointSize = 0)
{
    font.setBold(true);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}

// Passwords show one "*" per typed character, whatever the desktop style would draw.
const QString kStarsForPasswords = QStringLiteral("QLineEdit { lineedit-password-character: 42; }");

QStringList charsetEntries()
{
    QStringList entries;
    for (std::string_view name : convert::kSourceCharsets)
        entries << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    return entries;
}

} // namespace

void Taaform1::buildWindow()
{
    setObjectName(QStringLiteral("aaform1"));
    QFont font = this->font();
    font.setFamilies({QStringLiteral("MS Sans Serif"), font.family()});
    font.setPointSize(8);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, kStepColumnWidth, kClientHeight);
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setAutoFillBackground(true);
    QPalette column = Panel1->palette();
    column.setColor(QPalette::Window, column.color(QPalette::Base));
    Panel1->setPalette(column);
    buildStepColumn(Panel1);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(kStepColumnWidth + 2, 0, kPageWidth, kClientHeight);
    pg = new QStackedWidget(Panel2);
    pg->setObjectName(QStringLiteral("pg"));
    pg->setGeometry(0, 0, kPageWidth, kPageHeight);
    buildPages();
    Panel5 = new QFrame(Panel2);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setGeometry(0, kPageHeight + 4, kPageWidth, 2);
    Panel5->setFrameShape(QFrame::HLine);
    Panel5->setFrameShadow(QFrame::Sunken);
    Panel3 = new QFrame(Panel2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(0, kClientHeight - 41, kPageWidth, 41);
    buildButtonBar(Panel3);
}

void Taaform1::buildStepColumn(QWidget *column)
{
    QLabel **steps[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
    const QString captions[] = {QStringLiteral("Welcome"),
                                QStringLiteral("Connect to Mysql server"),
                                QStringLiteral("Connect to Oracle server"),
                                QStringLiteral("Conversion Settings"),
                                QStringLiteral("Select table to convert"),
                                QStringLiteral("Conversion is Completed")};
    for (int i = 0; i < 6; ++i)
        *steps[i] = makeLabel(QStringLiteral("Label%1").arg(i + 1), captions[i], column,
                              QRect(13, 24 + 40 * i, kStepColumnWidth - 15, 20));
    Image1 = new LogoImage(column);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(1, kClientHeight - 41 - 1, 175, 41);
    connect(Image1, &LogoImage::clicked, this, &Taaform1::Image1Click);
}

QWidget *Taaform1::addPage(const QString &name)
{
    auto *page = new QWidget(pg);
    page->setObjectName(name);
    pg->addWidget(page);
    return page;
}

void Taaform1::buildPages()
{
    buildWelcomePage();
    buildMySqlPage();
    buildOraclePage();
    buildSettingsPage();
    buildTablesPage();
    buildLogPage();
    buildHolderPage();
}

void Taaform1::buildWelcomePage()
{
    QWidget *page = addPage(QStringLiteral("TabSheet1"));
    const QFont title = boldFont(font(), 10);
    makeLabel(QStringLiteral("Label7"), QStringLiteral("Welcome to the Database"), page, QRect(24, 24, 440, 22))
        ->setFont(title);
    makeLabel(QStringLiteral("Label8"), QStringLiteral("Conversion Wizard"), page, QRect(24, 46, 440, 22))
        ->setFont(title);
    makeLabel(QStringLiteral("Label9"), QStringLiteral("This wizard helps you move Mysql database to Oracle  server."),
              page, QRect(24, 90, 440, 36), true);
    makeLabel(QStringLiteral("Label10"), QStringLiteral("Click 'Next' to continue."), page, QRect(24, 300, 440, 20));
}

void Taaform1::buildMySqlPage()
{
    QWidget *page = addPage(QStringLiteral("TabSheet2"));
    makeLabel(QStringLiteral("Label11"),
              QStringLiteral("Provide necessary information to establish connection with MySQL server."), page,
              QRect(16, 8, 460, 30), true);
    accessmode = new RadioGroup(QStringLiteral("Access mode"), {QStringLiteral("&Local"), QStringLiteral("&Romote")},
                                true, page);
    accessmode->setObjectName(QStringLiteral("accessmode"));
    accessmode->setGeometry(16, 40, 460, 46);
    connect(accessmode, &RadioGroup::itemIndexChanged, this, &Taaform1::accessmodeClick);
    auto *authorization = new QGroupBox(QStringLiteral("Authorization settings"), page);
    authorization->setObjectName(QStringLiteral("authorization"));
    authorization->setGeometry(16, 92, 460, 132);
    QLabel *label =
        makeLabel(QStringLiteral("Label15"), QStringLiteral("Database :"), authorization, QRect(16, 22, 120, 21));
    edtdatabase = makeEdit(QStringLiteral("edtdatabase"), authorization, QRect(140, 22, 220, 21), label);
    label = makeLabel(QStringLiteral("Label12"), QStringLiteral("User name:"), authorization, QRect(16, 48, 120, 21));
    edtname = makeEdit(QStringLiteral("edtname"), authorization, QRect(140, 48, 220, 21), label);
    label = makeLabel(QStringLiteral("Label13"), QStringLiteral("Password:"), authorization, QRect(16, 74, 120, 21));
    edtpassword = makeEdit(QStringLiteral("edtpassword"), authorization, QRect(140, 74, 220, 21), label);
    edtpassword->setEchoMode(QLineEdit::Password);
    edtpassword->setStyleSheet(kStarsForPasswords);
    label =
        makeLabel(QStringLiteral("edtport111"), QStringLiteral("Port number:"), authorization, QRect(16, 100, 120, 21));
    edtport = makeEdit(QStringLiteral("edtport"), authorization, QRect(140, 100, 80, 21), label);
    edtport->setText(QStringLiteral("3306"));
    // The port is shown for information only: the client library's default (or its option files) decide.
    edtport->setReadOnly(true);
    edtport->setEnabled(false);
    auto *remote = new QGroupBox(QStringLiteral("Remote settings"), page);
    remote->setObjectName(QStringLiteral("GroupBox2"));
    remote->setGeometry(16, 230, 460, 80);
    label = makeLabel(QStringLiteral("Label14"), QStringLiteral("Host:"), remote, QRect(16, 22, 120, 21));
    edthost = makeEdit(QStringLiteral("edthost"), remote, QRect(140, 22, 220, 21), label);
    edthost->setEnabled(false);
    makeLabel(QStringLiteral("Label16"), QStringLiteral("(it could be network name or IP address)"), remote,
              QRect(140, 48, 300, 20));
    // Shown only when no keyring answered at start, under the first password the wizard asks for.
    keyringnote = makeLabel(QStringLiteral("keyringnote"),
                            QStringLiteral("No keyring answered: the passwords are saved in the settings file, "
                                           "readable by you only."),
                            page, QRect(16, 314, 460, 28), true);
    keyringnote->setVisible(false);
}

void Taaform1::buildOraclePage()
{
    QWidget *page = addPage(QStringLiteral("TabSheet3"));
    makeLabel(QStringLiteral("Label18"),
              QStringLiteral("Provide the necessary information to establish connection with Oracle server."), page,
              QRect(16, 8, 460, 30), true);
    makeLabel(QStringLiteral("Label19"),
              QStringLiteral("Enter the same values that you specify for standard Oracle applications"), page,
              QRect(16, 44, 460, 30), true);
    makeLabel(QStringLiteral("Label20"), QStringLiteral("Link Oracle Enterprise Manager Console."), page,
              QRect(16, 78, 460, 20));
    QLabel *label = makeLabel(QStringLiteral("Label21"), QStringLiteral("&Service:"), page, QRect(40, 120, 110, 21));
    edtservice = makeEdit(QStringLiteral("edtservice"), page, QRect(160, 120, 240, 21), label);
    label = makeLabel(QStringLiteral("Label22"), QStringLiteral("&User name:"), page, QRect(40, 150, 110, 21));
    edtoracleusername = makeEdit(QStringLiteral("edtoracleusername"), page, QRect(160, 150, 240, 21), label);
    label = makeLabel(QStringLiteral("Label23"), QStringLiteral("&Password"), page, QRect(40, 180, 110, 21));
    edtoraclepassword = makeEdit(QStringLiteral("edtoraclepassword"), page, QRect(160, 180, 240, 21), label);
    edtoraclepassword->setEchoMode(QLineEdit::Password);
    edtoraclepassword->setStyleSheet(kStarsForPasswords);
}

void Taaform1::buildSettingsPage()
{
    QWidget *page = addPage(QStringLiteral("TabSheet4"));
    makeLabel(QStringLiteral("Label24"),
              QStringLiteral("On this page you can specify source database name and conversion settings."), page,
              QRect(16, 8, 460, 30), true);
    QLabel *label =
        makeLabel(QStringLiteral("Label25"), QStringLiteral("MySQL database name:"), page, QRect(16, 40, 200, 20));
    mysqldblist = makeList(QStringLiteral("mysqldblist"), page, QRect(16, 62, 200, 168));
    label->setBuddy(mysqldblist);
    processtable =
        new RadioGroup(QStringLiteral("How to process existing tables:"),
                       {QStringLiteral("&Overwrite"), QStringLiteral("Merge"), QStringLiteral("Skip")}, false, page);
    processtable->setObjectName(QStringLiteral("processtable"));
    processtable->setGeometry(232, 40, 245, 90);
    chktabledefi = makeCheck(QStringLiteral("chktabledefi"), QStringLiteral("Convert table definitions only"), page,
                             QRect(232, 140, 245, 20));
    chkskipindex = makeCheck(QStringLiteral("chkskipindex"), QStringLiteral("Skip converting indexes"), page,
                             QRect(232, 164, 245, 20));
    chkuppercase = makeCheck(QStringLiteral("chkuppercase"), QStringLiteral("Make names uppercase"), page,
                             QRect(232, 188, 245, 20));
    chkuppercase->setChecked(true);
    chkblobtotext = makeCheck(QStringLiteral("chkblobtotext"), QStringLiteral("Convert BLOB to text"), page,
                              QRect(232, 212, 245, 20));
    chkkeepschema = makeCheck(QStringLiteral("chkkeepschema"), QStringLiteral("Keep constraints and defaults"), page,
                              QRect(232, 236, 245, 20));
    chkverify =
        makeCheck(QStringLiteral("chkverify"), QStringLiteral("Verify after copying"), page, QRect(232, 260, 245, 20));
    // Below both columns: its caption is wider than the right one.
    chklongnames =
        makeCheck(QStringLiteral("chklongnames"), QStringLiteral("Keep names up to 128 bytes (Oracle 12.2 and later)"),
                  page, QRect(16, 296, 460, 20));
    label = makeLabel(QStringLiteral("Label33"), QStringLiteral("Character Set"), page, QRect(16, 240, 200, 20));
    cbcharset = new QComboBox(page);
    cbcharset->setObjectName(QStringLiteral("cbcharset"));
    cbcharset->setGeometry(16, 262, 200, 22);
    cbcharset->setMaxVisibleItems(16);
    // Entries only: a typed name would be sent in a statement unchecked.
    cbcharset->addItems(charsetEntries());
    label->setBuddy(cbcharset);
    // Under the long-names option, in the last free row of the page.
    label = makeLabel(QStringLiteral("Label37"), QStringLiteral("Tables at once"), page, QRect(16, 318, 120, 22));
    spjobs = new QSpinBox(page);
    spjobs->setObjectName(QStringLiteral("spjobs"));
    spjobs->setGeometry(140, 318, 56, 22);
    spjobs->setRange(1, WizardSettings::kMaxJobs);
    spjobs->setValue(1);
    label->setBuddy(spjobs);
}

void Taaform1::buildTablesPage()
{
    QWidget *page = addPage(QStringLiteral("TabSheet5"));
    makeLabel(QStringLiteral("Label26"), QStringLiteral("Select MySQL tables to convert into Oracle format."), page,
              QRect(16, 8, 460, 20));
    QLabel *label =
        makeLabel(QStringLiteral("Label27"), QStringLiteral("Available tables:"), page, QRect(16, 34, 180, 20));
    mysqltablelist = makeList(QStringLiteral("mysqltablelist"), page, QRect(16, 56, 180, 276));
    label->setBuddy(mysqltablelist);
    label = makeLabel(QStringLiteral("Label28"), QStringLiteral("Selected tables:"), page, QRect(297, 34, 180, 20));
    mysqltableselect = makeList(QStringLiteral("mysqltableselect"), page, QRect(297, 56, 180, 276));
    label->setBuddy(mysqltableselect);
    Button1 = makeButton(QStringLiteral("Button1"), QStringLiteral("Add >"), page, QRect(209, 100, 75, 25));
    Button2 = makeButton(QStringLiteral("Button2"), QStringLiteral("Add all >"), page, QRect(209, 132, 75, 25));
    Button3 = makeButton(QStringLiteral("Button3"), QStringLiteral("< Remove"), page, QRect(209, 190, 75, 25));
    Button4 = makeButton(QStringLiteral("Button4"), QStringLiteral("< Remove all"), page, QRect(209, 222, 75, 25));
    connect(Button1, &QPushButton::clicked, this, &Taaform1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Taaform1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Taaform1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &Taaform1::Button4Click);
    // Under the move buttons, in the free space between the two lists.
    btcheck = makeButton(QStringLiteral("btcheck"), QStringLiteral("Check"), page, QRect(209, 290, 75, 25));
    btcheck->setEnabled(false); // until a table is selected
    connect(btcheck, &QPushButton::clicked, this, &Taaform1::btcheckClick);
}

void Taaform1::buildLogPage()
{
    QWidget *page = addPage(QStringLiteral("TabSheet6"));
    sc = new QPlainTextEdit(page);
    sc->setObjectName(QStringLiteral("sc"));
    // The log leaves room below for where the run is: a bar and one status line, above "Save report".
    sc->setGeometry(4, 4, kPageWidth - 8, kPageHeight - 94);
    runprogress = new QProgressBar(page);
    runprogress->setObjectName(QStringLiteral("runprogress"));
    runprogress->setGeometry(4, kPageHeight - 86, kPageWidth - 8, 14);
    runprogress->setRange(0, 1000);
    runprogress->setValue(0);
    runprogress->setTextVisible(false);
    runstatus =
        makeLabel(QStringLiteral("runstatus"), QString(), page, QRect(4, kPageHeight - 70, kPageWidth - 8, 34), true);
    runstatus->setTextFormat(Qt::PlainText);
    sc->setReadOnly(true);
    sc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sc->setLineWrapMode(QPlainTextEdit::NoWrap);
    btsavereport = makeButton(QStringLiteral("btsavereport"), QStringLiteral("Save report"), page,
                              QRect(kPageWidth - 4 - 90, kPageHeight - 32, 90, 25));
    btsavereport->setEnabled(false); // until a run has something to report
    connect(btsavereport, &QPushButton::clicked, this, &Taaform1::btsavereportClick);
}

// The holder page, never shown: its labels keep the translatable texts the code reads (the closing lines
// of the log, the help address, the close question), so they follow the caption table.
void Taaform1::buildHolderPage()
{
    QWidget *page = addPage(QStringLiteral("TabSheet7"));
    auto *holder = new QStackedWidget(page);
    holder->setObjectName(QStringLiteral("PageControl1"));
    auto *sheet = new QWidget(holder);
    sheet->setObjectName(QStringLiteral("TabSheet8"));
    holder->addWidget(sheet);
    Label29 =
        makeLabel(QStringLiteral("Label29"), QStringLiteral("Conversion is Completed"), sheet, QRect(8, 8, 460, 20));
    Label29->setFont(boldFont(font()));
    Label30 = makeLabel(QStringLiteral("Label30"),
                        QStringLiteral("Wizard has migrated your MySQL database to Oracle server successfully."), sheet,
                        QRect(8, 30, 460, 20));
    Label32 = makeLabel(QStringLiteral("Label32"), QStringLiteral("Click 'Finish' to exit the wizard."), sheet,
                        QRect(8, 52, 460, 20));
    // The English page until a caption table says otherwise, so Help always opens a page.
    helpurl = makeLabel(QStringLiteral("helpurl"), QStringLiteral("help/en/index.html"), sheet, QRect(8, 74, 460, 20));
    queryclose =
        makeLabel(QStringLiteral("queryclose"), QStringLiteral("Close this Wizard ?"), sheet, QRect(8, 96, 460, 20));
    // How a run that did not go through cleanly ends its log; %1 ... are filled in by the run.
    Label31 = makeLabel(QStringLiteral("Label31"),
                        QStringLiteral("Wizard has converted %1 of %2 tables; failed tables: %3, rejected rows: %4."),
                        sheet, QRect(8, 118, 460, 20));
    Label34 = makeLabel(
        QStringLiteral("Label34"),
        QStringLiteral(
            "Conversion stopped by the user: %1 of %2 tables converted; failed tables: %3, rejected rows: %4."),
        sheet, QRect(8, 140, 460, 20));
    Label35 = makeLabel(QStringLiteral("Label35"), QStringLiteral("Conversion ended at table %1."), sheet,
                        QRect(8, 162, 460, 20));
    Label36 = makeLabel(QStringLiteral("Label36"), QStringLiteral("Tables not converted: %1."), sheet,
                        QRect(8, 184, 460, 20));
    // These texts are read by the code, never shown: an address or a question must not be taken for markup.
    for (QLabel *stored : {Label29, Label30, Label32, helpurl, queryclose, Label31, Label34, Label35, Label36})
        stored->setTextFormat(Qt::PlainText);
}

void Taaform1::buildButtonBar(QWidget *bar)
{
    btback = makeButton(QStringLiteral("btback"), QStringLiteral("< Back"), bar, QRect(129, 8, 75, 25));
    btnext = makeButton(QStringLiteral("btnext"), QStringLiteral("Next >"), bar, QRect(206, 8, 75, 25));
    btcancel = makeButton(QStringLiteral("btcancel"), QStringLiteral("Close"), bar, QRect(311, 8, 75, 25));
    bthelp = makeButton(QStringLiteral("bthelp"), QStringLiteral("Help"), bar, QRect(390, 8, 75, 25));
    connect(btback, &QPushButton::clicked, this, &Taaform1::btbackClick);
    connect(btnext, &QPushButton::clicked, this, &Taaform1::btnextClick);
    connect(btcancel, &QPushButton::clicked, this, &Taaform1::btcancelClick);
    connect(bthelp, &QPushButton::clicked, this, &Taaform1::bthelpClick);
}
