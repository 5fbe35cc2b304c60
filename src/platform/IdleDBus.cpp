#include "platform/IdleDBus.h"

#include "platform/DBusAsync.h"

#include <QDBusMessage>
#include <QDBusPendingReply>

namespace platform {
namespace {

const QString kMutterService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kMutterPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
// A service that is slow to answer counts as absent, and costs no more than this.
constexpr int kCallTimeoutMs = 3000;
// Idle answers this far apart tell seconds from milliseconds.
constexpr qint64 kUnitProbeMs = 1500;

template <class Reply, class Take>
void callAsync(QDBusConnection& bus, QObject* owner, const QDBusMessage& call, Take take)
{
    CallDBusAsync<Reply>(bus, owner, call, kCallTimeoutMs, take);
}

QDBusMessage mutterCall(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(kMutterService, kMutterPath, kMutterService, method);
    call.setArguments(arguments);
    return call;
}

} // namespace

MutterIdleMonitor::MutterIdleMonitor(const QDBusConnection& bus, QObject* parent)
    : IdleMonitor(parent), bus_(bus)
{
}

MutterIdleMonitor::~MutterIdleMonitor()
{
    removeWatch(&idleWatch_);
    removeWatch(&activeWatch_);
}

void MutterIdleMonitor::listenForWatches()
{
    bus_.connect(kMutterService, kMutterPath, kMutterService, QStringLiteral("WatchFired"), this,
                 SLOT(watchFired(uint)));
}

void MutterIdleMonitor::addWatch(const QString& method, const QVariantList& arguments, uint* slot)
{
    callAsync<uint>(bus_, this, mutterCall(method, arguments), [slot](const QDBusPendingReply<uint>& reply) {
        if (!reply.isError())
            *slot = reply.value();
    });
}

void MutterIdleMonitor::removeWatch(uint* slot)
{
    if (*slot == 0)
        return;
    sendRemove(*slot);
    *slot = 0;
}

void MutterIdleMonitor::sendRemove(uint id)
{
    bus_.send(mutterCall(QStringLiteral("RemoveWatch"), {id}));
}

void MutterIdleMonitor::setIdleThreshold(qint64 ms)
{
    const quint64 generation = ++idleGeneration_;
    removeWatch(&idleWatch_);
    if (ms <= 0)
        return;
    callAsync<uint>(bus_, this,
                    mutterCall(QStringLiteral("AddIdleWatch"), {QVariant::fromValue(quint64(ms))}),
                    [this, generation](const QDBusPendingReply<uint>& reply) {
                        if (reply.isError())
                            return;
                        // Another time was asked for while this watch was being added.
                        if (generation != idleGeneration_)
                            sendRemove(reply.value());
                        else
                            idleWatch_ = reply.value();
                    });
}

void MutterIdleMonitor::watchForActivity()
{
    // A user-active watch fires once and is gone; one is asked for at a time.
    if (activeAsked_)
        return;
    activeAsked_ = true;
    addWatch(QStringLiteral("AddUserActiveWatch"), {}, &activeWatch_);
}

void MutterIdleMonitor::watchFired(uint id)
{
    if (id != 0 && id == idleWatch_) {
        emit idle();
    } else if (id != 0 && id == activeWatch_) {
        activeWatch_ = 0;
        activeAsked_ = false;
        emit active();
    }
}

void MutterIdleMonitor::queryIdle(std::function<void(qint64 ms)> answer)
{
    callAsync<quint64>(bus_, this, mutterCall(QStringLiteral("GetIdletime")),
                       [answer](const QDBusPendingReply<quint64>& reply) {
                           answer(reply.isError() ? -1 : qint64(reply.value()));
                       });
}

ScreenSaverIdleMonitor::ScreenSaverIdleMonitor(const QDBusConnection& bus, int pollMs, QObject* parent)
    : PolledIdleMonitor(pollMs, parent), bus_(bus)
{
}

void ScreenSaverIdleMonitor::listenForLock()
{
    bus_.connect(kSaverService, kSaverPath, kSaverService, QStringLiteral("ActiveChanged"), this,
                 SLOT(activeChanged(bool)));
}

void ScreenSaverIdleMonitor::activeChanged(bool active)
{
    emit lockChanged(active);
}

void ScreenSaverIdleMonitor::queryIdle(std::function<void(qint64 ms)> answer)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(kSaverService, kSaverPath, kSaverService,
                                                             QStringLiteral("GetSessionIdleTime"));
    callAsync<uint>(bus_, this, call, [this, answer](const QDBusPendingReply<uint>& reply) {
        answer(reply.isError() ? -1 : toMs(reply.value()));
    });
}

qint64 ScreenSaverIdleMonitor::toMs(uint raw)
{
    // The interface is meant to answer in seconds, yet some desktops answer
    // in milliseconds. How fast the answer grows tells which; until then the
    // user counts as just active, so nobody is made away by a misreading.
    if (msPerUnit_ == 0) {
        const qint64 elapsedMs = sinceLast_.isValid() ? sinceLast_.elapsed() : 0;
        if (sinceLast_.isValid() && raw > lastRaw_ && elapsedMs >= kUnitProbeMs)
            msPerUnit_ = qint64(raw - lastRaw_) * 1000 > elapsedMs * 20 ? 1 : 1000;
        // The measure starts again only after input, which set the answer back.
        if (!sinceLast_.isValid() || raw < lastRaw_) {
            lastRaw_ = raw;
            sinceLast_.start();
        }
        if (msPerUnit_ == 0)
            return 0;
    }
    return qint64(raw) * msPerUnit_;
}

} // namespace platform
