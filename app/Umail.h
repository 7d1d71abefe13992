#pragma once

#include "app/OverrideCursor.h"
#include "app/WizardSessions.h"
#include "convert/ConversionOptions.h"
#include "convert/RunStatus.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTimer;

class CallBreaker;
class LogFeed;
class LogoImage;
class Mailbox;
class ProgressFeed;
class ProgressLog;
class Prompts;
class RadioGroup;
class SettingsStore;
class Tfrmcs;
struct CheckEnd;
struct CheckRequest;
struct RunEnd;

namespace convert {
struct RunReport;
} // namespace convert

// The wizard's main window: six pages behind a column of step labels, and the button bar. It owns
// every control, the sessions with both servers and the text viewer for the whole program.
//
// Threads. Everything here runs on the window's thread, which only draws and answers: every server call
// (the connects of pages 2 and 3, the listing of page 4, Check, the run and its verification) is done
// on a worker thread, which holds the sessions it uses while it works and hands them back with its
// outcome through queued calls. One piece of such work is under way at a time (isBusy()); Stop breaks
// the call it waits on, and a connect is simply left behind (Stop or Back) to end on its own thread.
// The window waits for workers only when it is destroyed, and then for a bounded time.
class Taaform1 : public QWidget {
    Q_OBJECT
public:
    explicit Taaform1(Prompts &prompts, QWidget *parent = nullptr);
    ~Taaform1() override;

    int currentPage() const noexcept { return CurrentPage; }
    bool stopRequested() const noexcept { return StopRequested; }
    // A conversion started from page 5 is under way (its character set settled, or being settled).
    bool isRunning() const noexcept { return m_work == Work::Run; }
    // Any server work is under way: a connect, the listing of page 4, Check or a run.
    bool isBusy() const noexcept { return m_work != Work::None; }
    const QString &interfaceLanguage() const noexcept { return InterfaceLanguage; }
    void setInterfaceLanguage(const QString &language) { InterfaceLanguage = language; }
    Tfrmcs &textViewer() const noexcept { return *frmcs; }
    ProgressLog &progressLog() const noexcept { return *m_log; }

    // Page flow.
    void ShowPage(int page);
    void btnextClick();
    void btbackClick();
    void ConfirmClose();
    void ConfirmStop();
    void bthelpClick();
    void Image1Click();
    void accessmodeClick();

    // Page actions, run by Next (and Back on page 5). They throw db::Error (or any std::exception) on a
    // failure found at once, and SilentAbort when they have told the user themselves. Those of pages 2
    // to 5 hand their server work to a worker and return: the wizard moves on when it has succeeded.
    void step2Click();
    void step3Click();
    void step4Click();
    void step5Click();
    void step6Click();
    void bkstep5Click();

    // The table lists of page 5.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

    // "Check" on page 5: what a run would do to the selected tables, in the text viewer.
    void btcheckClick();
    // "Save report" on page 6: the last run's report as JSON, where the user says.
    void btsavereportClick();
    // "Save" in the text viewer: its text, where the user says.
    void saveCheckText();
    // "Save SQL" in the text viewer: the statements a run of the checked tables with the checked options
    // would send, as a script, where the user says.
    void saveCheckSql();

    void ApplyCaptions();
    void LoadSettings();
    void SaveSettings();

    QStringList english;
    QStringList chn;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class CancelAction { Close, Stop };
    // The server work under way; its calls and its outcome come back through m_mail.
    enum class Work { None, Connect, Listing, Check, Run };
    struct WorkOutcome {
        std::string error; // what the server or the client library said; empty on success
        bool stopped = false;
    };

    void FormCreate();
    // The controls (UmailPages.cpp): the step column, a function per page, the button bar.
    void buildWindow();
    void buildStepColumn(QWidget *column);
    void buildPages();
    void buildWelcomePage();
    void buildMySqlPage();
    void buildOraclePage();
    void buildSettingsPage();
    void buildTablesPage();
    void buildLogPage();
    void buildHolderPage();
    void buildButtonBar(QWidget *bar);
    QWidget *addPage(const QString &name);
    void setCancelAction(CancelAction action, const QString &caption);
    void btcancelClick();
    void updateNextOnPage5();
    void runForwardAction(int page);
    // After a forward action succeeded: the next page, unless a Stop is pending.
    void moveOn();
    // Runs a page action; false when it failed (the error box has been shown) or aborted silently.
    bool performAction(const std::function<void()> &action);
    void showErrorBox(const QString &message);
    // The question and message boxes, with the plain pointer even while the wizard works.
    bool askYesNo(const QString &title, const QString &text);
    void showMessage(const QString &title, const QString &text);

    // Server work on a worker thread. beginWork() sets the button bar for it (Stop; Back only to leave
    // a connect behind); endWork() forgets it, after which whoever ends it sets the bar again.
    void beginWork(Work kind);
    void endWork();
    // Runs `work` on a worker; `done` gets its outcome on the window's thread once endWork() has run.
    // Whatever the work uses or makes travels in what the two functions share.
    void startWork(Work kind, std::function<void(CallBreaker &)> work, std::function<void(const WorkOutcome &)> done);
    // A connect is left to end on its own: its outcome, whenever it comes, is dropped.
    void leaveConnectBehind();
    // A confirmed Stop during a run: the run is told, and the bar offers Back and Close.
    void stopRun();

    void runStarted();
    void runFinished(const std::shared_ptr<RunEnd> &end);
    // The sessions Check reads (handed over to it) and what m_checkedTables and m_checkedOptions say.
    std::shared_ptr<CheckRequest> checkRequest();
    void checkStarted();
    void checkFinished(const std::shared_ptr<CheckEnd> &end);
    // Shows what the run's feeds gathered: log lines, then the status line and the bar.
    void showRunProgress();
    void showRunStatus();
    void showCheckText();

    std::vector<std::string> sourceProfile(const std::string &database) const;
    std::vector<std::string> selectedTables() const;
    convert::ConversionOptions pageFourOptions() const;

    Prompts &m_prompts;

    // Window state.
    int CurrentPage = 1;
    bool StopRequested = false;
    QString InterfaceLanguage = QStringLiteral("en");
    CancelAction m_cancelAction = CancelAction::Close;
    bool m_closeWhenRunEnds = false; // the window was closed during a run, and the run told to stop
    std::string m_chosenDatabase;

    // The sessions, while no work holds them (the data sets of the original design are made per query).
    WizardSessions m_sessions;

    // The work under way.
    Work m_work = Work::None;
    std::shared_ptr<Mailbox> m_mail;
    std::shared_ptr<CallBreaker> m_breaker;
    std::optional<OverrideCursor> m_busyPointer;
    std::shared_ptr<LogFeed> m_runLog, m_checkLog;
    std::shared_ptr<ProgressFeed> m_runProgress;
    convert::RunStatus m_status;
    bool m_statusSeen = false;       // a progress point of this run has come
    QTimer *m_statusClock = nullptr; // the time spent goes on while a statement takes long

    std::unique_ptr<Tfrmcs> frmcs;
    std::unique_ptr<ProgressLog> m_log;
    std::unique_ptr<ProgressLog> m_checkText;
    std::shared_ptr<convert::RunReport> m_lastReport; // of the last run, for "Save report"
    // What the last Check looked at, for "Save SQL": the script says what that text says.
    std::vector<std::string> m_checkedTables;
    convert::ConversionOptions m_checkedOptions;
    std::unique_ptr<SettingsStore> m_settings;        // the saved entries, the passwords in the keyring

    // Controls.
    QFrame *Panel1 = nullptr;
    QFrame *Panel2 = nullptr;
    QFrame *Panel3 = nullptr;
    QFrame *Panel5 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr;
    LogoImage *Image1 = nullptr;
    QStackedWidget *pg = nullptr;
    QPushButton *btback = nullptr, *btnext = nullptr, *btcancel = nullptr, *bthelp = nullptr;

    RadioGroup *accessmode = nullptr;
    QLineEdit *edtdatabase = nullptr, *edtname = nullptr, *edtpassword = nullptr, *edtport = nullptr,
              *edthost = nullptr;
    QLineEdit *edtservice = nullptr, *edtoracleusername = nullptr, *edtoraclepassword = nullptr;
    QListWidget *mysqldblist = nullptr;
    RadioGroup *processtable = nullptr;
    QCheckBox *chktabledefi = nullptr, *chkskipindex = nullptr, *chkuppercase = nullptr, *chkblobtotext = nullptr;
    QCheckBox *chkkeepschema = nullptr;
    QCheckBox *chklongnames = nullptr;
    QCheckBox *chkverify = nullptr;
    QSpinBox *spjobs = nullptr; // "Tables at once"
    QComboBox *cbcharset = nullptr;
    QListWidget *mysqltablelist = nullptr, *mysqltableselect = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
    QPushButton *btcheck = nullptr;
    QPlainTextEdit *sc = nullptr;
    QProgressBar *runprogress = nullptr; // under the log: how far the run is, 0 to 1000
    QLabel *runstatus = nullptr;         // under the bar: the run's status line
    QPushButton *btsavereport = nullptr;
    QLabel *Label29 = nullptr, *Label30 = nullptr, *Label32 = nullptr, *helpurl = nullptr, *queryclose = nullptr;
    // The other endings of a run: with failures, stopped, ended by an error, and the tables left.
    QLabel *Label31 = nullptr, *Label34 = nullptr, *Label35 = nullptr, *Label36 = nullptr;
    QLabel *keyringnote = nullptr; // page 2: the passwords are kept in the settings file
};
