// Public Address "auto" before each publish: the router while it forwards the
// memo port, else the address-echo service, and the last good address when
// neither answers.
#include "platform/PortMapper.h"
#include "publish/AddressWatch.h"
#include "support/PublicAddressFixture.h"
#include "support/TestGateway.h"

namespace {

platform::PortMapping memoPort()
{
    return {4175, 4175, "192.0.2.7", "Halvorn memo server", 60};
}

} // namespace

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
