#include "CoreFixture.h"
#include "core/ProgramDirCheck.h"
#include "core/WriteTrouble.h"
#include "platform/doubles/FailingFileCalls.h"
#include "support/SmallDisk.h"

using platform::FailingFileCalls;
using Step = FailingFileCalls::Step;

namespace {

const QByteArray kGoodSettings = "[Default]\r\nHost=ftp.example.net\r\npass=x\r\n[Memo]\r\nEnabled=True\r\n";

class SettingsSafetyTest : public CoreTest {
  protected:
    SettingsSafetyTest() { AttachWriteTrouble(*form.ftpStatus); }
    int noticesAbout(const QString& name) const
    {
        int count = 0;
        for (const auto& n : doubles.notices.shown)
            count += n.summary.contains(name) ? 1 : 0;
        return count;
    }
    Form1 form;
};

} // namespace

TEST_F(SettingsSafetyTest, AFailedWriteIsToldOnceUntilAWriteWorksAgain)
{
    home.writeFile("hvrn.ini", kGoodSettings);
    {
        FailingFileCalls failing(Step::Rename, ENOSPC);
        platform::ScopedFileCalls scoped(failing);
        EXPECT_FALSE(WriteIni("StartUp", "Status", "Offline"));
        EXPECT_FALSE(WriteIni("Memo", "Away", "False"));
    }
    EXPECT_EQ(noticesAbout("hvrn.ini"), 1);
    EXPECT_TRUE(form.ftpStatus->text().startsWith("Could not save hvrn.ini"))
        << form.ftpStatus->text().toStdString();
    EXPECT_EQ(home.readFile("error.log"), "[12/5/26 03:07:09 PM] 61 in Save hvrn.ini\r\n");

    ASSERT_TRUE(WriteIni("StartUp", "Status", "Offline"));
    FailingFileCalls failing(Step::Rename, ENOSPC);
    platform::ScopedFileCalls scoped(failing);
    EXPECT_FALSE(WriteIni("StartUp", "Status", "Online"));
    EXPECT_EQ(noticesAbout("hvrn.ini"), 2) << "a new failure after a good write is told again";
}

TEST_F(SettingsSafetyTest, AnUnusableSettingsFileReadsAsDefaultsAndIsNeverWritten)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 7919) % 256);
    // What makes the file unusable: a folder in its place, or the profile followed by junk or length.
    const struct {
        const char* name;
        QByteArray tail;
        qint64 size;
        const char* told;
    } rows[] = {{"a folder", {}, 0, "folder"},
                {"binary garbage", junk, 0, "binary"},
                {"50 MB long", {}, 50 * 1024 * 1024, "50 MB"}};
    const QString path = home.file("hvrn.ini");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool folder = row.name == std::string_view("a folder");
        QDir(path).removeRecursively(), QFile::remove(path);
        if (folder)
            QDir().mkpath(path + "/inside");
        else
            home.writeFile("hvrn.ini", "[Default]\r\nHost=ftp.example.net\r\n" + row.tail);
        if (row.size > 0)
            QFile::resize(path, row.size);
        const QByteArray before = home.readFile("hvrn.ini");
        EXPECT_TRUE(SettingsFileTrouble().contains(row.told)) << SettingsFileTrouble().toStdString();
        EXPECT_EQ(ReadIni("Default", "Host", "none"), "none");
        EXPECT_FALSE(WriteIni("StartUp", "Status", "Offline"));
        EXPECT_EQ(home.readFile("hvrn.ini"), before);
        EXPECT_EQ(QFileInfo(path).isDir(), folder);
    }
}

TEST_F(SettingsSafetyTest, AStartWithAnUnusableSettingsFileSaysSoInOneBoxAndRuns)
{
    home.writeFile("hvrn.ini", QByteArray("[Default]\r\n\0\0\0garbage", 22));
    form.startUp(QString());
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    const auto& box = doubles.boxes.shown().front();
    EXPECT_TRUE(box.text.contains("cannot use its settings file")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(home.file("hvrn.ini"))) << box.text.toStdString();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.SSPStatus->text(), "Offline");
}

TEST_F(SettingsSafetyTest, AFolderThatCannotBeMadeIsToldAndTheProgramRuns)
{
    home.writeFile("not-a-folder", "x");
    qputenv("HALVORN_HOME", home.file("not-a-folder/halvorn").toLocal8Bit());
    const QStringList problems = ProgramDirProblems();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems.front().contains("cannot create its folder")) << problems.front().toStdString();
    form.startUp(QString());
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(WriteIni("StartUp", "Status", "Offline"));
    EXPECT_EQ(noticesAbout("hvrn.ini"), 0) << "the folder's trouble was told already";
}

TEST_F(SettingsSafetyTest, AReadOnlyFolderIsToldAtStartAndItsSettingsStillLoad)
{
    SmallDisk disk(256);
    if (!disk.available())
        GTEST_SKIP() << disk.reason().toStdString();
    qputenv("HALVORN_HOME", disk.path().toLocal8Bit());
    ASSERT_TRUE(WriteIni("Default", "Host", "ftp.example.net"));
    ASSERT_TRUE(disk.makeReadOnly());
    const QStringList problems = ProgramDirProblems();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems.front().contains("cannot write to its folder")) << problems.front().toStdString();
    form.startUp(QString());
    EXPECT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(form.txtHost->text(), "ftp.example.net");
    EXPECT_FALSE(WriteIni("StartUp", "Status", "Offline"));
    EXPECT_EQ(ReadIni("StartUp", "Status", "<none>"), "<none>");
    EXPECT_EQ(noticesAbout("hvrn.ini"), 0) << "the folder's trouble was told already";
}
