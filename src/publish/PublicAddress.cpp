#include "publish/PublicAddress.h"

#include "core/CoreState.h"
#include "core/Ini.h"

#include <QHostAddress>

namespace publish {

bool IsPlausibleAddress(const QString& text)
{
    if (text.isEmpty() || text.size() > 253)
        return false;
    for (const QChar c : text) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                        c == u'.' || c == u'-' || c == u':' || c == u'[' || c == u']';
        if (!ok)
            return false;
    }
    return true;
}

QString PublicAddress()
{
    const QString text =
        ReadIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QString()).trimmed();
    return IsPlausibleAddress(text) ? text : QString();
}

QString AdvertisedAddress()
{
    const QString pub = PublicAddress();
    return pub.isEmpty() ? Core().LocalIP : pub;
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

} // namespace publish
