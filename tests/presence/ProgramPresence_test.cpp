// The real program given private buses through the environment, as a
// desktop session gives its own.
#include "PresenceServices.h"
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

class ProgramPresence : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(PutFileBytes(home.file("hvrn.ini"), "[Startup]\r\nDebugLog=True\r\n"));
        QProcessEnvironment env = program.process().processEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", session.address);
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", system.address);
        env.remove("DISPLAY");
        program.process().setProcessEnvironment(env);
        program.start();
        ASSERT_TRUE(ProgramRun::waitUntil(
            [&] { return login.locksHeld() == 1 && mutter.idleWatchCount() == 1; }, 15000));
    }
    QString debugLog() const { return QString::fromUtf8(home.readFile("debug.log")); }
    void quit()
    {
        program.terminate();
        EXPECT_TRUE(program.waitForExit(10000));
    }
    TempHome home;
    PrivateBus session{"program-session"};
    PrivateBus system{"program-system"};
    FakeIdleMonitor mutter{session.service()};
    FakeLogind login{system.service()};
    ProgramRun program{home.path()};
};

TEST_F(ProgramPresence, TheProgramFollowsTheIdleMonitorOnTheBusItIsGivenAndNamesItOnce)
{
    EXPECT_TRUE(ProgramRun::waitUntil(
        [&] { return debugLog().contains("Presence follows the GNOME idle monitor"); }, 5000));
    // Ten idle minutes are asked for, the default.
    EXPECT_EQ(mutter.idleWatchIntervals(), QList<quint64>{600000});
    quit();
    EXPECT_EQ(debugLog().count("[HVRN] Presence follows"), 1);
}

TEST_F(ProgramPresence, TheSleepLockGoesWithTheProgram)
{
    quit();
    EXPECT_EQ(login.locksHeld(), 0);
}
