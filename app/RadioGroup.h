#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A titled group of radio buttons with one item index, like the "Access mode" and "How to process
// existing tables:" groups. The title is the group's caption; the items keep their own texts.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    // Items are laid out top to bottom, or left to right when horizontal.
    RadioGroup(const QString &title, const QStringList &items, bool horizontal, QWidget *parent);

    int itemIndex() const;
    // An index outside the items is ignored: the group keeps its current item.
    void setItemIndex(int index);
    int count() const;
    QRadioButton *item(int index) const;

signals:
    // Emitted whenever the checked item changes, by the user or by setItemIndex.
    void itemIndexChanged(int index);

private:
    QButtonGroup *m_buttons;
};
