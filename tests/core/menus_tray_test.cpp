#include "CoreFixture.h"
#include "core/StatusIcons.h"
#include "core/TrayIcon.h"

#include <QtCore/qtestsupport_core.h>

// One menu as the user meets it: name=caption per item, [shortcut], * when
// checked, ~ when disabled, (...) when hidden, "-" for a separator.
static QString shown(QMenu* menu)
{
    QStringList items;
    for (QAction* a : menu->actions()) {
        QString text = a->isSeparator() ? QStringLiteral("-") : a->objectName() + '=' + a->text();
        if (!a->shortcut().isEmpty())
            text += '[' + a->shortcut().toString() + ']';
        text = (a->isChecked() ? "*" : "") + text;
        // Qt reports every hidden action as disabled.
        items << (!a->isVisible() ? '(' + text + ')' : a->isEnabled() ? text : '~' + text);
    }
    return menu->title() + ": " + items.join('|');
}

using MenusTest = CoreTest;

TEST_F(MenusTest, TheMenusAreThoseOfAFirstStart)
{
    Form1 form;
    QStringList menus;
    for (QAction* m : form.menuBar()->actions())
        menus << shown(m->menu());
    auto freeSlots = [](const char* prefix) {
        QStringList all;
        for (int i = 0; i < 10; ++i)
            all << QStringLiteral("(%1%2=)").arg(prefix).arg(i);
        return all.join('|');
    };
    EXPECT_EQ(menus, QStringList(
                         {"&File: "
                          "mnuOnline1=&Online[Ctrl+O]|mnuOffline1=Off&line[Ctrl+L]|~mnuAbort=&Abort[F9]|-|"
                          "mnuExit1=E&xit[Ctrl+X]",
                          "&Options: *mnucredits=&Show Credits|-|mnuSelPro=Select &Profiles|mnuGoOnline=Auto "
                          "&Online|*mnuGoOffline="
                          "&Offline on Exit|mnuPrompt=Prompt Offline on &Exit|(mnuAutoDisconnect=Auto "
                          "&Disconnect)|-|mnuRestore="
                          "&Reconnect on Disconnect|-|mnuMin=&Minimize to System Tray|mnuStartLogin=Start at "
                          "&Login|*mnuNotify=Desktop &Notifications|mnuPresence=Presen&ce",
                          "&Profile: mnuadd=&Add|mnudel=&Delete|mnuSave=&Save",
                          "&Email: mnuEmailCheck=&Check|mnuEmailSend=Send &New|-|mnuMailSetup=&Setup",
                          "&Memo: mnuAway=&Away|mnuViewM=&View Log|mnuRestart=&Restart|-|mnuMemoSetup=&Setup",
                          "&Launch: " + freeSlots("Item_") + "|(-)|mnuCustom=&Customize Launch",
                          "&Help: mnuContents=Contents[F1]|-|mnuDebug=&Debug Window|-|mnuhvrn=&About"}));
    EXPECT_EQ(shown(form.trayMenu()),
              ": mnuOpen=Open|-|mnuCheckMail=Check Mail|mnuMailSend=Send New|-|mnuOnline=Online|"
              "mnuOffline=Offline|mnuAway2=Away|(mnuMemo2=Memo)|(mnuPrograms=&Launch)|-|" +
                  freeSlots("mnuitem_") + "|(mnuCustom1=&Customize Launch)|(-)|mnuExit=E&xit");
    EXPECT_EQ(shown(form.action("mnuMemo2")->menu()), "Memo: mnuViewM2=&View Log|mnuRestart2=&Restart");
    EXPECT_EQ(form.trayMenu()->defaultAction(), form.action("mnuOpen"));
}

TEST_F(MenusTest, TheTrayIconAndTipFollowTheStatusWhileMinimizeToTrayIsOn)
{
    Form1 form;
    EXPECT_EQ(TrayIcon::tipFor(QString(100, 'x')).size(), 63);
    form.action("mnuMin")->trigger();
    EXPECT_TRUE(doubles.tray.present() && ReadIni("StartUp", "Systray", "") == "True");
    for (const char* status : {"Online", "Offline"}) {
        Core().CurrentStatus = status;
        form.setStatusCaption(status);
        EXPECT_EQ(doubles.tray.lastTip, QStringLiteral("Status:") + status);
        EXPECT_EQ(doubles.tray.lastIcon.cacheKey(),
                  (Core().CurrentStatus == "Online" ? OnlineIcon() : OfflineIcon()).cacheKey());
    }
    form.action("mnuMin")->trigger();
    EXPECT_TRUE(!doubles.tray.present() && ReadIni("StartUp", "Systray", "") == "False");
}

// Minimising hides into the tray; double click or Open brings it back, but not while the pop-up is open.
TEST_F(MenusTest, TheTrayBringsTheWindowBackButNotWhileItsMenuIsOpen)
{
    Form1 form;
    form.action("mnuMin")->trigger();
    bool popupOpened = false;
    QTimer::singleShot(20, [&] {
        popupOpened = form.trayMenu()->isVisible();
        doubles.tray.send(platform::kTrayLeftDoubleClick); // must be ignored
        form.trayMenu()->close();
    });
    doubles.tray.send(platform::kTrayRightButtonUp);
    EXPECT_TRUE(popupOpened && !form.isVisible());
    for (const auto& [back, minimiseFirst] :
         {std::pair{"double click", true}, {"double click while shown", false}, {"Open", true}}) {
        SCOPED_TRACE(back);
        if (minimiseFirst) {
            form.show();
            form.showMinimized();
            QCoreApplication::processEvents();
            EXPECT_FALSE(form.isVisible());
        }
        back[0] == 'O' ? form.action("mnuOpen")->trigger()
                       : doubles.tray.send(platform::kTrayLeftDoubleClick);
        EXPECT_TRUE(form.isVisible() && !form.isMinimized());
    }
}

// At login the panel holding the tray may start after the program.
TEST_F(MenusTest, AWindowStartedMinimisedGoesIntoATrayThatAppearsLater)
{
    doubles.tray.isAvailable = false;
    Form1 form;
    form.action("mnuMin")->trigger();
    form.showMinimized();
    QCoreApplication::processEvents();
    ASSERT_FALSE(doubles.tray.present());
    doubles.tray.isAvailable = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return doubles.tray.present(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 1000)) << "the window hides into the tray";
    EXPECT_FALSE(form.action("mnuMin")->toolTip().contains("no notification area"));
}

// The real notification area, which no test machine has (nor GNOME by default).
TEST(NoNotificationArea, MinimisingLeavesTheWindowInTheTaskBarAndSaysWhyOnce)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this display has a tray";
    TempHome home;
    Core() = CoreState{};
    Form1 form;
    for (int toggle = 0; toggle < 3; ++toggle)
        form.action("mnuMin")->trigger();
    form.show();
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible() && !platform::trayArea().present());
    const QString why = "This desktop has no notification area: minimising keeps the window in the task bar";
    EXPECT_EQ(form.action("mnuMin")->toolTip(), why);
    EXPECT_EQ(form.debugWindow()->text().count(why), 1);
}

TEST_F(MenusTest, ALongStatusLineWrapsInsteadOfWideningTheWindow)
{
    Form1 form;
    form.show();
    QCoreApplication::processEvents();
    const int width = form.width();
    form.ftpStatus->setText(
        "Status: Default is now Online, without a network address: the host name somewhere cannot "
        "be found and no network interface has an address; memo server not listening: port "
        "4175 is in use by another program");
    EXPECT_LE(form.minimumSizeHint().width(), width);
}
