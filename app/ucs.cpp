#include "app/ucs.h"

#include "app/ApplicationTitle.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

Tfrmcs::Tfrmcs(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmcs"));
    setWindowTitle(applicationTitle());
    setFixedSize(520, 360);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, 520, 320);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button1 = new QPushButton(QStringLiteral("Select All"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(222, 328, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &Tfrmcs::Button1Click);
}

void Tfrmcs::Button1Click()
{
    Memo1->selectAll();
    QApplication::clipboard()->setText(Memo1->toPlainText());
}
