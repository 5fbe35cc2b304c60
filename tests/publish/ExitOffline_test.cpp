#include "support/ExitFixture.h"

TEST_F(ExitActions, OfflineOnExitPublishesEveryListedProfileThatIsOnline)
{
    mainAction("mnuGoOffline")->setChecked(true);
    form->cmd_Exit_Click();
    EXPECT_TRUE(page("Site.html").contains("Offline"));
    EXPECT_TRUE(page("Default.html").isEmpty()); // already offline: not contacted
    EXPECT_EQ(ini(QStringLiteral("Site"), "Status"), QStringLiteral("Offline"));
    EXPECT_TRUE(form->ended());
}
