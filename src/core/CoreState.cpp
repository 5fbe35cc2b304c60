#include "core/CoreState.h"

#include <QHostAddress>

CoreState& Core()
{
    static CoreState state;
    return state;
}

bool IsUnusableAddress(const QString& address)
{
    if (address.isEmpty() || address == QLatin1String("255.255.255.255"))
        return true;
    const QHostAddress parsed(address);
    if (parsed.isNull())
        return false;
    return parsed.isLoopback() || parsed == QHostAddress(QHostAddress::AnyIPv4) ||
           parsed == QHostAddress(QHostAddress::AnyIPv6);
}
