#include "CoreFixture.h"
#include "core/ExitProcedure.h"
#include "core/frmAuto.h"

class StartUpTest : public CoreTest {
  protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        auto record = [this](const char* step) { return [this, step] { steps << step; }; };
        Hooks().loadSounds = record("LoadSounds");
        Hooks().addLaunch = record("AddLaunch");
        Hooks().loadMailSettings = record("LoadMailSettings");
        Hooks().loadMemoServerSettings = [this](bool oneShot) {
            steps << (oneShot ? "LoadMemoServerSettings(one-shot)" : "LoadMemoServerSettings");
        };
        Hooks().loadMailbox = record("LoadMailbox");
        // Each upload as "profile:status:template"; a confirmed one records
        // the status in the profile, as publishing does.
        Hooks().uploadFile = [this](const QString& path, const QString& status) {
            uploads << form->Combo1->currentText() + ':' + status + ':' + path;
            WriteIni(form->Combo1->currentText(), "Status", status);
            Core().CurrentStatus = status;
        };
        for (const char* window : kExitWindowOrder)
            Hooks().closers.insert(window, [this, window] { closed << window; });
    }
    void TearDown() override { form.reset(), CoreTest::TearDown(); }

    Form1& start(const QString& commandLine = QString())
    {
        form.reset(), uploads.clear(), Core() = CoreState{};
        form = std::make_unique<Form1>();
        form->startUp(commandLine);
        return *form;
    }
    bool checked(const char* name) { return form->action(name)->isChecked(); }

    std::unique_ptr<Form1> form;
    QStringList steps, closed, uploads;
};

// Three profiles, the second missing, marked for Auto Update in two spellings.
const QByteArray kProfiles = "[Default]\r\nAUTO=1\r\n[Profile]\r\nCount=3\r\n1=alpha\r\n3=gamma\r\n"
                             "[gamma]\r\nauto=1\r\nStatus=online\r\n[alpha]\r\nStatus=Online\r\n";

TEST_F(StartUpTest, RunsTheStepsInOrder)
{
    Form1& f = start();
    EXPECT_EQ(steps, QStringList({"LoadSounds", "AddLaunch", "LoadMailSettings", "LoadMemoServerSettings",
                                  "LoadMailbox"}));
    EXPECT_TRUE(f.isVisible() && f.Timer3->isActive() && !Core().ExitAfterUpload);
}

// An empty stored status is Offline in red; Online is green.
TEST_F(StartUpTest, ShowsTheStoredStatusInItsColour)
{
    using Look = std::tuple<const char*, const char*, const char*>;
    for (const auto& [stored, shown, colour] :
         {Look{"", "Offline", "#FF0000"}, Look{"Online", "Online", "#008000"}}) {
        WriteIni("Default", "Status", stored);
        Form1& g = start();
        EXPECT_EQ(Core().CurrentStatus + '|' + g.SSPStatus->text(), QString(shown) + '|' + shown);
        EXPECT_TRUE(g.SSPStatus->styleSheet().contains(colour));
    }
}

TEST_F(StartUpTest, CommandLineSwitchesMatchWholeInAnyCase)
{
    home.writeFile("hvrn.ini", "[Default]\r\nHTML ONline=on.html\r\nHTML OFFline=off.html\r\n");
    const struct {
        const char* commandLine;
        QStringList uploads;
        bool minimised;
    } cases[] = {{"-ONLINE", {"Default:Online:on.html"}, true},
                 {"-offline", {"Default:Offline:off.html"}, true},
                 {"-min -online", {}, false},
                 {"-Min", {}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        steps.clear();
        Form1& g = start(c.commandLine);
        EXPECT_EQ(uploads, c.uploads);
        EXPECT_EQ(Core().ExitAfterUpload, !c.uploads.isEmpty());
        EXPECT_EQ(steps.contains("LoadMemoServerSettings(one-shot)"), !c.uploads.isEmpty());
        EXPECT_EQ(g.isMinimized(), c.minimised);
    }
}

TEST_F(StartUpTest, LoadsEverySettingIntoItsControl)
{
    SaveStoredPassword("Default", "pass", "ftp secret");
    home.writeFile(
        "hvrn.ini",
        home.readFile("hvrn.ini") +
            "Host=ftp.example.test\r\nHTML ONline=on.html\r\nLast Update=Online 12/1/26\r\n"
            "[StartUp]\r\nHTML Editor=/usr/bin/mousepad\r\nCredits=0\r\nSystray=-1\r\n[Debug]\r\n"
            "Enabled=True\r\n[DialUp]\r\nReconnect=1\r\nAuto Offline=False\r\nPrompt on Exit=true\r\n");
    Form1& f = start();
    EXPECT_EQ(
        QStringList(
            {f.txtHost->text(), f.File1->text(), f.txtPass->text(), f.lastUpdate->text(), f.txtHtml->text()}),
        QStringList({"ftp.example.test", "on.html", "ftp secret", "Online 12/1/26", "/usr/bin/mousepad"}));
    EXPECT_TRUE(!checked("mnucredits") && !checked("mnuGoOffline") && checked("mnuMin") &&
                checked("mnuRestore") && checked("mnuPrompt"));
    EXPECT_TRUE(f.debugWindow()->displayDisabled() && f.Timer2->isActive());
}

TEST_F(StartUpTest, ABadCheckMarkStopsOnlyThatLoader)
{
    home.writeFile("hvrn.ini", "[StartUp]\r\nHTML Editor=ed\r\nCredits=maybe\r\nSystray=1\r\n"
                               "[DialUp]\r\nPrompt on Exit=1\r\n[Startup]\r\nDebugLog=True\r\n");
    Form1& g = start();
    EXPECT_EQ(g.txtHtml->text(), "ed");
    EXPECT_TRUE(checked("mnucredits") && !checked("mnuMin") &&
                !checked("mnuPrompt")); // initial state, never reached
    EXPECT_EQ(home.readFile("error.log"), "[12/5/26 03:07:09 PM] 13 in LoadStartup\r\n");
    EXPECT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_TRUE(g.isVisible() && steps.contains("AddLaunch")); // the next loader still ran
}

TEST_F(StartUpTest, ProfilesLoadWithTheirGapsAndAutoMarks)
{
    home.writeFile("hvrn.ini", kProfiles);
    Form1& h = start();
    const frmAuto& list = *h.autoWindow();
    EXPECT_EQ(list.names(), QStringList({"Default", "alpha", "gamma"}));
    EXPECT_TRUE(h.Combo1->itemText(2) == "gamma" && list.isSelected(0) && !list.isSelected(1) &&
                list.isSelected(2));
    h.selectProfile("alpha");
    const QString alpha = h.SSPStatus->text();
    h.selectProfile("gamma"); // a status stored in lower case is not "Online"
    EXPECT_EQ(alpha + '|' + h.SSPStatus->text(), "Online|Offline");
}

// With a profile marked, Auto Online needs no list to pick from.
TEST_F(StartUpTest, OptionItemsStoreTheirMarks)
{
    home.writeFile("hvrn.ini", kProfiles);
    Form1& h = start();
    h.action("mnuRestore")->trigger();
    EXPECT_TRUE(h.Timer2->isActive());
    const struct {
        const char *item, *section, *key, *stored;
    } marks[] = {{"mnuRestore", "DialUp", "Reconnect", "False"},
                 {"mnuGoOnline", "DialUp", "Auto Online", "True"},
                 {"mnuPrompt", "DialUp", "Prompt on Exit", "True"},
                 {"mnucredits", "StartUp", "Credits", "False"}};
    for (const auto& [item, section, key, stored] : marks) {
        h.action(item)->trigger();
        EXPECT_EQ(ReadIni(section, key, ""), stored) << item;
    }
    EXPECT_FALSE(h.Timer2->isActive());
}

TEST_F(StartUpTest, MarkingAProfileInTheAutoListStoresOnlyItsMark)
{
    home.writeFile("hvrn.ini", kProfiles);
    Form1& h = start();
    h.autoWindow()->lstProfiles->item(1)->setSelected(true);
    h.autoWindow()->lstProfiles_Click(1);
    EXPECT_EQ(ReadIni("alpha", "Auto", "") + '|' + ReadIni("Default", "Auto", "<none>"), "True|1");
}

TEST_F(StartUpTest, AwayIsMirroredInBothMenus)
{
    Form1& f = start();
    for (bool on : {true, false, true}) {
        f.action(on ? "mnuAway2" : "mnuAway")->trigger();
        EXPECT_TRUE(checked("mnuAway") == on && checked("mnuAway2") == on);
    }
}

// Away is no status: it is saved, and Offline on Exit has nothing online to take down.
TEST_F(StartUpTest, ExitSavesTheStateAndClosesTheWindowsInOrder)
{
    Form1& f = start();
    f.action("mnuAway")->trigger();
    f.txtHtml->setText("/usr/bin/gedit");
    f.txtHost->setText("edited.host");
    f.txtPass->setText("pw");
    int endedWith = -1;
    QObject::connect(&f, &Form1::programEnded, [&](int code) { endedWith = code; });
    f.action("mnuExit1")->trigger();
    EXPECT_TRUE(endedWith == 0 && f.ended());
    EXPECT_EQ(QStringList({ReadIni("Memo", "Away", ""), ReadIni("StartUp", "HTML Editor", ""),
                           ReadIni("StartUp", "Status", ""), ReadIni("Default", "Host", "")}),
              QStringList({"True", "/usr/bin/gedit", "Offline", "edited.host"}));
    EXPECT_EQ(LoadStoredPassword("Default", "pass"), "pw");
    EXPECT_FALSE(home.readFile("hvrn.ini").contains("pw\r\n"));
    EXPECT_EQ(closed, QStringList({"frmMemoServer", "frmConfig", "frmMailSetup", "frmAbout", "frmAddAddress",
                                   "frmMail", "frmMemo", "frmPop3"}));
    EXPECT_TRUE(uploads.isEmpty()); // Offline on Exit, but nothing was online
}

TEST_F(StartUpTest, TheExitPublishesOfflineToTheProfilesItsSettingsAndTheAnswerChoose)
{
    const QByteArray three = "[Profile]\r\nCount=2\r\n1=a\r\n2=b\r\n",
                     asked = "[DialUp]\r\nPrompt on Exit=1\r\n[Default]\r\nAUTO=1\r\nStatus=Online\r\n";
    using A = platform::MsgAnswer;
    using T = ExitTrigger;
    // The uploads as "profile:status:template", joined by '|'.
    const struct {
        const char* what;
        QByteArray ini;
        T trigger;
        A answer;
        const char* uploads;
        size_t boxes;
    } cases[] = {
        {"prompt, Yes: selected online profiles only",
         asked + "HTML OFFline=d-off.html\r\n" + three +
             "[a]\r\nAUTO=0\r\nStatus=Online\r\n[b]\r\nAUTO=1\r\nStatus=Offline\r\n",
         T::User, A::Yes, "Default:Offline:d-off.html", 1},
        {"prompt, Cancel: keeps running; the close box asks again, No exits unpublished", asked, T::User,
         A::Cancel, "", 1},
        {"offline on exit: every listed profile that is online",
         "[DialUp]\r\nAuto Offline=1\r\n[Default]\r\nStatus=Offline\r\n" + three +
             "[a]\r\nStatus=Online\r\n[b]\r\nStatus=Online\r\nAUTO=1\r\n",
         T::User, A::Yes, "a:Offline:|b:Offline:", 0},
        {"prompt with nothing selected falls back to offline on exit",
         "[DialUp]\r\nPrompt on Exit=1\r\nAuto Offline=1\r\n[Default]\r\nStatus=Online\r\n", T::User, A::Yes,
         "Default:Offline:", 0},
        {"a signal asks nothing", asked, T::Signal, A::Yes, "Default:Offline:", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        home.writeFile("hvrn.ini", c.ini);
        Form1& f = start();
        doubles.boxes.clear();
        closed.clear();
        doubles.boxes.setNextAnswer(c.answer);
        f.cmd_Exit_Click(c.trigger);
        if (c.answer == A::Cancel) { // closing the window asks again
            EXPECT_FALSE(f.ended() || f.exiting() || Core().ExitAfterUpload || !closed.isEmpty());
            doubles.boxes.setNextAnswer(A::No);
            f.close();
        }
        EXPECT_EQ(uploads.join(u'|').toStdString(), c.uploads);
        ASSERT_EQ(doubles.boxes.shown().size(), c.boxes * (c.answer == A::Cancel ? 2 : 1));
        for (const auto& box : doubles.boxes.shown()) {
            EXPECT_EQ(box.text + '|' + box.title, "Go Offline before exiting?|Warning Dialog");
            EXPECT_EQ(box.buttons, platform::MsgButtons::YesNoCancel);
        }
        EXPECT_TRUE(f.ended());
        // Offline on Exit gives the selector back.
        EXPECT_TRUE(c.trigger != T::User || c.boxes != 0 || f.Combo1->isEnabled());
    }
}

TEST_F(StartUpTest, AnExitAskedForDuringTheExitUploadIsIgnored)
{
    home.writeFile("hvrn.ini", "[DialUp]\r\nAuto Offline=1\r\n[Default]\r\nStatus=Online\r\n");
    Form1& g = start();
    int exits = 0;
    QObject::connect(&g, &Form1::programEnded, [&] { ++exits; });
    Hooks().uploadFile = [&](const QString&, const QString&) {
        g.cmd_Exit_Click(); // the user clicks Exit again while the upload waits
        g.close();
    };
    g.cmd_Exit_Click();
    EXPECT_EQ(exits, 1);
}
