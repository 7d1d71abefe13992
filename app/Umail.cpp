#include "app/Umail.h"

#include "app/ApplicationTitle.h"
#include "app/BackgroundCheck.h"
#include "app/BackgroundRun.h"
#include "app/CallBreaker.h"
#include "app/HelpPages.h"
#include "app/LogFeed.h"
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

constexpr int kLogPage = 6;
// How long a window being destroyed waits for its workers: a run told to stop, sessions being closed.
constexpr std::chrono::seconds kWaitForWorkers{5};
// How often the status line shows the time spent while no progress point comes (a long statement).
constexpr std::chrono::seconds kStatusClock{1};

static_assert(WizardSettings::kCharsetEntries == static_cast<int>(convert::kSourceCharsets.size()));
static_assert(WizardSettings::kMaxJobs == convert::ConversionOptions::kMaxJobs);
static_assert(WizardSettings::kPolicies == static_cast<int>(convert::ExistingTablePolicy::Skip) + 1);

std::string text(const QLineEdit *edit) { return edit->text().toStdString(); }

QString timeStamp() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")); }

} // namespace

Taaform1::Taaform1(Prompts &prompts, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_prompts(prompts)
{
    buildWindow();

    m_sessions = WizardSessions::closed();

    // A window of its own over the wizard, closed with it.
    frmcs = std::make_unique<Tfrmcs>(this);
    connect(frmcs.get(), &Tfrmcs::saveRequested, this, &Taaform1::saveCheckText);
    connect(frmcs.get(), &Tfrmcs::saveSqlRequested, this, &Taaform1::saveCheckSql);
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
    m_checkedTables = selectedTables();
    m_checkedOptions = pageFourOptions();
    auto request = checkRequest();
    beginWork(Work::Check);
    const auto mail = m_mail;
    m_checkLog = std::make_shared<LogFeed>(std::nullopt, [this, mail] { mail->post([this] { showCheckText(); }); });
    startCheck(
        request, m_checkLog, m_breaker, m_mail, [this] { checkStarted(); },
        [this](const std::shared_ptr<CheckEnd> &end) { checkFinished(end); });
}

std::shared_ptr<CheckRequest> Taaform1::checkRequest()
{
    auto request = std::make_shared<CheckRequest>();
    request->catalog = std::exchange(m_sessions.catalog, db::createMySqlConnection());
    request->oracleConn = std::exchange(m_sessions.oracleConn, db::createOracleConnection());
    request->oracleUser = text(edtoracleusername);
    request->tables = m_checkedTables;
    request->options = m_checkedOptions;
    return request;
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

void Taaform1::saveCheckSql()
{
    if (isBusy() || m_checkedTables.empty())
        return;
    const QString suggested = QDir::home().filePath(QStringLiteral("morvane-%1.sql").arg(timeStamp()));
    const QString path =
        m_prompts.chooseSaveFile(frmcs.get(), frmcs->Button3->text(), suggested, QStringLiteral("SQL (*.sql)"));
    if (path.isEmpty())
        return;
    // Names are settled against the Oracle schema as it is now, so the script is built anew, on the
    // sessions Check used.
    auto request = checkRequest();
    request->sqlPath = QFile::encodeName(path).toStdString();
    request->source = convert::DdlScriptSource{accessmode->itemIndex() == 1 ? text(edthost) : std::string(),
                                               m_chosenDatabase, text(edtoracleusername), text(edtservice)};
    beginWork(Work::Check);
    startCheck(
        request, std::make_shared<LogFeed>(std::nullopt, [] {}), m_breaker, m_mail, [] {},
        [this](const std::shared_ptr<CheckEnd> &end) { checkFinished(end); });
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
