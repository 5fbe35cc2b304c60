// The real program, started the way a script would start it.
#include "core/Encrypt.h"
#include "support/FtpTestServer.h"
#include "support/ProgramRun.h"
#include "support/TempHome.h"

#include <QProcessEnvironment>

TEST(OneShot, TheExitCodeFollowsTheServersConfirmationAndTheExitProcedureRuns)
{
    TempHome home;
    QTemporaryDir runtime, site;
    FtpTestServer server;
    ASSERT_GT(server.port(), 0);
    home.writeFile("on.html", "%status% via FTP");
    home.writeFile("off.html", "<p>%status%</p>");
    // Runs the program with the Default profile; the exit code and our own stderr lines.
    auto run = [&](const QString& argument, const QByteArray& profile) {
        home.writeFile("hvrn.ini", "[Default]\r\n" + profile +
                                       "\r\nHTML ONline=on.html\r\nHTML OFFline=off.html\r\n"
                                       "[StartUp]\r\nRemoveComments=True\r\nCredits=0\r\n");
        ProgramRun program(home.path());
        QProcessEnvironment env = program.process().processEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        program.process().setProcessEnvironment(env);
        program.start({argument});
        EXPECT_TRUE(program.waitForExit(60000)) << argument.toStdString();
        QStringList reasons;
        for (const QString& line :
             QString::fromLocal8Bit(program.process().readAllStandardError()).split('\n'))
            if (line.startsWith("halvorn: "))
                reasons << line.mid(9);
        return std::pair(program.process().exitCode(), reasons);
    };
    auto ftp = [&](const QByteArray& password) {
        return "Host=" + server.address().toUtf8() +
               "\r\nLogin=tester\r\npass=" + escapeStoredBytes(Encrypt(password)) +
               "\r\nRemoteDir=public_html\r\nRemoteFile=me.html";
    };
    auto [code, reasons] = run("-online", ftp("secret"));
    EXPECT_EQ(code, 0) << reasons.join('|').toStdString();
    EXPECT_EQ(server.page("me.html"), "Online via FTP\r\n");

    std::tie(code, reasons) = run("-online", ftp("wrong"));
    EXPECT_NE(code, 0);
    ASSERT_EQ(reasons.size(), 1) << reasons.join('|').toStdString();
    EXPECT_TRUE(reasons[0].contains("Login denied")) << reasons[0].toStdString();
    EXPECT_FALSE(home.readFile("hvrn.ini").contains("Status=Online"));

    std::tie(code, reasons) =
        run("-OFFLINE", "Host=file://" + site.path().toUtf8() + "\r\nRemoteFile=index.html");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(reasons.isEmpty()) << reasons.join('|').toStdString();
    EXPECT_EQ(slurp(site.filePath("index.html")), "<p>Offline</p>\r\n");
    EXPECT_FALSE(home.exists("$$tmp$$")); // the exit procedure ran
    EXPECT_TRUE(home.readFile("hvrn.ini").contains("Status=Offline"));
}
