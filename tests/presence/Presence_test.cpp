// Presence driven by stand-ins for the desktop's services on private bus
// daemons: pages published to a folder, the memo server asked over a socket.
#include "PresenceServices.h"
#include "core/Presence.h"
#include "core/PresenceWiring.h"
#include "core/TrayIcon.h"
#include "core/frmPresence.h"
#include "memo/MemoProgram.h"
#include "memo/MemoSetupState.h"
#include "memo/MemoWiring.h"
#include "memo/frmMemoServer.h"
#include "platform/IdleDBus.h"
#include "platform/Logind.h"
#include "publish/ConnectionWatch.h"
#include "support/ProgramRun.h"
#include "support/PublishFixture.h"
#include "support/ServerProcess.h"

#include <QTcpSocket>
#include <QtWidgets>

namespace {

PresenceTimings quick(int spacingMs = 60000)
{
    return PresenceTimings{.returnConfirmMs = 200, .publishSpacingMs = spacingMs, .idlePollMs = 100};
}

bool waitFor(const std::function<bool()>& condition, int ms = 8000)
{
    return ProgramRun::waitUntil(condition, ms);
}

} // namespace

class PresenceTest : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        qunsetenv("DISPLAY"); // no X11 backend unless a test starts a display
        InstallMemoHooks();
        AttachMemo(*form);
        home.writeFile("on.html", "%status%");
        WriteIni("StartUp", "RemoveComments", "True");
        mainAction("mnucredits")->setChecked(false);
        twoLocalProfiles();
        for (int i = 0; i < 2; ++i)
            form->autoWindow()->lstProfiles->item(i)->setSelected(true);
        for (const char* name : {"Default", "Site"}) {
            form->selectProfile(name);
            form->cmd_Online_Click();
        }
    }
    void TearDown() override
    {
        form.reset();
        Memo().reset();
        PublishFixture::TearDown();
        display.isEmpty() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", display);
    }
    void start(const PresenceTimings& timings = quick())
    {
        delete presence;
        presence = MakePresence(*form, timings);
        StartPresence(*form, *presence, session.client(), system.client());
        ASSERT_TRUE(waitFor([this] { return !presence->backendText().isEmpty(); }));
    }
    QByteArray page(const QString& profile) const { return sitePage(profile + ".html").trimmed(); }
    bool pagesRead(const QByteArray& status)
    {
        return waitFor([&] { return page("Default") == status && page("Site") == status; });
    }
    bool captionIs(const QString& caption)
    {
        return waitFor([&] { return form->SSPStatus->text() == caption; });
    }
    int published(const QString& status, const QString& profile) const
    {
        return int(debugLog().count("[HVRN] Presence publishes " + status + " for " + profile));
    }
    platform::Logind& logind() const { return *presence->findChild<platform::Logind*>(); }
    // The memo server on a free port, and what it answers a memo.
    void startMemoServer()
    {
        memoPort = quint16(FreeLoopbackPort());
        WriteIni("Memo", "MemoServer Port", QString::number(memoPort));
        WriteIni("Memo", "Enabled", "True");
        Memo().settings().LoadMemoServerSettings();
        ASSERT_TRUE(Memo().server() && Memo().server()->listening());
    }
    QByteArray memoAnswer()
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, memoPort);
        socket.write("POST /memo/ HTTP/1.0\r\n\r\nNAME=Ann&MESSAGE=Hi&REPLY=NO");
        QByteArray received;
        waitFor([&] {
            return (received += socket.readAll()), socket.state() == QAbstractSocket::UnconnectedState;
        });
        return received + socket.readAll();
    }
    void awayBy(const char* setting) { WriteIni("StartUp", "When Away", setting); }
    // Idle long enough to be away, whatever the user does by hand meanwhile, then back at the keys.
    void idleAndBack(
        FakeIdleMonitor& mutter, const std::function<void()>& byHand = [] {})
    {
        ASSERT_TRUE(waitFor([&] { return mutter.idleWatchCount() == 1; }));
        mutter.idleFor(600000);
        ASSERT_TRUE(captionIs("Away (idle)"));
        byHand();
        ASSERT_TRUE(waitFor([&] { return mutter.activeWatchCount() == 1; }));
        mutter.input();
        ASSERT_TRUE(waitFor([&] { return presence->reason() == AwayReason::Present; }));
    }

    const QByteArray display = qgetenv("DISPLAY");
    PrivateBus session{"presence-session"};
    PrivateBus system{"presence-system"};
    Presence* presence = nullptr;
    quint16 memoPort = 0;
};

TEST_F(PresenceTest, IdleTurnsOnTheMemoServersAwayModeAndSustainedInputTurnsItOff)
{
    FakeIdleMonitor mutter(session.service());
    startMemoServer();
    WriteIni("StartUp", "Away After Minutes", "1");
    start();
    ASSERT_EQ(presence->backendText(), "GNOME idle monitor");
    idleAndBack(mutter, [&] {
        EXPECT_TRUE(mainAction("mnuAway")->isChecked());
        EXPECT_EQ(form->tray()->tip(), "Status:Away (idle)");
        EXPECT_EQ(form->windowTitle(), "Halvorn - Away (idle)");
        EXPECT_TRUE(memoAnswer().contains("I am currently in away mode."));
    });
    ASSERT_TRUE(captionIs("Online"));
    EXPECT_FALSE(mainAction("mnuAway")->isChecked());
    const QByteArray answer = memoAnswer();
    EXPECT_TRUE(answer.contains("Message Received") && !answer.contains("away mode")) << answer.constData();
    EXPECT_EQ(page("Site"), "Online"); // away mode leaves the pages alone
}

// A touch with nothing after it, as when the desk is knocked: still away,
// and watching for the next input.
TEST_F(PresenceTest, OneTouchOfTheMouseIsNotAReturn)
{
    FakeIdleMonitor mutter(session.service());
    start();
    ASSERT_TRUE(waitFor([&] { return mutter.idleWatchCount() == 1; }));
    mutter.idleFor(600000);
    ASSERT_TRUE(captionIs("Away (idle)"));
    ASSERT_TRUE(waitFor([&] { return mutter.activeWatchCount() == 1; }));
    mutter.input();
    mutter.idleFor(quick().returnConfirmMs);
    EXPECT_TRUE(waitFor([&] { return mutter.activeWatchCount() == 1; }));
    EXPECT_EQ(presence->reason(), AwayReason::Idle);
}

TEST_F(PresenceTest, ALockedScreenTakesThePagesOfflineAndTheUnlockBringsThemBack)
{
    FakeScreenSaver saver(session.service());
    FakeLogind login(system.service());
    awayBy("Offline");
    const struct {
        const char* source;
        std::function<void(bool)> lock;
    } cases[] = {
        {"screen saver", [&](bool locked) { saver.setLocked(locked); }},
        {"login manager", [&](bool locked) { login.sessionSignal(locked ? "Lock" : "Unlock"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        start(quick(300));
        ASSERT_EQ(presence->backendText(), "freedesktop screen saver");
        ASSERT_TRUE(waitFor([&] { return logind().sessionKnown(); }));
        c.lock(true);
        EXPECT_TRUE(captionIs("Away (locked)"));
        EXPECT_TRUE(pagesRead("Offline"));
        c.lock(false);
        EXPECT_TRUE(pagesRead("Online"));
        EXPECT_TRUE(captionIs("Online"));
    }
}

class SleepTest : public PresenceTest {
  protected:
    // Sleep with the delay lock held: the pages go offline before it is let go.
    void sleep()
    {
        start();
        ASSERT_TRUE(waitFor([&] { return logind().holdsSleepLock() && login.locksHeld() == 1; }));
        login.prepareForSleep(true);
        ASSERT_TRUE(waitFor([&] { return login.locksHeld() == 0; }));
    }
    FakeLogind login{system.service()};
};

TEST_F(SleepTest, SleepPublishesOfflineBeforeTheLockIsReleased)
{
    sleep();
    EXPECT_EQ(login.inhibitCalls, QStringList{"sleep|Halvorn|Publishing the offline status page|delay"});
    // Seen at the moment the lock went: the pages were out before.
    EXPECT_EQ(page("Default") + '|' + page("Site"), "Offline|Offline");
}

TEST_F(SleepTest, TheResumeTakesANewLockAndRepublishesOnline)
{
    sleep();
    login.prepareForSleep(false);
    EXPECT_TRUE(waitFor([&] { return login.locksGiven() == 2 && login.locksHeld() == 1; }));
    EXPECT_TRUE(pagesRead("Online"));
}

// A page published by hand: presence brings back only the other.
TEST_F(PresenceTest, APagePublishedByHandWhileAwayIsKeptOnReturn)
{
    FakeIdleMonitor mutter(session.service());
    awayBy("Offline");
    start(quick(300));
    idleAndBack(mutter, [&] {
        ASSERT_TRUE(pagesRead("Offline"));
        form->selectProfile("Site");
        form->cmd_Offline->click();
    });
    EXPECT_TRUE(waitFor([&] { return page("Default") == "Online"; }));
    EXPECT_EQ(page("Site"), "Offline");
    EXPECT_EQ(published("Online", "Site"), 0);
}

// Away mode switched off and on by hand: it is the user's now and stays.
TEST_F(PresenceTest, AwayModeSetByHandWhileAwayIsKeptOnReturn)
{
    FakeIdleMonitor mutter(session.service());
    awayBy("Away");
    start(quick(300));
    idleAndBack(mutter, [&] {
        ASSERT_TRUE(mainAction("mnuAway")->isChecked());
        mainAction("mnuAway")->trigger();
        mainAction("mnuAway")->trigger();
    });
    EXPECT_TRUE(mainAction("mnuAway")->isChecked() && mainAction("mnuAway2")->isChecked());
}

TEST_F(PresenceTest, FlappingInputPublishesEachProfileOnlyOncePerSpacing)
{
    FakeIdleMonitor mutter(session.service());
    awayBy("Offline");
    start(quick(2500));
    ASSERT_TRUE(waitFor([&] { return mutter.idleWatchCount() == 1; }));
    QElapsedTimer flapping;
    flapping.start();
    for (int flap = 0; flap < 3; ++flap)
        ASSERT_NO_FATAL_FAILURE(idleAndBack(mutter));
    ASSERT_LT(flapping.elapsed(), 2500) << "the flapping took longer than the spacing: nothing proved";
    EXPECT_EQ(published("Offline", "Site"), 1);
    EXPECT_EQ(published("Online", "Site"), 0);
    EXPECT_EQ(page("Site"), "Offline");
    // Once the spacing is over, the state the user is in goes out, once.
    EXPECT_TRUE(pagesRead("Online"));
    EXPECT_EQ(published("Online", "Site") + published("Online", "Default"), 2);
}

TEST_F(PresenceTest, WithoutAnyBackendPresenceStaysManualAndTheOptionsItemSaysWhy)
{
    start();
    const QString why = presence->backendText();
    EXPECT_TRUE(why.startsWith("Presence stays manual: neither the GNOME idle monitor nor a screen saver"))
        << why.toStdString();
    EXPECT_TRUE(why.endsWith("this is not an X11 session")) << why.toStdString();
    EXPECT_EQ(mainAction("mnuPresence")->toolTip(), why);
    EXPECT_EQ(debugLog().count(why), 1);
    EXPECT_FALSE(presence->automatic());
}

class PresenceWindowTest : public PresenceTest {
  protected:
    frmPresence* openWindow()
    {
        start();
        EXPECT_TRUE(waitFor([&] { return mutter.idleWatchCount() == 1 && login.locksHeld() == 1; }));
        mainAction("mnuPresence")->trigger();
        return form->findChild<frmPresence*>("frmPresence");
    }
    // No idle time, pages offline when away, and kept while asleep.
    frmPresence* okWithEverythingOff()
    {
        frmPresence* window = openWindow();
        if (!window)
            return nullptr;
        window->spnMinutes->setValue(0);
        window->cboWhenAway->setCurrentText("Offline");
        window->chkAsleep->setChecked(false);
        window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return window;
    }
    FakeIdleMonitor mutter{session.service()};
    FakeLogind login{system.service()};
};

TEST_F(PresenceWindowTest, ItShowsTheBackendAndTheSettingsInForce)
{
    frmPresence* window = openWindow();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(window->lblBackend->text(), "Detected by the GNOME idle monitor");
    EXPECT_EQ(window->spnMinutes->value(), 10);
}

TEST_F(PresenceWindowTest, OkStoresTheSettingsAndClosesTheWindow)
{
    frmPresence* window = okWithEverythingOff();
    ASSERT_TRUE(window);
    EXPECT_EQ(ini("StartUp", "Away After Minutes") + '|' + ini("StartUp", "When Away") + '|' +
                  ini("StartUp", "Offline While Asleep"),
              "0|Offline|False");
    EXPECT_FALSE(window->isVisible());
}

TEST_F(PresenceWindowTest, PresenceFollowsTheSettingsAtOnce)
{
    ASSERT_TRUE(okWithEverythingOff());
    EXPECT_TRUE(waitFor([&] { return mutter.idleWatchCount() == 0; })) << "0 minutes: no idle watch";
    EXPECT_TRUE(waitFor([&] { return login.locksHeld() == 0; }))
        << "no sleep lock while sleep keeps the pages";
}

TEST_F(PresenceTest, AFailedPublishIsNotifiedAndTriedAgainAtTheAddressCheck)
{
    FakeLogind login(system.service());
    awayBy("Offline");
    start();
    ASSERT_TRUE(waitFor([&] { return logind().sessionKnown(); }));
    WriteIni("Site", "Host", "file:///no/such/folder");
    login.sessionSignal("Lock");
    ASSERT_TRUE(captionIs("Away (locked)"));
    EXPECT_TRUE(waitFor([&] { return page("Default") == "Offline"; }));
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_TRUE(doubles.notices.shown[0].body.startsWith("Profile Site: "))
        << doubles.notices.shown[0].body.toStdString();
    EXPECT_EQ(page("Site"), "Online");

    WriteIni("Site", "Host", "file://" + site.path());
    Timer3_Timer(*form);
    EXPECT_EQ(page("Site"), "Offline");
    EXPECT_EQ(doubles.notices.shown.size(), 1u);
}

TEST(ScreenSaverIdle, TheIdleTimeIsReadInTheUnitTheDesktopAnswersIn)
{
    for (const int msPerUnit : {1000, 1}) {
        SCOPED_TRACE(msPerUnit);
        PrivateBus bus("saver-units");
        FakeScreenSaver saver(bus.service());
        platform::ScreenSaverIdleMonitor monitor(bus.client(), 100, nullptr);
        QElapsedTimer idleFor;
        qint64 toldAfterMs = -1;
        QObject::connect(&monitor, &platform::IdleMonitor::idle, [&] { toldAfterMs = idleFor.elapsed(); });
        saver.growIdle(msPerUnit);
        idleFor.start();
        monitor.setIdleThreshold(1500);
        EXPECT_TRUE(waitFor([&] { return toldAfterMs >= 0; }));
        EXPECT_GE(toldAfterMs, 1400) << "idle told before the user was idle that long";
    }
}
