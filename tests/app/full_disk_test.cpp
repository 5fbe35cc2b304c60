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

} // namespace

TEST(FullDisk, ExitOnAFullDiskLeavesTheSettingsFileWhole)
{
    SmallDisk disk(256);
    if (!disk.available())
        GTEST_SKIP() << disk.reason().toStdString();
    ASSERT_TRUE(PutFileBytes(disk.file("hvrn.ini"), kSettings));
    ProgramRun program(disk.path());
    program.start();
    ASSERT_TRUE(ProgramRun::waitUntil([&] { return QFile::exists(disk.file("halvorn.lock")); }, 20000));
    QThread::msleep(300);
    disk.fill();
    program.terminate();
    ASSERT_TRUE(program.waitForExit(20000));
    EXPECT_EQ(FileBytes(disk.file("hvrn.ini")), kSettings);
}

TEST(FullDisk, AFirstStartOnAFullDiskLeavesNoEmptyTemplates)
{
    SmallDisk disk(256);
    if (!disk.available())
        GTEST_SKIP() << disk.reason().toStdString();
    disk.fill();
    ProgramRun program(disk.path());
    program.start();
    ASSERT_TRUE(ProgramRun::waitUntil([&] { return QFile::exists(disk.file("halvorn.lock")); }, 20000));
    QThread::msleep(500);
    program.terminate();
    ASSERT_TRUE(program.waitForExit(20000));
    for (const char* name : {"on.html", "off.html", "hvrn.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(QFile::exists(disk.file(name))) << FileBytes(disk.file(name)).size() << " bytes";
    }
}
