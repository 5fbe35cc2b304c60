#include "tools/LinkLabel.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setHovered(false);
}

void LinkLabel::setHovered(bool hovered)
{
    hovered_ = hovered;
    setStyleSheet(hovered ? QStringLiteral("color: #0000FF; text-decoration: underline;")
                          : QStringLiteral("color: #000000;"));
    if (hovered)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void LinkLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    setHovered(true);
}

void LinkLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    setHovered(false);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
