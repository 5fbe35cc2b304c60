#include "mail/MailTrayIcon.h"

#include "core/Form1.h"
#include "core/ProgramError.h"
#include "mail/MailProgram.h"
#include "mail/frmPop3.h"
#include "platform/TrayArea.h"

#include <QAction>
#include <QPainter>
#include <QPixmap>

namespace {

bool g_handling = false;

// An envelope, drawn rather than shipped so it scales with the tray.
QIcon envelopeIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 90), 2));
    p.setBrush(QColor(255, 236, 150));
    p.drawRect(QRectF(3, 8, 26, 18));
    p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(16, 19), QPointF(29, 8)}));
    return QIcon(pixmap);
}

void onTrayMouse(int message)
{
    if (message != platform::kTrayLeftDoubleClick && message != platform::kTrayRightDoubleClick)
        return;
    // A second double click while the window is being brought up is the
    // same request.
    if (g_handling)
        return;
    g_handling = true;
    RemoveMailTrayIcon();
    frmPop3& mailbox = Mail().mailbox();
    mailbox.show();
    mailbox.raise();
    mailbox.activateWindow();
    g_handling = false;
}

bool trayOptionOn()
{
    Form1* form = Mail().mainWindow();
    QAction* option = form ? form->action(QStringLiteral("mnuMin")) : nullptr;
    return option && option->isChecked();
}

} // namespace

void ShowMailTrayIcon()
{
    TrapErrors("POP3 SystemTray", [] {
        platform::TrayArea& area = platform::mailTrayArea();
        if (!trayOptionOn() || !area.available())
            return;
        area.setMouseHandler(onTrayMouse);
        if (area.present())
            area.modify(envelopeIcon(), QStringLiteral("You have mail"));
        else
            area.add(envelopeIcon(), QStringLiteral("You have mail"));
    });
}

void RemoveMailTrayIcon()
{
    platform::TrayArea& area = platform::mailTrayArea();
    if (area.present())
        area.remove();
}
