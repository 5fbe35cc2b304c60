#include "platform/IdleMonitor.h"

#include "platform/IdleDBus.h"
#include "platform/IdleX11.h"

#include <memory>

namespace platform {

PolledIdleMonitor::PolledIdleMonitor(int pollMs, QObject* parent) : IdleMonitor(parent)
{
    poll_.setInterval(pollMs);
    connect(&poll_, &QTimer::timeout, this, &PolledIdleMonitor::poll);
}

void PolledIdleMonitor::setIdleThreshold(qint64 ms)
{
    thresholdMs_ = ms;
    idleTold_ = false;
    if (ms > 0 || watching_)
        poll_.start();
    else
        poll_.stop();
}

void PolledIdleMonitor::watchForActivity()
{
    watching_ = true;
    poll_.start();
}

void PolledIdleMonitor::poll()
{
    queryIdle([this](qint64 idleMs) { take(idleMs); });
}

void PolledIdleMonitor::take(qint64 idleMs)
{
    if (idleMs < 0)
        return;
    // Idle time that went down means input came since the last answer.
    const bool input = lastIdleMs_ >= 0 && idleMs < lastIdleMs_;
    lastIdleMs_ = idleMs;
    if (input)
        idleTold_ = false;
    if (watching_ && input) {
        watching_ = false;
        emit active();
    }
    if (thresholdMs_ > 0 && !idleTold_ && idleMs >= thresholdMs_) {
        idleTold_ = true;
        emit idle();
    }
    if (thresholdMs_ <= 0 && !watching_)
        poll_.stop();
}

namespace {

// Asks each candidate in turn; the first that answers is the backend.
struct Probe {
    QDBusConnection session;
    QObject* parent;
    int pollMs;
    std::function<void(IdleMonitor*, const QString&)> found;
};

void tryX11(const std::shared_ptr<Probe>& probe)
{
    QString why;
    if (IdleMonitor* x11 = MakeX11IdleMonitor(probe->parent, probe->pollMs, &why)) {
        probe->found(x11, QString());
        return;
    }
    probe->found(nullptr, QStringLiteral("neither the GNOME idle monitor nor a screen saver service answers "
                                         "on the session bus, and ") +
                              why);
}

void tryScreenSaver(const std::shared_ptr<Probe>& probe)
{
    auto* saver = new ScreenSaverIdleMonitor(probe->session, probe->pollMs, probe->parent);
    saver->queryIdle([probe, saver](qint64 ms) {
        if (ms >= 0) {
            saver->listenForLock();
            probe->found(saver, QString());
            return;
        }
        saver->deleteLater();
        tryX11(probe);
    });
}

} // namespace

void FindIdleMonitor(const QDBusConnection& session, QObject* parent, int pollMs,
                     std::function<void(IdleMonitor*, const QString&)> found)
{
    auto probe = std::make_shared<Probe>(Probe{session, parent, pollMs, std::move(found)});
    if (!session.isConnected()) {
        tryX11(probe);
        return;
    }
    auto* mutter = new MutterIdleMonitor(session, parent);
    mutter->queryIdle([probe, mutter](qint64 ms) {
        if (ms >= 0) {
            mutter->listenForWatches();
            probe->found(mutter, QString());
            return;
        }
        mutter->deleteLater();
        tryScreenSaver(probe);
    });
}

} // namespace platform
