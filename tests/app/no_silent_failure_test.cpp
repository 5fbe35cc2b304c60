// What the real program tells, or does, when the machine is short of
// something: no network, a memo port held by another program, an exit
// after a first start.
#include "AppFixture.h"
#include "core/Ini.h"
#include "support/ProgramNotificationBus.h"

#include <QTcpServer>

using RealProgram = ProgramTest;

TEST_F(RealProgram, ALocalFolderIsPublishedWithNoNetworkAndNoHostNameThatResolves)
{
    // A network namespace of its own has only a loopback that is down, and
    // a host name of its own that no resolver knows.
    if (QProcess::execute("unshare", {"-n", "-u", "true"}) != 0)
        GTEST_SKIP() << "no private network namespace here (needs root)";
    home.writeFile("hvrn.ini",
                   "[Startup]\r\nDebugLog=True\r\nRemoveComments=True\r\nCredits=0\r\n[Default]\r\nHost=" +
                       siteHost() + "\r\nRemoteFile=index.html\r\nHTML ONline=on.html\r\n");
    home.writeFile("on.html", "%status% at [%ip%]");
    ProgramRun program(home.path());
    program.process().start("unshare", {"-n", "-u", "sh", "-c",
                                        "hostname nowhere.invalid && exec \"$0\" -online", HALVORN_BINARY});
    ASSERT_TRUE(program.waitForExit(60000));
    EXPECT_EQ(program.process().exitCode(), 0) << program.process().readAllStandardError().toStdString();
    EXPECT_EQ(page(), "Online at []\r\n");
    EXPECT_TRUE(home.readFile("debug.log")
                    .contains("without a network address: the host name nowhere.invalid "
                              "cannot be found and no network interface has an address"))
        << home.readFile("debug.log").toStdString();
}

TEST_F(RealProgram, AMemoPortHeldByAnotherProgramIsADesktopNotificationNamingThePort)
{
    QTcpServer holder; // a plain listening socket, not ours
    ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
    const QString port = QString::number(holder.serverPort());
    ProgramNotificationBus bus;
    ASSERT_TRUE(bus.registerService());
    home.writeFile("hvrn.ini", "[Startup]\r\nDebugLog=True\r\n[Memo]\r\nEnabled=True\r\nMemoServer Port=" +
                                   port.toUtf8() + "\r\n");
    ProgramRun program(home.path());
    QProcessEnvironment env = program.process().processEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    program.process().setProcessEnvironment(env);
    program.start();
    const QList<QStringList>& calls = bus.service.calls;
    ASSERT_TRUE(ProgramRun::waitUntil([&] { return !calls.isEmpty(); }, 30000))
        << home.readFile("debug.log").toStdString();
    EXPECT_EQ(calls[0].value(0), "Memo server not started");
    EXPECT_TRUE(calls[0].value(1).startsWith("Port " + port + " is in use by another program"))
        << calls[0].value(1).toStdString();
    EXPECT_EQ(calls[0].mid(2), QStringList({"default-action", "Memo Setup"}));
    program.terminate();
    EXPECT_TRUE(program.waitForExit(30000));
}

TEST_F(RealProgram, AFirstStartTakesThePageOfflineAtExit)
{
    ASSERT_TRUE(run({"-online"}).finished); // no server name yet: only the starter set is written
    ASSERT_TRUE(WriteIni("Default", "Host", QString::fromUtf8(siteHost())));
    ASSERT_TRUE(WriteIni("Startup", "DebugLog", "True"));
    ASSERT_TRUE(run({"-online"}).finished);
    ASSERT_TRUE(page().contains("I am Online")) << page().toStdString();

    ProgramRun running(home.path());
    running.start();
    ASSERT_TRUE(ProgramRun::waitUntil([&] { return settingsLoaded(); }, 30000));
    running.terminate(); // the exit procedure, as File > Exit runs it
    ASSERT_TRUE(running.waitForExit(30000));
    EXPECT_TRUE(page().contains("I am Offline")) << page().toStdString();
    EXPECT_TRUE(home.readFile("hvrn.ini").contains("Status=Offline\r\n"));
}
