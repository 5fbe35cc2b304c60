#include "CoreFixture.h"
#include "core/DesktopNotices.h"
#include "core/StatusTray.h"

#include "platform/AppId.h"
#include "support/NotificationBus.h"

#include <QtCore/qtestsupport_core.h>

// A private session bus started for the test, with the notifier on it.
class BusNotices : public ::testing::Test {
  protected:
    BusNotices()
    {
        AttachDesktopNotices(form, form.action(u"mnuNotify"_s), [this] { form.tray()->restoreWindow(); });
    }
    ~BusNotices() override { Hooks() = AppHooks{}; }

    TempHome home;
    PlatformDoubles doubles;
    NotificationBus notices;
    RecordingService& service = notices.service;
    Form1 form;
};

TEST_F(BusNotices, WithoutAServiceTheTrayShowsABalloon)
{
    NotifyNewMail(1, u"Bob"_s, u"Hi"_s);
    EXPECT_FALSE(QTest::qWaitFor([&] { return !doubles.tray.balloons.isEmpty(); }, 300))
        << "no tray, no balloon";
    doubles.tray.add(QIcon(), u"tip"_s);
    NotifyNewMail(2, u"Cy"_s, u"Yo"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !doubles.tray.balloons.isEmpty(); }));
    EXPECT_EQ(doubles.tray.balloons, QStringList{u"2 new mails|From Cy: Yo"_s});
}

// At login the notification service may come up after the program.
TEST_F(BusNotices, AServiceThatComesUpAfterTheProgramGetsTheNextNotice)
{
    NotifyNewMail(1, u"Bob"_s, u"Hi"_s);
    QTest::qWait(100);
    notices.serve();
    NotifyNewMail(2, u"Cy"_s, u"Yo"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls.size() == 1; }));
    EXPECT_EQ(service.calls.first().first(), u"2 new mails"_s);
}

TEST_F(BusNotices, EveryNoticeNamesTheProgramsDesktopEntry)
{
    notices.serve();
    NotifyNewMail(1, u"Bob"_s, u"Hi"_s);
    NotifyTrouble(u"Halvorn could not save x"_s, u"disk full"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls.size() == 2; }));
    EXPECT_EQ(service.desktopEntries, QStringList(2, QString::fromLatin1(kAppId)));
}

TEST_F(BusNotices, EachActionOpensItsOwnWindowAndAnUnknownIdNone)
{
    QDBusConnection bus = notices.serve();
    int mailboxShown = 0;
    Hooks().showMailbox = [&] { ++mailboxShown; };
    const struct {
        std::function<void()> notify;
        QStringList call;
        std::function<bool()> opened;
    } cases[] = {
        {[] { NotifyNewMail(3, u"Ann <ann@example.net>"_s, u"Tea &\tcake"_s); },
         u"3 new mails|From Ann &lt;ann@example.net&gt;: Tea &amp; cake|default-action|Open mailbox"_s.split(
             u'|'),
         [&] { return mailboxShown == 1; }},
        {[] { NotifyPublishFailed(u"Site"_s, u"530 Login incorrect."_s); },
         u"Status page not published|Profile Site: 530 Login incorrect.|default-action|Open Halvorn"_s.split(
             u'|'),
         [&] { return form.isVisible(); }},
    };
    for (const auto& c : cases) {
        c.notify();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !service.calls.isEmpty() && service.calls.last() == c.call; }));
        const uint id = uint(service.calls.size() + 40);
        for (uint sent : {id + 1, id})
            notices.invokeAction(bus, sent);
        EXPECT_TRUE(QTest::qWaitFor(c.opened)) << c.call.last().toStdString();
    }
    EXPECT_EQ(mailboxShown, 1) << "an unknown notification id opens nothing";
}

TEST_F(BusNotices, TheMenuItemSwitchesThemOff)
{
    notices.serve();
    NotifyNewMail(1, u"Ann"_s, u"First"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls.size() == 1; }));
    form.action(u"mnuNotify"_s)->trigger(); // checked by default: now off
    EXPECT_EQ(ReadIni(u"StartUp"_s, u"Desktop Notifications"_s, QString()), u"False"_s);
    NotifyNewMail(4, u"Di"_s, u"Later"_s);
    EXPECT_FALSE(QTest::qWaitFor([&] { return service.calls.size() > 1; }, 500));
}
