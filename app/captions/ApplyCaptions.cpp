#include "app/captions/ApplyCaptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace captions {

QString captionFor(const QStringList &table, const QString &name)
{
    for (const QString &row : table) {
        const qsizetype eq = row.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (QStringView(row).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return row.mid(eq + 1);
    }
    return {};
}

void applyCaptions(QWidget &window, const QString &language, const QStringList &english, const QStringList &chn)
{
    const QStringList *table = nullptr;
    if (language == QLatin1String("en"))
        table = &english;
    if (language == QLatin1String("cn"))
        table = &chn;
    if (!table)
        return;
    // findChildren walks depth first, each parent before its children: the order the window built them.
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (auto *label = qobject_cast<QLabel *>(control))
            label->setText(captionFor(*table, label->objectName()));
        else if (auto *group = qobject_cast<QGroupBox *>(control))
            group->setTitle(captionFor(*table, group->objectName()));
        else if (auto *check = qobject_cast<QCheckBox *>(control))
            check->setText(captionFor(*table, check->objectName()));
    }
}

} // namespace captions
