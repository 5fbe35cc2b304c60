#include "core/StatusIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QIcon drawLamp(const QColor& fill, bool online)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(fill.darker(160), 2));
    QRadialGradient glow(QPointF(12, 11), 18);
    glow.setColorAt(0, fill.lighter(170));
    glow.setColorAt(1, fill);
    p.setBrush(glow);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (online) {
        QPainterPath tick;
        tick.moveTo(9, 16.5);
        tick.lineTo(14, 21.5);
        tick.lineTo(23, 10.5);
        p.drawPath(tick);
    } else {
        p.drawLine(QPointF(10.5, 16), QPointF(21.5, 16));
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

const QIcon& OnlineIcon()
{
    static const QIcon icon = drawLamp(QColor(0, 150, 60), true);
    return icon;
}

const QIcon& OfflineIcon()
{
    static const QIcon icon = drawLamp(QColor(200, 30, 30), false);
    return icon;
}
