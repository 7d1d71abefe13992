// morvane-screenshots: drives the wizard through its six pages against real servers and saves a picture
// of each page, for the documentation. Needs no display: run it with QT_QPA_PLATFORM=offscreen.
//
//   morvane-screenshots OUTDIR MYSQL_DATABASE MYSQL_USER MYSQL_PASSWORD ORACLE_SERVICE ORACLE_USER ORACLE_PASSWORD
#include "app/ProgressLog.h"
#include "app/Prompts.h"
#include "app/Umail.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

namespace {

// Answers every question Yes and reports errors and messages on stderr: nobody is there to click.
class UnattendedPrompts : public Prompts {
public:
    bool askYesNo(QWidget *, const QString &, const QString &) override { return true; }
    void showError(QWidget *, const QString &title, const QString &text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        ++errors;
    }
    void showMessage(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        ++errors;
    }
    void openUrl(const QUrl &) override {}
    QString chooseSaveFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    int errors = 0;
};

template <typename T> T &control(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "no control %s\n", name);
        std::exit(2);
    }
    return *found;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 8) {
        std::fprintf(stderr, "usage: %s OUTDIR MYSQL_DATABASE MYSQL_USER MYSQL_PASSWORD ORACLE_SERVICE ORACLE_USER "
                             "ORACLE_PASSWORD\n",
                     argv[0]);
        return 2;
    }
    const QDir out(args[1]);
    QDir().mkpath(out.path());
    // The tour's entries must not become the user's saved settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

    UnattendedPrompts prompts;
    Taaform1 window(prompts);
    window.show();
    auto shoot = [&](int page) {
        QApplication::processEvents();
        const QString file = out.filePath(QStringLiteral("page%1.png").arg(page));
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            std::exit(1);
        }
        std::printf("%s\n", qPrintable(file));
    };
    auto next = [&](int expectedPage) {
        control<QPushButton>(window, "btnext").click();
        // The servers are reached on worker threads; the wizard moves on once they have answered.
        while (window.isBusy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (window.currentPage() != expectedPage || prompts.errors > 0) {
            std::fprintf(stderr, "the wizard did not reach page %d\n", expectedPage);
            std::exit(1);
        }
    };

    shoot(1);
    next(2);
    control<QLineEdit>(window, "edtdatabase").setText(args[2]);
    control<QLineEdit>(window, "edtname").setText(args[3]);
    control<QLineEdit>(window, "edtpassword").setText(args[4]);
    shoot(2);
    next(3);
    control<QLineEdit>(window, "edtservice").setText(args[5]);
    control<QLineEdit>(window, "edtoracleusername").setText(args[6]);
    control<QLineEdit>(window, "edtoraclepassword").setText(args[7]);
    shoot(3);
    next(4);
    shoot(4);
    next(5);
    // Every table, then two handed back, to show both lists filled.
    control<QPushButton>(window, "Button2").click();
    QListWidget &chosen = control<QListWidget>(window, "mysqltableselect");
    for (int i = 0; i < 2 && chosen.count() > 2; ++i) {
        chosen.setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        control<QPushButton>(window, "Button3").click();
    }
    shoot(5);
    next(6);
    shoot(6);
    // The log, for whoever runs the tour to see that the conversion itself went through.
    for (const QString &line : window.progressLog().lines())
        std::printf("  %s\n", qPrintable(line));
    return 0;
}
