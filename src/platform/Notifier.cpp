#include "platform/Notifier.h"

#include "platform/AppId.h"
#include "platform/Override.h"
#include "platform/TrayArea.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>

#include <map>

namespace platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kActionKey = QStringLiteral("default-action");
constexpr int kCallTimeoutMs = 5000;
// Notifications whose action may still be picked; the oldest are forgotten.
constexpr size_t kMaxPending = 32;

class BusNotifier final : public QObject, public Notifier {
    Q_OBJECT

  public:
    explicit BusNotifier(const QDBusConnection& bus) : bus_(bus)
    {
        bus_.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                     SLOT(actionInvoked(uint, QString)));
        bus_.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                     SLOT(closed(uint, uint)));
    }

    void notify(const Notification& n) override
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
        QStringList actions;
        if (n.onAction)
            actions << kActionKey << n.actionLabel;
        // The desktop-entry hint lets the desktop group the notice under the
        // installed program and honour its per-program settings.
        const QVariantMap hints{{QStringLiteral("desktop-entry"), QString::fromLatin1(kAppId)}};
        call << QStringLiteral("Halvorn") << uint(0) << QString::fromLatin1(kAppId) << n.summary
             << n.body.toHtmlEscaped() << actions << hints << int(-1);
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, n](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusPendingReply<uint> reply = *w;
            if (reply.isError()) {
                fallBack(n);
                return;
            }
            if (!n.onAction)
                return;
            if (pending_.size() >= kMaxPending)
                pending_.erase(pending_.begin());
            pending_[reply.value()] = n.onAction;
        });
    }

  private slots:
    void actionInvoked(uint id, const QString& key)
    {
        const auto it = pending_.find(id);
        if (it == pending_.end() || key != kActionKey)
            return;
        const std::function<void()> action = it->second;
        pending_.erase(it);
        action();
    }

    void closed(uint id, uint /*reason*/) { pending_.erase(id); }

  private:
    static void fallBack(const Notification& n)
    {
        TrayArea& tray = trayArea();
        if (tray.present())
            tray.balloon(n.summary, n.body);
    }

    QDBusConnection bus_;
    std::map<uint, std::function<void()>> pending_;
};

class SessionNotifier final : public Notifier {
  public:
    void notify(const Notification& n) override
    {
        if (!real_)
            real_ = MakeBusNotifier(QDBusConnection::sessionBus());
        real_->notify(n);
    }

  private:
    std::unique_ptr<Notifier> real_;
};

} // namespace

std::unique_ptr<Notifier> MakeBusNotifier(const QDBusConnection& bus)
{
    return std::make_unique<BusNotifier>(bus);
}

Notifier& notifier()
{
    return resolve<Notifier, SessionNotifier>();
}

} // namespace platform

#include "Notifier.moc"
