// Ending the program stops every later event loop of the process, so each
// test that ends it lives in its own program.
#include "support/PublishFixture.h"

using ExitActions = PublishFixture;

TEST_F(ExitActions, OfflineOnExitPublishesEveryListedProfileThatIsOnline)
{
    WriteIni("Site", "Status", "Online");
    twoLocalProfiles();
    mainAction("mnuGoOffline")->setChecked(true);
    form->cmd_Exit_Click();
    EXPECT_TRUE(sitePage("Site.html").contains("Offline"));
    EXPECT_TRUE(sitePage("Default.html").isEmpty()); // already offline: not contacted
    EXPECT_EQ(ini("Site", "Status"), "Offline");
    EXPECT_TRUE(form->ended());
}
