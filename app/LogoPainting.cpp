#include "app/LogoPainting.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

void paintLogo(QPainter &painter, const QRectF &area, const QString &text, const QFont &font, qreal cornerRadius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(area.topLeft(), area.topRight());
    fill.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    fill.setColorAt(1, QColor(0x2e, 0x86, 0x8c));
    if (cornerRadius > 0) {
        QPainterPath band;
        band.addRoundedRect(area, cornerRadius, cornerRadius);
        painter.fillPath(band, fill);
    } else {
        painter.fillRect(area, fill);
    }
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, text);
    painter.restore();
}
