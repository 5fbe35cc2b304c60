// Alone in its program: ending the program stops every later event loop.
#include "support/PublishFixture.h"

using ExitActions = PublishFixture;

TEST_F(ExitActions, PromptOnExitAsksAndCancelKeepsTheProgramRunning)
{
    WriteIni(u"Site"_s, u"Status"_s, u"Online"_s);
    twoLocalProfiles();
    mainAction("mnuPrompt")->setChecked(true);
    form->autoWindow()->lstProfiles->item(1)->setSelected(true);
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Cancel);
    form->cmd_Exit_Click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, u"Go Offline before exiting?"_s);
    EXPECT_FALSE(form->ended());
    EXPECT_TRUE(sitePage("Site.html").isEmpty());

    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    form->cmd_Exit_Click();
    EXPECT_TRUE(sitePage("Site.html").contains("Offline"));
    EXPECT_TRUE(form->ended());
}
