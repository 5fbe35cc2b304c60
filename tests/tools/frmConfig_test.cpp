#include "tools/frmConfig.h"

#include "core/AppHooks.h"
#include "core/ProgramDir.h"
#include "tools/Launcher.h"

#include "LauncherFixture.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace {

class EditorTest : public LauncherFixture {
protected:
    frmConfig* openEditor()
    {
        editor = new frmConfig(*form);
        editor->show();
        QApplication::processEvents();
        return editor;
    }
    void select(const QString& title)
    {
        const auto found = editor->lstName->findItems(title, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << title.toStdString();
        editor->lstName->setCurrentItem(found.first());
    }
    QStringList listed() const
    {
        QStringList titles;
        for (int row = 0; row < editor->lstName->count(); ++row)
            titles.append(editor->lstName->item(row)->text());
        return titles;
    }
    void fillAllSlots()
    {
        for (int slot = 0; slot < 10; ++slot)
            StoreLaunchSlot(slot, QStringLiteral("P%1").arg(slot), QStringLiteral("/p%1").arg(slot));
    }
    // Settles layout and deferred deletes the way the running program would.
    static void settle()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QPointer<frmConfig> editor;
};

TEST_F(EditorTest, AddFillsTheLowestFreeSlotOfAGap)
{
    StoreLaunchSlot(0, QStringLiteral("Zero"), QStringLiteral("/bin/zero"));
    StoreLaunchSlot(2, QStringLiteral("Two"), QStringLiteral("/bin/two"));
    AddLaunch(*form);
    openEditor();
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Launch Menu"));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Zero"), QStringLiteral("Two")}));
    EXPECT_EQ(editor->height(), 188);
    EXPECT_FALSE(editor->picAdd->isVisible());

    doubles.dialogs.setNextResult(QStringLiteral("/opt/new/tool"));
    editor->cmd_Control[0]->click();
    settle();
    ASSERT_EQ(doubles.dialogs.shown().size(), 1u);
    const auto& request = doubles.dialogs.shown()[0].request;
    EXPECT_EQ(request.title, QStringLiteral("Select Program to add"));
    EXPECT_EQ(request.qtFilter, QStringLiteral("Excutable files (*.exe);;All files (*.*)"));
    EXPECT_EQ(request.startDirectory, ProgramDir());
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Add Program"));
    EXPECT_TRUE(editor->picAdd->isVisible());
    EXPECT_EQ(editor->height(), 164);
    EXPECT_TRUE(editor->Text1->text().isEmpty());
    EXPECT_EQ(editor->Text2->text(), QStringLiteral("/opt/new/tool"));

    editor->Text1->setText(QStringLiteral("New"));
    editor->cmdSave->click();
    settle();
    EXPECT_EQ(stored(QStringLiteral("1Item")), QStringLiteral("New"));
    EXPECT_EQ(stored(QStringLiteral("1Path")), QStringLiteral("/opt/new/tool"));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Zero"), QStringLiteral("New"), QStringLiteral("Two")}));
    EXPECT_TRUE(item(1)->isVisible());
    EXPECT_EQ(trayItem(1)->text(), QStringLiteral("New"));
    EXPECT_FALSE(editor->picAdd->isVisible());
    EXPECT_EQ(editor->height(), 188);
    EXPECT_FALSE(editor->EditMode);
}

TEST_F(EditorTest, CancelledBrowseAndCancelledPanelChangeNothing)
{
    openEditor();
    editor->cmd_Control[0]->click();  // the dialog is cancelled
    EXPECT_FALSE(editor->picAdd->isVisible());
    EXPECT_TRUE(editor->Text2->text().isEmpty());

    editor->offerFile(QStringLiteral("/some/file"));
    editor->Text1->setText(QStringLiteral("Never"));
    editor->cmdCancel->click();
    settle();
    EXPECT_FALSE(editor->picAdd->isVisible());
    EXPECT_EQ(editor->height(), 188);
    EXPECT_EQ(stored(QStringLiteral("0Item")), QStringLiteral("<absent>"));
    EXPECT_EQ(editor->lstName->count(), 0);
}

TEST_F(EditorTest, DeletingSlotZeroHidesTheSeparatorsAndKeepsEmptyKeys)
{
    StoreLaunchSlot(0, QStringLiteral("First"), QStringLiteral("/a"));
    StoreLaunchSlot(1, QStringLiteral("Second"), QStringLiteral("/b"));
    AddLaunch(*form);
    ASSERT_TRUE(separatorsShown());
    openEditor();

    editor->cmd_Control[1]->click();  // nothing selected: nothing happens
    EXPECT_EQ(listed().size(), 2);

    select(QStringLiteral("First"));
    editor->cmd_Control[1]->click();
    EXPECT_EQ(stored(QStringLiteral("0Item")), QString());
    EXPECT_EQ(stored(QStringLiteral("0Path")), QString());
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Second")}));
    EXPECT_FALSE(item(0)->isVisible());
    EXPECT_TRUE(item(1)->isVisible());
    EXPECT_TRUE(separatorsHidden());
    EXPECT_TRUE(doubles.boxes.shown().empty());
}

TEST_F(EditorTest, EditingKeepsTheSlotAndAClearedTitleRemovesTheEntry)
{
    StoreLaunchSlot(0, QStringLiteral("Keep"), QStringLiteral("/k"));
    StoreLaunchSlot(2, QStringLiteral("Old"), QStringLiteral("/old"));
    AddLaunch(*form);
    openEditor();

    editor->cmd_Control[2]->click();  // nothing selected
    EXPECT_FALSE(editor->picAdd->isVisible());

    select(QStringLiteral("Old"));
    editor->cmd_Control[2]->click();
    settle();
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Edit Program"));
    EXPECT_TRUE(editor->EditMode);
    EXPECT_EQ(editor->EditSlot, 2);
    EXPECT_EQ(editor->Text1->text(), QStringLiteral("Old"));
    EXPECT_EQ(editor->Text2->text(), QStringLiteral("/old"));
    EXPECT_EQ(editor->height(), 164);

    editor->Text1->setText(QStringLiteral("Renamed"));
    editor->Text2->setText(QStringLiteral("/new"));
    editor->cmdSave->click();
    EXPECT_EQ(stored(QStringLiteral("2Item")), QStringLiteral("Renamed"));
    EXPECT_EQ(stored(QStringLiteral("2Path")), QStringLiteral("/new"));
    EXPECT_EQ(stored(QStringLiteral("1Item")), QStringLiteral("<absent>"));
    EXPECT_EQ(item(2)->text(), QStringLiteral("Renamed"));
    EXPECT_FALSE(editor->EditMode);

    select(QStringLiteral("Renamed"));
    editor->cmd_Control[2]->click();
    editor->Text1->clear();
    editor->cmdSave->click();
    settle();
    EXPECT_TRUE(editor.isNull());  // the window closed
    EXPECT_EQ(stored(QStringLiteral("2Item")), QString());
    EXPECT_EQ(stored(QStringLiteral("2Path")), QStringLiteral("/new"));
    EXPECT_FALSE(item(2)->isVisible());
    EXPECT_FALSE(trayItem(2)->isVisible());
    EXPECT_TRUE(item(0)->isVisible());
}

TEST_F(EditorTest, ATitlelessAddClosesWithoutStoring)
{
    openEditor();
    editor->offerFile(QStringLiteral("/x"));
    editor->cmdSave->click();
    settle();
    EXPECT_TRUE(editor.isNull());
    EXPECT_TRUE(doubles.store.values.isEmpty());
}

TEST_F(EditorTest, AnEleventhProgramIsRefusedAndTheTenStayAsTheyWere)
{
    fillAllSlots();
    AddLaunch(*form);
    const auto before = doubles.store.values;
    openEditor();
    EXPECT_EQ(listed().size(), 10);
    editor->offerFile(QStringLiteral("/eleven"));
    editor->Text1->setText(QStringLiteral("Eleven"));
    editor->cmdSave->click();
    settle();
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].text, QStringLiteral("Please remove a program to make room"));
    EXPECT_EQ(doubles.boxes.shown()[0].title, QStringLiteral("Too many programs"));
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(doubles.store.values, before);
    for (int slot = 0; slot < 10; ++slot)
        EXPECT_EQ(item(slot)->text(), QStringLiteral("P%1").arg(slot));
}

TEST_F(EditorTest, EnterInATextBoxSavesOnce)
{
    openEditor();
    editor->offerFile(QStringLiteral("/bin/once"));
    editor->Text1->setText(QStringLiteral("Once"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(editor->Text1, &enter);
    settle();
    ASSERT_FALSE(editor.isNull());
    EXPECT_EQ(stored(QStringLiteral("0Item")), QStringLiteral("Once"));
    EXPECT_EQ(stored(QStringLiteral("1Item")), QStringLiteral("<absent>"));
    EXPECT_FALSE(editor->picAdd->isVisible());
}

class DroppedFiles : public EditorTest {
protected:
    // Drags data onto the window and drops it there, as the desktop does.
    bool drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &dropped);
        return dropped.isAccepted();
    }
};

TEST_F(DroppedFiles, OnlyTheFirstFileIsOfferedAndThenSavedUnderATitle)
{
    openEditor();
    const QString first = home.file(QStringLiteral("first.sh"));
    EXPECT_TRUE(drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(home.file(QStringLiteral("second")))}));
    settle();
    EXPECT_TRUE(editor->picAdd->isVisible());
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Add Program"));
    EXPECT_TRUE(editor->Text1->text().isEmpty());
    EXPECT_EQ(editor->Text2->text(), first);
    editor->Text1->setText(QStringLiteral("Dropped"));
    editor->cmdSave->click();
    EXPECT_EQ(stored(QStringLiteral("0Item")), QStringLiteral("Dropped"));
    EXPECT_EQ(stored(QStringLiteral("0Path")), first);
    EXPECT_TRUE(item(0)->isVisible());
}

TEST_F(DroppedFiles, NonFilesAndOverlongPathsAreRefused)
{
    openEditor();
    EXPECT_FALSE(drop({QUrl(QStringLiteral("https://example.org/page"))}));
    EXPECT_FALSE(drop({}));
    EXPECT_FALSE(drop({QUrl::fromLocalFile(QLatin1Char('/') + QString(260, QLatin1Char('x')))}));
    EXPECT_FALSE(editor->picAdd->isVisible());
    EXPECT_TRUE(editor->Text2->text().isEmpty());
}

TEST_F(DroppedFiles, ADropWhileEditingAddsANewProgramInsteadOfReplacing)
{
    StoreLaunchSlot(0, QStringLiteral("Edited"), QStringLiteral("/edited"));
    openEditor();
    select(QStringLiteral("Edited"));
    editor->cmd_Control[2]->click();
    ASSERT_TRUE(editor->EditMode);
    const QString file = home.file(QStringLiteral("dropped"));
    ASSERT_TRUE(drop({QUrl::fromLocalFile(file)}));
    EXPECT_FALSE(editor->EditMode);
    editor->Text1->setText(QStringLiteral("Fresh"));
    editor->cmdSave->click();
    EXPECT_EQ(stored(QStringLiteral("0Item")), QStringLiteral("Edited"));
    EXPECT_EQ(stored(QStringLiteral("0Path")), QStringLiteral("/edited"));
    EXPECT_EQ(stored(QStringLiteral("1Item")), QStringLiteral("Fresh"));
    EXPECT_EQ(stored(QStringLiteral("1Path")), file);
}

TEST_F(EditorTest, CustomizeFromTheTrayIsNonModalAndSingle)
{
    form->action(QStringLiteral("mnuCustom1"))->trigger();
    QPointer<frmConfig> shown = LaunchEditor();
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(shown->isModal());
    form->action(QStringLiteral("mnuCustom1"))->trigger();
    EXPECT_EQ(LaunchEditor(), shown.data());
    EXPECT_EQ(form->findChildren<frmConfig*>().size(), 1);

    shown->cmd_Control[3]->click();  // Back
    settle();
    EXPECT_TRUE(shown.isNull());
    EXPECT_EQ(LaunchEditor(), nullptr);
}

TEST_F(EditorTest, CustomizeFromTheMainMenuIsModalBesideTheMainWindow)
{
    form->move(200, 120);
    bool wasModal = false;
    QPoint where;
    QTimer::singleShot(0, [&] {
        frmConfig* open = LaunchEditor();
        ASSERT_NE(open, nullptr);
        wasModal = open->isModal() && QApplication::activeModalWidget() == open;
        where = open->pos();
        open->cmd_Control[3]->click();
    });
    form->action(QStringLiteral("mnuCustom"))->trigger();  // returns once closed
    settle();
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(where, form->pos() + QPoint(67, 67));
    EXPECT_EQ(LaunchEditor(), nullptr);
}

TEST_F(EditorTest, TheExitProcedureClosesAnOpenEditor)
{
    form->action(QStringLiteral("mnuCustom1"))->trigger();
    ASSERT_NE(LaunchEditor(), nullptr);
    ASSERT_TRUE(Hooks().closers.contains(QStringLiteral("frmConfig")));
    Hooks().closers.value(QStringLiteral("frmConfig"))();
    settle();
    EXPECT_EQ(LaunchEditor(), nullptr);
}

} // namespace

namespace {

TEST_F(EditorTest, HiddenForAMemoTheEditorComesBackAsItWasLeft)
{
    bool panelKept = false;
    int run = 0;
    QTimer::singleShot(0, [&] {
        ++run;
        LaunchEditor()->offerFile(QStringLiteral("/half/done"));
        HideToolWindows();
    });
    form->action(QStringLiteral("mnuCustom"))->trigger();  // ends when hidden
    ASSERT_NE(LaunchEditor(), nullptr);
    EXPECT_FALSE(LaunchEditor()->isVisible());

    QTimer::singleShot(0, [&] {
        ++run;
        frmConfig* again = LaunchEditor();
        panelKept = again->isVisible() && again->picAdd->isVisible() &&
                    again->Text2->text() == QStringLiteral("/half/done");
        again->cmd_Control[3]->click();
    });
    form->action(QStringLiteral("mnuCustom"))->trigger();
    settle();
    EXPECT_EQ(run, 2);
    EXPECT_TRUE(panelKept);
    EXPECT_EQ(LaunchEditor(), nullptr);
}

} // namespace

namespace {

TEST_F(EditorTest, EscapeAndTheCloseBoxDestroyTheEditor)
{
    form->action(QStringLiteral("mnuCustom1"))->trigger();
    QPointer<frmConfig> shown = LaunchEditor();
    ASSERT_FALSE(shown.isNull());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(shown, &escape);
    settle();
    EXPECT_TRUE(shown.isNull());

    form->action(QStringLiteral("mnuCustom1"))->trigger();
    shown = LaunchEditor();
    ASSERT_FALSE(shown.isNull());
    QCloseEvent closeBox;
    QApplication::sendEvent(shown, &closeBox);
    settle();
    EXPECT_TRUE(shown.isNull());
}

} // namespace
