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
#include <QTimer>

namespace {
constexpr int kTipField = 64; // including the terminating zero
// The mail line comes from a server's reply: keep the tip readable.
constexpr int kMailLineChars = 120;
// How often, and for how long, a missing tray is looked for again.
constexpr int kTrayLookMs = 2000;
constexpr int kTrayLooks = 90;
} // namespace

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

bool TrayIcon::optionOn() const
{
    return form_.action(QStringLiteral("mnuMin"))->isChecked();
}

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
                waitForTray();
        } else {
            tray.remove();
            if (form_.isMinimized() && !form_.isVisible())
                form_.showMinimized();
        }
    });
}

// At login the panel that holds the tray often starts after the program:
// the icon goes there as soon as it appears, and a window started minimised
// then hides into it.
void TrayIcon::waitForTray()
{
    noteMissingTray();
    trayLooks_ = 0;
    if (!trayWait_) {
        trayWait_ = new QTimer(&form_);
        trayWait_->setInterval(kTrayLookMs);
        QObject::connect(trayWait_, &QTimer::timeout, &form_, [this] { lookForTray(); });
    }
    trayWait_->start();
}

void TrayIcon::lookForTray()
{
    auto& tray = platform::trayArea();
    if (!optionOn() || tray.present() || ++trayLooks_ > kTrayLooks) {
        trayWait_->stop();
        return;
    }
    if (!tray.available())
        return;
    trayWait_->stop();
    GoSystemTray();
    if (!tray.present())
        return;
    form_.action(QStringLiteral("mnuMin"))->setToolTip(QString());
    if (form_.isMinimized())
        form_.hide();
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
        &form_,
        [this] {
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
