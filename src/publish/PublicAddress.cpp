#include "publish/PublicAddress.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "platform/AddressEcho.h"
#include "platform/PortMapper.h"

#include "platform/IpAddress.h"

#include <QElapsedTimer>
#include <QSet>

namespace publish {
namespace {

const QString kDefaultEchoUrl = QStringLiteral("https://api.ipify.org");

QString g_discovered;
QSet<QString> g_loggedFailures;
QElapsedTimer g_lastCheck;
// Asks may overlap (a publish asks while a periodic ask still waits for a
// slow service): each is numbered, and an answer older than the one kept
// is dropped, so a late reply never takes back a newer address.
quint64 g_asksStarted = 0;
quint64 g_answerKept = 0;
int g_asksRunning = 0;

bool inRange(quint32 address, quint32 network, int prefix)
{
    const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
    return (address & mask) == (network & mask);
}

bool globalIPv4(quint32 a)
{
    struct Range {
        quint32 network;
        int prefix;
    };
    static constexpr Range kNotGlobal[] = {
        {0x00000000, 8},  {0x0A000000, 8},  {0x64400000, 10}, {0x7F000000, 8},  {0xA9FE0000, 16},
        {0xAC100000, 12}, {0xC0000000, 24}, {0xC0A80000, 16}, {0xC6120000, 15}, {0xE0000000, 3},
    };
    for (const Range& r : kNotGlobal) {
        if (inRange(a, r.network, r.prefix))
            return false;
    }
    return true;
}

// By the first byte: ::/8 (loopback, unspecified, the old IPv4-compatible
// form), fc00::/7 (unique local), fe00::/8 (link- and site-local) and
// ff00::/8 (multicast) reach no visitor on the internet.
bool globalIPv6(quint8 first)
{
    return first != 0x00 && (first & 0xFE) != 0xFC && first != 0xFE && first != 0xFF;
}

void logFailureOnce(const QString& kind, const QString& detail)
{
    if (g_loggedFailures.contains(kind))
        return;
    g_loggedFailures.insert(kind);
    DebugLog(QStringLiteral("[HVRN] Public address not found (%1): %2; keeping %3")
                 .arg(kind, detail.left(120),
                      g_discovered.isEmpty() ? QStringLiteral("the local address") : g_discovered));
}

QString askEchoService()
{
    const QString url =
        ReadIni(QStringLiteral("StartUp"), QStringLiteral("Address Echo URL"), kDefaultEchoUrl).trimmed();
    const platform::EchoAnswer answer = platform::addressEcho().fetch(url, EchoTimeoutMs());
    if (!answer.ok) {
        logFailureOnce(answer.failureKind, url + QStringLiteral(": ") + answer.detail);
        return QString();
    }
    const QString text = QString::fromLatin1(answer.body).trimmed();
    if (!IsGloballyRoutable(text)) {
        const bool literal = !platform::IpAddress::parse(text).isNull() && IsPlausibleAddress(text);
        logFailureOnce(literal ? QStringLiteral("not a public address") : QStringLiteral("not one address"),
                       url + QStringLiteral(" answered \"") + text.left(40).simplified() + u'"');
        return QString();
    }
    return text;
}

struct Found {
    QString address; // empty when nothing usable came back
    QString source;
};

// The router knows the address only while it forwards the memo port to us;
// otherwise, or when its answer is of no use, the echo service is asked.
Found askForPublicAddress()
{
    platform::PortMapper& mapper = platform::portMapper();
    if (mapper.forwarding()) {
        const QString router = mapper.externalAddress();
        if (IsGloballyRoutable(router))
            return {router, QStringLiteral("router")};
        if (router.isEmpty())
            logFailureOnce(QStringLiteral("router did not answer"), QStringLiteral("no external address"));
        else
            logFailureOnce(QStringLiteral("router address not public"), router.left(45));
    }
    return {askEchoService(), QStringLiteral("address-echo service")};
}

} // namespace

int& EchoTimeoutMs()
{
    static int timeoutMs = 10000;
    return timeoutMs;
}

bool PublicAddressIsAuto()
{
    return ReadIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QString())
               .trimmed()
               .compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0;
}

bool IsGloballyRoutable(const QString& text)
{
    if (text.isEmpty() || text.size() > 45 || text.contains(u'%') || !IsPlausibleAddress(text) ||
        text.contains(u'['))
        return false;
    const platform::IpAddress address = platform::IpAddress::parse(text);
    if (address.family() == platform::IpAddress::Family::V4)
        return globalIPv4(address.v4());
    return address.family() == platform::IpAddress::Family::V6 && globalIPv6(address.v6()[0]);
}

bool RefreshPublicAddress(int maxAgeMs)
{
    if (!PublicAddressIsAuto())
        return false;
    if (maxAgeMs > 0 && (g_asksRunning > 0 || (g_lastCheck.isValid() && !g_lastCheck.hasExpired(maxAgeMs))))
        return false;
    const quint64 ask = ++g_asksStarted;
    ++g_asksRunning;
    const Found found = askForPublicAddress();
    --g_asksRunning;
    g_lastCheck.start();
    if (found.address.isEmpty() || ask < g_answerKept)
        return false;
    g_answerKept = ask;
    g_loggedFailures.clear();
    if (found.address == g_discovered)
        return false;
    g_discovered = found.address;
    DebugLog(QStringLiteral("[HVRN] Public address from the %1: %2").arg(found.source, found.address));
    return true;
}

QString DiscoveredAddress()
{
    return g_discovered;
}

void ForgetDiscoveredAddress()
{
    // Answers to asks made before now belong to the old setting.
    g_answerKept = g_asksStarted + 1;
    g_discovered.clear();
    g_loggedFailures.clear();
    g_lastCheck.invalidate();
}

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
    if (PublicAddressIsAuto())
        return g_discovered.isEmpty() ? Core().LocalIP : g_discovered;
    const QString pub = PublicAddress();
    return pub.isEmpty() ? Core().LocalIP : pub;
}

} // namespace publish
