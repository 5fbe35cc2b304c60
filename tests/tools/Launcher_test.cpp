#include "ToolsFixture.h"

using Launcher = Tools;

// Ten slots as a start-up fills them, every used one then launched from the
// main menu and two from the tray.
class LaunchedAtStartUp : public Tools {
  protected:
    void SetUp() override
    {
        Tools::SetUp();
        tool = makeFile("tool.sh", true);
        doc = makeFile("plan.txt", false);
        // The lower slot's file starts for a repeated title; a bare name is looked up on PATH.
        launcher({{},
                  {"Tool", tool},
                  {"R&D plan", doc},
                  {"Site", "https://example.org/"},
                  {"Nothing", {}},
                  {"Tool", makeFile("other.sh", true)},
                  {},
                  {},
                  {},
                  {"Shell", "sh"}},
                 true); // the tenth slot
        shownAtStart = menus();
        for (int slot : {1, 2, 3, 4, 5, 9})
            item(slot)->trigger();
        trayItem(1)->trigger();
        trayItem(5)->trigger();
    }
    QString tool, doc, shownAtStart;
};

TEST_F(LaunchedAtStartUp, TheMenusShowTheUsedSlotsOnly)
{
    EXPECT_EQ(shownAtStart, "-,Tool,R&&D plan,Site,Nothing,Tool,-,-,-,Shell");
}

TEST_F(LaunchedAtStartUp, ProgramsRunAndARepeatedTitleRunsTheLowerSlotsFile)
{
    QStringList started;
    for (const auto& start : doubles.desktop.started)
        started << (start.program == tool                   ? "tool"
                    : QFileInfo(start.program).isAbsolute() ? start.program.section('/', -1)
                                                            : start.program) +
                       start.arguments.join(' ') + start.workingDirectory;
    EXPECT_EQ(started, QStringList({"tool", "tool", "sh", "tool", "tool"}));
}

TEST_F(LaunchedAtStartUp, DocumentsAndAddressesOpenWithTheDesktop)
{
    EXPECT_EQ(doubles.desktop.opened, (std::vector<QString>{doc, "https://example.org/"}));
}

TEST_F(LaunchedAtStartUp, EveryLaunchIsLoggedAndAnEmptyPathOnlyThat)
{
    for (const char* title : {"Tool", "R&D plan", "Site", "Nothing", "Shell"})
        EXPECT_TRUE(debugText().contains(QStringLiteral("[Launch] Executing ") + title)) << title;
    EXPECT_TRUE(doubles.boxes.shown().empty());
}

TEST_F(Launcher, AMissingFileIsToldInABox)
{
    launcher({{"Gone", home.file("gone.bin")}});
    LaunchProgram(*form, 0);
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].text, "Error: File not found!");
    EXPECT_EQ(doubles.boxes.shown()[0].icon, platform::MsgIcon::Question);
    EXPECT_TRUE(doubles.desktop.opened.empty());
}

TEST_F(Launcher, AFileTheDesktopRefusesIsLoggedWithoutABox)
{
    launcher({{"Refused", makeFile("odd.xyz", false)}});
    doubles.desktop.succeed = false;
    LaunchProgram(*form, 0);
    EXPECT_TRUE(debugText().contains("[Launch] Failed to execute Refused"));
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_FALSE(home.exists("error.log"));
}

TEST_F(Launcher, FreeOrUnknownItemsStartNothing)
{
    // A title cleared by an edit leaves the old path stored.
    launcher({{}, {}, {{}, makeFile("old.txt", false)}, {"Renamed", makeFile("r.txt", false)}});
    // The menu still says "Renamed"; titles must match exactly, case too.
    StoreLaunchSlot(3, "renamed", "/r");
    for (int slot : {0, 2, 3, 42})
        LaunchProgram(*form, slot);
    EXPECT_TRUE(doubles.desktop.opened.empty());
    EXPECT_TRUE(doubles.desktop.started.empty());
    EXPECT_FALSE(debugText().contains("[Launch]"));
    EXPECT_TRUE(doubles.boxes.shown().empty());
}

TEST_F(Editor, AddAsksForAFileAndEnterSavesItInTheLowestFreeSlot)
{
    openEditor({{"Zero", "/bin/zero"}, {}, {"Two", "/bin/two"}});
    doubles.dialogs.setNextResult("/opt/new/tool");
    editor->cmd_Control[0]->click();
    settle();
    ASSERT_EQ(doubles.dialogs.shown().size(), 1u);
    const auto& [kind, asked] = doubles.dialogs.shown()[0];
    EXPECT_EQ(kind, platform::ScriptedFileDialogs::Kind::Open);
    EXPECT_EQ(asked.title + '|' + asked.qtFilter + '|' + asked.startDirectory,
              "Select Program to add|Excutable files (*.exe);;All files (*.*)|" + ProgramDir());
    EXPECT_EQ(shows(), "Add Program 164 [|/opt/new/tool] {Zero,Two}");
    editor->Text1->setText("New");
    QTest::keyClick(editor->Text1, Qt::Key_Return); // Enter saves, once
    settle();
    EXPECT_EQ(storedSlot(1) + ' ' + storedSlot(3), "New|/opt/new/tool <absent>|<absent>");
    EXPECT_EQ(shows() + " / " + menus(), "Launch Menu 188 {Zero,New,Two} / Zero,New,Two mnuspace4 mnuspace5");
}

TEST_F(Editor, BackingOutAtAnyStepStoresNothing)
{
    openEditor({{"Zero", "/bin/zero"}});
    const auto before = doubles.store.values;
    editor->cmd_Control[0]->click(); // the file dialog is cancelled
    EXPECT_EQ(shows(), "Launch Menu 188 {Zero}");
    editor->offerFile("/some/file");
    editor->Text1->setText("Never");
    editor->cmdCancel->click();
    settle();
    EXPECT_EQ(shows(), "Launch Menu 188 {Zero}");
    editor->offerFile("/x");
    save({}); // no title: the window closes
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(doubles.store.values, before);
}

class FullEditor : public Editor {
  protected:
    // Nine programs stored, the editor open.
    void SetUp() override
    {
        Editor::SetUp();
        for (int slot = 0; slot < 9; ++slot)
            StoreLaunchSlot(slot, QStringLiteral("P%1").arg(slot), QStringLiteral("/p%1").arg(slot));
        openEditor();
    }
};

// The tenth takes the last slot; its item starts it as
// LaunchedAtStartUp.ProgramsRunAndARepeatedTitleRunsTheLowerSlotsFile shows.
TEST_F(FullEditor, AnEleventhProgramIsRefusedAndTheTenStay)
{
    editor->offerFile("/p9");
    save("P9");
    const auto ten = doubles.store.values;
    editor->offerFile("/eleven");
    save("Eleven");
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title + '|' + doubles.boxes.shown()[0].text,
              "Too many programs|Please remove a program to make room");
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(doubles.store.values, ten);
    EXPECT_EQ(storedSlot(9) + ' ' + menus(), "P9|/p9 P0,P1,P2,P3,P4,P5,P6,P7,P8,P9 mnuspace4 mnuspace5");
}

class ThreeProgramEditor : public Editor {
  protected:
    void SetUp() override
    {
        Editor::SetUp();
        openEditor({{"First", "/a"}, {"Second", "/b"}, {"Old", "/old"}});
    }
    void editRow(int row)
    {
        editor->lstName->setCurrentRow(row);
        editor->cmd_Control[2]->click();
        settle();
    }
};

TEST_F(ThreeProgramEditor, WithNothingSelectedDeleteAndEditDoNothing)
{
    const auto before = doubles.store.values;
    editor->cmd_Control[1]->click();
    editor->cmd_Control[2]->click();
    EXPECT_EQ(shows(), "Launch Menu 188 {First,Second,Old}");
    EXPECT_EQ(doubles.store.values, before);
}

TEST_F(ThreeProgramEditor, ADropOfNoLocalFileIsRefused)
{
    for (const QList<QUrl>& refused : {QList<QUrl>{QUrl("https://example.org/page")}, QList<QUrl>{},
                                       QList<QUrl>{QUrl::fromLocalFile('/' + QString(260, 'x'))}})
        EXPECT_FALSE(drop(refused));
    EXPECT_EQ(shows(), "Launch Menu 188 {First,Second,Old}");
}

TEST_F(ThreeProgramEditor, ADropWhileEditingReplacesTheEditedPath)
{
    editRow(2); // "Old"
    EXPECT_EQ(shows(), "Edit Program 164 [Old|/old] edit 2 {First,Second,Old}");
    const QString better = home.file("better.sh");
    EXPECT_TRUE(drop({QUrl::fromLocalFile(better)}));
    settle();
    EXPECT_EQ(shows(), "Edit Program 164 [Old|" + better + "] edit 2 {First,Second,Old}");
}

TEST_F(ThreeProgramEditor, SavingAnEditKeepsTheProgramsSlot)
{
    editRow(2); // "Old"
    save("Renamed");
    EXPECT_EQ(storedSlot(2) + ' ' + storedSlot(3), "Renamed|/old <absent>|<absent>");
    EXPECT_EQ(shows() + " / " + menus(),
              "Launch Menu 188 {First,Second,Renamed} / First,Second,Renamed mnuspace4 mnuspace5");
}

TEST_F(ThreeProgramEditor, DeleteEmptiesTheSlotWithoutAsking)
{
    editor->lstName->setCurrentRow(0); // "First"
    editor->cmd_Control[1]->click();   // the keys stay, empty
    EXPECT_EQ(storedSlot(0) + ' ' + menus(), "| -,Second,Old");
    EXPECT_TRUE(doubles.boxes.shown().empty());
}

TEST_F(ThreeProgramEditor, ADropOnTheListOffersItsFirstFileForAdding)
{
    const QString first = home.file("first.sh");
    EXPECT_TRUE(drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(home.file("second"))}));
    settle();
    EXPECT_EQ(shows(), "Add Program 164 [|" + first + "] {First,Second,Old}");
    save("Dropped");
    EXPECT_EQ(storedSlot(3) + ' ' + menus(),
              "Dropped|" + first + " First,Second,Old,Dropped mnuspace4 mnuspace5");
}

TEST_F(ThreeProgramEditor, AnEditSavedWithoutATitleTakesTheProgramOff)
{
    editRow(2);
    save({});
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(storedSlot(2) + ' ' + menus(), "|/old First,Second mnuspace4 mnuspace5");
}

TEST_F(Editor, TheMainMenuOpensItModalBesideTheMainWindow)
{
    form->move(200, 120);
    runModal("mnuCustom", [&] {
        frmConfig* open = LaunchEditor();
        ASSERT_NE(open, nullptr);
        EXPECT_TRUE(open->isModal() && QApplication::activeModalWidget() == open);
        EXPECT_EQ(open->pos(), form->pos() + QPoint(67, 67));
        open->cmd_Control[3]->click();
    });
    EXPECT_EQ(LaunchEditor(), nullptr);
}

// A memo arriving hides the tool windows; the editor comes back with its work.
TEST_F(Editor, AMemoOnlyHidesTheEditorAndTheMenuShowsItAgainAsItWas)
{
    runModal("mnuCustom", [&] {
        LaunchEditor()->offerFile("/half/done");
        HideToolWindows();
    });
    ASSERT_NE(LaunchEditor(), nullptr);
    EXPECT_FALSE(LaunchEditor()->isVisible());
    QString again;
    runModal("mnuCustom", [&] {
        editor = LaunchEditor();
        again = editor->isVisible() ? shows() : "hidden";
        editor->cmd_Control[3]->click();
    });
    EXPECT_EQ(again, "Add Program 164 [|/half/done] {}");
    EXPECT_EQ(LaunchEditor(), nullptr);
}

TEST_F(Editor, TheTrayOpensOneNonModalEditorThatEveryWayOfClosingDestroys)
{
    const std::vector<std::function<void(frmConfig*)>> closings = {
        [](frmConfig* e) { e->cmd_Control[3]->click(); },
        [](frmConfig* e) { QTest::keyClick(e, Qt::Key_Escape); },
        [](frmConfig* e) { e->close(); },                         // the close box
        [](frmConfig*) { Hooks().closers.value("frmConfig")(); }, // the exit procedure
    };
    for (size_t way = 0; way < closings.size(); ++way) {
        SCOPED_TRACE(way);
        form->action("mnuCustom1")->trigger();
        form->action("mnuCustom1")->trigger();
        QPointer<frmConfig> shown = LaunchEditor();
        ASSERT_FALSE(shown.isNull());
        EXPECT_TRUE(shown->isVisible() && !shown->isModal());
        EXPECT_EQ(form->findChildren<frmConfig*>().size(), 1);
        closings[way](shown);
        settle();
        EXPECT_TRUE(shown.isNull());
        EXPECT_EQ(LaunchEditor(), nullptr);
    }
}
