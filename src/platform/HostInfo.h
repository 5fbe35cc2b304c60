#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The host information component: the local host name, forward and reverse
// lookups and the machine's interface addresses. Lookups return when done
// (or after a time-out) and keep window events flowing meanwhile.
class HostInfo {
  public:
    virtual ~HostInfo() = default;
    virtual QString localHostName() = 0;
    // Addresses of a host name, IPv4 first; empty when it does not resolve.
    virtual QStringList lookupAddresses(const QString& hostName) = 0;
    // The name of an address; empty when there is none.
    virtual QString reverseName(const QString& address) = 0;
    // Addresses of the interfaces that are up, loopback excluded, IPv4 first.
    virtual QStringList interfaceAddresses() = 0;
};

HostInfo& hostInfo();

// The machine's own name as the system has it; never a test's double, and
// safe on any thread.
QString SystemHostName();

} // namespace platform
