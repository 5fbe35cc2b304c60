// Ending the program stops every later event loop of the process, so each
// test that ends it lives in its own program.
#include "support/PublishFixture.h"

using ExitActions = PublishFixture;

TEST_F(ExitActions, OfflineOnExitPublishesEveryListedProfileThatIsOnline)
{
    WriteIni(u"Site"_s, u"Status"_s, u"Online"_s);
    twoLocalProfiles();
    mainAction("mnuGoOffline")->setChecked(true);
    form->cmd_Exit_Click();
    EXPECT_TRUE(sitePage("Site.html").contains("Offline"));
    EXPECT_TRUE(sitePage("Default.html").isEmpty()); // already offline: not contacted
    EXPECT_EQ(ini(u"Site"_s, "Status"), u"Offline"_s);
    EXPECT_TRUE(form->ended());
}
