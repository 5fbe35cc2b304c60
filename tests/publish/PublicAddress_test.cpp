// Public Address "auto" before each publish: the router while it forwards the
// memo port, else the address-echo service, and the last good address when
// neither answers.
#include "platform/PortMapper.h"
#include "publish/AddressWatch.h"
#include "publish/ConnectionWatch.h"
#include "publish/PublicAddress.h"
#include "support/PublishFixture.h"
#include "support/TestGateway.h"

#include <QtNetwork>

// PublishFixture with Public Address "auto" and a stand-in address-echo
// service on loopback.
class PublicAddressTest : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        // A stand-in address-echo service: answers every request with body after delayMs, or never
        // when silent.
        echo.listen(QHostAddress::LocalHost, 0);
        QCoreApplication::processEvents(); // the start-up check, still without "auto"
        ForgetDiscoveredAddress();
        WriteIni("StartUp", "Public Address", "auto");
        WriteIni("StartUp", "Address Echo URL", u"http://127.0.0.1:%1/"_s.arg(echo.serverPort()));
        EchoTimeoutMs() = 3000;
        QObject::connect(&echo, &QTcpServer::newConnection, [this] {
            QTcpSocket* s = echo.nextPendingConnection();
            ++requests;
            QTimer::singleShot(silent ? 60000 : delayMs, s, [this, s] {
                s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                         "\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        });
    }
    QTcpServer echo;
    QByteArray body, status = "200 OK";
    int delayMs = 0, requests = 0;
    bool silent = false;
};

namespace {

platform::PortMapping memoPort()
{
    return {4175, 4175, "192.0.2.7", "Halvorn memo server", 60};
}

} // namespace

// The router's address while it forwards the memo port: PublishAsks below.
TEST_F(PublicAddressTest, AChangedPublicAddressRepublishesTheAutoProfiles)
{
    WriteIni("Site", "AUTO", "True");
    twoLocalProfiles();
    mainAction("mnuGoOnline")->setChecked(true);
    for (const char* address : {"198.51.100.7", "203.0.113.50"}) {
        body = address;
        form->Timer3->stop();
        EXPECT_TRUE(CheckPublicAddress(*form));
        EXPECT_TRUE(form->Timer3->isActive() && form->IP->toolTip().contains("192.0.2.7"));
        EXPECT_EQ(form->IP->text(), address);
        Timer3_Timer(*form);
        EXPECT_EQ(ini("Site", "Current IP"), address);
        EXPECT_FALSE(CheckPublicAddress(*form)) << "same answer, no change";
    }
    WriteIni("StartUp", "Public Address", QString());
    EXPECT_FALSE(CheckPublicAddress(*form));
    EXPECT_EQ(AdvertisedAddress(), "192.0.2.7");
}

TEST_F(PublicAddressTest, OnlyOneGlobalAddressIsTakenFromTheEchoService)
{
    const QList<QByteArray> rejected =
        QByteArray("<html>198.51.100.8</html>|198.51.100.8 198.51.100.9|198.51.100|10.1.2.3|172.16.5.5|"
                   "192.168.0.9|100.64.1.1|127.0.0.1|169.254.3.3|::ffff:10.0.0.1|fe80::1|fd12::1|::1|" +
                   QByteArray(300, '1'))
            .split('|');
    for (const QByteArray good : {"198.51.100.7\n", " 2a00:1450:4001:81b::200e\r\n"}) {
        body = good;
        EXPECT_TRUE(RefreshPublicAddress());
        for (const QByteArray& bad : rejected) {
            body = bad;
            EXPECT_FALSE(RefreshPublicAddress()) << bad.constData();
            EXPECT_EQ(AdvertisedAddress(), good.trimmed()) << bad.constData();
        }
    }
    // Once per kind until an answer is good again.
    for (const QString kind : {"(not one address)", "(not a public address)", "(answer too long)"})
        EXPECT_EQ(debugLog().count(kind), 2) << kind.toStdString();
}

TEST_F(PublicAddressTest, ASlowSilentBrokenOrMissingServiceKeepsTheAddress)
{
    body = "198.51.100.7";
    delayMs = 500;
    EXPECT_TRUE(RefreshPublicAddress());
    EchoTimeoutMs() = 300;
    const std::pair<std::function<void()>, QString> faults[] = {
        {[&] { silent = true; }, "(time-out)"},
        {[&] { silent = false, delayMs = 0, status = "500 Oops"; }, "(HTTP error)"},
        {[&] { echo.close(); }, "(connection error)"},
        {[&] { WriteIni("StartUp", "Address Echo URL", "gopher://127.0.0.1/"); }, "(bad URL)"}};
    for (const auto& [fault, kind] : faults) {
        fault();
        EXPECT_FALSE(RefreshPublicAddress() || RefreshPublicAddress());
        EXPECT_EQ(AdvertisedAddress(), "198.51.100.7");
        EXPECT_EQ(debugLog().count(kind), 1) << kind.toStdString();
    }
}

class PublishAsks : public PublicAddressTest {
  protected:
    void SetUp() override
    {
        PublicAddressTest::SetUp();
        fillLocalProfile();
    }
    void TearDown() override
    {
        platform::portMapper().findGateway("http://127.0.0.1:1/none.xml"); // forgets the forwarding
        PublicAddressTest::TearDown();
    }
    QByteArray publishOnline()
    {
        form->cmd_Online_Click();
        return sitePage("index.html");
    }
};

TEST_F(PublishAsks, EachPublishAdvertisesTheAddressAskedJustBeforeItOrTheLastGoodOne)
{
    TestGateway router({"--external", "198.51.100.77"});
    ASSERT_TRUE(platform::portMapper().findGateway(router.url).ok);
    ASSERT_TRUE(platform::portMapper().addMapping(memoPort()).ok);
    body = "203.0.113.50";
    const struct {
        const char* name;
        std::function<void()> change;
        const char* advertised;
    } publishes[] = {
        {"the router answers", [] {}, "198.51.100.77"},
        {"the router's address changed", [&] { router.setExternalAddress("198.51.100.88"); },
         "198.51.100.88"},
        {"router and echo service gone", [&] { router.stop(), echo.close(); }, "198.51.100.88"},
    };
    for (const auto& p : publishes) {
        SCOPED_TRACE(p.name);
        p.change();
        EXPECT_TRUE(publishOnline().contains("Online at " + QByteArray(p.advertised)));
        EXPECT_EQ(def("Current IP"), p.advertised);
    }
    EXPECT_EQ(requests, 0) << "the echo service is not asked while the router answers";
}

TEST_F(PublishAsks, APublishDuringASlowAskAsksItselfAndTheOlderAnswerIsDropped)
{
    TestGateway router({"--external", "198.51.100.77"});
    body = "203.0.113.50";
    delayMs = 1500;
    bool published = false;
    // While the start-up ask waits for the echo service, the memo port gets
    // forwarded and a publish runs.
    QTimer::singleShot(200, form.get(), [&] {
        ASSERT_TRUE(platform::portMapper().findGateway(router.url).ok);
        ASSERT_TRUE(platform::portMapper().addMapping(memoPort()).ok);
        EXPECT_TRUE(publishOnline().contains("Online at 198.51.100.77"));
        published = true;
    });
    CheckPublicAddress(*form);
    EXPECT_TRUE(published);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(AdvertisedAddress(), "198.51.100.77");
}

TEST_F(PublishAsks, TheRouterIsAskedOnlyWhileItForwardsTheMemoPort)
{
    TestGateway router({"--external", "198.51.100.77"});
    ASSERT_TRUE(platform::portMapper().findGateway(router.url).ok);
    body = "203.0.113.50";
    const struct {
        const char* name;
        std::function<void()> change;
        const char* found;
    } steps[] = {
        {"gateway found, no port forwarded", [] {}, "203.0.113.50"},
        {"memo port forwarded", [] { platform::portMapper().addMapping(memoPort()); }, "198.51.100.77"},
        {"forwarding removed", [] { platform::portMapper().deleteMapping(4175); }, "203.0.113.50"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        s.change();
        RefreshPublicAddress();
        EXPECT_EQ(AdvertisedAddress(), s.found);
    }
    EXPECT_EQ(router.actions().filter("GetExternalIPAddress").size(), 1);
}
