#include "CoreFixture.h"
#include "core/Logs.h"

using LogsTest = CoreTest;

TEST_F(LogsTest, DebugLinesGoToTheFileAndTheWindowWithTheirTime)
{
    Form1 form;
    Core().DebugToFile = true;
    DebugLog("[HVRN] All Settings Loaded");
    doubles.clock.set(QDateTime(QDate(2026, 1, 2), QTime(0, 5, 6)));
    DebugLog("second");
    EXPECT_EQ(home.readFile("debug.log"),
              "[03:07:09 PM]\t[HVRN] All Settings Loaded\r\n[12:05:06 AM]\tsecond\r\n");
    EXPECT_EQ(form.debugWindow()->text(),
              "[03:07:09 PM]  [HVRN] All Settings Loaded\r\n[12:05:06 AM]  second\r\n");
}

TEST_F(LogsTest, TheFileAndTheWindowEachFollowTheirOwnSwitch)
{
    Form1 form;
    Core().DebugToFile = false;
    DebugLog("window only");
    // The window's Disable item stops the window, not the file, and is stored.
    form.debugWindow()->findChild<QAction*>("mnuDisable")->trigger();
    EXPECT_TRUE(home.readFile("hvrn.ini").contains("[Debug]\r\nEnabled=True"));
    Core().DebugToFile = true;
    DebugLog("file only");
    const QString window = form.debugWindow()->text();
    EXPECT_TRUE(window.contains("window only") && !window.contains("file only"));
    EXPECT_TRUE(home.readFile("debug.log").contains("file only") &&
                !home.readFile("debug.log").contains("window only"));
}

TEST_F(LogsTest, SaveWritesTheWindowsTextToTheChosenFileAndCancelNothing)
{
    Form1 form;
    DebugLog("first");
    DebugLog("second");
    doubles.dialogs.setNextResult(home.file("saved.txt"));
    form.debugWindow()->mnuSave_Click();
    ASSERT_EQ(doubles.dialogs.shown().size(), 1u);
    const auto& r = doubles.dialogs.shown().front().request;
    EXPECT_EQ(r.title + '|' + r.proposedName + '|' + r.startDirectory,
              "Save DebugLog As|HVRNbug.txt|" + home.path());
    const QByteArray saved = "[03:07:09 PM]  first\r\n[03:07:09 PM]  second\r\n\r\n";
    EXPECT_EQ(home.readFile("saved.txt"), saved);
    form.debugWindow()->mnuSave_Click(); // cancelled
    EXPECT_EQ(home.readFile("saved.txt"), saved);
}

// A box whose display raises more errors, as events run while it is open.
class ReentrantBoxes final : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget*, const platform::MsgBoxRequest&) override
    {
        ++shown;
        if (shown == 1)
            for (int i = 0; i < 5; ++i)
                LogError(57, "Burst");
        return platform::MsgAnswer::Ok;
    }
    std::optional<QString> input(QWidget*, const platform::InputBoxRequest&) override { return {}; }
    int shown = 0;
};

TEST_F(LogsTest, TheWindowKeepsTheNewest20000CharactersCutAtLineStarts)
{
    Form1 form;
    Core().DebugToFile = true;
    for (int i = 0; i < 1000; ++i)
        DebugLog(QStringLiteral("line %1 ").arg(i, 4, 10, QChar('0')) + QString(20, 'x'));
    const QString& text = form.debugWindow()->text();
    EXPECT_LE(text.size(), frmDebug::kTextLimit);
    EXPECT_GT(text.size(), frmDebug::kTextLimit - 60);
    EXPECT_TRUE(text.startsWith("[03:07:09 PM]  line ")) << text.left(40).toStdString();
    EXPECT_TRUE(text.endsWith("line 0999 xxxxxxxxxxxxxxxxxxxx\r\n"));
    EXPECT_FALSE(text.contains("line 0000"));
    // The file keeps everything; a text without line breaks loses single characters.
    EXPECT_EQ(home.readFile("debug.log").count("\r\n"), 1000);
    form.debugWindow()->appendText(QString(frmDebug::kTextLimit + 5, 'a'));
    EXPECT_EQ(form.debugWindow()->text(), QString(frmDebug::kTextLimit, 'a'));
}

TEST_F(LogsTest, ErrorsAreLoggedAndBoxedExceptNumbers0And401)
{
    LogError(0, "Nothing");
    EXPECT_FALSE(home.exists("error.log"));
    LogError(401, "Sub Main Load");
    EXPECT_FALSE(TrapErrors("Other", [] { throw std::runtime_error("x"); }));
    EXPECT_TRUE(TrapErrors("Fine", [] {}));
    EXPECT_EQ(home.readFile("error.log"), "[12/5/26 03:07:09 PM] 401 in Sub Main Load\r\n"
                                          "[12/5/26 03:07:09 PM] 51 in Other\r\n");
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    const auto& box = doubles.boxes.shown().front();
    EXPECT_TRUE(box.title == "Program Error" && box.icon == platform::MsgIcon::Question);
    EXPECT_TRUE(box.text.startsWith("There was an error 51: Internal error in Other\r\n\r\n"
                                    "This Error was logged to Error.log\r\n"
                                    "Please email this file to the Programmer.\r\n"));
}

TEST_F(LogsTest, ABurstOfErrorsWhileABoxIsOpenOpensOneBoxAtATime)
{
    ReentrantBoxes reentrant;
    platform::ScopedOverride<platform::MessageBoxes> override(reentrant);
    LogError(53, "First");
    EXPECT_EQ(reentrant.shown, 1);
    EXPECT_EQ(home.readFile("error.log").count("\r\n"), 6);
    LogError(53, "AfterTheBoxClosed");
    EXPECT_EQ(reentrant.shown, 2);
}
