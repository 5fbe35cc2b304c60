#include "core/AppHooks.h"
#include "core/BuildInfo.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/ProgramDir.h"
#include "core/frmDebug.h"
#include "memo/MemoLog.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoSetup.h"
#include "publish/Profiles.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"
#include "tools/Help.h"
#include "tools/LaunchSlots.h"
#include "tools/Launcher.h"
#include "tools/LinkLabel.h"
#include "tools/Sounds.h"
#include "tools/ToolsWiring.h"
#include "tools/frmAbout.h"
#include "tools/frmConfig.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

// A real main window with the desktop utilities attached, every platform
// service doubled and a fresh program directory.
class Tools : public ::testing::Test {
  protected:
    void SetUp() override
    {
        InstallToolsHooks(); // before the window, as the program does
        AttachTools(*(form = std::make_unique<Form1>()));
    }
    void TearDown() override
    {
        form.reset();
        settle();
    }
    // Settles layout and deferred deletes the way the running program would.
    static void settle()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Chooses a menu command that runs a modal window; whileOpen acts in it.
    void runModal(const char* command, const std::function<void()>& whileOpen)
    {
        QTimer::singleShot(0, whileOpen);
        form->action(QString::fromLatin1(command))->trigger(); // returns once the window ends
        settle();
    }
    QString makeFile(const QString& name, bool executable)
    {
        home.writeFile(name, "#!/bin/sh\n");
        if (executable)
            QFile::setPermissions(home.file(name),
                                  QFile::permissions(home.file(name)) | QFileDevice::ExeOwner);
        return home.file(name);
    }
    // Stores the entries in slots 0, 1, ... and fills the menus from them,
    // directly or as the program's start does.
    void launcher(const std::vector<LaunchSlot>& entries, bool atStartUp = false)
    {
        for (size_t slot = 0; slot < entries.size(); ++slot)
            StoreLaunchSlot(int(slot), entries[slot].title, entries[slot].path);
        atStartUp ? form->startUp(QString()) : AddLaunch(*form);
    }
    QAction* item(int slot) const { return form->action(QStringLiteral("Item_%1").arg(slot)); }
    QAction* trayItem(int slot) const { return form->action(QStringLiteral("mnuitem_%1").arg(slot)); }
    // Both Launch menus in one text: each item's caption, "-" when hidden and
    // empty, "(caption)" when hidden with one; free slots at the end left
    // out; the tray menu only when it differs; then the separators shown.
    QString menus() const
    {
        auto look = [](QAction* a) {
            return a->isVisible() ? a->text() : a->text().isEmpty() ? "-" : '(' + a->text() + ')';
        };
        QStringList main, tray;
        for (int slot = 0; slot < 10; ++slot) {
            main.append(look(item(slot)));
            tray.append(look(trayItem(slot)));
        }
        while (!main.isEmpty() && main.last() == "-" && tray.last() == "-") {
            main.removeLast();
            tray.removeLast();
        }
        QString text = main.join(',') + (tray == main ? QString() : " tray " + tray.join(','));
        for (const char* name : {"mnuspace4", "mnuspace5"})
            if (form->action(QString::fromLatin1(name))->isVisible())
                text += QLatin1Char(' ') + name;
        return text;
    }
    // A launcher slot's two keys in the per-user store, "<absent>" for a missing key.
    QString storedSlot(int slot) const
    {
        const QString key = QStringLiteral("Ostrevan\\HVRN/Utility/%1").arg(slot), no = "<absent>";
        return doubles.store.values.value(key + "Item", no) + '|' +
               doubles.store.values.value(key + "Path", no);
    }
    // Each file dialog shown so far as "kind|title|filter|start folder|proposed name".
    QStringList asked() const
    {
        QStringList all;
        for (const auto& [kind, r] : doubles.dialogs.shown())
            all << (kind == platform::ScriptedFileDialogs::Kind::Open ? "open|" : "save|") + r.title + '|' +
                       r.qtFilter + '|' + r.startDirectory + '|' + r.proposedName;
        return all;
    }
    QString debugText() const { return form->debugWindow()->text(); }

    TempHome home;
    PlatformDoubles doubles;
    std::unique_ptr<Form1> form;
};

using Launcher = Tools;

TEST_F(Launcher, StartUpShowsUsedSlotsOnlyProgramsRunDocumentsAndAddressesOpenAndEmptyPathsOnlyLog)
{
    const QString tool = makeFile("tool.sh", true), doc = makeFile("plan.txt", false);
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
    EXPECT_EQ(menus(), "-,Tool,R&&D plan,Site,Nothing,Tool,-,-,-,Shell");
    for (int slot : {1, 2, 3, 4, 5, 9})
        item(slot)->trigger();
    trayItem(1)->trigger();
    trayItem(5)->trigger();
    QStringList started;
    for (const auto& start : doubles.desktop.started)
        started << (start.program == tool                   ? "tool"
                    : QFileInfo(start.program).isAbsolute() ? start.program.section('/', -1)
                                                            : start.program) +
                       start.arguments.join(' ') + start.workingDirectory;
    EXPECT_EQ(started, QStringList({"tool", "tool", "sh", "tool", "tool"}));
    EXPECT_EQ(doubles.desktop.opened, (std::vector<QString>{doc, "https://example.org/"}));
    for (const char* title : {"Tool", "R&D plan", "Site", "Nothing", "Shell"})
        EXPECT_TRUE(debugText().contains(QStringLiteral("[Launch] Executing ") + title)) << title;
    EXPECT_TRUE(doubles.boxes.shown().empty());
}

TEST_F(Launcher, AMissingFileIsToldARefusalLoggedAndFreeOrUnknownItemsStartNothing)
{
    // A title cleared by an edit leaves the old path stored.
    launcher({{"Gone", home.file("gone.bin")},
              {"Refused", makeFile("odd.xyz", false)},
              {{}, makeFile("old.txt", false)},
              {"Renamed", makeFile("r.txt", false)}});
    // The menu still says "Renamed"; titles must match exactly, case too.
    StoreLaunchSlot(3, "renamed", "/r");
    for (int slot : {2, 3, 42, 0})
        LaunchProgram(*form, slot);
    EXPECT_TRUE(doubles.desktop.opened.empty());
    EXPECT_FALSE(debugText().contains("[Launch]"));
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].text, "Error: File not found!");
    EXPECT_EQ(doubles.boxes.shown()[0].icon, platform::MsgIcon::Question);
    doubles.desktop.succeed = false;
    LaunchProgram(*form, 1);
    EXPECT_TRUE(debugText().contains("[Launch] Failed to execute Refused"));
    EXPECT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_FALSE(home.exists("error.log"));
}

class Editor : public Tools {
  protected:
    void openEditor(const std::vector<LaunchSlot>& entries = {})
    {
        launcher(entries);
        (editor = new frmConfig(*form))->show();
        QApplication::processEvents();
    }
    // The editor as the user sees it: caption, height, the panel's title
    // and path while it shows, the edited slot in edit mode, then the list.
    QString shows() const
    {
        QString text = editor->windowTitle() + ' ' + QString::number(editor->height());
        if (editor->picAdd->isVisible())
            text += " [" + editor->Text1->text() + '|' + editor->Text2->text() + ']';
        if (editor->EditMode)
            text += " edit " + QString::number(editor->EditSlot);
        QString titles;
        for (int row = 0; row < editor->lstName->count(); ++row)
            titles += ',' + editor->lstName->item(row)->text();
        return text + " {" + titles.mid(1) + '}';
    }
    // Drags files onto the window and drops them there, as the desktop does.
    bool drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &dropped);
        return dropped.isAccepted();
    }
    void save(const QString& title)
    {
        editor->Text1->setText(title);
        editor->cmdSave->click();
        settle();
    }
    QPointer<frmConfig> editor;
};

TEST_F(Editor, AddAsksForAFileAndFillsTheLowestFreeSlotCancelNoTitleAndAnEleventhStoreNothing)
{
    openEditor({{"Zero", "/bin/zero"}, {}, {"Two", "/bin/two"}});
    editor->cmd_Control[0]->click(); // the dialog is cancelled
    EXPECT_EQ(shows(), "Launch Menu 188 {Zero,Two}");
    doubles.dialogs.setNextResult("/opt/new/tool");
    editor->cmd_Control[0]->click();
    settle();
    EXPECT_EQ(asked(), QStringList(2, "open|Select Program to add|Excutable files (*.exe);;All files (*.*)|" +
                                          ProgramDir() + '|'));
    EXPECT_EQ(shows(), "Add Program 164 [|/opt/new/tool] {Zero,Two}");
    editor->Text1->setText("New");
    QTest::keyClick(editor->Text1, Qt::Key_Return); // Enter saves, once
    settle();
    EXPECT_EQ(storedSlot(1) + ' ' + storedSlot(3), "New|/opt/new/tool <absent>|<absent>");
    EXPECT_EQ(shows() + " / " + menus(), "Launch Menu 188 {Zero,New,Two} / Zero,New,Two mnuspace4 mnuspace5");
    const auto before = doubles.store.values;
    editor->offerFile("/some/file");
    editor->Text1->setText("Never");
    editor->cmdCancel->click();
    settle();
    EXPECT_EQ(shows(), "Launch Menu 188 {Zero,New,Two}");
    editor->offerFile("/x");
    save({}); // no title: the window closes
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(doubles.store.values, before);
    // The tenth program takes the last slot and starts from its menu item;
    // an eleventh is refused and the ten stay as they were.
    for (int slot = 3; slot < 9; ++slot)
        StoreLaunchSlot(slot, QStringLiteral("P%1").arg(slot), QStringLiteral("/p%1").arg(slot));
    openEditor();
    editor->offerFile(makeFile("p9.sh", true));
    save("P9");
    item(9)->trigger();
    ASSERT_EQ(doubles.desktop.started.size(), 1u);
    EXPECT_EQ(storedSlot(9) + '|' + doubles.desktop.started[0].program,
              "P9|" + home.file("p9.sh") + '|' + home.file("p9.sh"));
    const auto ten = doubles.store.values;
    editor->offerFile("/eleven");
    save("Eleven");
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title + '|' + doubles.boxes.shown()[0].text,
              "Too many programs|Please remove a program to make room");
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(doubles.store.values, ten);
    EXPECT_EQ(menus(), "Zero,New,Two,P3,P4,P5,P6,P7,P8,P9 mnuspace4 mnuspace5");
}

TEST_F(Editor, EditKeepsTheSlotADropOffersItsFirstFileOrReplacesTheEditedPathAndDeleteOrNoTitleTakeItOff)
{
    openEditor({{"First", "/a"}, {"Second", "/b"}, {"Old", "/old"}});
    editor->cmd_Control[1]->click(); // nothing selected: Delete and Edit do nothing
    editor->cmd_Control[2]->click();
    for (const QList<QUrl>& refused : {QList<QUrl>{QUrl("https://example.org/page")}, QList<QUrl>{},
                                       QList<QUrl>{QUrl::fromLocalFile('/' + QString(260, 'x'))}})
        EXPECT_FALSE(drop(refused));
    EXPECT_EQ(shows(), "Launch Menu 188 {First,Second,Old}");
    editor->lstName->setCurrentRow(2); // "Old"
    editor->cmd_Control[2]->click();
    settle();
    EXPECT_EQ(shows(), "Edit Program 164 [Old|/old] edit 2 {First,Second,Old}");
    const QString better = home.file("better.sh"), first = home.file("first.sh");
    EXPECT_TRUE(drop({QUrl::fromLocalFile(better)})); // replaces the edited program's path
    settle();
    EXPECT_EQ(shows(), "Edit Program 164 [Old|" + better + "] edit 2 {First,Second,Old}");
    save("Renamed");
    EXPECT_EQ(storedSlot(2) + ' ' + storedSlot(3), "Renamed|" + better + " <absent>|<absent>");
    EXPECT_EQ(shows() + " / " + menus(),
              "Launch Menu 188 {First,Second,Renamed} / First,Second,Renamed mnuspace4 mnuspace5");
    editor->lstName->setCurrentRow(0); // "First"
    editor->cmd_Control[1]->click();   // no confirmation; the keys stay, empty
    EXPECT_EQ(storedSlot(0) + ' ' + menus(), "| -,Second,Renamed");
    EXPECT_TRUE(doubles.boxes.shown().empty());
    // A drop on the list offers its first file for adding, here into the freed slot.
    EXPECT_TRUE(drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(home.file("second"))}));
    settle();
    EXPECT_EQ(shows(), "Add Program 164 [|" + first + "] {Second,Renamed}");
    save("Dropped");
    EXPECT_EQ(storedSlot(0) + ' ' + menus(),
              "Dropped|" + first + " Dropped,Second,Renamed mnuspace4 mnuspace5");
    editor->lstName->setCurrentRow(2); // "Renamed"
    editor->cmd_Control[2]->click();
    save({});
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(storedSlot(2) + ' ' + menus(), "|" + better + " Dropped,Second mnuspace4 mnuspace5");
}

TEST_F(Editor, TheMainMenuOpensItModalAndAMemoOnlyHidesItTheTrayOpensOneNonModalThatAnyClosingDestroys)
{
    form->move(200, 120);
    bool ran = false;
    runModal("mnuCustom", [&] {
        frmConfig* open = LaunchEditor();
        ASSERT_NE(open, nullptr);
        EXPECT_TRUE(open->isModal() && QApplication::activeModalWidget() == open);
        EXPECT_EQ(open->pos(), form->pos() + QPoint(67, 67));
        open->offerFile("/half/done");
        HideToolWindows();
        ran = true;
    });
    EXPECT_TRUE(ran);
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
    // The tray opens one non-modal editor that every way of closing destroys.
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

using Desktop = Tools;

// About opens modally beside the main window with links that turn blue and open.
TEST_F(Desktop, AboutOpensModallyAndEveryEndingDestroysIt)
{
    form->move(300, 200);
    auto look = [](LinkLabel* l) {
        const QMap<int, QString> shapes{{Qt::PointingHandCursor, "hand"}, {Qt::ArrowCursor, "arrow"}};
        return QString(l->hovered() ? "hovered " : "plain ") + l->styleSheet().section(';', 0, 0) + ' ' +
               shapes.value(l->cursor().shape(), "?");
    };
    const std::vector<std::function<void(frmAbout*)>> endings = {
        [](frmAbout* about) { about->Command1->click(); },
        [](frmAbout*) { HideToolWindows(); },                   // for a memo: opens afresh next time
        [](frmAbout*) { Hooks().closers.value("frmAbout")(); }, // the exit procedure
    };
    for (size_t way = 0; way < endings.size(); ++way) {
        SCOPED_TRACE(way);
        QPointer<frmAbout> about;
        runModal("mnuhvrn", [&] {
            about = ::AboutWindow();
            ASSERT_FALSE(about.isNull());
            EXPECT_TRUE(about->isVisible() && QApplication::activeModalWidget() == about);
            EXPECT_EQ(about->pos(), form->pos() + QPoint(33, 33));
            EXPECT_EQ(QStringList({about->windowTitle(), about->lbVer->text(), about->lblEmail->text(),
                                   about->lblWeb->text(), about->Command1->text()}),
                      QStringList({"About", QStringLiteral("Version 3.3  (build %1)").arg(BuildNumber()),
                                   kSupportAddress, kAboutWebAddress, "&Back"}));
            if (way == 0) {
                QStringList texts;
                for (QLabel* label : about->findChildren<QLabel*>())
                    texts.append(label->text());
                const QRegularExpression headings(
                    "^(Halvorn|Places I can be reached on the Internet|Email:|Web:)$");
                EXPECT_EQ(texts.filter(headings).size(), 4) << texts.join('|').toStdString();
                QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
                QApplication::sendEvent(about->lblEmail, &enter);
                EXPECT_EQ(look(about->lblEmail) + ", " + look(about->lblWeb),
                          "hovered color: #0000FF hand, plain color: #000000 arrow");
                QEvent left(QEvent::Leave);
                QApplication::sendEvent(about->lblEmail, &left);
                EXPECT_EQ(look(about->lblEmail), "plain color: #000000 arrow");
                QTest::mouseClick(about->lblEmail, Qt::LeftButton, {}, QPoint(2, 2));
                QTest::mouseClick(about->lblWeb, Qt::LeftButton, {}, QPoint(2, 2));
                EXPECT_EQ(doubles.desktop.opened,
                          (std::vector<QString>{"mailto:" + kSupportAddress, kAboutWebAddress}));
            }
            endings[way](about);
        });
        EXPECT_TRUE(about.isNull());
        EXPECT_EQ(::AboutWindow(), nullptr);
    }
}

// Also proved by the memo and mail set-up tests.
TEST_F(Desktop, AWaveFileWithoutASoundDeviceBeeps)
{
    AlertBeep(); // no device: a plain beep
    doubles.sound.outputs = 1;
    PlaySoundFile("/snd/missing.wav");
    AlertBeep();
    doubles.sound.outputs = 0; // the device went away
    PlaySoundFile("/snd/memo.wav");
    EXPECT_EQ(
        doubles.sound.played.join(',') +
            QStringLiteral(" beeps %1 alerts %2").arg(doubles.sound.beeps).arg(doubles.sound.exclamations),
        "/snd/missing.wav beeps 2 alerts 1");
}

TEST_F(Desktop, BrowsingForASoundFileFillsTheFieldUnlessCancelled)
{
    QLineEdit field("/old/ding.wav");
    EXPECT_FALSE(BrowseSoundFile(nullptr, &field, "/home/u"));
    EXPECT_EQ(field.text(), "/old/ding.wav");
    doubles.dialogs.setNextResult("/new/bell.wav ");
    EXPECT_TRUE(BrowseSoundFile(nullptr, &field));
    EXPECT_EQ(field.text(), "/new/bell.wav");
    EXPECT_EQ(BrowseSoundFile(nullptr, QStringLiteral("/kept.wav")), "/kept.wav");
    const QString asking = "open|Select sound file|Wav files (*.wav);;All files (*.*)|";
    EXPECT_EQ(asked(), QStringList({asking + "/home/u|", asking + '|', asking + '|'}));
}

TEST_F(Desktop, HelpOpensTheManualOrElseTheHelpFile)
{
    form->action("mnuContents")->trigger();
    const QString manual = home.file("manual/index.html");
    mnuContents_Click(manual);
    home.writeFile("HVRN.HLP", "help");
    mnuContents_Click(manual);
    EXPECT_EQ(doubles.desktop.opened,
              (std::vector<QString>{platform::ShippedManualPath(), manual, home.file("HVRN.HLP")}));
    // The missing manual is noted, but the viewer is still asked.
    EXPECT_TRUE(debugText().contains("[HVRN] Help file not found: " + manual));
}

TEST_F(Desktop, AFileThatNothingCanOpenIsToldByName)
{
    home.writeFile("HVRN.HLP", "help");
    doubles.desktop.succeed = false;
    home.writeFile("Memo.txt", "memo");
    home.writeFile("on.html", "page");
    WriteIni("StartUp", "HTML Editor", "/bin/sh");
    form->File1->setText("on.html");
    MemoSetupState settings;
    frmMemoSetup setup(settings);
    setup.txtHtml[0]->setText("on.html");
    const QString page = home.file("on.html");
    const struct {
        std::function<void()> click;
        QString told;
    } clicks[] = {
        {[&] { form->action("mnuContents")->trigger(); }, "No program could open " + home.file("HVRN.HLP")},
        {[&] { ViewMemoLog(form.get()); }, "No program could open " + MemoLogPath()},
        {[&] { publish::cmd_Edit_Click(*form, 0); }, "No program could open " + page},
        {[&] { setup.cmdEdit_Click(0); }, "/bin/sh could not be started to open " + page}};
    for (const auto& c : clicks) {
        doubles.boxes.clear();
        c.click();
        ASSERT_EQ(doubles.boxes.shown().size(), 1u) << c.told.toStdString();
        EXPECT_EQ(doubles.boxes.shown()[0].text, c.told);
        EXPECT_TRUE(debugText().contains("[HVRN] " + c.told));
    }
}
