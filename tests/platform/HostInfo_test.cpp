#include "platform/HostInfo.h"
#include "platform/IpAddress.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using platform::IpAddress;

TEST(IpAddress, LiteralsParseToOneFormAndEverythingElseIsRefused)
{
    const struct {
        QString text, canonical; // canonical empty: not an address
        bool loopback = false, unspecified = false, linkLocal = false;
    } cases[] = {{"192.0.2.7", "192.0.2.7", false, false, false},
                 {" 127.0.1.1\n", "127.0.1.1", true, false, false},
                 {"0.0.0.0", "0.0.0.0", false, true, false},
                 {"169.254.3.3", "169.254.3.3", false, false, true},
                 {"2001:DB8:0:0::1", "2001:db8::1", false, false, false},
                 {"::1", "::1", true, false, false},
                 {"::", "::", false, true, false},
                 {"fe80::1", "fe80::1", false, false, true},
                 {"febf::1", "febf::1", false, false, true},
                 {"fec0::1", "fec0::1", false, false, false},
                 // A dual-stack socket's IPv4 visitor is the IPv4 address.
                 {"::ffff:10.0.0.1", "10.0.0.1", false, false, false},
                 {"::ffff:127.0.0.1", "127.0.0.1", true, false, false},
                 {"", {}},
                 {"198.51.100", {}},
                 {"256.1.1.1", {}},
                 {"1.2.3.4.5", {}},
                 {"[::1]", {}},
                 {"fe80::1%eth0", {}},
                 {"home.example.net", {}},
                 {"1:2:3:4:5:6:7:8:9", {}},
                 {QString(46, u'1'), {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const IpAddress a = IpAddress::parse(c.text);
        EXPECT_EQ(a.toString(), c.canonical);
        EXPECT_EQ(std::tuple(a.isNull(), a.isLoopback(), a.isUnspecified(), a.isLinkLocal()),
                  std::tuple(c.canonical.isEmpty(), c.loopback, c.unspecified, c.linkLocal));
    }
}

// The system resolver, as the program asks it: answers from /etc/hosts, and
// the machine's own interfaces without loopback or link-local addresses.
TEST(HostInfo, SystemResolverAnswersForThisMachine)
{
    platform::HostInfo& info = platform::hostInfo();
    EXPECT_FALSE(info.localHostName().isEmpty());
    EXPECT_TRUE(info.lookupAddresses("localhost").contains("127.0.0.1"));
    EXPECT_TRUE(info.lookupAddresses("no-such-host.invalid").isEmpty());
    EXPECT_EQ(info.reverseName("127.0.0.1"), "localhost");
    EXPECT_TRUE(info.reverseName("not an address").isEmpty());
    const QStringList interfaces = info.interfaceAddresses();
    for (const QString& address : interfaces) {
        const IpAddress ip = IpAddress::parse(address);
        EXPECT_FALSE(ip.isNull() || ip.isLoopback() || ip.isLinkLocal()) << address.toStdString();
    }
    const qsizetype firstV6 = interfaces.indexOf(QRegularExpression(":"));
    for (qsizetype i = firstV6 < 0 ? interfaces.size() : firstV6; i < interfaces.size(); ++i)
        EXPECT_TRUE(interfaces[i].contains(':')) << "IPv4 addresses come first";
}
