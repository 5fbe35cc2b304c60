#pragma once

#include <QString>

#include <functional>
#include <memory>

class QDBusConnection;

namespace platform {

// One desktop notification, with at most one action button.
struct Notification {
    QString summary;
    QString body; // plain text; markup characters are escaped on the way
    QString actionLabel;
    std::function<void()> onAction;
};

// Desktop notifications, shown without waiting for the desktop: the action
// runs later on the GUI thread when the user picks it. Without a
// notification service the tray balloon is used when a tray icon exists.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void notify(const Notification& notification) = 0;
};

Notifier& notifier();

// A notifier over the given bus, for a private bus; notifier() uses the
// session bus.
std::unique_ptr<Notifier> MakeBusNotifier(const QDBusConnection& bus);

} // namespace platform
