#include "support/ProgramRun.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramSmoke, StartsLoadsSettingsAndExitsThroughTheExitProcedureOnSigterm)
{
    TempHome home;
    home.writeFile("hvrn.ini", "[Startup]\r\nDebugLog=True\r\n[Memo]\r\nAway=False\r\n");
    home.writeFile("$$tmp$$", "left over page");
    ProgramRun run(home.path());
    run.start();
    ASSERT_TRUE(ProgramRun::waitUntil(
        [&] { return home.readFile("debug.log").contains("[HVRN] All Settings Loaded"); }, 30000))
        << run.process().readAllStandardError().toStdString();
    run.terminate();
    ASSERT_TRUE(run.waitForExit(30000));
    EXPECT_EQ(run.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process().exitCode(), 0);
    EXPECT_TRUE(home.readFile("debug.log").contains("[Halvorn] Program Exited"));
    EXPECT_FALSE(home.exists("$$tmp$$"));
    const QByteArray ini = home.readFile("hvrn.ini");
    EXPECT_TRUE(ini.contains("Status=Offline\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("[Memo]\r\nAway=False\r\n"));
}

TEST(ProgramSmoke, HelpAndVersionPrintWithoutOpeningAWindow)
{
    TempHome home;
    for (const char* arg : {"--help", "--version"}) {
        ProgramRun run(home.path());
        run.start({QString::fromLatin1(arg)});
        ASSERT_TRUE(run.waitForExit(10000));
        EXPECT_EQ(run.process().exitCode(), 0);
        const QString out = QString::fromUtf8(run.process().readAllStandardOutput());
        if (QByteArray(arg) == "--help")
            EXPECT_TRUE(out.contains("-online") && out.contains("-offline") && out.contains("-min")) << out.toStdString();
        else
            EXPECT_TRUE(out.startsWith("Halvorn Version 3.3  (build ")) << out.toStdString();
    }
    EXPECT_FALSE(home.exists("hvrn.ini"));
}

} // namespace
