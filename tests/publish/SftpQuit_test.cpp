// Alone in its program: ending the program stops every later event loop.
#include "support/SshTestServer.h"

using SftpQuit = SftpFixture;

TEST_F(SftpQuit, AnUnknownHostKeyIsRefusedWithoutAQuestionWhileTheProgramEnds)
{
    SshTestServer server;
    ASSERT_TRUE(server.ready()) << server.output().constData();
    point(server);
    WriteIni(u"Default"_s, u"Status"_s, u"Online"_s);
    mainAction("mnuGoOffline")->setChecked(true);
    form->cmd_Exit_Click(ExitTrigger::Signal);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(server.stored().isEmpty());
    EXPECT_TRUE(debugLog().contains(u"Unknown host key SHA256:"_s));
    EXPECT_EQ(publisher().lastOutcome(), publish::Publisher::Outcome::Failed);
    EXPECT_EQ(ini(u"Default"_s, "Status"), u"Online"_s);
    EXPECT_TRUE(form->ended());
}
