#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/ExitProcedure.h"
#include "core/Form1.h"
#include "core/frmAuto.h"
#include "core/frmDebug.h"
#include "core/Ini.h"
#include "core/Encrypt.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Upload {
    QString templatePath;
    QString status;
    QString profile;
};

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Core() = CoreState{};
        Hooks() = AppHooks{};
        auto record = [this](const char* step) { return [this, step] { steps << step; }; };
        Hooks().loadSounds = record("LoadSounds");
        Hooks().addLaunch = record("AddLaunch");
        Hooks().loadMailSettings = record("LoadMailSettings");
        Hooks().loadMemoServerSettings = [this](bool oneShot) {
            steps << (oneShot ? "LoadMemoServerSettings(one-shot)" : "LoadMemoServerSettings");
        };
        Hooks().loadMailbox = record("LoadMailbox");
        Hooks().uploadFile = [this](const QString& path, const QString& status) {
            uploads.push_back({path, status, form->Combo1->currentText()});
            steps << "Upload " + status;
            // A confirmed upload records the status in the profile, as publishing does.
            WriteIni(form->Combo1->currentText(), "Status", status);
            Core().CurrentStatus = status;
        };
        for (const char* window : kExitWindowOrder)
            Hooks().closers.insert(window, [this, window] { closed << window; });
        Core().DebugToFile = false;
    }
    void TearDown() override
    {
        form.reset();
        Hooks() = AppHooks{};
        Core() = CoreState{};
    }

    Form1& start(const QString& commandLine = QString())
    {
        form.reset();
        form = std::make_unique<Form1>();
        form->startUp(commandLine);
        return *form;
    }
    bool checked(const char* name) { return form->action(name)->isChecked(); }

    TempHome home;
    PlatformDoubles doubles;
    std::unique_ptr<Form1> form;
    QStringList steps;
    QStringList closed;
    std::vector<Upload> uploads;
};

TEST_F(StartUpTest, RunsTheStepsInOrderAndEndsWithAllSettingsLoaded)
{
    home.writeFile("hvrn.ini", "[Startup]\r\nDebugLog=True\r\n");
    Form1& f = start();
    EXPECT_EQ(steps, QStringList({"LoadSounds", "AddLaunch", "LoadMailSettings", "LoadMemoServerSettings",
                                  "LoadMailbox"}));
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.Timer3->isActive());
    EXPECT_TRUE(home.readFile("debug.log").endsWith("[03:07:09 PM]\t[HVRN] All Settings Loaded\r\n"));
    EXPECT_FALSE(Core().ExitAfterUpload);
}

TEST_F(StartUpTest, EmptyStoredStatusShowsOfflineInRedAndOnlineIsGreen)
{
    Form1& f = start();
    EXPECT_EQ(Core().CurrentStatus, "Offline");
    EXPECT_EQ(f.SSPStatus->text(), "Offline");
    EXPECT_TRUE(f.SSPStatus->styleSheet().contains("#FF0000"));
    form.reset();
    home.writeFile("hvrn.ini", "[Default]\r\nStatus=Online\r\n");
    Form1& g = start();
    EXPECT_EQ(g.SSPStatus->text(), "Online");
    EXPECT_TRUE(g.SSPStatus->styleSheet().contains("#008000"));
}

TEST_F(StartUpTest, LoadsEveryStartUpSettingIntoItsControl)
{
    SaveStoredPassword("Default", "pass", "ftp secret");
    WriteIni("Default", "Host", "ftp.example.test");
    WriteIni("Default", "HTML ONline", "on.html");
    WriteIni("Default", "Last Update", "Online 12/1/26");
    WriteIni("StartUp", "HTML Editor", "/usr/bin/mousepad");
    WriteIni("StartUp", "Credits", "0");
    WriteIni("StartUp", "Systray", "-1");
    WriteIni("Debug", "Enabled", "True");
    WriteIni("DialUp", "Reconnect", "1");
    WriteIni("DialUp", "Auto Offline", "False");
    WriteIni("DialUp", "Prompt on Exit", "true");
    Form1& f = start();
    EXPECT_EQ(f.txtHost->text(), "ftp.example.test");
    EXPECT_EQ(f.File1->text(), "on.html");
    EXPECT_EQ(f.txtPass->text(), "ftp secret");
    EXPECT_EQ(f.lastUpdate->text(), "Online 12/1/26");
    EXPECT_EQ(f.txtHtml->text(), "/usr/bin/mousepad");
    EXPECT_FALSE(checked("mnucredits"));
    EXPECT_TRUE(checked("mnuMin"));
    EXPECT_TRUE(f.debugWindow()->displayDisabled());
    EXPECT_TRUE(checked("mnuRestore"));
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_FALSE(checked("mnuGoOffline"));
    EXPECT_TRUE(checked("mnuPrompt"));
}

TEST_F(StartUpTest, ABadCheckMarkStopsOnlyThatLoader)
{
    home.writeFile("hvrn.ini", "[StartUp]\r\nHTML Editor=ed\r\nCredits=maybe\r\nSystray=1\r\n"
                               "[DialUp]\r\nPrompt on Exit=1\r\n[Startup]\r\nDebugLog=True\r\n");
    Form1& f = start();
    EXPECT_EQ(f.txtHtml->text(), "ed");
    EXPECT_TRUE(checked("mnucredits"));   // kept its initial state
    EXPECT_FALSE(checked("mnuMin"));      // never reached
    EXPECT_FALSE(checked("mnuPrompt"));
    EXPECT_EQ(home.readFile("error.log"), "[12/5/26 03:07:09 PM] 13 in LoadStartup\r\n");
    EXPECT_TRUE(doubles.boxes.shown().size() == 1u);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(steps.contains("AddLaunch"));  // the next loader still ran
}

TEST_F(StartUpTest, ProfilesLoadWithGapsAndTheirAutoMarks)
{
    home.writeFile("hvrn.ini", "[Default]\r\nAUTO=True\r\n[Profile]\r\nCount=3\r\n1=alpha\r\n3=gamma\r\n"
                               "[gamma]\r\nauto=1\r\nStatus=online\r\n[alpha]\r\nStatus=Online\r\n");
    Form1& f = start();
    ASSERT_EQ(f.Combo1->count(), 3);
    EXPECT_EQ(f.Combo1->itemText(1), "alpha");
    EXPECT_EQ(f.Combo1->itemText(2), "gamma");
    const frmAuto& list = *f.autoWindow();
    EXPECT_EQ(list.names(), QStringList({"Default", "alpha", "gamma"}));
    EXPECT_TRUE(list.isSelected(0));
    EXPECT_FALSE(list.isSelected(1));
    EXPECT_TRUE(list.isSelected(2));
    f.selectProfile("alpha");
    EXPECT_EQ(f.SSPStatus->text(), "Online");
    // A status stored in lower case is not "Online".
    f.selectProfile("gamma");
    EXPECT_EQ(Core().CurrentStatus, "Offline");
    EXPECT_EQ(f.SSPStatus->text(), "Offline");
}

TEST_F(StartUpTest, SwitchesAreMatchedWholeAndInAnyCase)
{
    WriteIni("Default", "HTML ONline", "on.html");
    WriteIni("Default", "HTML OFFline", "off.html");
    start("-ONLINE");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].templatePath, "on.html");
    EXPECT_EQ(uploads[0].status, "Online");
    EXPECT_TRUE(Core().ExitAfterUpload);
    EXPECT_TRUE(steps.contains("LoadMemoServerSettings(one-shot)"));
    EXPECT_FALSE(form->Timer3->isActive() && form->isVisible() && !form->isMinimized());

    Core() = CoreState{};
    uploads.clear();
    start("-offline");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].templatePath, "off.html");

    Core() = CoreState{};
    uploads.clear();
    Form1& both = start("-min -online");
    EXPECT_TRUE(uploads.empty());
    EXPECT_FALSE(Core().ExitAfterUpload);
    EXPECT_TRUE(both.isVisible());
    EXPECT_FALSE(both.isMinimized());

    Form1& minimised = start("-Min");
    EXPECT_TRUE(minimised.isMinimized());
    EXPECT_TRUE(uploads.empty());
}

TEST_F(StartUpTest, AwayModeIsMirroredInBothMenus)
{
    Form1& f = start();
    f.action("mnuAway2")->trigger();
    EXPECT_TRUE(checked("mnuAway"));
    EXPECT_TRUE(checked("mnuAway2"));
    f.action("mnuAway")->trigger();
    EXPECT_FALSE(checked("mnuAway"));
    EXPECT_FALSE(checked("mnuAway2"));
    // Away is not a published status.
    EXPECT_EQ(Core().CurrentStatus, "Offline");
}

TEST_F(StartUpTest, ExitSavesStateDeletesThePageAndClosesWindowsInOrder)
{
    Form1& f = start();
    f.action("mnuAway")->trigger();
    f.txtHtml->setText("/usr/bin/gedit");
    f.txtHost->setText("edited.host");
    f.txtPass->setText("pw");
    home.writeFile("$$tmp$$", "page");
    int endedWith = -1;
    QObject::connect(&f, &Form1::programEnded, [&](int code) { endedWith = code; });
    f.action("mnuExit1")->trigger();
    EXPECT_EQ(endedWith, 0);
    EXPECT_TRUE(f.ended());
    EXPECT_FALSE(home.exists("$$tmp$$"));
    EXPECT_EQ(ReadIni("Memo", "Away", ""), "True");
    EXPECT_EQ(ReadIni("StartUp", "HTML Editor", ""), "/usr/bin/gedit");
    EXPECT_EQ(ReadIni("StartUp", "Status", ""), "Offline");
    EXPECT_EQ(ReadIni("Default", "Host", ""), "edited.host");
    EXPECT_EQ(LoadStoredPassword("Default", "pass"), "pw");
    EXPECT_FALSE(home.readFile("hvrn.ini").contains("pw\r\n"));
    EXPECT_EQ(closed, QStringList({"frmMemoServer", "frmConfig", "frmMailSetup", "frmAbout",
                                   "frmAddAddress", "frmMail", "frmMemo", "frmPop3"}));
    EXPECT_TRUE(uploads.empty());  // Offline on Exit, but nothing was online
}

TEST_F(StartUpTest, CancelAtTheQuestionKeepsTheProgramRunning)
{
    home.writeFile("hvrn.ini", "[DialUp]\r\nPrompt on Exit=1\r\n[Default]\r\nAUTO=1\r\nStatus=Online\r\n");
    Form1& f = start();
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Cancel);
    f.cmd_Exit_Click();
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    const auto& box = doubles.boxes.shown().front();
    EXPECT_EQ(box.text, "Go Offline before exiting?");
    EXPECT_EQ(box.title, "Warning Dialog");
    EXPECT_EQ(box.buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_FALSE(f.ended());
    EXPECT_FALSE(f.exiting());
    EXPECT_FALSE(Core().ExitAfterUpload);
    EXPECT_TRUE(closed.isEmpty());
    EXPECT_TRUE(uploads.empty());
    // Closing the window asks again; No exits without publishing.
    doubles.boxes.setNextAnswer(platform::MsgAnswer::No);
    f.close();
    EXPECT_TRUE(f.ended());
    EXPECT_TRUE(uploads.empty());
}

TEST_F(StartUpTest, PromptYesPublishesOfflineForSelectedOnlineProfilesOnly)
{
    home.writeFile("hvrn.ini", "[DialUp]\r\nPrompt on Exit=1\r\n[Default]\r\nAUTO=1\r\nStatus=Online\r\n"
                               "HTML OFFline=d-off.html\r\n[Profile]\r\nCount=2\r\n1=a\r\n2=b\r\n"
                               "[a]\r\nAUTO=0\r\nStatus=Online\r\n[b]\r\nAUTO=1\r\nStatus=Offline\r\n");
    Form1& f = start();
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    f.cmd_Exit_Click();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].profile, "Default");
    EXPECT_EQ(uploads[0].status, "Offline");
    EXPECT_EQ(uploads[0].templatePath, "d-off.html");
    EXPECT_TRUE(f.ended());
}

TEST_F(StartUpTest, OfflineOnExitCoversEveryListedProfileThatIsOnline)
{
    home.writeFile("hvrn.ini", "[DialUp]\r\nAuto Offline=1\r\n[Default]\r\nStatus=Offline\r\n"
                               "[Profile]\r\nCount=2\r\n1=a\r\n2=b\r\n[a]\r\nStatus=Online\r\n"
                               "[b]\r\nStatus=Online\r\nAUTO=1\r\n");
    Form1& f = start();
    f.cmd_Exit_Click();
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_EQ(uploads[0].profile, "a");
    EXPECT_EQ(uploads[1].profile, "b");
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_TRUE(f.Combo1->isEnabled());
    EXPECT_TRUE(f.ended());
}

TEST_F(StartUpTest, PromptWithNoSelectedProfileFallsBackToOfflineOnExit)
{
    home.writeFile("hvrn.ini", "[DialUp]\r\nPrompt on Exit=1\r\nAuto Offline=1\r\n[Default]\r\nStatus=Online\r\n");
    Form1& f = start();
    f.cmd_Exit_Click();
    EXPECT_TRUE(doubles.boxes.shown().empty());
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].status, "Offline");
}

TEST_F(StartUpTest, ASignalExitsWithoutAQuestion)
{
    home.writeFile("hvrn.ini", "[DialUp]\r\nPrompt on Exit=1\r\n[Default]\r\nAUTO=1\r\nStatus=Online\r\n");
    Form1& f = start();
    f.cmd_Exit_Click(ExitTrigger::Signal);
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_EQ(uploads.size(), 1u);
    EXPECT_TRUE(f.ended());
}

TEST_F(StartUpTest, AnExitRequestDuringAnExitUploadIsIgnored)
{
    home.writeFile("hvrn.ini", "[DialUp]\r\nAuto Offline=1\r\n[Default]\r\nStatus=Online\r\n");
    Form1& f = start();
    int exits = 0;
    QObject::connect(&f, &Form1::programEnded, [&] { ++exits; });
    Hooks().uploadFile = [&](const QString&, const QString&) {
        f.cmd_Exit_Click();  // the user clicks Exit again while the upload waits
        f.close();
    };
    f.cmd_Exit_Click();
    EXPECT_EQ(exits, 1);
}

TEST_F(StartUpTest, WithoutPublishingTheCommandsOnlyLog)
{
    Hooks().uploadFile = nullptr;
    Core().DebugToFile = true;
    home.writeFile("hvrn.ini", "[Startup]\r\nDebugLog=True\r\n");
    Form1& f = start();
    f.cmd_Online->click();
    EXPECT_TRUE(home.readFile("debug.log").contains("[HVRN] Publishing is not available in this build"));
    EXPECT_EQ(Core().CurrentStatus, "Offline");
}

TEST_F(StartUpTest, OptionItemsStoreTheirMarksAndRunTheReconnectTimer)
{
    home.writeFile("hvrn.ini", "[Default]\r\nAUTO=1\r\n");
    Form1& f = start();
    f.action("mnuRestore")->trigger();
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_EQ(ReadIni("DialUp", "Reconnect", ""), "True");
    f.action("mnuRestore")->trigger();
    EXPECT_FALSE(f.Timer2->isActive());
    f.action("mnuGoOnline")->trigger();
    EXPECT_EQ(ReadIni("DialUp", "Auto Online", ""), "True");
    f.action("mnuPrompt")->trigger();
    EXPECT_EQ(ReadIni("DialUp", "Prompt on Exit", ""), "True");
    f.action("mnucredits")->trigger();
    EXPECT_EQ(ReadIni("StartUp", "Credits", ""), "False");
}

TEST_F(StartUpTest, AutoUpdateListClickWritesOnlyThatProfilesKey)
{
    home.writeFile("hvrn.ini", "[Profile]\r\nCount=1\r\n1=a\r\n");
    Form1& f = start();
    frmAuto& list = *f.autoWindow();
    list.lstProfiles->item(1)->setSelected(true);
    list.lstProfiles_Click(1);
    EXPECT_EQ(ReadIni("a", "Auto", ""), "True");
    EXPECT_EQ(ReadIni("Default", "Auto", "<none>"), "<none>");
}

} // namespace
