#include "platform/HostInfo.h"

#include "platform/IpAddress.h"
#include "platform/Override.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

// A resolver that does not answer costs this, never a hang.
constexpr int kLookupTimeoutMs = 8000;

// Runs a resolver call on a thread of its own while the caller's events keep
// flowing. The system resolver cannot be cancelled, so a call that outlasts
// the time-out is left to finish alone and its answer is dropped.
template <class Result, class Call> Result resolveOffGuiThread(Call call)
{
    struct Shared {
        std::mutex lock;
        std::optional<Result> result;
        QEventLoop* waiting = nullptr;
    };
    auto shared = std::make_shared<Shared>();
    QEventLoop loop;
    shared->waiting = &loop;
    std::thread([shared, call] {
        Result result = call();
        const std::lock_guard<std::mutex> hold(shared->lock);
        shared->result = std::move(result);
        if (shared->waiting)
            QMetaObject::invokeMethod(shared->waiting, &QEventLoop::quit, Qt::QueuedConnection);
    }).detach();
    QTimer::singleShot(kLookupTimeoutMs, &loop, &QEventLoop::quit);
    bool answered = false;
    {
        const std::lock_guard<std::mutex> hold(shared->lock);
        answered = shared->result.has_value();
    }
    if (!answered)
        loop.exec();
    const std::lock_guard<std::mutex> hold(shared->lock);
    shared->waiting = nullptr;
    return shared->result.value_or(Result());
}

QStringList ipv4First(const QList<IpAddress>& addresses)
{
    QStringList v4;
    QStringList v6;
    for (const IpAddress& a : addresses)
        (a.family() == IpAddress::Family::V4 ? v4 : v6) << a.toString();
    v4.removeDuplicates();
    v6.removeDuplicates();
    return v4 + v6;
}

QList<IpAddress> resolveName(const QByteArray& name)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    QList<IpAddress> addresses;
    if (::getaddrinfo(name.constData(), nullptr, &hints, &found) != 0)
        return addresses;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const IpAddress address = IpAddress::fromSockaddr(a->ai_addr);
        if (!address.isNull())
            addresses << address;
    }
    ::freeaddrinfo(found);
    return addresses;
}

QString nameOf(const IpAddress& address)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (address.family() == IpAddress::Family::V4) {
        auto& in = reinterpret_cast<sockaddr_in&>(storage);
        in.sin_family = AF_INET;
        in.sin_addr.s_addr = htonl(address.v4());
        length = sizeof in;
    } else {
        auto& in6 = reinterpret_cast<sockaddr_in6&>(storage);
        in6.sin6_family = AF_INET6;
        std::copy(address.v6().begin(), address.v6().end(), in6.sin6_addr.s6_addr);
        length = sizeof in6;
    }
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&storage), length, host, sizeof host, nullptr, 0,
                      NI_NAMEREQD) != 0)
        return {};
    return QString::fromUtf8(host);
}

class SystemHostInfo final : public HostInfo {
  public:
    QString localHostName() override { return SystemHostName(); }

    QStringList lookupAddresses(const QString& hostName) override
    {
        if (hostName.isEmpty())
            return {};
        const QByteArray name = hostName.toUtf8();
        return ipv4First(resolveOffGuiThread<QList<IpAddress>>([name] { return resolveName(name); }));
    }

    QString reverseName(const QString& address) override
    {
        const IpAddress parsed = IpAddress::parse(address);
        if (parsed.isNull())
            return {};
        const QString name = resolveOffGuiThread<QString>([parsed] { return nameOf(parsed); });
        return name == address ? QString() : name;
    }

    QStringList interfaceAddresses() override
    {
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0)
            return {};
        QList<IpAddress> found;
        for (const ifaddrs* i = list; i; i = i->ifa_next) {
            const bool up = (i->ifa_flags & IFF_UP) && (i->ifa_flags & IFF_RUNNING);
            if (!up || (i->ifa_flags & IFF_LOOPBACK))
                continue;
            const IpAddress ip = IpAddress::fromSockaddr(i->ifa_addr);
            // Link-local IPv6 addresses need a scope that a page cannot carry.
            if (!ip.isNull() && !ip.isLoopback() && !ip.isLinkLocal())
                found << ip;
        }
        ::freeifaddrs(list);
        return ipv4First(found);
    }
};

} // namespace

QString SystemHostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

HostInfo& hostInfo()
{
    return resolve<HostInfo, SystemHostInfo>();
}

} // namespace platform
