// Draws the desktop icon from the window's logo, as PNG files laid out as an icon theme wants them:
//   morvane-icon FOLDER NAME SIZE...     writes FOLDER/SIZExSIZE/apps/NAME.png for each size
#include "app/LogoPainting.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fputs("usage: morvane-icon FOLDER NAME SIZE...\n", stderr);
        return 2;
    }
    // Text needs the fonts of a graphical platform; the build has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "morvane-icon: %s is not an icon size\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        // The logo's band and lettering; an icon has room for the initial only.
        QFont font;
        font.setPixelSize(size * 5 / 8);
        paintLogo(painter, QRectF(0, 0, size, size), QStringLiteral("M"), font, size / 6.0);
        painter.end();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString path = QStringLiteral("%1/%2.png").arg(dir, name);
        if (!QDir().mkpath(dir) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "morvane-icon: cannot write %s\n", qUtf8Printable(path));
            return 1;
        }
    }
    return 0;
}
