#include "core/CoreState.h"

#include "platform/IpAddress.h"

CoreState& Core()
{
    static CoreState state;
    return state;
}

bool IsUnusableAddress(const QString& address)
{
    if (address.isEmpty() || address == QLatin1String("255.255.255.255"))
        return true;
    const platform::IpAddress parsed = platform::IpAddress::parse(address);
    return parsed.isLoopback() || parsed.isUnspecified();
}
