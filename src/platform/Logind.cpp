#include "platform/Logind.h"

#include "platform/DBusAsync.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
constexpr int kCallTimeoutMs = 5000;

QDBusMessage managerCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kManagerPath, kManager, method);
    call.setArguments(arguments);
    return call;
}

} // namespace

Logind::Logind(const QDBusConnection& systemBus, QObject* parent) : QObject(parent), bus_(systemBus) {}

Logind::~Logind()
{
    releaseSleepLock();
}

void Logind::start()
{
    if (!bus_.isConnected())
        return;
    bus_.connect(kService, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                 SLOT(sleepSignal(bool)));
    const QDBusMessage call = managerCall(QStringLiteral("GetSessionByPID"), {uint(::getpid())});
    CallDBusAsync<QDBusObjectPath>(bus_, this, call, kCallTimeoutMs,
                                   [this](const QDBusPendingReply<QDBusObjectPath>& reply) {
                                       if (!reply.isError())
                                           listenToSession(reply.value().path());
                                       else
                                           findSessionOfUser();
                                   });
}

void Logind::findSessionOfUser()
{
    // Started outside the session's processes (a user service): "auto" is
    // the user's own graphical session.
    const QDBusMessage call = managerCall(QStringLiteral("GetSession"), {QStringLiteral("auto")});
    CallDBusAsync<QDBusObjectPath>(bus_, this, call, kCallTimeoutMs,
                                   [this](const QDBusPendingReply<QDBusObjectPath>& reply) {
                                       if (!reply.isError())
                                           listenToSession(reply.value().path());
                                   });
}

void Logind::listenToSession(const QString& path)
{
    bus_.connect(kService, path, kSession, QStringLiteral("Lock"), this, SLOT(sessionLock()));
    bus_.connect(kService, path, kSession, QStringLiteral("Unlock"), this, SLOT(sessionUnlock()));
    sessionKnown_ = true;
    emit sessionFound(path);
}

void Logind::takeSleepLock()
{
    lockWanted_ = true;
    if (!bus_.isConnected() || lockFd_ >= 0 || lockAsked_)
        return;
    lockAsked_ = true;
    const QDBusMessage call =
        managerCall(QStringLiteral("Inhibit"),
                    {QStringLiteral("sleep"), QStringLiteral("Halvorn"),
                     QStringLiteral("Publishing the offline status page"), QStringLiteral("delay")});
    CallDBusAsync<QDBusUnixFileDescriptor>(
        bus_, this, call, kCallTimeoutMs, [this](const QDBusPendingReply<QDBusUnixFileDescriptor>& reply) {
            lockAsked_ = false;
            // Our own copy: the reply's copy goes with the watcher.
            const int fd = reply.isError() ? -1 : ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
            if (fd < 0)
                return;
            // Let go while the answer was on its way: the lock is not kept.
            if (!lockWanted_) {
                ::close(fd);
                return;
            }
            lockFd_ = fd;
            emit sleepLockHeld();
        });
}

void Logind::releaseSleepLock()
{
    lockWanted_ = false;
    if (lockFd_ < 0)
        return;
    ::close(lockFd_);
    lockFd_ = -1;
}

} // namespace platform
