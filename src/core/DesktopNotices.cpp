#include "core/DesktopNotices.h"

#include "core/AppHooks.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/TextToBool.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

namespace {

const QString kStartUp = QStringLiteral("StartUp");
const QString kKey = QStringLiteral("Desktop Notifications");
constexpr int kSenderChars = 60;
constexpr int kSubjectChars = 100;
constexpr int kReasonChars = 200;

QPointer<QWidget> g_window;
std::function<void()> g_restoreWindow;

} // namespace

bool DesktopNotificationsOn()
{
    return ReadIniFlag(kStartUp, kKey, true);
}

QString NoticeText(const QString& text, int maxChars)
{
    QString plain = text.simplified();
    for (QChar& c : plain) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = u' ';
    }
    if (plain.size() > maxChars)
        plain = plain.left(maxChars - 1) + QChar(0x2026);
    return plain;
}

void NotifyDesktop(const platform::Notification& notification)
{
    if (!DesktopNotificationsOn())
        return;
    DebugLog(QStringLiteral("[HVRN] Notification: ") + notification.summary);
    platform::notifier().notify(notification);
}

void BringWindowBack(QWidget& window)
{
    // show() alone leaves a minimised window minimised; a hidden window is
    // shown first so that the window system sees the restore and activation.
    window.show();
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.raise();
    window.activateWindow();
}

void NotifyNewMail(int count, const QString& sender, const QString& subject)
{
    if (count <= 0)
        return;
    platform::Notification n;
    n.summary = count == 1 ? QStringLiteral("1 new mail") : QStringLiteral("%1 new mails").arg(count);
    n.body = QStringLiteral("From %1: %2")
                 .arg(NoticeText(sender, kSenderChars), NoticeText(subject, kSubjectChars));
    n.actionLabel = QStringLiteral("Open mailbox");
    n.onAction = [] {
        if (Hooks().showMailbox)
            Hooks().showMailbox();
    };
    NotifyDesktop(n);
}

void NotifyPublishFailed(const QString& profile, const QString& reason)
{
    NotifyTrouble(QStringLiteral("Status page not published"),
                  QStringLiteral("Profile %1: %2")
                      .arg(NoticeText(profile, kSenderChars),
                           reason.isEmpty() ? QStringLiteral("the upload failed") : reason));
}

void NotifyTrouble(const QString& summary, const QString& reason)
{
    platform::Notification n;
    n.summary = summary;
    n.body = NoticeText(reason, kReasonChars);
    n.actionLabel = QStringLiteral("Open Halvorn");
    n.onAction = [] {
        if (g_window && g_restoreWindow)
            g_restoreWindow();
    };
    NotifyDesktop(n);
}

void AttachDesktopNotices(QWidget& window, QAction* check, std::function<void()> restoreWindow)
{
    g_window = &window;
    g_restoreWindow = std::move(restoreWindow);
    if (!check)
        return;
    check->setChecked(DesktopNotificationsOn());
    QObject::connect(check, &QAction::triggered, &window,
                     [](bool on) { WriteIni(kStartUp, kKey, BoolText(on)); });
}
