#include "app/LogoImage.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

LogoImage::LogoImage(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Help"));
}

void LogoImage::paintEvent(QPaintEvent *)
{
    // Drawn rather than loaded, so the program carries no image files of its own.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, width(), 0);
    fill.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    fill.setColorAt(1, QColor(0x2e, 0x86, 0x8c));
    painter.fillRect(rect(), fill);
    QFont font = painter.font();
    font.setBold(true);
    font.setPointSize(12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Morvane"));
}

void LogoImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}
