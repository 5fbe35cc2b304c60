#include "support/PublishFixture.h"
#include "support/SshTestServer.h"

// One test runs every scenario that needs a server: the folder OpenSSH
// needs is shared, so they must not run side by side.
class Sftp : public PublishFixture {
  protected:
    void SetUp() override
    {
        if (!SshTestServer::available())
            GTEST_SKIP() << "needs /usr/sbin/sshd (openssh-server) and root";
        PublishFixture::SetUp();
        // known_hosts is read from $HOME/.ssh: a fresh, empty one for the test.
        previousHome_ = qgetenv("HOME");
        qputenv("HOME", sshHome.path().toUtf8());
    }
    void TearDown() override
    {
        if (!previousHome_.isNull())
            qputenv("HOME", previousHome_);
        PublishFixture::TearDown();
    }
    void point(SshTestServer& server)
    {
        fillProfile(server.host(), server.siteDir());
        form->txtPass->clear();
        form->txtlogin->setText(u"root"_s);
        mainAction("mnuSave")->trigger();
        WriteIni(u"Default"_s, u"SSH Key File"_s, server.userKey());
        publisher().ProfileDirty = false;
    }

    QTemporaryDir sshHome;
    QByteArray previousHome_;
};

TEST_F(Sftp, HostKeysAreAskedPinnedAndRefused)
{
    {
        SshTestServer server;
        ASSERT_TRUE(server.ready()) << server.output().constData();
        point(server);
        doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
        form->cmd_Online_Click();
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_TRUE(boxes()[0].text.contains(u"SHA256:"_s));
        EXPECT_TRUE(server.stored().isEmpty());
        EXPECT_EQ(ini(u"Default"_s, "Status"), u"<none>"_s);
        EXPECT_EQ(ini(u"Default"_s, "SSH Host Key"), u"<none>"_s);

        doubles.boxes.clear();
        doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
        form->cmd_Online_Click();
        EXPECT_EQ(server.stored(), " \r\n<p>Online at 192.0.2.7</p>\r\n");
        EXPECT_EQ(ini(u"Default"_s, "Status"), u"Online"_s);
        const QString pinned = ini(u"Default"_s, "SSH Host Key");
        EXPECT_TRUE(pinned.startsWith(u"SHA256:"_s));
        EXPECT_TRUE(boxes()[0].text.contains(pinned));

        doubles.boxes.clear();
        form->cmd_Offline_Click();
        EXPECT_TRUE(boxes().empty()); // pinned: no question
        EXPECT_EQ(server.stored(), "<p>Offline| |</p>\r\n");

        // Another server on the same address with another key: refused.
        SshTestServer impostor(u"otherkey"_s);
        ASSERT_TRUE(impostor.ready());
        form->txtHost->setText(impostor.host());
        form->txtDir->setText(impostor.siteDir());
        form->cmd_Online_Click();
        EXPECT_TRUE(boxes().empty());
        EXPECT_TRUE(impostor.stored().isEmpty());
        EXPECT_TRUE(debugLog().contains(u"differs from the one accepted earlier"_s));
        EXPECT_EQ(ini(u"Default"_s, "Status"), u"Offline"_s);
    }
    // In one-shot mode there is no one to ask: an unknown key fails the upload.
    doubles.boxes.clear();
    SshTestServer server;
    ASSERT_TRUE(server.ready());
    point(server);
    WriteIni(u"Default"_s, u"SSH Host Key"_s);
    const qsizetype logBefore = debugLog().size();
    Core().ExitAfterUpload = true;
    form->setExiting(); // the window stays; only the decision is under test
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(server.stored().isEmpty());
    EXPECT_TRUE(debugLog().mid(logBefore).contains(u"Unknown host key SHA256:"_s));
    EXPECT_EQ(publisher().lastOutcome(), publish::Publisher::Outcome::Failed);
}
