#include "core/LeanStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>

namespace {

QIcon drawnChevron(bool horizontal, const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 1.5));
    if (!horizontal) {
        painter.translate(16, 0);
        painter.rotate(90);
    }
    for (const int x : {4, 9}) {
        QPainterPath chevron;
        chevron.moveTo(x, 4);
        chevron.lineTo(x + 3, 8);
        chevron.lineTo(x, 12);
        painter.drawPath(chevron);
    }
    return QIcon(pixmap);
}

} // namespace

QIcon LeanStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton) {
        const QColor colour = widget ? widget->palette().color(QPalette::ButtonText) : QColor(Qt::black);
        return drawnChevron(icon == SP_ToolBarHorizontalExtensionButton, colour);
    }
    return QProxyStyle::standardIcon(icon, option, widget);
}
