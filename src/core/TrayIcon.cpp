#include "core/TrayIcon.h"

#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/StatusIcons.h"
#include "platform/TrayArea.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QString>

namespace {
constexpr int kTipField = 64;  // including the terminating zero
// The mail line comes from a server's reply: keep the tip readable.
constexpr int kMailLineChars = 120;
}

QString TrayIcon::tipFor(const QString& caption)
{
    return (QStringLiteral("Status:") + caption).left(kTipField - 1);
}

QString TrayIcon::tip() const
{
    const QString mail = form_.mailStatus->text();
    const QString status = tipFor(form_.shownStatus());
    return mail.isEmpty() ? status : status + u'\n' + mail.left(kMailLineChars);
}

bool TrayIcon::optionOn() const { return form_.action(QStringLiteral("mnuMin"))->isChecked(); }

void TrayIcon::updateWindowIcon()
{
    // Any other status leaves the icon as it was.
    if (Core().CurrentStatus == QLatin1String("Online"))
        form_.setWindowIcon(OnlineIcon());
    else if (Core().CurrentStatus == QLatin1String("Offline"))
        form_.setWindowIcon(OfflineIcon());
}

void TrayIcon::GoSystemTray()
{
    TrapErrors("GoSystemTray", [&] {
        auto& tray = platform::trayArea();
        if (optionOn()) {
            updateWindowIcon();
            tray.add(form_.windowIcon(), tip());
            if (!tray.present())
                noteMissingTray();
        } else {
            tray.remove();
            if (form_.isMinimized() && !form_.isVisible())
                form_.showMinimized();
        }
    });
}

void TrayIcon::noteMissingTray()
{
    if (missingTrayNoted_)
        return;
    missingTrayNoted_ = true;
    const QString text = QStringLiteral("This desktop has no notification area: minimising keeps the window "
                                        "in the task bar");
    QAction* item = form_.action(QStringLiteral("mnuMin"));
    item->setToolTip(text);
    for (QObject* owner : item->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner))
            menu->setToolTipsVisible(true);
    DebugLog(QStringLiteral("[HVRN] ") + text);
}

void TrayIcon::SysTrayMod()
{
    TrapErrors("SysTrayMod", [&] {
        updateWindowIcon();
        auto& tray = platform::trayArea();
        if (optionOn())
            tray.modify(form_.windowIcon(), tip());
        else
            tray.remove();
    });
}

void TrayIcon::windowStateChanged()
{
    // Hiding without a tray to come back from would lose the window. The
    // hide waits until the window system has finished minimising.
    if (!optionOn() || !form_.isMinimized() || !platform::trayArea().present())
        return;
    QMetaObject::invokeMethod(
        &form_, [this] {
            if (form_.isMinimized() && optionOn())
                form_.hide();
        },
        Qt::QueuedConnection);
}

void TrayIcon::restoreWindow()
{
    if (!form_.isVisible() || form_.isMinimized())
        form_.showNormal();
    form_.raise();
    form_.activateWindow();
}
