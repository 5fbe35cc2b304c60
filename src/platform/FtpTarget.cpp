#include "platform/FtpTarget.h"

#include <QUrl>

namespace platform {
namespace {

FtpTarget failed(const QString& why)
{
    FtpTarget t;
    t.error = why;
    return t;
}

bool validHostName(const QString& host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    for (const QChar c : host) {
        const bool ok = c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_' || c == u':';
        if (!ok)
            return false;
    }
    return true;
}

// "host", "host:port", "[v6]", "[v6]:port".
FtpTarget parseAuthority(const QString& text, FtpTarget t)
{
    QString host = text;
    QString portText;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close < 0)
            return failed(QStringLiteral("unclosed [ in the server name"));
        portText = host.mid(close + 1);
        host = host.mid(1, close - 1);
        if (!portText.isEmpty()) {
            if (!portText.startsWith(u':'))
                return failed(QStringLiteral("unexpected text after ]"));
            portText = portText.mid(1);
        }
    } else if (host.count(u':') == 1) {
        portText = host.section(u':', 1);
        host = host.section(u':', 0, 0);
    }
    if (!validHostName(host))
        return failed(QStringLiteral("\"%1\" is not a server name").arg(text));
    if (!portText.isEmpty() || text.endsWith(u':')) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return failed(QStringLiteral("\"%1\" is not a port number").arg(portText));
        t.port = port;
    }
    t.host = host;
    return t;
}

} // namespace

bool HasControlCharacters(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

QString FtpTarget::urlBase() const
{
    static const char* const names[] = {"ftp", "ftps", "sftp", "file"};
    const QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return QString::fromLatin1(names[int(scheme)]) + QStringLiteral("://") + h + u':' + QString::number(port);
}

FtpTarget ParseFtpHost(const QString& input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return failed(QStringLiteral("no server name"));
    if (HasControlCharacters(text) || text.contains(u' '))
        return failed(QStringLiteral("the server name holds blanks or control characters"));
    const qsizetype sep = text.indexOf(QStringLiteral("://"));
    if (sep < 0)
        return parseAuthority(text, FtpTarget{});
    const QString scheme = text.left(sep).toLower();
    QString rest = text.mid(sep + 3);
    FtpTarget t;
    if (scheme == QLatin1String("file")) {
        // file:///folder: a local folder; "localhost" is the only host allowed.
        if (rest.startsWith(QLatin1String("localhost/")))
            rest = rest.mid(9);
        if (!rest.startsWith(u'/'))
            return failed(QStringLiteral("a file:// address needs an absolute folder (file:///folder)"));
        t.scheme = FtpTarget::Scheme::File;
        t.port = 0;
        t.folder = QUrl::fromPercentEncoding(rest.toUtf8());
        return t;
    }
    if (scheme == QLatin1String("ftp")) {
        t.scheme = FtpTarget::Scheme::Ftp;
        t.port = 21;
    } else if (scheme == QLatin1String("ftps")) {
        t.scheme = FtpTarget::Scheme::Ftps;
        t.port = 990;
    } else if (scheme == QLatin1String("sftp")) {
        t.scheme = FtpTarget::Scheme::Sftp;
        t.port = 22;
    } else {
        return failed(QStringLiteral("unknown kind of server \"%1://\"").arg(scheme));
    }
    while (rest.endsWith(u'/'))
        rest.chop(1);
    if (rest.contains(u'/') || rest.contains(u'@'))
        return failed(QStringLiteral("put the folder into Remote Directory and the login into Login name"));
    return parseAuthority(rest, t);
}

} // namespace platform
