#include "core/ProgramDir.h"
#include "core/frmDebug.h"

#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

TEST(DebugLogSave, AsksThroughTheSaveDialogAndWritesTheChosenFile)
{
    TempHome home;
    PlatformDoubles doubles;
    frmDebug window(nullptr);
    window.appendText(QStringLiteral("[01:02:03 PM]  [HVRN] hello\r\n"));

    window.mnuSave_Click();  // cancelled: nothing written
    doubles.dialogs.setNextResult(home.file(QStringLiteral("saved.txt")) + QStringLiteral("   "));
    window.mnuSave_Click();

    ASSERT_EQ(doubles.dialogs.shown().size(), 2u);
    const auto& request = doubles.dialogs.shown().front().request;
    EXPECT_EQ(doubles.dialogs.shown().front().kind, platform::ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(request.title, QStringLiteral("Save DebugLog As"));
    EXPECT_EQ(request.qtFilter, QStringLiteral("Text files (*.txt)"));
    EXPECT_EQ(request.proposedName, QStringLiteral("HVRNbug.txt"));
    EXPECT_EQ(request.startDirectory, ProgramDir());
    EXPECT_FALSE(home.exists(QStringLiteral("HVRNbug.txt")));
    EXPECT_EQ(home.readFile(QStringLiteral("saved.txt")),
              QByteArray("[01:02:03 PM]  [HVRN] hello\r\n\r\n"));
}

} // namespace
