// The real program with its folder on a small file system that fills up.
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/SmallDisk.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QByteArray kSettings =
    "[Default]\r\nHost=ftp.example.net\r\nLogin=ann\r\npass=\x05\x11\r\nStatus=Online\r\n"
    "[Memo]\r\nEnabled=False\r\n[StartUp]\r\nHTML Editor=/usr/bin/false\r\n";

class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!disk.available())
            GTEST_SKIP() << disk.reason().toStdString();
    }
    // The program started on the disk and ended by SIGTERM once settled,
    // the disk filled just before the end when fillBeforeExit.
    void runAndEnd(bool fillBeforeExit)
    {
        ProgramRun program(disk.path());
        program.start();
        ASSERT_TRUE(ProgramRun::waitUntil([&] { return QFile::exists(disk.file("halvorn.lock")); }, 20000));
        QThread::msleep(400);
        if (fillBeforeExit)
            disk.fill();
        program.terminate();
        ASSERT_TRUE(program.waitForExit(20000));
    }

    SmallDisk disk{256};
};

} // namespace

TEST_F(FullDisk, ExitOnAFullDiskLeavesTheSettingsFileWhole)
{
    ASSERT_TRUE(PutFileBytes(disk.file("hvrn.ini"), kSettings));
    ASSERT_NO_FATAL_FAILURE(runAndEnd(true));
    EXPECT_EQ(FileBytes(disk.file("hvrn.ini")), kSettings);
}

TEST_F(FullDisk, AFirstStartOnAFullDiskLeavesNoEmptyTemplates)
{
    disk.fill();
    ASSERT_NO_FATAL_FAILURE(runAndEnd(false));
    for (const char* name : {"on.html", "off.html", "hvrn.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(QFile::exists(disk.file(name))) << FileBytes(disk.file(name)).size() << " bytes";
    }
}
