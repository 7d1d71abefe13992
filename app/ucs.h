#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The text viewer: a memo, a "Select All" button that copies the whole text to the clipboard, "Save",
// which asks whoever shows the viewer to write the text to a file, and "Save SQL", which asks for the
// statements behind what it shows as a script. It shows what Check found, in a window of its own over the
// wizard.
//
// Thread rules: the window's thread only.
class Tfrmcs : public QWidget {
    Q_OBJECT
public:
    explicit Tfrmcs(QWidget *parent = nullptr);

    QPlainTextEdit *Memo1;
    QPushButton *Button1;
    QPushButton *Button2; // "Save"
    QPushButton *Button3; // "Save SQL"

    void Button1Click();

signals:
    void saveRequested();
    void saveSqlRequested();
};
