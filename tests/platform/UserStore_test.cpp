#include "platform/UserStore.h"
#include "platform/WholeFile.h"
#include "platform/doubles/FailingFileCalls.h"
#include "support/FileBytes.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// QSettings learns the user's folder once per process: every test here
// shares one, each under an organisation of its own.
QTemporaryDir& configHome()
{
    static QTemporaryDir* dir = [] {
        auto* made = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", made->path().toLocal8Bit());
        return made;
    }();
    return *dir;
}

QString storeFile(const QString& organisation)
{
    return configHome().filePath(organisation + "/HVRN.ini");
}

platform::UserStore& store()
{
    configHome();
    return platform::userStore();
}

} // namespace

TEST(UserStore, ValuesReadBackAsWrittenWhateverTheyHold)
{
    const char* values[] = {"Müller, Jörg <jm@corp.example>",
                            "\"quoted\"",
                            "@String(not a variant)",
                            "back\\slash",
                            "  blanks at the ends  ",
                            "semi;colon",
                            "",
                            "line\nbreak"};
    const QString app = "Tricky\\HVRN";
    for (int i = 0; i < int(std::size(values)); ++i) {
        SCOPED_TRACE(values[i]);
        ASSERT_TRUE(store().set(app, "AddressBook", QString::number(i), QString::fromUtf8(values[i])));
    }
    for (int i = 0; i < int(std::size(values)); ++i) {
        SCOPED_TRACE(values[i]);
        EXPECT_EQ(store().get(app, "AddressBook", QString::number(i), "<none>"),
                  QString::fromUtf8(values[i]));
        QSettings plain(storeFile("Tricky"), QSettings::IniFormat);
        EXPECT_EQ(plain.value("AddressBook/" + QString::number(i)).toString(), QString::fromUtf8(values[i]))
            << "the file must stay readable as before";
    }
}

TEST(UserStore, ARemovedKeyStaysRemoved)
{
    const QString app = "Removal\\HVRN";
    ASSERT_TRUE(store().set(app, "Utility", "0Item", "Editor"));
    ASSERT_TRUE(store().remove(app, "Utility", "0Item"));
    EXPECT_EQ(store().get(app, "Utility", "0Item", "<none>"), "<none>");
}

TEST(UserStore, AChangeMadeByAnotherProgramIsSeenAndKept)
{
    const QString app = "Shared\\HVRN";
    ASSERT_TRUE(store().set(app, "Utility", "0Item", "Mine"));
    EXPECT_EQ(store().get(app, "Utility", "0Item"), "Mine");
    {
        QSettings other(storeFile("Shared") + ".other", QSettings::IniFormat);
        other.setValue("Utility/0Item", "Mine");
        other.setValue("Utility/1Item", "Theirs");
        other.sync();
    }
    ASSERT_TRUE(QFile::remove(storeFile("Shared")));
    ASSERT_TRUE(QFile::rename(storeFile("Shared") + ".other", storeFile("Shared")));
    EXPECT_EQ(store().get(app, "Utility", "1Item"), "Theirs");
    ASSERT_TRUE(store().set(app, "Utility", "2Item", "Also mine"));
    EXPECT_EQ(store().get(app, "Utility", "1Item"), "Theirs");
}

TEST(UserStore, SeveralChangesLandInOneReplacement)
{
    const QString app = "Batch\\HVRN";
    ASSERT_TRUE(store().apply(app, {{"AddressBook", "0", QString("Ann <ann@example.net>")},
                                    {"AddressBook", "1", QString("Bob <bob@example.net>")}}));
    const QByteArray before = FileBytes(storeFile("Batch"));
    platform::FailingFileCalls failing(platform::FailingFileCalls::Step::Rename);
    platform::ScopedFileCalls scoped(failing);
    EXPECT_FALSE(
        store().apply(app, {{"AddressBook", "0", std::nullopt}, {"AddressBook", "2", QString("Cy")}}));
    EXPECT_EQ(FileBytes(storeFile("Batch")), before);
    EXPECT_EQ(store().get(app, "AddressBook", "0"), "Ann <ann@example.net>");
}

TEST(UserStore, AFailedWriteIsReported)
{
    QStringList reported;
    platform::SetWriteReport([&](const QString& path, const platform::FileWriteError* error) {
        reported << (error ? "failed " : "saved ") + QFileInfo(path).fileName();
    });
    const QString app = "Reported\\HVRN";
    ASSERT_TRUE(store().set(app, "Utility", "0Item", "One"));
    {
        platform::FailingFileCalls failing(platform::FailingFileCalls::Step::Fsync);
        platform::ScopedFileCalls scoped(failing);
        EXPECT_FALSE(store().set(app, "Utility", "0Item", "Two"));
    }
    platform::SetWriteReport(nullptr);
    EXPECT_EQ(reported, (QStringList{"saved HVRN.ini", "failed HVRN.ini"}));
}

TEST(UserStore, OnAFullDiskTheStoreKeepsItsOldFile)
{
    SmallDisk disk(256);
    if (!disk.available())
        GTEST_SKIP() << disk.reason().toStdString();
    ASSERT_TRUE(QFile::link(disk.path(), configHome().filePath("FullDisk")));
    const QString app = "FullDisk\\HVRN";
    QList<platform::UserStore::Change> many;
    for (int i = 0; i < 200; ++i)
        many.append({"AddressBook", QString::number(i), QString("Person %1 <p%1@example.net>").arg(i)});
    ASSERT_TRUE(store().apply(app, many));
    const QByteArray before = FileBytes(storeFile("FullDisk"));
    disk.fill();
    many.append({"AddressBook", "200", QString(20000, 'x')});
    EXPECT_FALSE(store().apply(app, many));
    EXPECT_EQ(FileBytes(storeFile("FullDisk")), before);
    QFile::remove(configHome().filePath("FullDisk"));
}
