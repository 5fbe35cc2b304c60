// Alone in its program: ending the program stops every later event loop.
#include "support/PublishFixture.h"
#include "support/SshTestServer.h"

using SftpQuit = PublishFixture;

TEST_F(SftpQuit, AnUnknownHostKeyIsRefusedWithoutAQuestionWhileTheProgramEnds)
{
    if (!SshTestServer::available())
        GTEST_SKIP() << "needs /usr/sbin/sshd (openssh-server) and root";
    QTemporaryDir sshHome; // an empty known_hosts
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", sshHome.path().toUtf8());
    SshTestServer server;
    ASSERT_TRUE(server.ready()) << server.output().constData();
    fillProfile(server.host(), server.siteDir());
    form->txtPass->clear();
    form->txtlogin->setText(u"root"_s);
    mainAction("mnuSave")->trigger();
    WriteIni(u"Default"_s, u"SSH Key File"_s, server.userKey());
    WriteIni(u"Default"_s, u"Status"_s, u"Online"_s);
    mainAction("mnuGoOffline")->setChecked(true);
    form->cmd_Exit_Click(ExitTrigger::Signal);
    qputenv("HOME", previousHome);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(server.stored().isEmpty());
    EXPECT_TRUE(debugLog().contains(u"Unknown host key SHA256:"_s));
    EXPECT_EQ(ini(u"Default"_s, "Status"), u"Online"_s);
    EXPECT_TRUE(form->ended());
}
