#include "CoreFixture.h"
#include "core/StartAtLogin.h"
#include "core/WriteTrouble.h"

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
    QFile file(entry());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(
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
        QFile script(binary);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > '" + seen.toUtf8() + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(seen);
        const QString desktop = config.filePath(u"probe.desktop"_s);
        QFile probe(desktop);
        ASSERT_TRUE(probe.open(QIODevice::WriteOnly | QIODevice::Truncate));
        probe.write("[Desktop Entry]\nType=Application\nName=Probe\nExec=" +
                    AutostartExecLine(binary).toUtf8() + "\n");
        probe.close();
        QProcess::execute(u"gio"_s, {u"launch"_s, desktop});
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(seen).size() > 0; }, 5000));
        QFile result(seen);
        ASSERT_TRUE(result.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(result.readAll()), binary + u"|-min|"_s);
    }
}

TEST_F(StartAtLoginTest, AnEntryThatCannotBeWrittenIsToldAndLeavesTheItemUnticked)
{
    QFile blocker(config.filePath(u"autostart"_s)); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Form1 form;
    AttachWriteTrouble(form);
    AttachStartAtLogin(form);
    item(form)->trigger();
    EXPECT_FALSE(item(form)->isChecked());
    EXPECT_TRUE(form.ftpStatus->text().contains(u"autostart"_s)) << form.ftpStatus->text().toStdString();
}
