#include "support/SshTestServer.h"

// One test runs every scenario that needs a server: the folder OpenSSH
// needs is shared, so they must not run side by side. It ends the program
// last: no event loop runs after that.
using Sftp = SftpFixture;

TEST_F(Sftp, HostKeysAreAskedPinnedAndRefusedAndNeverAskedForWhileTheProgramEnds)
{
    SshTestServer server;
    ASSERT_NO_FATAL_FAILURE(point(server));
    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().size() == 1 && boxes()[0].text.contains("SHA256:"));
    EXPECT_TRUE(server.stored().isEmpty());
    EXPECT_EQ(def("Status") + def("SSH Host Key"), "<none><none>");

    doubles.boxes.clear();
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    form->cmd_Online_Click();
    EXPECT_EQ(server.stored(), " \r\n<p>Online at 192.0.2.7</p>\r\n");
    EXPECT_EQ(def("Status"), "Online");
    const QString pinned = def("SSH Host Key");
    EXPECT_TRUE(pinned.startsWith("SHA256:") && boxes()[0].text.contains(pinned)) << pinned.toStdString();

    doubles.boxes.clear();
    form->cmd_Offline_Click();
    EXPECT_TRUE(boxes().empty()); // pinned: no question
    EXPECT_EQ(server.stored(), "<p>Offline| |</p>\r\n");

    // Another server on the same address with another key: refused.
    SshTestServer impostor("otherkey");
    ASSERT_TRUE(impostor.ready());
    form->txtHost->setText(impostor.host());
    form->txtDir->setText(impostor.siteDir());
    form->cmd_Online_Click();
    EXPECT_TRUE(boxes().empty() && impostor.stored().isEmpty());
    EXPECT_TRUE(debugLog().contains("differs from the one accepted earlier"));
    EXPECT_EQ(def("Status"), "Offline");

    // An unknown key while the program ends on a signal: refused without a question.
    SshTestServer unknown("thirdkey");
    ASSERT_NO_FATAL_FAILURE(point(unknown));
    WriteIni("Default", "SSH Host Key", QString());
    WriteIni("Default", "Status", "Online");
    mainAction("mnuGoOffline")->setChecked(true);
    form->cmd_Exit_Click(ExitTrigger::Signal);
    EXPECT_TRUE(boxes().empty() && unknown.stored().isEmpty());
    EXPECT_TRUE(debugLog().contains("Unknown host key SHA256:"));
    EXPECT_EQ(publisher().lastOutcome(), Publisher::Outcome::Failed);
    EXPECT_EQ(def("Status"), "Online");
    EXPECT_TRUE(form->ended());
}
