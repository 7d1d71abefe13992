#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Morvane 1.2"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Morvane 1.2"));
    window.show();
    return app.exec();
}
