// What a new user meets first, through the real program: a fresh program
// directory, scripts without a display, a second start, broken settings.
#include "AppFixture.h"
#include "core/Encrypt.h"
#include "core/Ini.h"
#include "publish/support/FtpTestServer.h"
#include "support/ServerProcess.h"

#include <QDir>
#include <QLocalSocket>
#include <QTcpSocket>

class FirstHour : public ProgramTest {
  protected:
    // The templates of a profile, with the page kept free of comments and credits.
    static constexpr const char* kPages =
        "\r\nHTML ONline=on.html\r\nHTML "
        "OFFline=off.html\r\n[StartUp]\r\nRemoveComments=True\r\nCredits=0\r\n";
};

TEST_F(FirstHour, HelpAndVersionAnswerAndWriteNothing)
{
    const Ended help = run({"--help"}, false, 10000), version = run({"--version"}, false, 10000);
    ASSERT_TRUE(help.finished && version.finished);
    EXPECT_TRUE(help.out.contains("-online") && help.out.contains("-offline") && help.out.contains("-min"))
        << help.out.toStdString();
    EXPECT_TRUE(version.out.startsWith("Halvorn Version 3.3  (build "));
    EXPECT_EQ(help.code + version.code, 0);
    EXPECT_FALSE(home.exists("hvrn.ini"));
}

TEST_F(FirstHour, AFirstOneShotWithoutAServerNameSaysWhatIsMissing)
{
    const Ended first = run({"-online"}, true);
    ASSERT_TRUE(first.finished);
    EXPECT_EQ(first.code, 1) << first.reason.toStdString(); // told, not aborted
    EXPECT_EQ(first.reason, "halvorn: Please fill in the blanks.. Host Name Required");
}

TEST_F(FirstHour, AFirstOneShotWithoutADisplayWritesAWorkingStarterSet)
{
    ASSERT_TRUE(run({"-online"}, true).finished); // no server name yet: only the starter set is written
    ASSERT_TRUE(WriteIni("Default", "Host", QString::fromUtf8(siteHost())));

    const Ended second = run({"-online"}, true);
    ASSERT_EQ(second.code, 0) << second.reason.toStdString();
    const QByteArray published = page();
    for (const QByteArray& part : {QByteArray("<meta charset=\"iso-8859-1\">"), QByteArray(":4175/memo/\""),
                                   QByteArray("ROWS=5 COLS=40 "), QByteArray("\xA0Wait For Reply"),
                                   QByteArray("<option selected>YES</option>"), QByteArray("I am Online")})
        EXPECT_TRUE(published.contains(part)) << part.toStdString() << published.toStdString();
    EXPECT_EQ(ReadIni("Memo", "Reply Timeout", "<none>") + '|' + ReadIni("Memo", "Enabled", "<none>"),
              "120|True");
}

TEST_F(FirstHour, AOneShotWithSettingsItCannotUseEndsAndSaysWhy)
{
    const QByteArray profile =
        "[Default]\r\nHost=" + siteHost() + "\r\nRemoteFile=index.html\r\nHTML ONline=on.html\r\n";
    home.writeFile("on.html", "%status%");
    const struct {
        QByteArray ini;
        const char* reason;
    } cases[] = {{profile + "[StartUp]\r\nCredits=maybe\r\n",
                  "halvorn: start-up failed: error 13 (Type mismatch) in LoadStartup; see error.log"},
                 {profile + "Login=me\r\npass=" + escapeStoredBytes(Encrypt("\x01\x02pw")) + "\r\n",
                  "halvorn: Default: The password holds control characters: please type it again"}};
    for (const auto& c : cases) {
        home.writeFile("hvrn.ini", c.ini);
        const Ended ended = run({"-online"});
        ASSERT_TRUE(ended.finished) << c.reason;
        EXPECT_EQ(ended.code, 1);
        EXPECT_EQ(ended.reason, QString::fromLatin1(c.reason)) << ended.reason.toStdString();
        EXPECT_EQ(page(), "<none>");
        EXPECT_FALSE(home.readFile("hvrn.ini").contains("Reply Timeout"));
    }
}

TEST_F(FirstHour, TheOneShotExitCodeFollowsTheServersConfirmation)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0);
    home.writeFile("on.html", "%status% via FTP");
    for (const auto& [password, right] : {std::pair("secret", true), {"wrong", false}}) {
        home.writeFile("hvrn.ini", "[Default]\r\nHost=" + server.address().toUtf8() +
                                       "\r\nLogin=tester\r\npass=" + escapeStoredBytes(Encrypt(password)) +
                                       "\r\nRemoteDir=public_html\r\nRemoteFile=me.html" + kPages);
        const Ended ended = run({"-online"});
        EXPECT_EQ(ended.code, right ? 0 : 1) << ended.reason.toStdString();
        EXPECT_TRUE(right ? ended.reason.isEmpty()
                          : ended.reason.count("halvorn: ") == 1 && ended.reason.contains("Login denied"))
            << ended.reason.toStdString();
        EXPECT_EQ(home.readFile("hvrn.ini").contains("Status=Online"), right);
    }
    EXPECT_EQ(server.page("me.html"), "Online via FTP\r\n");
}

TEST_F(FirstHour, AnOfflineOneShotRunsTheExitProcedure)
{
    home.writeFile("off.html", "<p>%status%</p>");
    home.writeFile("hvrn.ini", "[Default]\r\nHost=" + siteHost() + "\r\nRemoteFile=index.html" + kPages);
    const Ended offline = run({"-OFFLINE"});
    EXPECT_EQ(offline.code, 0) << offline.reason.toStdString();
    EXPECT_EQ(page(), "<p>Offline</p>\r\n");
    EXPECT_FALSE(home.exists("$$tmp$$")); // the exit procedure ran
    EXPECT_TRUE(home.readFile("hvrn.ini").contains("Status=Offline"));
}

TEST_F(FirstHour, ASecondStartHandsItsCommandToTheRunningProgramAndReportsTheResult)
{
    const QByteArray memoPort = QByteArray::number(FreeLoopbackPort());
    home.writeFile(
        "hvrn.ini",
        "[Startup]\r\nDebugLog=True\r\nRemoveComments=True\r\nCredits=0\r\n[Default]\r\nHost=" + siteHost() +
            "\r\nRemoteFile=index.html\r\nHTML ONline=on.html\r\nHTML OFFline=gone.html\r\n" +
            "[Memo]\r\nEnabled=True\r\nMemoServer Port=" + memoPort + "\r\n");
    home.writeFile("on.html", "%status%");
    ProgramRun running(home.path());
    running.start();
    ASSERT_TRUE(ProgramRun::waitUntil([&] { return settingsLoaded(); }, 30000));
    // Before any upload the memo server's forms already post to the machine's address.
    ASSERT_TRUE(
        ProgramRun::waitUntil([&] { return home.readFile("debug.log").contains("Local Address: "); }, 30000));
    QTcpSocket visitor;
    visitor.connectToHost(QHostAddress::LocalHost, memoPort.toUShort());
    ASSERT_TRUE(visitor.waitForConnected(5000)) << visitor.errorString().toStdString();
    visitor.write("GET /nothing HTTP/1.0\r\n\r\n");
    while (visitor.waitForReadyRead(5000)) {
    }
    const QByteArray notFound = visitor.readAll();
    EXPECT_TRUE(notFound.contains(":" + memoPort + "/memo/\"") && !notFound.contains("http://:"))
        << notFound.toStdString();

    // Only this user may reach the hand-over socket. A caller that says
    // nothing holds up no later start; one that says too much is dropped.
    const QFileInfoList sockets = QDir(runtime.path()).entryInfoList({"halvorn-*.sock"}, QDir::System);
    ASSERT_EQ(sockets.size(), 1);
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    EXPECT_EQ(sockets[0].permissions() & ~ownerOnly, QFile::Permissions());
    QLocalSocket silent, talkative;
    silent.connectToServer(sockets[0].filePath());
    talkative.connectToServer(sockets[0].filePath());
    ASSERT_TRUE(silent.waitForConnected(5000) && talkative.waitForConnected(5000));
    talkative.write(QByteArray(300, 'x'));
    EXPECT_TRUE(talkative.waitForDisconnected(5000));

    const Ended activate = run({});
    EXPECT_EQ(activate.code, 0) << activate.reason.toStdString();
    EXPECT_TRUE(home.readFile("debug.log").contains("[HVRN] Started again: window brought to the front"));
    const Ended online = run({"-online"});
    EXPECT_EQ(online.code, 0) << online.reason.toStdString();
    EXPECT_EQ(page(), "Online\r\n");
    const Ended offline = run({"-OFFLINE"});
    EXPECT_EQ(offline.code, 1);
    EXPECT_TRUE(offline.reason.startsWith("halvorn: Error: Offline HTML file doesn't Exist!"))
        << offline.reason.toStdString();
    EXPECT_EQ(page(), "Online\r\n");

    // SIGTERM ends the one program through its exit procedure.
    EXPECT_EQ(running.process().state(), QProcess::Running);
    running.terminate();
    ASSERT_TRUE(running.waitForExit(30000));
    EXPECT_TRUE(running.process().exitStatus() == QProcess::NormalExit && running.process().exitCode() == 0);
    const QByteArray log = home.readFile("debug.log");
    EXPECT_EQ(log.count("[HVRN] All Settings Loaded"), 1);
    EXPECT_TRUE(log.contains("[Halvorn] Program Exited"));
    EXPECT_FALSE(QFileInfo::exists(sockets[0].filePath()));
    EXPECT_TRUE(home.readFile("hvrn.ini").contains("Status=Online\r\n"));
}

// The start-up benchmark reads this trace.
TEST_F(FirstHour, TheStartupTraceListsTheStepsInOrderWithTheirTimes)
{
    ProgramRun program(home.path());
    QProcessEnvironment env = program.process().processEnvironment();
    env.insert("HALVORN_STARTUP_TRACE", "1");
    program.process().setProcessEnvironment(env);
    program.start({"-offline"});
    ASSERT_TRUE(program.waitForExit(60000));
    QStringList steps;
    double last = -1;
    for (const QString& line : QString::fromLocal8Bit(program.process().readAllStandardError()).split('\n')) {
        if (!line.startsWith("[startup]"))
            continue;
        const QStringList words = line.mid(9).simplified().split(' ');
        EXPECT_GE(words.value(0).toDouble(), last) << line.toStdString();
        last = words.value(0).toDouble();
        steps << words.mid(2).join(' ');
    }
    EXPECT_EQ(steps.mid(0, 3), (QStringList{"main", "QApplication", "single instance claimed"}));
    EXPECT_TRUE(steps.contains("settings loaded")) << steps.join(", ").toStdString();
}
