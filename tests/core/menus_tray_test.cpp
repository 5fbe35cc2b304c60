#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Form1.h"
#include "core/MenuTable.h"
#include "core/StatusIcons.h"
#include "core/TrayIcon.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Expected {
    const char* name;
    const char* caption;
    const char* shortcut;
    bool checked;
    bool enabled;
    bool visible;
};

// The menu tree as the user sees it after a first start, written out by hand
// rather than derived from the builder's own table.
const Expected kMain[] = {
    {"mnuOnline1", "&Online", "Ctrl+O", false, true, true},
    {"mnuOffline1", "Off&line", "Ctrl+L", false, true, true},
    {"mnuAbort", "&Abort", "F9", false, false, true},
    {"mnuExit1", "E&xit", "Ctrl+X", false, true, true},
    {"mnucredits", "&Show Credits", "", true, true, true},
    {"mnuSelPro", "Select &Profiles", "", false, true, true},
    {"mnuGoOnline", "Auto &Online", "", false, true, true},
    {"mnuGoOffline", "&Offline on Exit", "", true, true, true},
    {"mnuPrompt", "Prompt Offline on &Exit", "", false, true, true},
    {"mnuAutoDisconnect", "Auto &Disconnect", "", false, true, false},
    {"mnuRestore", "&Reconnect on Disconnect", "", false, true, true},
    {"mnuMin", "&Minimize to System Tray", "", false, true, true},
    {"mnuadd", "&Add", "", false, true, true},
    {"mnudel", "&Delete", "", false, true, true},
    {"mnuSave", "&Save", "", false, true, true},
    {"mnuEmailCheck", "&Check", "", false, true, true},
    {"mnuEmailSend", "Send &New", "", false, true, true},
    {"mnuMailSetup", "&Setup", "", false, true, true},
    {"mnuAway", "&Away", "", false, true, true},
    {"mnuViewM", "&View Log", "", false, true, true},
    {"mnuRestart", "&Restart", "", false, true, true},
    {"mnuMemoSetup", "&Setup", "", false, true, true},
    {"mnuCustom", "&Customize Launch", "", false, true, true},
    {"mnuContents", "Contents", "F1", false, true, true},
    {"mnuDebug", "&Debug Window", "", false, true, true},
    {"mnuhvrn", "&About", "", false, true, true},
    {"mnuOpen", "Open", "", false, true, true},
    {"mnuCheckMail", "Check Mail", "", false, true, true},
    {"mnuMailSend", "Send New", "", false, true, true},
    {"mnuOnline", "Online", "", false, true, true},
    {"mnuOffline", "Offline", "", false, true, true},
    {"mnuAway2", "Away", "", false, true, true},
    {"mnuMemo2", "Memo", "", false, true, false},
    {"mnuViewM2", "&View Log", "", false, true, true},
    {"mnuRestart2", "&Restart", "", false, true, true},
    {"mnuPrograms", "&Launch", "", false, true, false},
    {"mnuCustom1", "&Customize Launch", "", false, true, false},
    {"mnuExit", "E&xit", "", false, true, true},
};

class MenusTest : public ::testing::Test {
protected:
    void SetUp() override { Core() = CoreState{}; }
    TempHome home;
    PlatformDoubles doubles;
};

TEST_F(MenusTest, EveryItemHasItsCaptionShortcutAndInitialState)
{
    Form1 form;
    for (const Expected& e : kMain) {
        SCOPED_TRACE(e.name);
        QAction* a = form.action(e.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(e.caption));
        EXPECT_EQ(a->shortcut().toString(), QString::fromLatin1(e.shortcut));
        EXPECT_EQ(a->isChecked(), e.checked);
        EXPECT_EQ(a->isVisible(), e.visible);
        if (e.visible) {  // Qt reports every hidden action as disabled
            EXPECT_EQ(a->isEnabled(), e.enabled);
        }
    }
    for (int i = 0; i < kLaunchSlots; ++i) {
        for (const QString& name : {QStringLiteral("Item_%1"), QStringLiteral("mnuitem_%1")}) {
            QAction* a = form.action(name.arg(i));
            ASSERT_NE(a, nullptr);
            EXPECT_TRUE(a->text().isEmpty());
            EXPECT_FALSE(a->isVisible());
        }
    }
}

TEST_F(MenusTest, MenusComeInOrderWithTheirItemsInOrder)
{
    Form1 form;
    QStringList titles;
    for (QAction* m : form.menuBar()->actions())
        titles << m->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Options", "&Profile", "&Email", "&Memo", "&Launch", "&Help"}));
    auto names = [](QMenu* menu) {
        QStringList list;
        for (QAction* a : menu->actions())
            list << (a->isSeparator() ? (a->objectName().isEmpty() ? "-" : a->objectName()) : a->objectName());
        return list;
    };
    EXPECT_EQ(names(form.findChild<QMenu*>("mnuFile")),
              QStringList({"mnuOnline1", "mnuOffline1", "mnuAbort", "-", "mnuExit1"}));
    EXPECT_EQ(names(form.findChild<QMenu*>("mnuMemo")),
              QStringList({"mnuAway", "mnuViewM", "mnuRestart", "-", "mnuMemoSetup"}));
    EXPECT_EQ(names(form.findChild<QMenu*>("mnuAbout")),
              QStringList({"mnuContents", "-", "mnuDebug", "-", "mnuhvrn"}));
    const QStringList tray = names(form.trayMenu());
    EXPECT_EQ(tray.mid(0, 10), QStringList({"mnuOpen", "-", "mnuCheckMail", "mnuMailSend", "-", "mnuOnline",
                                            "mnuOffline", "mnuAway2", "mnuMemo2", "mnuPrograms"}));
    EXPECT_EQ(tray.mid(tray.size() - 3), QStringList({"mnuCustom1", "mnuspace4", "mnuExit"}));
    EXPECT_EQ(form.trayMenu()->defaultAction(), form.action("mnuOpen"));
}

TEST_F(MenusTest, TrayTipAndIconFollowTheStatus)
{
    Form1 form;
    EXPECT_EQ(TrayIcon::tipFor("Online"), "Status:Online");
    EXPECT_EQ(TrayIcon::tipFor(QString(100, 'x')).size(), 63);
    form.action("mnuMin")->trigger();  // tray option on
    EXPECT_TRUE(doubles.tray.present());
    EXPECT_EQ(ReadIni("StartUp", "Systray", ""), "True");
    Core().CurrentStatus = "Online";
    form.setStatusCaption("Online");
    EXPECT_EQ(doubles.tray.lastTip, "Status:Online");
    EXPECT_EQ(doubles.tray.lastIcon.cacheKey(), OnlineIcon().cacheKey());
    Core().CurrentStatus = "Offline";
    form.setStatusCaption("Offline");
    EXPECT_EQ(doubles.tray.lastTip, "Status:Offline");
    EXPECT_EQ(doubles.tray.lastIcon.cacheKey(), OfflineIcon().cacheKey());
    form.action("mnuMin")->trigger();  // off again
    EXPECT_FALSE(doubles.tray.present());
    EXPECT_EQ(ReadIni("StartUp", "Systray", ""), "False");
}

TEST_F(MenusTest, DoubleClickRestoresAndMinimisingHidesIntoTheTray)
{
    Form1 form;
    form.action("mnuMin")->trigger();
    form.show();
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
    doubles.tray.send(platform::kTrayLeftDoubleClick);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    // Already visible: only brought to the front.
    doubles.tray.send(platform::kTrayLeftDoubleClick);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MenusTest, WithoutATrayMinimisingKeepsTheWindowReachable)
{
    doubles.tray.isAvailable = false;
    Form1 form;
    form.action("mnuMin")->trigger();
    doubles.tray.remove();  // the desktop refused the icon
    form.show();
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MenusTest, TrayEventsWhileThePopUpIsOpenAreIgnored)
{
    Form1 form;
    form.hide();
    bool popupOpened = false;
    QTimer::singleShot(20, [&] {
        popupOpened = form.trayMenu()->isVisible();
        doubles.tray.send(platform::kTrayLeftDoubleClick);  // must be ignored
        form.trayMenu()->close();
    });
    doubles.tray.send(platform::kTrayRightButtonUp);
    EXPECT_TRUE(popupOpened);
    EXPECT_FALSE(form.isVisible());
    doubles.tray.send(platform::kTrayLeftDoubleClick);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MenusTest, OpenBringsBackAHiddenWindow)
{
    Form1 form;
    form.hide();
    form.action("mnuOpen")->trigger();
    EXPECT_TRUE(form.isVisible());
}

} // namespace
