#include "platform/PortMapper.h"
#include "publish/AddressWatch.h"
#include "publish/ConnectionWatch.h"
#include "publish/PublicAddress.h"
#include "support/PublishFixture.h"
#include "support/TestGateway.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace publish;

// A stand-in address-echo service: answers every request with body after
// delayMs, or never when silent.
struct EchoService {
    EchoService()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* s = server.nextPendingConnection();
            ++requests;
            QTimer::singleShot(silent ? 60000 : delayMs, s, [this, s] {
                s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                         "\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        });
    }
    QTcpServer server;
    QByteArray body, status = "200 OK";
    int delayMs = 0, requests = 0;
    bool silent = false;
};

class PublicAddressTest : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        QCoreApplication::processEvents(); // the start-up check, still without "auto"
        ForgetDiscoveredAddress();
        WriteIni(u"StartUp"_s, u"Public Address"_s, u"auto"_s);
        WriteIni(u"StartUp"_s, u"Address Echo URL"_s,
                 u"http://127.0.0.1:%1/"_s.arg(echo.server.serverPort()));
        EchoTimeoutMs() = 3000;
    }
    EchoService echo;
};

TEST_F(PublicAddressTest, OnlyOneGlobalAddressIsTakenAndEachFailureIsLoggedOnce)
{
    const QList<QByteArray> rejected =
        QByteArray("<html>198.51.100.8</html>|198.51.100.8 198.51.100.9|198.51.100|10.1.2.3|172.16.5.5|"
                   "192.168.0.9|100.64.1.1|127.0.0.1|169.254.3.3|::ffff:10.0.0.1|fe80::1|fd12::1|::1|" +
                   QByteArray(300, '1'))
            .split('|');
    for (const QByteArray good : {"198.51.100.7\n", " 2a00:1450:4001:81b::200e\r\n"}) {
        echo.body = good;
        EXPECT_TRUE(RefreshPublicAddress());
        for (const QByteArray& bad : rejected) {
            echo.body = bad;
            EXPECT_FALSE(RefreshPublicAddress()) << bad.constData();
            EXPECT_EQ(AdvertisedAddress(), QString::fromLatin1(good.trimmed())) << bad.constData();
        }
    }
    // Once per kind until an answer is good again.
    for (const QString& kind : {u"(not one address)"_s, u"(not a public address)"_s, u"(answer too long)"_s})
        EXPECT_EQ(debugLog().count(kind), 2) << kind.toStdString();
}

TEST_F(PublicAddressTest, SlowSilentBrokenOrMissingServicesKeepTheAddress)
{
    echo.body = "198.51.100.7";
    echo.delayMs = 500;
    EXPECT_TRUE(RefreshPublicAddress());
    EchoTimeoutMs() = 300;
    const std::pair<std::function<void()>, QString> faults[] = {
        {[&] { echo.silent = true; }, u"(time-out)"_s},
        {[&] { echo.silent = false, echo.delayMs = 0, echo.status = "500 Oops"; }, u"(HTTP error)"_s},
        {[&] { echo.server.close(); }, u"(connection error)"_s},
        {[&] { WriteIni(u"StartUp"_s, u"Address Echo URL"_s, u"gopher://127.0.0.1/"_s); }, u"(bad URL)"_s}};
    for (const auto& [fault, kind] : faults) {
        fault();
        EXPECT_FALSE(RefreshPublicAddress() || RefreshPublicAddress());
        EXPECT_EQ(AdvertisedAddress(), u"198.51.100.7"_s);
        EXPECT_EQ(debugLog().count(kind), 1) << kind.toStdString();
    }
}

TEST_F(PublicAddressTest, ANewAddressRepublishesAutoUpdateProfiles)
{
    WriteIni(u"Site"_s, u"AUTO"_s, u"True"_s);
    twoLocalProfiles();
    mainAction("mnuGoOnline")->setChecked(true);
    for (const char* address : {"198.51.100.7", "203.0.113.50"}) {
        echo.body = address;
        form->Timer3->stop();
        EXPECT_TRUE(CheckPublicAddress(*form));
        EXPECT_TRUE(form->Timer3->isActive() && form->IP->toolTip().contains(u"192.0.2.7"_s));
        EXPECT_EQ(form->IP->text(), QString::fromLatin1(address));
        Timer3_Timer(*form);
        EXPECT_EQ(ini(u"Site"_s, "Current IP"), QString::fromLatin1(address));
        EXPECT_FALSE(CheckPublicAddress(*form)) << "same answer, no change";
    }
    WriteIni(u"StartUp"_s, u"Public Address"_s, QString());
    EXPECT_FALSE(CheckPublicAddress(*form));
    EXPECT_EQ(AdvertisedAddress(), u"192.0.2.7"_s);
}

TEST_F(PublicAddressTest, TheRoutersAddressComesFirst)
{
    TestGateway router({u"--external"_s, u"198.51.100.77"_s});
    ASSERT_TRUE(platform::portMapper().findGateway(router.url).ok);
    echo.body = "203.0.113.50";
    EXPECT_TRUE(RefreshPublicAddress());
    EXPECT_EQ(AdvertisedAddress(), u"198.51.100.77"_s);
    EXPECT_EQ(echo.requests, 0);
    router.stop();
    EXPECT_TRUE(RefreshPublicAddress());
    EXPECT_EQ(AdvertisedAddress(), u"203.0.113.50"_s);
}
