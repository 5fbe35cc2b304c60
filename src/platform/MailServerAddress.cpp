#include "platform/MailServerAddress.h"

#include "platform/IpAddress.h"

namespace platform {

namespace {

int defaultPort(const QString& scheme)
{
    if (scheme == u"pop3")
        return 110;
    if (scheme == u"pop3s")
        return 995;
    if (scheme == u"smtps")
        return 465;
    return 25;
}

bool isHostName(const QString& name)
{
    if (name.isEmpty() || name.size() > 253 || name.startsWith(u'.') || name.startsWith(u'-'))
        return false;
    for (const QChar c : name)
        if (!(c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_'))
            return false;
    return true;
}

bool isIpv6(const QString& text)
{
    // An IPv4-mapped literal is still written as IPv6.
    return text.contains(u':') && !IpAddress::parse(text).isNull();
}

MailServerAddress failed(const QString& why)
{
    MailServerAddress address;
    address.error = why;
    return address;
}

// "host", "host:port", "[v6]", "[v6]:port", or a bare IPv6 literal.
MailServerAddress parseAuthority(const QString& authority, const QString& scheme)
{
    MailServerAddress address;
    address.scheme = scheme;
    QString portText;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return failed(QStringLiteral("The IPv6 address has no closing bracket"));
        address.host = authority.mid(1, close - 1);
        const QString rest = authority.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            return failed(QStringLiteral("Unexpected text after the IPv6 address"));
        portText = rest.mid(1);
        if (rest == u":")
            return failed(QStringLiteral("The port number is missing"));
        if (!isIpv6(address.host))
            return failed(QStringLiteral("Not an IPv6 address: ") + address.host);
    } else if (authority.count(u':') > 1) {
        address.host = authority;
        if (!isIpv6(address.host))
            return failed(QStringLiteral("Not a server name: ") + authority);
    } else {
        const qsizetype colon = authority.indexOf(u':');
        address.host = authority.left(colon);
        if (colon >= 0) {
            portText = authority.mid(colon + 1);
            if (portText.isEmpty())
                return failed(QStringLiteral("The port number is missing"));
        }
        if (!isHostName(address.host))
            return failed(QStringLiteral("Not a server name: ") + address.host);
    }
    address.port = defaultPort(scheme);
    if (!portText.isEmpty()) {
        bool number = false;
        const int port = portText.toInt(&number);
        if (!number || port < 1 || port > 65535 || !portText.front().isDigit())
            return failed(QStringLiteral("Not a port number: ") + portText);
        address.port = port;
    }
    return address;
}

} // namespace

QString MailServerAddress::url() const
{
    const QString name = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("%1://%2:%3").arg(scheme, name).arg(port);
}

MailServerAddress ParseMailServer(const QString& text, const QString& plainScheme)
{
    const QString field = text.trimmed();
    if (field.isEmpty())
        return failed(QStringLiteral("No server name given"));
    for (const QChar c : field)
        if (c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return failed(QStringLiteral("The server name holds blanks or control characters"));
    QString scheme = plainScheme;
    QString authority = field;
    const qsizetype separator = field.indexOf(QStringLiteral("://"));
    if (separator >= 0) {
        scheme = field.left(separator).toLower();
        if (scheme != plainScheme && scheme != plainScheme + u's')
            return failed(QStringLiteral("Unknown protocol: ") + field.left(separator));
        authority = field.mid(separator + 3);
        // A lone trailing slash is harmless; a path or a login is not ours to take.
        if (authority.endsWith(u'/'))
            authority.chop(1);
        if (authority.contains(u'/') || authority.contains(u'@') || authority.contains(u'?') ||
            authority.contains(u'#'))
            return failed(QStringLiteral("Only a server name and port may follow ") + scheme +
                          QStringLiteral("://"));
    }
    if (authority.isEmpty())
        return failed(QStringLiteral("No server name given"));
    return parseAuthority(authority, scheme);
}

} // namespace platform
