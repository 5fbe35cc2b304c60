#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace platform {

// Sends call without waiting and hands its reply (or error) to take on
// owner's thread; nothing arrives once owner is gone. A service that does
// not answer within timeoutMs gives an error reply.
template <class Reply, class Take>
void CallDBusAsync(const QDBusConnection& bus, QObject* owner, const QDBusMessage& call, int timeoutMs,
                   Take take)
{
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner, [take](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<Reply> reply = *w;
        take(reply);
    });
}

} // namespace platform
