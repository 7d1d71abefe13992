#include "app/LogoImage.h"

#include "app/LogoPainting.h"

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
    QFont font = painter.font();
    font.setPointSize(12);
    paintLogo(painter, rect(), QStringLiteral("Morvane"), font);
}

void LogoImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}
