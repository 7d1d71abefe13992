#include "app/TableListMoves.h"

#include <QListWidget>

namespace tablelists {

int highlighted(const QListWidget &list)
{
    const QList<QListWidgetItem *> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.first());
}

void highlight(QListWidget &list, int row)
{
    if (row < 0 || row >= list.count()) {
        list.clearSelection();
        list.setCurrentRow(-1);
        return;
    }
    list.setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void moveOne(QListWidget &from, QListWidget &to)
{
    const int row = highlighted(from);
    if (row < 0)
        return;
    // The item itself moves, with the marks it carries (a view's).
    to.addItem(from.takeItem(row));
    // The item that moved up into the gap, or else the new last one, stays highlighted so that
    // repeated clicks walk down the list.
    if (row < from.count())
        highlight(from, row);
    else
        highlight(from, from.count() - 1);
    highlight(to, to.count() - 1);
}

void moveAll(QListWidget &from, QListWidget &to)
{
    while (from.count() > 0)
        to.addItem(from.takeItem(0));
}

} // namespace tablelists
