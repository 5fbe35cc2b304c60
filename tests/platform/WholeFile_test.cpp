#include "platform/WholeFile.h"
#include "platform/doubles/FailingFileCalls.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

using platform::FailingFileCalls;
using Step = FailingFileCalls::Step;

namespace {

void writeRaw(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(PutFileBytes(path, bytes));
}

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

struct FailingStep {
    const char* name;
    Step step;
};

// Runs write once per failing step, on a fresh file holding old (none when
// old is empty); each time the folder must hold just that, no temporary.
template <class Write>
void forEachFailingStep(const std::vector<FailingStep>& steps, const QString& name, const QByteArray& old,
                        Write write)
{
    for (const FailingStep& row : steps) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!old.isEmpty())
            writeRaw(path, old);
        FailingFileCalls failing(row.step);
        platform::ScopedFileCalls scoped(failing);
        write(path);
        EXPECT_EQ(FileBytes(path, {}), old);
        EXPECT_EQ(namesIn(dir.path()), old.isEmpty() ? QStringList() : QStringList{name});
    }
}

const std::vector<FailingStep> kReplaceSteps = {
    {"create", Step::Open}, {"write", Step::Write}, {"short write", Step::ShortWrite},
    {"fsync", Step::Fsync}, {"close", Step::Close}, {"rename", Step::Rename},
};

} // namespace

TEST(WholeFile, ReplaceLeavesTheOldFileByteForByteWhenAnyStepFails)
{
    forEachFailingStep(kReplaceSteps, "hvrn.ini", "[StartUp]\r\nStatus=Online\r\n", [](const QString& path) {
        platform::FileWriteError error;
        EXPECT_FALSE(platform::ReplaceWholeFile(path, QByteArray(20000, 'n'), &error));
        EXPECT_EQ(error.code, ENOSPC);
        EXPECT_TRUE(error.text.contains(path)) << error.text.toStdString();
    });
}

TEST(WholeFile, ReplaceKeepsThePermissionsOfTheFileItReplaces)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.txt"));
    writeRaw(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    ASSERT_TRUE(platform::ReplaceWholeFile(path, "new", nullptr, 0600));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const QString fresh = dir.filePath(QStringLiteral("fresh.ini"));
    ASSERT_TRUE(platform::ReplaceWholeFile(fresh, "new", nullptr, 0600));
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "a new settings file is the user's alone";
}

TEST(WholeFile, ReplaceThroughALinkChangesTheTargetAndKeepsTheLink)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("real.ini"));
    const QString link = dir.filePath(QStringLiteral("hvrn.ini"));
    writeRaw(target, "old");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(platform::ReplaceWholeFile(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(FileBytes(target), QByteArray("new"));
}

TEST(WholeFile, AppendThatFailsLeavesTheFileAsItWas)
{
    const std::vector<FailingStep> steps = {
        {"write", Step::Write}, {"short write", Step::ShortWrite}, {"fsync", Step::Fsync}};
    // A first record that fails leaves no empty file behind.
    for (const QByteArray& old : {QByteArray("----------\r\nfirst\r\n"), QByteArray()})
        forEachFailingStep(steps, "Memo.txt", old, [](const QString& path) {
            EXPECT_FALSE(platform::AppendWholeRecord(path, QByteArray(5000, 'm')));
        });
}

TEST(WholeFile, StaleTemporariesAreRemovedAndNothingElse)
{
    QTemporaryDir dir;
    writeRaw(dir.filePath(QStringLiteral(".hvrn.ini.hvtmp-3k2j1")), "half");
    writeRaw(dir.filePath(QStringLiteral(".page.html.hvtmp-zz")), "half");
    writeRaw(dir.filePath(QStringLiteral("hvrn.ini")), "whole");
    writeRaw(dir.filePath(QStringLiteral(".hidden")), "mine");
    writeRaw(dir.filePath(QStringLiteral("notes.hvtmp-1")), "mine too");
    EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path()), 2);
    EXPECT_EQ(namesIn(dir.path()), (QStringList{QStringLiteral(".hidden"), QStringLiteral("hvrn.ini"),
                                                QStringLiteral("notes.hvtmp-1")}));
}
