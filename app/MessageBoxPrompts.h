#pragma once

#include "app/Prompts.h"

// The real prompts: QMessageBox for the questions and messages, QDesktopServices for the browser.
class MessageBoxPrompts : public Prompts {
public:
    bool askYesNo(QWidget *parent, const QString &title, const QString &text) override;
    void showError(QWidget *parent, const QString &title, const QString &text) override;
    void showMessage(QWidget *parent, const QString &title, const QString &text) override;
    void openUrl(const QUrl &url) override;
    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &suggested,
                           const QString &filter) override;
};
