// The real program, started the way a script would start it.
#include "core/Encrypt.h"
#include "support/FtpTestServer.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
        QFile ini(home.filePath(QStringLiteral("hvrn.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Default]\r\n" + profile + "[StartUp]\r\nRemoveComments=True\r\nCredits=0\r\n");
    }
    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(home.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray page(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    RunResult run(const QString& argument)
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HALVORN_HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), runtime.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(HALVORN_BINARY), {argument});
        RunResult result;
        result.finished = program.waitForFinished(60000);
        if (!result.finished) {
            program.kill();
            program.waitForFinished(5000);
            return result;
        }
        result.exitCode = program.exitCode();
        for (const QString& line : QString::fromLocal8Bit(program.readAllStandardError()).split(u'\n'))
            if (line.startsWith(QLatin1String("halvorn: ")))
                result.reasons << line.mid(9);
        return result;
    }

    QTemporaryDir home;
    QTemporaryDir runtime;
    QTemporaryDir site;
};

} // namespace

TEST_F(OneShot, PublishesToALocalFolderAndExitsZero)
{
    writeIni("Host=file://" + site.path().toUtf8() +
             "\r\nRemoteFile=index.html\r\nHTML ONline=on.html\r\n"
             "HTML OFFline=off.html\r\n");
    writeFile(QStringLiteral("on.html"), "<p>%status%</p>");
    writeFile(QStringLiteral("off.html"), "<p>%status%</p>");
    RunResult r = run(QStringLiteral("-online"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.reasons.isEmpty()) << r.reasons.join(u'|').toStdString();
    EXPECT_EQ(page(site.filePath(QStringLiteral("index.html"))), "<p>Online</p>\r\n");
    EXPECT_FALSE(QFile::exists(home.filePath(QStringLiteral("$$tmp$$")))); // the exit procedure ran

    r = run(QStringLiteral("-OFFLINE"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(page(site.filePath(QStringLiteral("index.html"))), "<p>Offline</p>\r\n");
    EXPECT_TRUE(page(home.filePath(QStringLiteral("hvrn.ini"))).contains("Status=Offline"));
}

TEST_F(OneShot, FailuresExitNonZeroWithOneReason)
{
    writeIni("Host=file://" + site.path().toUtf8() +
             "\r\nRemoteFile=index.html\r\nHTML ONline=nowhere.html\r\n");
    RunResult r = run(QStringLiteral("-online"));
    ASSERT_TRUE(r.finished);
    EXPECT_NE(r.exitCode, 0);
    ASSERT_EQ(r.reasons.size(), 1) << r.reasons.join(u'|').toStdString();
    EXPECT_TRUE(r.reasons[0].startsWith(QStringLiteral("Error: Online HTML file doesn't Exist!")));
    EXPECT_FALSE(QFile::exists(site.filePath(QStringLiteral("index.html"))));

    writeIni("RemoteFile=index.html\r\nHTML OFFline=off.html\r\n");
    r = run(QStringLiteral("-offline"));
    EXPECT_NE(r.exitCode, 0);
    ASSERT_EQ(r.reasons.size(), 1);
    EXPECT_EQ(r.reasons[0], QStringLiteral("Please fill in the blanks.. Host Name Required"));
}

TEST_F(OneShot, FtpServerConfirmationDecidesTheExitCode)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0);
    auto profile = [&](const QByteArray& password) {
        writeIni("Host=" + server.address().toUtf8() +
                 "\r\nLogin=tester\r\npass=" + escapeStoredBytes(Encrypt(password)) +
                 "\r\nRemoteDir=public_html\r\nRemoteFile=me.html\r\n"
                 "HTML ONline=on.html\r\n");
    };
    writeFile(QStringLiteral("on.html"), "%status% via FTP");
    profile("secret");
    RunResult r = run(QStringLiteral("-online"));
    EXPECT_EQ(r.exitCode, 0) << r.reasons.join(u'|').toStdString();
    EXPECT_EQ(server.read(QStringLiteral("public_html/me.html")), "Online via FTP\r\n");

    profile("wrong");
    r = run(QStringLiteral("-online"));
    EXPECT_NE(r.exitCode, 0);
    ASSERT_EQ(r.reasons.size(), 1);
    EXPECT_TRUE(r.reasons[0].contains(QStringLiteral("Login denied"))) << r.reasons[0].toStdString();
    EXPECT_FALSE(page(home.filePath(QStringLiteral("hvrn.ini"))).contains("Status=Online"));
}
