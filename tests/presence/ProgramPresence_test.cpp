// The real program given private buses through the environment, as a
// desktop session gives its own.
#include "PresenceServices.h"
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

TEST(ProgramPresence, TheProgramFindsItsBackendsOnTheBusesItIsGivenAndNamesTheBackendOnce)
{
    TempHome home;
    ASSERT_TRUE(PutFileBytes(home.file("hvrn.ini"), "[Startup]\r\nDebugLog=True\r\n"));
    PrivateBus session("program-session");
    PrivateBus system("program-system");
    FakeIdleMonitor mutter(session.service());
    FakeLogind login(system.service());

    ProgramRun program(home.path());
    QProcessEnvironment env = program.process().processEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", session.address);
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", system.address);
    env.remove("DISPLAY");
    program.process().setProcessEnvironment(env);
    program.start();
    const auto debugLog = [&] { return QString::fromUtf8(home.readFile("debug.log")); };
    EXPECT_TRUE(
        ProgramRun::waitUntil([&] { return login.locksHeld() == 1 && mutter.idleWatchCount() == 1; }, 15000));
    EXPECT_TRUE(ProgramRun::waitUntil(
        [&] { return debugLog().contains("Presence follows the GNOME idle monitor"); }, 5000));
    // Ten idle minutes are asked for, the default.
    EXPECT_EQ(mutter.idleWatchIntervals(), QList<quint64>{600000});
    program.terminate();
    EXPECT_TRUE(program.waitForExit(10000));
    EXPECT_EQ(debugLog().count("[HVRN] Presence follows"), 1);
    EXPECT_EQ(login.locksHeld(), 0) << "the lock goes with the program";
}
