#include "support/FileBytes.h"
#include "support/PublishFixture.h"

#include <unistd.h>

// A private OpenSSH server on a free loopback port with a throwaway host
// key, offering only SFTP to the current user through a throwaway key.
// OpenSSH running as root insists on its privilege separation folder; it
// is created when missing and removed again afterwards.
class SshTestServer {
  public:
    explicit SshTestServer(const QString& hostKeyName = "hostkey")
    {
        // sshd's privilege separation folder, which the system's own sshd also
        // uses: made when missing and left, since another test's server may be
        // using it when this one ends.
        QDir().mkpath("/run/sshd");
        for (const QString& key : {dir_.filePath(hostKeyName), userKey()})
            QProcess::execute("/usr/bin/ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", key});
        QFile::copy(userKey() + ".pub", dir_.filePath("authorized_keys"));
        QDir(dir_.path()).mkpath("site/public_html");
        port_ = FreeLoopbackPort();
        const QString config = dir_.filePath("sshd_config");
        PutFileBytes(config, u"ListenAddress 127.0.0.1\nHostKey %1\nPidFile none\nUsePAM no\n"
                             "PermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                             "KbdInteractiveAuthentication no\nAuthorizedKeysFile %2\nStrictModes no\n"
                             "ForceCommand internal-sftp\nSubsystem sftp internal-sftp\n"_s
                                 .arg(dir_.filePath(hostKeyName), dir_.filePath("authorized_keys"))
                                 .toUtf8());
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("/usr/sbin/sshd", {"-D", "-e", "-f", config, "-p", QString::number(port_)});
        QElapsedTimer wait;
        for (wait.start(); !ready_ && wait.elapsed() < 10000 && process_.state() != QProcess::NotRunning;) {
            process_.waitForReadyRead(200);
            output_ += process_.readAll();
            ready_ = output_.contains("Server listening");
        }
    }
    ~SshTestServer() { stopProcess(process_); }

    bool ready() const { return ready_; }
    QString host() const { return u"sftp://127.0.0.1:%1"_s.arg(port_); }
    QString userKey() const { return dir_.filePath("userkey"); }
    // The absolute folder the server writes the page into.
    QString siteDir() const { return dir_.filePath("site/public_html"); }
    QByteArray stored() const { return slurp(siteDir() + "/index.html"); }
    QByteArray output() { return output_ + process_.readAll(); }

  private:
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray output_;
    int port_ = 0;
    bool ready_ = false;
};

// Publishing with the Default profile pointed at a server as root with the
// throwaway key; known_hosts is read from $HOME/.ssh: a fresh, empty one.
class SftpFixture : public PublishFixture {
  protected:
    void SetUp() override
    {
        if (!QFile::exists("/usr/sbin/sshd") || ::geteuid() != 0)
            GTEST_SKIP() << "needs /usr/sbin/sshd (openssh-server) and root";
        PublishFixture::SetUp();
        previousHome_ = qgetenv("HOME");
        qputenv("HOME", sshHome.path().toUtf8());
    }
    void TearDown() override
    {
        if (!previousHome_.isNull())
            qputenv("HOME", previousHome_);
        PublishFixture::TearDown();
    }
    // The Default profile pointed at server, saved; the server must be ready.
    void point(SshTestServer& server)
    {
        ASSERT_TRUE(server.ready()) << server.output().constData();
        fillProfile(server.host(), server.siteDir());
        form->txtPass->clear();
        form->txtlogin->setText("root");
        mainAction("mnuSave")->trigger();
        WriteIni("Default", "SSH Key File", server.userKey());
        publisher().ProfileDirty = false;
    }
    // The host key accepted at the first upload's question.
    void acceptTheKeyOf(SshTestServer& server)
    {
        doubles.boxes.clear();
        doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
        form->cmd_Online_Click();
        doubles.boxes.clear();
        EXPECT_EQ(server.stored(), " \r\n<p>Online at 192.0.2.7</p>\r\n");
    }

    QTemporaryDir sshHome;
    QByteArray previousHome_;
};

using Sftp = SftpFixture;

TEST_F(Sftp, ANewHostKeyIsAskedForAndNoStopsTheUpload)
{
    SshTestServer server;
    ASSERT_NO_FATAL_FAILURE(point(server));
    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().size() == 1 && boxes()[0].text.contains("SHA256:"));
    EXPECT_TRUE(server.stored().isEmpty());
    EXPECT_EQ(def("Status") + def("SSH Host Key"), "<none><none>");
}

TEST_F(Sftp, YesPinsTheKeyItWasShownAndTheUploadGoesOn)
{
    SshTestServer server;
    ASSERT_NO_FATAL_FAILURE(point(server));
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    form->cmd_Online_Click();
    EXPECT_EQ(server.stored(), " \r\n<p>Online at 192.0.2.7</p>\r\n");
    EXPECT_EQ(def("Status"), "Online");
    const QString pinned = def("SSH Host Key");
    EXPECT_TRUE(pinned.startsWith("SHA256:") && boxes()[0].text.contains(pinned)) << pinned.toStdString();
}

TEST_F(Sftp, APinnedKeyIsNotAskedForAgain)
{
    SshTestServer server;
    ASSERT_NO_FATAL_FAILURE(point(server));
    acceptTheKeyOf(server);
    form->cmd_Offline_Click();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(server.stored(), "<p>Offline| |</p>\r\n");
}

TEST_F(Sftp, AnotherKeyOnThePinnedAddressIsRefused)
{
    SshTestServer server;
    ASSERT_NO_FATAL_FAILURE(point(server));
    acceptTheKeyOf(server);
    WriteIni("Default", "Status", "Offline");
    SshTestServer impostor("otherkey");
    ASSERT_TRUE(impostor.ready());
    form->txtHost->setText(impostor.host());
    form->txtDir->setText(impostor.siteDir());
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().empty() && impostor.stored().isEmpty());
    EXPECT_TRUE(debugLog().contains("differs from the one accepted earlier"));
    EXPECT_EQ(def("Status"), "Offline");
}

TEST_F(Sftp, AnUnknownKeyWhileTheProgramEndsIsRefusedWithoutAQuestion)
{
    SshTestServer unknown("thirdkey");
    ASSERT_NO_FATAL_FAILURE(point(unknown));
    WriteIni("Default", "Status", "Online");
    mainAction("mnuGoOffline")->setChecked(true);
    form->cmd_Exit_Click(ExitTrigger::Signal);
    EXPECT_TRUE(boxes().empty() && unknown.stored().isEmpty());
    EXPECT_TRUE(debugLog().contains("Unknown host key SHA256:"));
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Failed);
    EXPECT_EQ(def("Status"), "Online");
    EXPECT_TRUE(form->ended());
}
