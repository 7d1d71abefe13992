#pragma once

// Header only: the test-support library is built without Qt, and only the GUI tests include this.
#include "support/GuiPrompts.h"
#include "support/PrivateKeyring.h"

#include "app/ProgressLog.h"
#include "app/Umail.h"
#include "app/WorkerThreads.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <ostream>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << "{";
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *os << "}";
}

namespace testsupport {

// One QApplication for the test program. Before it exists the configuration folders point into a
// temporary folder and the session bus nowhere (or at the program's private keyring), so no test can
// ever read or write the user's own settings or passwords.
inline QApplication &guiApplication()
{
    static QTemporaryDir *config = [] {
        auto *dir = new QTemporaryDir();
        setenv("XDG_CONFIG_HOME", dir->path().toLocal8Bit().constData(), 1);
        shutOutTheDesktopBus();
        return dir;
    }();
    (void)config;
    static int argc = 1;
    static char name[] = "gui_test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        // A GUI test never needs a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QStandardPaths::setTestModeEnabled(true);
        auto *application = new QApplication(argc, argv);
        // Tests close windows all the time; that must not ask a (never started) event loop to quit.
        QApplication::setQuitOnLastWindowClosed(false);
        return application;
    }();
    return *app;
}

// The state of the button bar: enabled flags and the captions of Next and Close/Stop.
struct ButtonBar {
    bool back, next, cancel, help;
    QString nextText, cancelText;
    friend bool operator==(const ButtonBar &, const ButtonBar &) = default;
    friend std::ostream &operator<<(std::ostream &os, const ButtonBar &b)
    {
        return os << "back=" << b.back << " next=" << b.next << " '" << b.nextText.toStdString()
                  << "' cancel=" << b.cancel << " '" << b.cancelText.toStdString() << "' help=" << b.help;
    }
};

// A fixture with a private settings store, scripted prompts and helpers to reach the window's controls
// by their object names, as a user (or a tester) knows them.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        ASSERT_TRUE(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    }

    Taaform1 &makeWindow()
    {
        window = std::make_unique<Taaform1>(prompts);
        window->show();
        return *window;
    }

    // The window handles its events until no server work of its own is under way (a connect, the listing
    // of page 4, Check, a run): what a user sees once the wizard has answered. False when it still works.
    bool waitUntilIdle(std::chrono::seconds limit = std::chrono::seconds(300)) const
    {
        return QTest::qWaitFor([this] { return !window->isBusy(); },
                               static_cast<int>(std::chrono::milliseconds(limit).count()));
    }
    // A click on a button that may hand work to a worker, and the wait for its outcome.
    void clickAndWait(const char *name)
    {
        button(name).click();
        EXPECT_TRUE(waitUntilIdle()) << name << ": the wizard is still working";
    }

    QString settingsFile() const { return QSettings(QStringLiteral("Quessra"), QStringLiteral("Morvane")).fileName(); }

    template <typename T> T &control(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            throw std::runtime_error(std::string("no control named ") + name);
        return *found;
    }
    QPushButton &button(const char *name) const { return control<QPushButton>(name); }
    QListWidget &list(const char *name) const { return control<QListWidget>(name); }
    QLineEdit &edit(const char *name) const { return control<QLineEdit>(name); }
    QLabel &label(const char *name) const { return control<QLabel>(name); }
    QCheckBox &check(const char *name) const { return control<QCheckBox>(name); }
    QComboBox &combo(const char *name) const { return control<QComboBox>(name); }
    // The items of a radio group, in order.
    QList<QRadioButton *> radios(const char *group) const
    {
        return control<QGroupBox>(group).findChildren<QRadioButton *>();
    }
    int shownPage() const { return control<QStackedWidget>("pg").currentIndex() + 1; }

    static QStringList items(const QListWidget &list)
    {
        QStringList out;
        for (int i = 0; i < list.count(); ++i)
            out << list.item(i)->text();
        return out;
    }

    ButtonBar bar() const
    {
        return {button("btback").isEnabled(),  button("btnext").isEnabled(), button("btcancel").isEnabled(),
                button("bthelp").isEnabled(),  button("btnext").text(),      button("btcancel").text()};
    }

    QTemporaryDir m_settingsDir;
    GuiPrompts prompts;
    std::unique_ptr<Taaform1> window;
};

} // namespace testsupport
