#include "support/PublishFixture.h"
#include "support/SshTestServer.h"

#include <QDir>

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
        fillProfile(server.host(), server.siteDir() + QStringLiteral("/public_html"));
        form->txtPass->clear();
        form->txtlogin->setText(QStringLiteral("root"));
        mainAction("mnuSave")->trigger();
        WriteIni(QStringLiteral("Default"), QStringLiteral("SSH Key File"), server.userKey());
        publisher().ProfileDirty = false;
    }
    QByteArray stored(SshTestServer& server)
    {
        QFile f(server.siteDir() + QStringLiteral("/public_html/index.html"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // One test runs every scenario that needs a server: the folder OpenSSH
    // needs is shared, so they must not run side by side.
    void hostKeyScenario();
    void oneShotScenario();

    QTemporaryDir sshHome;
    QByteArray previousHome_;
};

TEST_F(Sftp, HostKeysAreAskedPinnedAndRefused)
{
    hostKeyScenario();
    doubles.boxes.clear();
    oneShotScenario();
}

void Sftp::hostKeyScenario()
{
    SshTestServer server;
    ASSERT_TRUE(server.ready()) << server.output().constData();
    point(server);

    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    form->cmd_Online_Click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].text.contains(QStringLiteral("SHA256:")));
    EXPECT_TRUE(stored(server).isEmpty());
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("<none>"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "SSH Host Key"), QStringLiteral("<none>"));

    doubles.boxes.clear();
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    form->cmd_Online_Click();
    EXPECT_EQ(stored(server), " \r\n<p>Online at 192.0.2.7</p>\r\n");
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Online"));
    const QString pinned = ini(QStringLiteral("Default"), "SSH Host Key");
    EXPECT_TRUE(pinned.startsWith(QStringLiteral("SHA256:")));
    EXPECT_TRUE(boxes()[0].text.contains(pinned));

    doubles.boxes.clear();
    form->cmd_Offline_Click();
    EXPECT_TRUE(boxes().empty()); // pinned: no question
    EXPECT_EQ(stored(server), "<p>Offline| |</p>\r\n");

    // Another server on the same address with another key: refused.
    SshTestServer impostor(QStringLiteral("otherkey"));
    ASSERT_TRUE(impostor.ready());
    form->txtHost->setText(impostor.host());
    form->txtDir->setText(impostor.siteDir() + QStringLiteral("/public_html"));
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(stored(impostor).isEmpty());
    EXPECT_TRUE(debugLog().contains(QStringLiteral("differs from the one accepted earlier")));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Status"), QStringLiteral("Offline"));
}

void Sftp::oneShotScenario()
{
    SshTestServer server;
    ASSERT_TRUE(server.ready());
    point(server);
    WriteIni(QStringLiteral("Default"), QStringLiteral("SSH Host Key"));
    const qsizetype logBefore = debugLog().size();
    Core().ExitAfterUpload = true;
    form->setExiting(); // the window stays; only the decision is under test
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(stored(server).isEmpty());
    EXPECT_TRUE(debugLog().mid(logBefore).contains(QStringLiteral("Unknown host key SHA256:")));
    EXPECT_EQ(publisher().lastOutcome(), publish::Publisher::Outcome::Failed);
}
