#include "tools/Launcher.h"

#include "LauncherFixture.h"

#include <QFile>

namespace {

using LaunchMenus = LauncherFixture;

TEST_F(LaunchMenus, StartUpFillsBothMenusFromUsedSlotsOnly)
{
    StoreLaunchSlot(0, QStringLiteral("Editor"), QStringLiteral("/usr/bin/editor"));
    StoreLaunchSlot(2, QStringLiteral("Notes"), QStringLiteral("/home/u/notes.txt"));
    form->startUp(QString());

    EXPECT_TRUE(item(0)->isVisible());
    EXPECT_EQ(item(0)->text(), QStringLiteral("Editor"));
    EXPECT_FALSE(item(1)->isVisible());
    EXPECT_TRUE(item(1)->text().isEmpty());
    EXPECT_TRUE(item(2)->isVisible());
    EXPECT_EQ(trayItem(2)->text(), QStringLiteral("Notes"));
    EXPECT_TRUE(trayItem(0)->isVisible());
    EXPECT_FALSE(trayItem(1)->isVisible());
    for (int slot = 3; slot < 10; ++slot)
        EXPECT_FALSE(item(slot)->isVisible() || trayItem(slot)->isVisible()) << slot;
    EXPECT_TRUE(separatorsShown());
}

TEST_F(LaunchMenus, SeparatorsFollowSlotZeroAlone)
{
    StoreLaunchSlot(3, QStringLiteral("Later"), QStringLiteral("/x"));
    AddLaunch(*form);
    EXPECT_TRUE(item(3)->isVisible());
    EXPECT_TRUE(separatorsHidden());

    StoreLaunchSlot(0, QStringLiteral("First"), QStringLiteral("/y"));
    LoadLaunchSetttings(*form);
    EXPECT_TRUE(separatorsShown());

    StoreLaunchSlot(0, QString(), QString());
    LoadLaunchSetttings(*form);
    EXPECT_TRUE(separatorsHidden());
    EXPECT_FALSE(item(0)->isVisible());
    EXPECT_TRUE(item(0)->text().isEmpty());
}

TEST_F(LaunchMenus, AmpersandsInTitlesShowLiterallyAndStillLaunch)
{
    QFile doc(home.file(QStringLiteral("plan.txt")));
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.close();
    StoreLaunchSlot(1, QStringLiteral("R&D plan"), doc.fileName());
    AddLaunch(*form);
    EXPECT_EQ(item(1)->text(), QStringLiteral("R&&D plan"));
    item(1)->trigger();
    ASSERT_EQ(doubles.desktop.opened.size(), 1u);
    EXPECT_EQ(doubles.desktop.opened.front(), doc.fileName());
    EXPECT_TRUE(debugText().contains(QStringLiteral("[Launch] Executing R&D plan")));
}

class LaunchPrograms : public LauncherFixture {
protected:
    QString makeFile(const QString& name, bool executable)
    {
        QFile file(home.file(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return file.fileName();
    }
};

TEST_F(LaunchPrograms, DuplicateTitlesBothStartTheLowerSlotFromEitherMenu)
{
    const QString lower = makeFile(QStringLiteral("lower.txt"), false);
    const QString upper = makeFile(QStringLiteral("upper.txt"), false);
    StoreLaunchSlot(1, QStringLiteral("Same"), lower);
    StoreLaunchSlot(4, QStringLiteral("Same"), upper);
    AddLaunch(*form);

    item(4)->trigger();
    trayItem(1)->trigger();
    trayItem(4)->trigger();
    EXPECT_EQ(doubles.desktop.opened, (std::vector<QString>{lower, lower, lower}));
    EXPECT_TRUE(doubles.desktop.started.empty());
}

TEST_F(LaunchPrograms, ProgramsAreRunAndDocumentsAndAddressesOpened)
{
    const QString tool = makeFile(QStringLiteral("tool.sh"), true);
    StoreLaunchSlot(0, QStringLiteral("Tool"), tool);
    StoreLaunchSlot(1, QStringLiteral("Site"), QStringLiteral("https://example.org/"));
    AddLaunch(*form);
    LaunchProgram(*form, 0);
    LaunchProgram(*form, 1);
    ASSERT_EQ(doubles.desktop.started.size(), 1u);
    EXPECT_EQ(doubles.desktop.started.front().program, tool);
    EXPECT_TRUE(doubles.desktop.started.front().arguments.isEmpty());
    EXPECT_TRUE(doubles.desktop.started.front().workingDirectory.isEmpty());
    EXPECT_EQ(doubles.desktop.opened, (std::vector<QString>{QStringLiteral("https://example.org/")}));
    EXPECT_TRUE(debugText().contains(QStringLiteral("[Launch] Executing Tool")));
    EXPECT_TRUE(debugText().contains(QStringLiteral("[Launch] Executing Site")));
}

TEST_F(LaunchPrograms, AnEmptyPathLogsTheLaunchAndStartsNothing)
{
    StoreLaunchSlot(0, QStringLiteral("Nothing"), QString());
    AddLaunch(*form);
    item(0)->trigger();
    EXPECT_TRUE(doubles.desktop.opened.empty());
    EXPECT_TRUE(doubles.desktop.started.empty());
    EXPECT_TRUE(debugText().contains(QStringLiteral("[Launch] Executing Nothing")));
    EXPECT_TRUE(doubles.boxes.shown().empty());
}

TEST_F(LaunchPrograms, AMissingFileIsToldAndARefusalLogged)
{
    StoreLaunchSlot(0, QStringLiteral("Gone"), home.file(QStringLiteral("gone.bin")));
    StoreLaunchSlot(1, QStringLiteral("Refused"), makeFile(QStringLiteral("odd.xyz"), false));
    AddLaunch(*form);

    LaunchProgram(*form, 0);
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].text, QStringLiteral("Error: File not found!"));
    EXPECT_EQ(doubles.boxes.shown()[0].icon, platform::MsgIcon::Question);
    EXPECT_FALSE(debugText().contains(QStringLiteral("Executing Gone")));

    doubles.desktop.succeed = false;
    LaunchProgram(*form, 1);
    EXPECT_TRUE(debugText().contains(QStringLiteral("[Launch] Failed to execute Refused")));
    EXPECT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_FALSE(home.exists(QStringLiteral("error.log")));
}

TEST_F(LaunchPrograms, FreeOrUnknownItemsStartNothing)
{
    // A title cleared by an edit leaves the old path stored.
    StoreLaunchSlot(2, QString(), makeFile(QStringLiteral("old.txt"), false));
    StoreLaunchSlot(3, QStringLiteral("Renamed"), makeFile(QStringLiteral("r.txt"), false));
    AddLaunch(*form);
    LaunchProgram(*form, 2);
    // The menu still says "Renamed" but the store no longer has that title.
    StoreLaunchSlot(3, QStringLiteral("Other"), QStringLiteral("/r"));
    LaunchProgram(*form, 3);
    LaunchProgram(*form, 42);
    EXPECT_TRUE(doubles.desktop.opened.empty());
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_FALSE(debugText().contains(QStringLiteral("[Launch]")));
}

TEST(LaunchSlotsStore, KeysAreNumberedItemAndPathAndAbsentReadsEmpty)
{
    PlatformDoubles doubles;
    EXPECT_EQ(LowestFreeLaunchSlot(), 0);
    StoreLaunchSlot(0, QStringLiteral("A"), QStringLiteral("/a"));
    StoreLaunchSlot(9, QStringLiteral("Z"), QStringLiteral("/z"));
    EXPECT_EQ(doubles.store.values.value(QStringLiteral("Ostrevan\\HVRN/Utility/0Item")), QStringLiteral("A"));
    EXPECT_EQ(doubles.store.values.value(QStringLiteral("Ostrevan\\HVRN/Utility/9Path")), QStringLiteral("/z"));
    EXPECT_EQ(LowestFreeLaunchSlot(), 1);
    EXPECT_EQ(FindLaunchSlot(QStringLiteral("Z")), 9);
    EXPECT_EQ(FindLaunchSlot(QStringLiteral("z")), -1);
    EXPECT_TRUE(ReadLaunchSlot(5).path.isEmpty());
}

} // namespace
