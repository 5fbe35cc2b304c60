#include "platform/HostInfo.h"

#include "platform/Override.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QTimer>

namespace platform {
namespace {

// A resolver that does not answer costs this, never a hang.
constexpr int kLookupTimeoutMs = 8000;

QHostInfo lookup(const QString& nameOrAddress)
{
    QHostInfo result;
    bool done = false;
    QEventLoop loop;
    const int id = QHostInfo::lookupHost(nameOrAddress, &loop, [&](const QHostInfo& info) {
        result = info;
        done = true;
        loop.quit();
    });
    if (!done) {
        QTimer::singleShot(kLookupTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!done)
        QHostInfo::abortHostLookup(id);
    return result;
}

QStringList ipv4First(const QList<QHostAddress>& addresses)
{
    QStringList v4;
    QStringList v6;
    for (const QHostAddress& a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            v4 << a.toString();
        else if (a.protocol() == QAbstractSocket::IPv6Protocol)
            v6 << a.toString();
    }
    v4.removeDuplicates();
    v6.removeDuplicates();
    return v4 + v6;
}

class QtHostInfo final : public HostInfo {
  public:
    QString localHostName() override { return QHostInfo::localHostName(); }

    QStringList lookupAddresses(const QString& hostName) override
    {
        if (hostName.isEmpty())
            return {};
        const QHostInfo info = lookup(hostName);
        return info.error() == QHostInfo::NoError ? ipv4First(info.addresses()) : QStringList();
    }

    QString reverseName(const QString& address) override
    {
        if (QHostAddress(address).isNull())
            return {};
        const QHostInfo info = lookup(address);
        if (info.error() != QHostInfo::NoError || info.hostName() == address)
            return {};
        return info.hostName();
    }

    QStringList interfaceAddresses() override
    {
        QList<QHostAddress> found;
        for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
            const auto flags = iface.flags();
            if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
                flags.testFlag(QNetworkInterface::IsLoopBack))
                continue;
            for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
                const QHostAddress ip = entry.ip();
                // Link-local IPv6 addresses need a scope that a page cannot carry.
                if (!ip.isLoopback() && !ip.isLinkLocal())
                    found << ip;
            }
        }
        return ipv4First(found);
    }
};

} // namespace

HostInfo& hostInfo()
{
    return resolve<HostInfo, QtHostInfo>();
}

} // namespace platform
