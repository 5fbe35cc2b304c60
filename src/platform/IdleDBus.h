#pragma once

#include "platform/IdleMonitor.h"

#include <QElapsedTimer>

namespace platform {

// GNOME's idle monitor (X11 and Wayland): the compositor itself tells when
// a watched idle time is reached and when input comes, so nothing is polled.
class MutterIdleMonitor final : public IdleMonitor {
    Q_OBJECT

  public:
    MutterIdleMonitor(const QDBusConnection& bus, QObject* parent);
    ~MutterIdleMonitor() override;

    QString name() const override { return QStringLiteral("GNOME idle monitor"); }
    void setIdleThreshold(qint64 ms) override;
    void watchForActivity() override;
    void queryIdle(std::function<void(qint64 ms)> answer) override;
    // Subscribes to WatchFired once the monitor is known to answer.
    void listenForWatches();

  private slots:
    void watchFired(uint id);

  private:
    void addWatch(const QString& method, const QVariantList& arguments, uint* slot);
    void removeWatch(uint* slot);
    void sendRemove(uint id);

    QDBusConnection bus_;
    uint idleWatch_ = 0;
    uint activeWatch_ = 0;
    quint64 idleGeneration_ = 0;
    bool activeAsked_ = false;
};

// The freedesktop screen saver (KDE and others): idle time by asking,
// the lock from ActiveChanged.
class ScreenSaverIdleMonitor final : public PolledIdleMonitor {
    Q_OBJECT

  public:
    ScreenSaverIdleMonitor(const QDBusConnection& bus, int pollMs, QObject* parent);

    QString name() const override { return QStringLiteral("freedesktop screen saver"); }
    void queryIdle(std::function<void(qint64 ms)> answer) override;
    void listenForLock();

  private slots:
    void activeChanged(bool active);

  private:
    qint64 toMs(uint raw);

    QDBusConnection bus_;
    qint64 msPerUnit_ = 0;
    uint lastRaw_ = 0;
    QElapsedTimer sinceLast_;
};

} // namespace platform
