#pragma once

#include <QString>

class QUrl;
class QWidget;

// Everything the wizard asks of the desktop outside its own window: the modal question and message
// boxes and the browser. The window only talks to this interface, so a test can answer the questions
// from a queue instead of sitting in a modal loop, and no test ever launches a browser.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A Yes/No question without an icon; true on Yes.
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &text) = 0;
    // An error icon and an OK button.
    virtual void showError(QWidget *parent, const QString &title, const QString &text) = 0;
    // A plain message with an OK button.
    virtual void showMessage(QWidget *parent, const QString &title, const QString &text) = 0;
    // Hands an address to the desktop (the user's browser). Failures are not reported.
    virtual void openUrl(const QUrl &url) = 0;
    // Asks where to save a file, suggesting a path and offering the files of a filter ("JSON (*.json)");
    // empty when the user cancels.
    virtual QString chooseSaveFile(QWidget *parent, const QString &title, const QString &suggested,
                                   const QString &filter) = 0;
};
