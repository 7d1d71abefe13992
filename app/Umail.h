#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
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
class QPushButton;
class QStackedWidget;

class LogoImage;
class ProgressLog;
class Prompts;
class RadioGroup;
class SettingsStore;
class Tfrmcs;

namespace convert {
struct ConversionOptions;
struct RunReport;
} // namespace convert

namespace db {
class Connection;
}

// The wizard's main window: six pages behind a column of step labels, and the button bar. It owns
// every control, the connections to both servers and the hidden text viewer for the whole program.
class Taaform1 : public QWidget {
    Q_OBJECT
public:
    explicit Taaform1(Prompts &prompts, QWidget *parent = nullptr);
    ~Taaform1() override;

    int currentPage() const noexcept { return CurrentPage; }
    bool stopRequested() const noexcept { return StopRequested; }
    bool isRunning() const noexcept { return m_running; }
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

    // Page actions, run by Next (and Back on page 5). They throw db::Error (or any std::exception) on
    // failure and SilentAbort when they have told the user themselves.
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

    void ApplyCaptions();
    void LoadSettings();
    void SaveSettings();

    QStringList english;
    QStringList chn;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class CancelAction { Close, Stop };

    void FormCreate();
    void buildStepColumn(QWidget *column);
    void buildPages();
    void buildButtonBar(QWidget *bar);
    QWidget *addPage(const QString &name);
    void setCancelAction(CancelAction action, const QString &caption);
    void btcancelClick();
    void updateNextOnPage5();
    void runForwardAction(int page);
    // Runs a page action under the busy pointer; false when it failed (the error box has been shown)
    // or aborted silently.
    bool performAction(const std::function<void()> &action, Qt::CursorShape busy);
    void showErrorBox(const QString &message);
    // The question and message boxes, with the plain pointer even while the wizard works.
    bool askYesNo(const QString &title, const QString &text);
    void showMessage(const QString &title, const QString &text);
    // Let the window handle what is pending during a run; false once the user has confirmed Stop.
    bool runProgressPoint();
    std::vector<std::string> sourceProfile(const std::string &database) const;
    std::vector<std::string> selectedTables() const;
    convert::ConversionOptions pageFourOptions() const;
    // The same with the character set settled with the MySQL server; throws when it has no such set.
    convert::ConversionOptions settledOptions() const;

    Prompts &m_prompts;

    // Window state.
    int CurrentPage = 1;
    bool StopRequested = false;
    QString InterfaceLanguage = QStringLiteral("en");
    CancelAction m_cancelAction = CancelAction::Close;
    bool m_running = false;
    bool m_closeWhenRunEnds = false; // the window was closed during a run
    std::string m_chosenDatabase;

    // Connections (the data sets of the original design are made per query on them).
    std::unique_ptr<db::Connection> m_catalogConnection; // xtb
    std::unique_ptr<db::Connection> m_rowConnection;     // sjb
    std::unique_ptr<db::Connection> oracleconn;
    std::unique_ptr<db::Connection> m_oracleDataConnection; // oracledata
    std::unique_ptr<db::Connection> oracleinsert;

    std::unique_ptr<Tfrmcs> frmcs;
    std::unique_ptr<ProgressLog> m_log;
    std::unique_ptr<convert::RunReport> m_lastReport; // of the last run, for "Save report"
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
    QComboBox *cbcharset = nullptr;
    QListWidget *mysqltablelist = nullptr, *mysqltableselect = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
    QPushButton *btcheck = nullptr;
    QPlainTextEdit *sc = nullptr;
    QPushButton *btsavereport = nullptr;
    QLabel *Label29 = nullptr, *Label30 = nullptr, *Label32 = nullptr, *helpurl = nullptr, *queryclose = nullptr;
    // The other endings of a run: with failures, stopped, ended by an error, and the tables left.
    QLabel *Label31 = nullptr, *Label34 = nullptr, *Label35 = nullptr, *Label36 = nullptr;
    QLabel *keyringnote = nullptr; // page 2: the passwords are kept in the settings file
};
