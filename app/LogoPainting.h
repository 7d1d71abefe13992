#pragma once

#include <QString>

class QFont;
class QPainter;
class QRectF;

// The maker's logo: a name in bold white on a band from blue to teal. The window draws it at the foot
// of the step column; the build draws the desktop icon with it, so the two always match.
void paintLogo(QPainter &painter, const QRectF &area, const QString &text, const QFont &font, qreal cornerRadius = 0);
