#include "app/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>

RadioGroup::RadioGroup(const QString &title, const QStringList &items, bool horizontal, QWidget *parent)
    : QGroupBox(title, parent), m_buttons(new QButtonGroup(this))
{
    const int step = horizontal ? 0 : 20;
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        if (horizontal)
            button->setGeometry(16 + i * 180, 18, 170, 20);
        else
            button->setGeometry(16, 18 + i * step, 200, 20);
        m_buttons->addButton(button, i);
    }
    if (!items.isEmpty())
        m_buttons->button(0)->setChecked(true);
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

int RadioGroup::itemIndex() const { return m_buttons->checkedId(); }

void RadioGroup::setItemIndex(int index)
{
    if (QAbstractButton *button = m_buttons->button(index))
        button->setChecked(true);
}

int RadioGroup::count() const { return static_cast<int>(m_buttons->buttons().size()); }

QRadioButton *RadioGroup::item(int index) const { return qobject_cast<QRadioButton *>(m_buttons->button(index)); }
