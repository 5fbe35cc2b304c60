// The real program, started the way a script would start it.
#include "core/Encrypt.h"
#include "support/FtpTestServer.h"
#include "support/ProgramRun.h"
#include "support/TempHome.h"

#include <QProcessEnvironment>

namespace {

struct RunResult {
    int exitCode = -1;
    QStringList reasons; // our own stderr lines
    bool finished = false;
};

class OneShot : public ::testing::Test {
  protected:
    void writeIni(const QByteArray& profile)
    {
        home.writeFile(u"hvrn.ini"_s, "[Default]\r\n" + profile + "[StartUp]\r\nRemoveComments=True\r\nCredits=0\r\n");
    }
    QByteArray page() const { return slurp(site.filePath(u"index.html"_s)); }
    RunResult run(const QString& argument)
    {
        ProgramRun program(home.path());
        QProcessEnvironment env = program.process().processEnvironment();
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        program.process().setProcessEnvironment(env);
        program.start({argument});
        RunResult result;
        if (!(result.finished = program.waitForExit(60000)))
            return result;
        result.exitCode = program.process().exitCode();
        for (const QString& line : QString::fromLocal8Bit(program.process().readAllStandardError()).split(u'\n'))
            if (line.startsWith("halvorn: "_L1))
                result.reasons << line.mid(9);
        return result;
    }

    TempHome home;
    QTemporaryDir runtime;
    QTemporaryDir site;
};

} // namespace

TEST_F(OneShot, OfflineToALocalFolderExitsZeroAndAMissingTemplateNonZeroWithOneReason)
{
    writeIni("Host=file://" + site.path().toUtf8() +
             "\r\nRemoteFile=index.html\r\nHTML ONline=nowhere.html\r\nHTML OFFline=off.html\r\n");
    home.writeFile(u"off.html"_s, "<p>%status%</p>");
    RunResult r = run(u"-online"_s);
    ASSERT_TRUE(r.finished);
    EXPECT_NE(r.exitCode, 0);
    ASSERT_EQ(r.reasons.size(), 1) << r.reasons.join(u'|').toStdString();
    EXPECT_TRUE(r.reasons[0].startsWith(u"Error: Online HTML file doesn't Exist!"_s));
    EXPECT_TRUE(page().isEmpty());

    r = run(u"-OFFLINE"_s);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.reasons.isEmpty()) << r.reasons.join(u'|').toStdString();
    EXPECT_EQ(page(), "<p>Offline</p>\r\n");
    EXPECT_FALSE(home.exists(u"$$tmp$$"_s)); // the exit procedure ran
    EXPECT_TRUE(home.readFile(u"hvrn.ini"_s).contains("Status=Offline"));
}

TEST_F(OneShot, FtpServerConfirmationDecidesTheExitCode)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0);
    auto profile = [&](const QByteArray& password) {
        writeIni("Host=" + server.address().toUtf8() + "\r\nLogin=tester\r\npass=" +
                 escapeStoredBytes(Encrypt(password)) +
                 "\r\nRemoteDir=public_html\r\nRemoteFile=me.html\r\nHTML ONline=on.html\r\n");
    };
    home.writeFile(u"on.html"_s, "%status% via FTP");
    profile("secret");
    RunResult r = run(u"-online"_s);
    EXPECT_EQ(r.exitCode, 0) << r.reasons.join(u'|').toStdString();
    EXPECT_EQ(server.read(u"public_html/me.html"_s), "Online via FTP\r\n");

    profile("wrong");
    r = run(u"-online"_s);
    EXPECT_NE(r.exitCode, 0);
    ASSERT_EQ(r.reasons.size(), 1);
    EXPECT_TRUE(r.reasons[0].contains(u"Login denied"_s)) << r.reasons[0].toStdString();
    EXPECT_FALSE(home.readFile(u"hvrn.ini"_s).contains("Status=Online"));
}
