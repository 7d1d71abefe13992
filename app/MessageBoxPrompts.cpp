#include "app/MessageBoxPrompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

bool MessageBoxPrompts::askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxPrompts::showError(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void MessageBoxPrompts::showMessage(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QString MessageBoxPrompts::chooseSaveFile(QWidget *parent, const QString &title, const QString &suggested,
                                          const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

void MessageBoxPrompts::openUrl(const QUrl &url)
{
    // A desktop without a browser simply opens nothing; there is nothing useful to tell the user.
    QDesktopServices::openUrl(url);
}
