#include "app/ucs.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

Tfrmcs::Tfrmcs(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmcs"));
    setWindowTitle(QStringLiteral("Check"));
    setFixedSize(520, 360);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, 520, 320);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setReadOnly(true);
    Button1 = new QPushButton(QStringLiteral("Select All"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(181, 328, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &Tfrmcs::Button1Click);
    Button2 = new QPushButton(QStringLiteral("Save"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(264, 328, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &Tfrmcs::saveRequested);
    Button3 = new QPushButton(QStringLiteral("Save SQL"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(347, 328, 75, 25);
    connect(Button3, &QPushButton::clicked, this, &Tfrmcs::saveSqlRequested);
}

void Tfrmcs::Button1Click()
{
    Memo1->selectAll();
    QApplication::clipboard()->setText(Memo1->toPlainText());
}
