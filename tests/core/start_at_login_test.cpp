#include "CoreFixture.h"
#include "core/StartAtLogin.h"
#include "core/WriteTrouble.h"
#include "support/FileBytes.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtCore/qtestsupport_core.h>

// Options > Start at Login against a private XDG_CONFIG_HOME; the entry is
// read back by the desktop's own tools (desktop-file-validate, gio launch).
class StartAtLoginTest : public CoreTest {
  protected:
    StartAtLoginTest() { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }
    ~StartAtLoginTest() override { qunsetenv("XDG_CONFIG_HOME"); }

    QAction* item(Form1& form) { return form.action(u"mnuStartLogin"_s); }
    QString entry() const { return config.filePath(u"autostart/org.halvorn.Halvorn.desktop"_s); }

    QTemporaryDir config;
};

TEST_F(StartAtLoginTest, TheMenuItemAddsAndRemovesTheAutostartEntry)
{
    Form1 form;
    AttachStartAtLogin(form);
    ASSERT_FALSE(item(form)->isChecked());
    item(form)->trigger();
    EXPECT_TRUE(QFile::exists(entry()));
    EXPECT_TRUE(item(form)->isChecked());
    item(form)->trigger();
    EXPECT_FALSE(QFile::exists(entry()));
    EXPECT_FALSE(item(form)->isChecked());
}

TEST_F(StartAtLoginTest, TheItemShowsWhetherTheEntryIsThereAtStart)
{
    for (const bool there : {true, false}) {
        SCOPED_TRACE(there);
        ASSERT_EQ(SetStartAtLogin(there), true);
        Form1 form;
        AttachStartAtLogin(form);
        EXPECT_EQ(item(form)->isChecked(), there);
    }
}

TEST_F(StartAtLoginTest, TheEntryIsAValidDesktopEntryForThisBinaryMinimised)
{
    if (QStandardPaths::findExecutable(u"desktop-file-validate"_s).isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    ASSERT_TRUE(SetStartAtLogin(true));
    QProcess validate;
    validate.start(u"desktop-file-validate"_s, {entry()});
    ASSERT_TRUE(validate.waitForFinished(10000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    EXPECT_TRUE(FileBytes(entry()).contains(
        "\nExec=" + AutostartExecLine(QCoreApplication::applicationFilePath()).toUtf8() + '\n'));
}

// gio starts a desktop entry the way the session does at login: the program
// path must come through whole, whatever it contains.
TEST_F(StartAtLoginTest, TheExecLineStartsTheBinaryItNamesWithMin)
{
    if (QStandardPaths::findExecutable(u"gio"_s).isEmpty())
        GTEST_SKIP() << "gio is not installed";
    const QString names[] = {u"halvorn"_s, u"my programs/halvorn"_s, u"it's \"so\" $HOME`x`\\halvorn"_s};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString binary = config.filePath(name);
        const QString seen = config.filePath(u"arguments"_s);
        QDir().mkpath(QFileInfo(binary).absolutePath());
        ASSERT_TRUE(
            PutFileBytes(binary, "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > '" + seen.toUtf8() + "'\n"));
        QFile::setPermissions(binary, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(seen);
        const QString desktop = config.filePath(u"probe.desktop"_s);
        ASSERT_TRUE(PutFileBytes(desktop, "[Desktop Entry]\nType=Application\nName=Probe\nExec=" +
                                              AutostartExecLine(binary).toUtf8() + "\n"));
        QProcess::execute(u"gio"_s, {u"launch"_s, desktop});
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(seen).size() > 0; }, 5000));
        EXPECT_EQ(QString::fromUtf8(FileBytes(seen)), binary + u"|-min|"_s);
    }
}

TEST_F(StartAtLoginTest, AnEntryThatCannotBeWrittenIsToldAndLeavesTheItemUnticked)
{
    ASSERT_TRUE(PutFileBytes(config.filePath(u"autostart"_s), {})); // a file where the folder should be
    Form1 form;
    AttachWriteTrouble(*form.ftpStatus);
    AttachStartAtLogin(form);
    item(form)->trigger();
    EXPECT_FALSE(item(form)->isChecked());
    EXPECT_TRUE(form.ftpStatus->text().contains(u"autostart"_s)) << form.ftpStatus->text().toStdString();
}
