#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// An address as the host part of a URL: an IPv6 literal goes in brackets,
// or its colons would be read as the start of the port.
inline QString UrlHost(const QString& address)
{
    if (address.contains(u':') && !address.startsWith(u'['))
        return u'[' + address + u']';
    return address;
}

inline QByteArray UrlHost(const QByteArray& address)
{
    if (address.contains(':') && !address.startsWith('['))
        return '[' + address + ']';
    return address;
}

} // namespace platform
