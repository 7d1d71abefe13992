#include "app/Umail.h"

#include "app/ApplicationTitle.h"
#include "app/BackgroundCheck.h"
#include "app/BackgroundRun.h"
#include "app/CallBreaker.h"
#include "app/HelpPages.h"
#include "app/LogFeed.h"
#include "app/LogoImage.h"
#include "app/Mailbox.h"
#include "app/PageWork.h"
#include "app/ProgressFeed.h"
#include "app/ProgressLog.h"
#include "app/Prompts.h"
#include "app/RadioGroup.h"
#include "app/SilentAbort.h"
#include "app/TableListMoves.h"
#include "app/WorkerThreads.h"
#include "app/captions/ApplyCaptions.h"
#include "app/captions/CaptionTables.h"
#include "app/ucs.h"
#include "convert/ConversionOptions.h"
#include "convert/RunReport.h"
#include "convert/SourceCharsets.h"
#include "db/Connection.h"
#include "db/ConnectionProfile.h"
#include "db/Drivers.h"
#include "db/Profiles.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <utility>

namespace {

constexpr int kClientWidth = 672;
constexpr int kClientHeight = 391;
constexpr int kStepColumnWidth = 177;
constexpr int kPageWidth = 493;
constexpr int kPageHeight = 344;
constexpr int kLogPage = 6;
// How long a window being destroyed waits for its workers: a run told to stop, sessions being closed.
constexpr std::chrono::seconds kWaitForWorkers{5};
// How often the status line shows the time spent while no progress point comes (a long statement).
constexpr std::chrono::seconds kStatusClock{1};

static_assert(WizardSettings::kCharsetEntries == static_cast<int>(convert::kSourceCharsets.size()));
static_assert(WizardSettings::kMaxJobs == convert::ConversionOptions::kMaxJobs);
static_assert(WizardSettings::kPolicies == static_cast<int>(convert::ExistingTablePolicy::Skip) + 1);

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

std::string text(const QLineEdit *edit) { return edit->text().toStdString(); }

QString timeStamp() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")); }

QStringList charsetEntries()
{
    QStringList entries;
    for (std::string_view name : convert::kSourceCharsets)
        entries << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    return entries;
}

} // namespace

Taaform1::Taaform1(Prompts &prompts, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_prompts(prompts)
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

    m_sessions = WizardSessions::closed();

    // A window of its own over the wizard, closed with it.
    frmcs = std::make_unique<Tfrmcs>(this);
    connect(frmcs.get(), &Tfrmcs::saveRequested, this, &Taaform1::saveCheckText);
    m_log = std::make_unique<ProgressLog>(*sc);
    m_checkText = std::make_unique<ProgressLog>(*frmcs->Memo1);
    m_settings = std::make_unique<SettingsStore>();
    m_statusClock = new QTimer(this);
    m_statusClock->setInterval(kStatusClock);
    connect(m_statusClock, &QTimer::timeout, this, &Taaform1::showRunStatus);

    FormCreate();
}

Taaform1::~Taaform1()
{
    // No outcome reaches a window that is going; a run still going is told to stop.
    if (m_mail)
        m_mail->close();
    if (m_breaker)
        m_breaker->breakCalls();
    // Calls already queued here are not run: what they carry is closed on a worker, not here.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    // The sessions too: closing one may wait on its server.
    workerthreads::start([sessions = std::make_shared<WizardSessions>(std::move(m_sessions))] {});
    workerthreads::waitForAll(kWaitForWorkers);
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
    QLabel *label = makeLabel(QStringLiteral("Label15"), QStringLiteral("Database :"), authorization,
                              QRect(16, 22, 120, 21));
    edtdatabase = makeEdit(QStringLiteral("edtdatabase"), authorization, QRect(140, 22, 220, 21), label);
    label = makeLabel(QStringLiteral("Label12"), QStringLiteral("User name:"), authorization, QRect(16, 48, 120, 21));
    edtname = makeEdit(QStringLiteral("edtname"), authorization, QRect(140, 48, 220, 21), label);
    label = makeLabel(QStringLiteral("Label13"), QStringLiteral("Password:"), authorization, QRect(16, 74, 120, 21));
    edtpassword = makeEdit(QStringLiteral("edtpassword"), authorization, QRect(140, 74, 220, 21), label);
    edtpassword->setEchoMode(QLineEdit::Password);
    edtpassword->setStyleSheet(kStarsForPasswords);
    label = makeLabel(QStringLiteral("edtport111"), QStringLiteral("Port number:"), authorization,
                      QRect(16, 100, 120, 21));
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
    processtable = new RadioGroup(QStringLiteral("How to process existing tables:"),
                                  {QStringLiteral("&Overwrite"), QStringLiteral("Merge"), QStringLiteral("Skip")},
                                  false, page);
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
    Label29 = makeLabel(QStringLiteral("Label29"), QStringLiteral("Conversion is Completed"), sheet,
                        QRect(8, 8, 460, 20));
    Label29->setFont(boldFont(font()));
    Label30 = makeLabel(QStringLiteral("Label30"),
                        QStringLiteral("Wizard has migrated your MySQL database to Oracle server successfully."), sheet,
                        QRect(8, 30, 460, 20));
    Label32 = makeLabel(QStringLiteral("Label32"), QStringLiteral("Click 'Finish' to exit the wizard."), sheet,
                        QRect(8, 52, 460, 20));
    // The English page until a caption table says otherwise, so Help always opens a page.
    helpurl = makeLabel(QStringLiteral("helpurl"), QStringLiteral("help/en/index.html"), sheet,
                        QRect(8, 74, 460, 20));
    queryclose = makeLabel(QStringLiteral("queryclose"), QStringLiteral("Close this Wizard ?"), sheet,
                           QRect(8, 96, 460, 20));
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

void Taaform1::FormCreate()
{
    english = captions::englishTable();
    chn = captions::chineseTable();
    InterfaceLanguage = QStringLiteral("en");
    ApplyCaptions();
    StopRequested = false;
    setCancelAction(CancelAction::Close, btcancel->text());
    setWindowTitle(applicationTitle());
    LoadSettings();
    CurrentPage = 1;
    ShowPage(CurrentPage);
}

// ---- Page flow ----

void Taaform1::ShowPage(int page)
{
    btback->setEnabled(true);
    btnext->setEnabled(true);
    btnext->setText(QStringLiteral("Next >"));
    btcancel->setEnabled(true);
    bthelp->setEnabled(true);
    if (page == 1)
        btback->setEnabled(false);
    if (page == kLogPage) {
        btback->setEnabled(false);
        btnext->setText(QStringLiteral("Finish"));
        btcancel->setEnabled(false);
        bthelp->setEnabled(false);
    }
    pg->setCurrentIndex(page - 1);
    QLabel *steps[] = {Label1, Label2, Label3, Label4, Label5, Label6};
    for (int i = 0; i < 6; ++i) {
        QFont stepFont = steps[i]->font();
        stepFont.setBold(i == page - 1);
        steps[i]->setFont(stepFont);
    }
    if (CurrentPage == 5)
        updateNextOnPage5();
    switch (CurrentPage) {
    case 2:
        edtdatabase->setFocus();
        break;
    case 3:
        edtservice->setFocus();
        break;
    case 4:
        mysqldblist->setFocus();
        break;
    case 5:
        mysqltablelist->setFocus();
        break;
    default:
        break;
    }
}

void Taaform1::btnextClick()
{
    // Next is disabled while work is under way, but a click queued before that must not start more.
    if (isBusy())
        return;
    // What a page action does on this thread is quick: the busy pointer comes with the work it hands on.
    const bool ok = performAction([this] { runForwardAction(CurrentPage); });
    // Work handed to a worker moves on when it has succeeded.
    if (ok && !isBusy())
        moveOn();
}

void Taaform1::moveOn()
{
    if (StopRequested)
        return;
    CurrentPage = CurrentPage < kLogPage ? CurrentPage + 1 : 1;
    ShowPage(CurrentPage);
}

void Taaform1::runForwardAction(int page)
{
    switch (page) {
    case 2:
        step2Click();
        break;
    case 3:
        step3Click();
        break;
    case 4:
        step4Click();
        break;
    case 5:
        step5Click();
        break;
    case 6:
        step6Click();
        break;
    default:
        break;
    }
}

void Taaform1::btbackClick()
{
    // Back during a connect leaves it behind. During a run it is enabled by a confirmed Stop while the
    // run is still ending; it acts once the run has ended.
    if (m_work == Work::Connect)
        leaveConnectBehind();
    else if (isBusy())
        return;
    // A stop request that no run consumed (Stop during the last table, or after a run ended by an
    // error) would otherwise keep Next from moving for the rest of the session.
    StopRequested = false;
    if (CurrentPage == 5)
        bkstep5Click();
    CurrentPage -= 1;
    ShowPage(CurrentPage);
}

void Taaform1::setCancelAction(CancelAction action, const QString &caption)
{
    m_cancelAction = action;
    btcancel->setText(caption);
}

void Taaform1::btcancelClick()
{
    if (m_cancelAction == CancelAction::Stop)
        ConfirmStop();
    else
        ConfirmClose();
}

void Taaform1::ConfirmClose()
{
    if (askYesNo(QStringLiteral("Information"), queryclose->text()))
        close();
}

void Taaform1::ConfirmStop()
{
    const Work asked = m_work;
    const bool yes = askYesNo(QStringLiteral("Info"), QStringLiteral("Stop"));
    // The work may have ended while the question was open: then there is nothing left to stop.
    if (m_work != asked)
        return;
    if (!yes) {
        StopRequested = false;
        return;
    }
    switch (m_work) {
    case Work::Connect:
        leaveConnectBehind();
        ShowPage(CurrentPage);
        break;
    case Work::Listing:
    case Work::Check:
        // It ends at once, or as soon as its server lets go; the bar comes back then.
        m_breaker->breakCalls();
        btcancel->setEnabled(false);
        break;
    case Work::Run:
        stopRun();
        break;
    case Work::None:
        // A Stop after a run that an error ended: nothing runs, but Back now leads on.
        StopRequested = true;
        btback->setEnabled(true);
        setCancelAction(CancelAction::Close, QStringLiteral("Close"));
        break;
    }
}

void Taaform1::stopRun()
{
    StopRequested = true;
    btback->setEnabled(true);
    setCancelAction(CancelAction::Close, QStringLiteral("Close"));
    m_breaker->breakCalls();
}

void Taaform1::bthelpClick() { m_prompts.openUrl(helppages::resolve(helpurl->text())); }

void Taaform1::Image1Click() { bthelpClick(); }

void Taaform1::accessmodeClick()
{
    edthost->setEnabled(accessmode->itemIndex() == 1);
    edtport->setEnabled(false);
}

bool Taaform1::performAction(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const SilentAbort &) {
    } catch (const std::exception &error) {
        showErrorBox(QString::fromStdString(error.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("Unexpected failure"));
    }
    return false;
}

void Taaform1::showErrorBox(const QString &message)
{
    QString text = message;
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        text += QLatin1Char('.');
    m_prompts.showError(this, applicationTitle(), text);
}

bool Taaform1::askYesNo(const QString &title, const QString &text)
{
    OverrideCursor plain(Qt::ArrowCursor);
    return m_prompts.askYesNo(this, title, text);
}

void Taaform1::showMessage(const QString &title, const QString &text)
{
    OverrideCursor plain(Qt::ArrowCursor);
    m_prompts.showMessage(this, title, text);
}

void Taaform1::closeEvent(QCloseEvent *event)
{
    // Closing the window during a run asks first, as Stop does: Yes stops the run and the window closes,
    // saving the settings, once the run has ended; No lets the run go on.
    if (m_work == Work::Run && !StopRequested) {
        if (!askYesNo(QStringLiteral("Info"), QStringLiteral("Stop"))) {
            event->ignore();
            return;
        }
        if (m_work == Work::Run)
            stopRun();
    }
    if (m_work == Work::Run) {
        m_closeWhenRunEnds = true;
        event->ignore();
        return;
    }
    // A connect is left behind; a listing or a check is broken off and its sessions closed on its thread.
    if (isBusy()) {
        m_breaker->breakCalls();
        endWork();
    }
    frmcs->close();
    SaveSettings();
    event->accept();
}

// ---- Work on worker threads ----

void Taaform1::beginWork(Work kind)
{
    m_work = kind;
    m_mail = Mailbox::create(*this);
    m_breaker = std::make_shared<CallBreaker>();
    // The window stays usable (Stop, Help), so the pointer says busy, not wait.
    m_busyPointer.emplace(Qt::BusyCursor);
    // What the work was started with stays as it was until it ends.
    pg->currentWidget()->setEnabled(false);
    btnext->setEnabled(false);
    btback->setEnabled(kind == Work::Connect);
    setCancelAction(CancelAction::Stop, QStringLiteral("Stop"));
    btcancel->setEnabled(true);
}

void Taaform1::endWork()
{
    // A run keeps its "Stop" until what it ended with says otherwise; other work gives "Close" back.
    if (m_work != Work::Run)
        setCancelAction(CancelAction::Close, QStringLiteral("Close"));
    m_work = Work::None;
    m_mail->close();
    m_mail.reset();
    m_breaker.reset();
    m_busyPointer.reset();
    for (int i = 0; i < pg->count(); ++i)
        pg->widget(i)->setEnabled(true);
}

void Taaform1::startWork(Work kind, std::function<void(CallBreaker &)> work,
                         std::function<void(const WorkOutcome &)> done)
{
    beginWork(kind);
    workerthreads::start([this, work = std::move(work), done = std::move(done), mail = m_mail, breaker = m_breaker] {
        WorkOutcome outcome;
        try {
            work(*breaker);
        } catch (const std::exception &e) {
            // A call the user's Stop broke is not an error to show.
            outcome.stopped = breaker->broken();
            if (!outcome.stopped)
                outcome.error = e.what();
        } catch (...) {
            outcome.error = "Unexpected failure";
        }
        mail->post([this, done, outcome] {
            endWork();
            done(outcome);
        });
    });
}

void Taaform1::leaveConnectBehind()
{
    // Its thread ends when the client library gives up; the sessions it opened are closed there.
    m_breaker->breakCalls();
    endWork();
}

// ---- Page actions ----

std::vector<std::string> Taaform1::sourceProfile(const std::string &database) const
{
    const bool remote = accessmode->itemIndex() == 1;
    db::ConnectionProfile profile(db::mysqlSourceProfile(database, text(edtname), text(edtpassword),
                                                         remote ? text(edthost) : std::string()));
    // Remote sends the host exactly as typed, even an empty one (which the client library takes for the
    // local server); only Local means "localhost".
    if (remote)
        profile.setParameter("HostName", text(edthost));
    return profile.lines();
}

void Taaform1::step2Click()
{
    if (edtdatabase->text().trimmed().isEmpty()) {
        showMessage(applicationTitle(), QStringLiteral("Please enter database name"));
        edtdatabase->setFocus();
        throw SilentAbort{};
    }
    auto connected = std::make_shared<pagework::MySqlConnected>();
    auto replaced = std::make_shared<std::unique_ptr<db::Connection>>(
        std::exchange(m_sessions.catalog, db::createMySqlConnection()));
    startWork(
        Work::Connect,
        [connected, replaced, profile = sourceProfile(text(edtdatabase)),
         typed = text(edtdatabase)](CallBreaker &breaker) {
            *connected = pagework::connectMySql(std::move(*replaced), profile, typed, breaker);
        },
        [this, connected](const WorkOutcome &outcome) {
            if (!outcome.error.empty() || outcome.stopped) {
                ShowPage(CurrentPage);
                if (!outcome.error.empty())
                    showErrorBox(QString::fromStdString(outcome.error));
                return;
            }
            m_sessions.catalog = std::move(connected->catalog);
            mysqldblist->clear();
            for (const std::string &name : connected->databases.names)
                mysqldblist->addItem(QString::fromStdString(name));
            tablelists::highlight(*mysqldblist, connected->databases.selected);
            moveOn();
        });
}

void Taaform1::step3Click()
{
    auto sessions = std::make_shared<pagework::OracleSessions>();
    (*sessions)[0] = std::exchange(m_sessions.oracleConn, db::createOracleConnection());
    (*sessions)[1] = std::exchange(m_sessions.oracleData, db::createOracleConnection());
    (*sessions)[2] = std::exchange(m_sessions.oracleInsert, db::createOracleConnection());
    startWork(
        Work::Connect,
        [sessions,
         profile = db::oracleTargetProfile(text(edtservice), text(edtoracleusername), text(edtoraclepassword))](
            CallBreaker &breaker) { *sessions = pagework::connectOracle(std::move(*sessions), profile, breaker); },
        [this, sessions](const WorkOutcome &outcome) {
            if (!outcome.error.empty() || outcome.stopped) {
                ShowPage(CurrentPage);
                if (!outcome.error.empty())
                    showErrorBox(QString::fromStdString(outcome.error));
                return;
            }
            m_sessions.oracleConn = std::move((*sessions)[0]);
            m_sessions.oracleData = std::move((*sessions)[1]);
            m_sessions.oracleInsert = std::move((*sessions)[2]);
            moveOn();
        });
}

void Taaform1::step4Click()
{
    const int chosen = tablelists::highlighted(*mysqldblist);
    if (chosen < 0)
        throw std::out_of_range("List index out of bounds (-1)");
    m_chosenDatabase = mysqldblist->item(chosen)->text().toStdString();
    auto catalog = std::make_shared<std::unique_ptr<db::Connection>>(
        std::exchange(m_sessions.catalog, db::createMySqlConnection()));
    auto listing = std::make_shared<pagework::TableListing>();
    startWork(
        Work::Listing,
        [catalog, listing, database = m_chosenDatabase](CallBreaker &breaker) {
            *listing = pagework::listTables(**catalog, database, breaker);
        },
        [this, catalog, listing](const WorkOutcome &outcome) {
            m_sessions.catalog = std::move(*catalog);
            if (!outcome.error.empty() || outcome.stopped) {
                ShowPage(CurrentPage);
                if (!outcome.error.empty())
                    showErrorBox(QString::fromStdString(outcome.error));
                return;
            }
            for (const std::string &table : listing->tables)
                mysqltablelist->addItem(QString::fromStdString(table));
            // A view converts as a table holding a snapshot of its rows: it is marked so nobody mistakes one.
            for (const std::string &view : listing->views)
                for (QListWidgetItem *item :
                     mysqltablelist->findItems(QString::fromStdString(view), Qt::MatchExactly)) {
                    QFont font = item->font();
                    font.setItalic(true);
                    item->setFont(font);
                    item->setToolTip(QStringLiteral("A view: Oracle gets a table holding a snapshot of its rows"));
                }
            if (mysqltablelist->count() > 0)
                tablelists::highlight(*mysqltablelist, 0);
            moveOn();
        });
}

std::vector<std::string> Taaform1::selectedTables() const
{
    std::vector<std::string> tables;
    for (int i = 0; i < mysqltableselect->count(); ++i)
        tables.push_back(mysqltableselect->item(i)->text().toStdString());
    return tables;
}

convert::ConversionOptions Taaform1::pageFourOptions() const
{
    convert::ConversionOptions options;
    options.policy = static_cast<convert::ExistingTablePolicy>(std::max(0, processtable->itemIndex()));
    options.definitionsOnly = chktabledefi->isChecked();
    options.skipIndexes = chkskipindex->isChecked();
    options.uppercaseNames = chkuppercase->isChecked();
    options.blobToText = chkblobtotext->isChecked();
    options.keepSchema = chkkeepschema->isChecked();
    options.verify = chkverify->isChecked();
    options.longNames = chklongnames->isChecked();
    options.jobs = spjobs->value();
    options.charsetIndex = cbcharset->currentIndex();
    options.charset = cbcharset->currentText().toStdString();
    return options;
}

void Taaform1::step5Click()
{
    auto request = std::make_shared<RunRequest>();
    request->tables = selectedTables();
    request->options = pageFourOptions();
    request->rowProfile = sourceProfile(m_chosenDatabase);
    request->oracleUser = text(edtoracleusername);
    request->closing.completed = {Label29->text().toStdString(), Label30->text().toStdString(),
                                  Label32->text().toStdString()};
    request->closing.withFailures = Label31->text().toStdString();
    request->closing.stopped = Label34->text().toStdString();
    request->closing.endedAt = Label35->text().toStdString();
    request->closing.notConverted = Label36->text().toStdString();
    request->description = {"morvane",
                            m_chosenDatabase,
                            text(edtname),
                            accessmode->itemIndex() == 1 ? text(edthost) : "",
                            text(edtoracleusername),
                            text(edtservice),
                            request->options,
                            request->tables,
                            {},
                            {}};
    request->sessions = std::exchange(m_sessions, WizardSessions::closed());
    StopRequested = false;

    beginWork(Work::Run);
    // The log is not cleared: a second run writes below the lines of the earlier one.
    const auto mail = m_mail;
    m_runLog =
        std::make_shared<LogFeed>(m_log->lastLine(), [this, mail] { mail->post([this] { showRunProgress(); }); });
    m_runProgress = std::make_shared<ProgressFeed>([this, mail] { mail->post([this] { showRunProgress(); }); });
    startRun(
        request, m_runLog, m_runProgress, m_breaker, m_mail, [this] { runStarted(); },
        [this](const std::shared_ptr<RunEnd> &end) { runFinished(end); });
}

// The character set is settled: the run shows its log page and begins.
void Taaform1::runStarted()
{
    pg->setCurrentIndex(kLogPage - 1);
    btsavereport->setEnabled(false);
    m_status.start();
    m_statusSeen = false;
    runstatus->clear();
    runprogress->setValue(0);
    m_statusClock->start();
}

void Taaform1::runFinished(const std::shared_ptr<RunEnd> &end)
{
    showRunProgress();
    m_statusClock->stop();
    m_runLog.reset();
    m_runProgress.reset();
    m_sessions = std::move(end->sessions);
    endWork();
    if (!end->started) {
        // Nothing was sent: page 5 as it was, with what kept the run from starting.
        StopRequested = false;
        setCancelAction(CancelAction::Close, QStringLiteral("Close"));
        ShowPage(CurrentPage);
        if (!end->error.empty())
            showErrorBox(QString::fromStdString(end->error));
    } else {
        m_lastReport = end->report;
        btsavereport->setEnabled(true);
        if (!end->error.empty()) {
            // The bar stays as during the run; Stop leads back from here.
            btback->setEnabled(false);
            btnext->setEnabled(false);
            setCancelAction(CancelAction::Stop, QStringLiteral("Stop"));
            showErrorBox(QString::fromStdString(end->error));
        } else if (end->summary.outcome == convert::RunOutcome::Stopped) {
            StopRequested = false; // acted on; Back and Close are offered since the Stop
        } else {
            // Every table was visited: the bar says the whole run is done, whatever the estimates were.
            runprogress->setValue(runprogress->maximum());
            moveOn();
        }
    }
    if (m_closeWhenRunEnds) {
        m_closeWhenRunEnds = false;
        close();
    }
}

void Taaform1::showRunProgress()
{
    if (m_runLog)
        m_log->show(m_runLog->take());
    if (!m_runProgress)
        return;
    for (const ProgressFeed::Point &point : m_runProgress->take()) {
        m_status.update(point.progress, point.at);
        m_statusSeen = true;
    }
    showRunStatus();
}

void Taaform1::showRunStatus()
{
    if (!m_statusSeen)
        return;
    runstatus->setText(QString::fromStdString(m_status.line()));
    runprogress->setValue(m_status.permille());
}

void Taaform1::step6Click()
{
    m_log->clear();
    mysqltableselect->clear();
    close();
}

void Taaform1::bkstep5Click()
{
    mysqltablelist->clear();
    mysqltableselect->clear();
}

// ---- Check ----

void Taaform1::btcheckClick()
{
    if (isBusy())
        return;
    auto request = std::make_shared<CheckRequest>();
    request->catalog = std::exchange(m_sessions.catalog, db::createMySqlConnection());
    request->oracleConn = std::exchange(m_sessions.oracleConn, db::createOracleConnection());
    request->oracleUser = text(edtoracleusername);
    request->tables = selectedTables();
    request->options = pageFourOptions();
    beginWork(Work::Check);
    const auto mail = m_mail;
    m_checkLog = std::make_shared<LogFeed>(std::nullopt, [this, mail] { mail->post([this] { showCheckText(); }); });
    startCheck(
        request, m_checkLog, m_breaker, m_mail, [this] { checkStarted(); },
        [this](const std::shared_ptr<CheckEnd> &end) { checkFinished(end); });
}

void Taaform1::checkStarted()
{
    m_checkText->clear();
    frmcs->show();
    frmcs->raise();
    frmcs->activateWindow();
}

void Taaform1::checkFinished(const std::shared_ptr<CheckEnd> &end)
{
    showCheckText();
    m_checkLog.reset();
    m_sessions.catalog = std::move(end->catalog);
    m_sessions.oracleConn = std::move(end->oracleConn);
    endWork();
    ShowPage(CurrentPage);
    if (!end->error.empty())
        showErrorBox(QString::fromStdString(end->error));
}

void Taaform1::showCheckText()
{
    if (m_checkLog)
        m_checkText->show(m_checkLog->take());
}

void Taaform1::saveCheckText()
{
    const QString suggested = QDir::home().filePath(QStringLiteral("morvane-check-%1.txt").arg(timeStamp()));
    const QString path =
        m_prompts.chooseSaveFile(frmcs.get(), frmcs->Button2->text(), suggested, QStringLiteral("Text (*.txt)"));
    if (path.isEmpty())
        return;
    // Written whole or not at all: a file that cannot be written keeps what it held.
    QSaveFile file(path);
    const QByteArray bytes = (frmcs->Memo1->toPlainText() + QLatin1Char('\n')).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        showErrorBox(QStringLiteral("Cannot write the check to %1: %2").arg(path, file.errorString()));
}

void Taaform1::btsavereportClick()
{
    if (!m_lastReport || isRunning())
        return;
    const QString suggested = QDir::home().filePath(QStringLiteral("morvane-report-%1.json").arg(timeStamp()));
    const QString path =
        m_prompts.chooseSaveFile(this, btsavereport->text(), suggested, QStringLiteral("JSON (*.json)"));
    if (path.isEmpty())
        return;
    performAction([&] {
        const OverrideCursor writing(Qt::WaitCursor);
        convert::WriteRunReport(*m_lastReport, QFile::encodeName(path).toStdString());
    });
}

// ---- Table lists ----

void Taaform1::updateNextOnPage5()
{
    btcheck->setEnabled(mysqltableselect->count() > 0);
    if (CurrentPage == 5 && !isBusy())
        btnext->setEnabled(mysqltableselect->count() > 0);
}

void Taaform1::Button1Click()
{
    tablelists::moveOne(*mysqltablelist, *mysqltableselect);
    updateNextOnPage5();
}

void Taaform1::Button2Click()
{
    tablelists::moveAll(*mysqltablelist, *mysqltableselect);
    updateNextOnPage5();
}

void Taaform1::Button3Click()
{
    tablelists::moveOne(*mysqltableselect, *mysqltablelist);
    updateNextOnPage5();
}

void Taaform1::Button4Click()
{
    tablelists::moveAll(*mysqltableselect, *mysqltablelist);
    updateNextOnPage5();
}

// ---- Captions and settings ----

void Taaform1::ApplyCaptions()
{
    captions::applyCaptions(*this, InterfaceLanguage, english, chn);
    // Buttons keep the captions they were built with, except these, which came with their own rows.
    const QStringList *table = InterfaceLanguage == QLatin1String("en")   ? &english
                               : InterfaceLanguage == QLatin1String("cn") ? &chn
                                                                          : nullptr;
    if (table)
        for (QPushButton *button : {btcheck, btsavereport})
            button->setText(captions::captionFor(*table, button->objectName()));
}

void Taaform1::LoadSettings()
{
    const std::optional<WizardSettings> stored = m_settings->load();
    const QString &problem = m_settings->keyringProblem();
    keyringnote->setVisible(!problem.isEmpty());
    keyringnote->setToolTip(problem.isEmpty() ? QString()
                                              : QStringLiteral("%1\n%2").arg(problem, m_settings->fileName()));
    if (!stored)
        return;
    // The store has held every number to what the controls offer.
    const WizardSettings &s = *stored;
    accessmode->setItemIndex(s.accessMode);
    accessmodeClick();
    edtdatabase->setText(s.database);
    edtname->setText(s.mysqlUser);
    edtpassword->setText(s.mysqlPassword);
    edthost->setText(s.host);
    edtport->setText(s.port);
    cbcharset->setCurrentIndex(s.charsetIndex);
    edtservice->setText(s.oracleService);
    edtoracleusername->setText(s.oracleUser);
    edtoraclepassword->setText(s.oraclePassword);
    processtable->setItemIndex(s.processTable);
    chktabledefi->setChecked(s.tableDefOnly);
    chkuppercase->setChecked(s.nameUpperCase);
    chkskipindex->setChecked(s.skipIndex);
    chkblobtotext->setChecked(s.blobToText);
    chkkeepschema->setChecked(s.keepSchema);
    chkverify->setChecked(s.verify);
    chklongnames->setChecked(s.longNames);
    spjobs->setValue(s.jobs);
}

void Taaform1::SaveSettings()
{
    WizardSettings s;
    s.accessMode = accessmode->itemIndex();
    s.database = edtdatabase->text();
    s.mysqlUser = edtname->text();
    s.mysqlPassword = edtpassword->text();
    s.host = edthost->text();
    s.port = edtport->text();
    s.charsetIndex = cbcharset->currentIndex();
    s.oracleService = edtservice->text();
    s.oraclePassword = edtoraclepassword->text();
    s.oracleUser = edtoracleusername->text();
    s.processTable = processtable->itemIndex();
    s.tableDefOnly = chktabledefi->isChecked();
    s.nameUpperCase = chkuppercase->isChecked();
    s.skipIndex = chkskipindex->isChecked();
    s.blobToText = chkblobtotext->isChecked();
    s.keepSchema = chkkeepschema->isChecked();
    s.verify = chkverify->isChecked();
    s.longNames = chklongnames->isChecked();
    s.jobs = spjobs->value();
    m_settings->save(s);
    // The window is going away: a keyring that answered at start and not now is said where it can be.
    if (!m_settings->keyringProblem().isEmpty() && keyringnote->isHidden())
        qWarning("No keyring answered (%s): the passwords are saved in %s",
                 qUtf8Printable(m_settings->keyringProblem()), qUtf8Printable(m_settings->fileName()));
}
