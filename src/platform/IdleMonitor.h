#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace platform {

// What the desktop tells about the person at it: idle for a while, back at
// the keyboard or mouse, the screen locked or unlocked. Every question is
// answered later on the GUI thread; nothing here waits.
class IdleMonitor : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    // The backend as the debug log names it ("GNOME idle monitor").
    virtual QString name() const = 0;
    // idle() comes once the user has left the input alone for ms (0: never).
    virtual void setIdleThreshold(qint64 ms) = 0;
    // The next input after this call emits active() once.
    virtual void watchForActivity() = 0;
    // How long the input has been left alone, or -1 when the desktop did not say.
    virtual void queryIdle(std::function<void(qint64 ms)> answer) = 0;

  signals:
    void idle();
    void active();
    void lockChanged(bool locked);
};

// A desktop that only answers "how long idle": asked every pollMs, the
// answers become idle() and active().
class PolledIdleMonitor : public IdleMonitor {
    Q_OBJECT

  public:
    PolledIdleMonitor(int pollMs, QObject* parent);

    void setIdleThreshold(qint64 ms) override;
    void watchForActivity() override;

  private:
    void poll();
    void take(qint64 idleMs);

    QTimer poll_;
    qint64 thresholdMs_ = 0;
    qint64 lastIdleMs_ = -1;
    bool idleTold_ = false;
    bool watching_ = false;
};

inline constexpr int kIdlePollMs = 2000;

// Finds the first backend the desktop answers for, in this order: the GNOME
// idle monitor, the freedesktop screen saver (session bus), the X11 screen
// saver extension. found gets nullptr when there is none, with why.
void FindIdleMonitor(const QDBusConnection& session, QObject* parent, int pollMs,
                     std::function<void(IdleMonitor* monitor, const QString& whyNone)> found);

} // namespace platform
