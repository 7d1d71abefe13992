#include "app/MessageBoxPrompts.h"
#include "app/Umail.h"
#include "app/WorkerThreads.h"
#include "db/MemoryPolicy.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    db::keepLargeBuffersOutOfTheHeap();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("morvane"));
    // How the desktop matches the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(MORVANE_APP_ID));
    // No display name: the X11 and Windows back ends would append it to every window title, so the
    // question boxes would read "Information — Morvane 1.2" instead of "Information".

    int status = 0;
    {
        MessageBoxPrompts prompts;
        Taaform1 aaform1(prompts);
        if (const QScreen *screen = aaform1.screen()) {
            QRect frame = aaform1.frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            aaform1.move(frame.topLeft());
        }
        aaform1.show();
        status = application.exec();
    }
    // The settings are saved. A connect left behind may still wait on a host that never answers: it must
    // not meet the client libraries being unloaded as the program ends, so the program ends at once.
    if (workerthreads::running() > 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
