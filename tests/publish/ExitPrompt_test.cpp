#include "support/ExitFixture.h"

TEST_F(ExitActions, PromptOnExitAsksAndCancelKeepsTheProgramRunning)
{
    mainAction("mnuPrompt")->setChecked(true);
    form->autoWindow()->lstProfiles->item(1)->setSelected(true);
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Cancel);
    form->cmd_Exit_Click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Go Offline before exiting?"));
    EXPECT_FALSE(form->ended());
    EXPECT_TRUE(page("Site.html").isEmpty());

    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    form->cmd_Exit_Click();
    EXPECT_TRUE(page("Site.html").contains("Offline"));
    EXPECT_TRUE(form->ended());
}
