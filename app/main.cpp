#include "app/ApplicationTitle.h"
#include "app/MessageBoxPrompts.h"
#include "app/Umail.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("morvane"));
    QApplication::setApplicationDisplayName(applicationTitle());

    MessageBoxPrompts prompts;
    Taaform1 aaform1(prompts);
    if (const QScreen *screen = aaform1.screen()) {
        QRect frame = aaform1.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        aaform1.move(frame.topLeft());
    }
    aaform1.show();
    return application.exec();
}
