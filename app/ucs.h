#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The text viewer: a memo and a "Select All" button that copies the whole text to the clipboard. The
// program keeps it hidden.
class Tfrmcs : public QWidget {
    Q_OBJECT
public:
    explicit Tfrmcs(QWidget *parent = nullptr);

    QPlainTextEdit *Memo1;
    QPushButton *Button1;

    void Button1Click();
};
