#pragma once

#include <QApplication>
#include <QCursor>

// The pointer over every window of the program for as long as this object lives, stacked over any
// shape set before: the busy pointer while the wizard works, and the plain arrow again over a question
// asked in the middle of that work.
class OverrideCursor {
public:
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(QCursor(shape)); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor &) = delete;
    OverrideCursor &operator=(const OverrideCursor &) = delete;
};
