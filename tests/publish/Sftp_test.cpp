#include "support/SshTestServer.h"

// One test runs every scenario that needs a server: the folder OpenSSH
// needs is shared, so they must not run side by side.
using Sftp = SftpFixture;

TEST_F(Sftp, HostKeysAreAskedPinnedAndRefused)
{
    SshTestServer server;
    ASSERT_TRUE(server.ready()) << server.output().constData();
    point(server);
    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().size() == 1 && boxes()[0].text.contains(u"SHA256:"_s));
    EXPECT_TRUE(server.stored().isEmpty());
    EXPECT_EQ(ini(u"Default"_s, "Status") + ini(u"Default"_s, "SSH Host Key"), u"<none><none>"_s);

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
