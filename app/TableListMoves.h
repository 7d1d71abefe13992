#pragma once

class QListWidget;

// The moves between the available and the selected table lists. A list's "highlighted" item is its
// selected one (a list holds at most one); the current item alone does not count, because Qt makes
// the first row current whenever an empty-handed list takes the focus.
namespace tablelists {

int highlighted(const QListWidget &list);
// Highlights the row, or clears the highlight for -1.
void highlight(QListWidget &list, int row);

// The highlighted item of `from` to the end of `to`; nothing when nothing is highlighted.
void moveOne(QListWidget &from, QListWidget &to);
// Every item of `from`, first to last, to the end of `to`; no highlight is set.
void moveAll(QListWidget &from, QListWidget &to);

} // namespace tablelists
