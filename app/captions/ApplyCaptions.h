#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace captions {

// The caption of the first row whose name equals `name` without regard to case; empty when none does.
QString captionFor(const QStringList &table, const QString &name);

// Writes the table's captions into every label, group box (radio groups included: their title) and
// check box under `window`, in the order they were built. "en" takes `english`, "cn" takes `chn`, any
// other code changes nothing. A control whose name has no row is left with an empty caption.
void applyCaptions(QWidget &window, const QString &language, const QStringList &english, const QStringList &chn);

} // namespace captions
