// Passwords in the desktop keyring: a real gnome-keyring-daemon on a private
// session bus, the real program, the real FTP test server.
#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Encrypt.h"
#include "core/Form1.h"
#include "core/PasswordVault.h"
#include "mail/MailCheck.h"
#include "mail/MailProgram.h"
#include "mail/MailSettings.h"
#include "mail/MailWiring.h"
#include "publish/support/FtpTestServer.h"
#include "support/FileBytes.h"
#include "support/MailServers.h"
#include "support/NotificationBus.h"
#include "support/PlatformDoubles.h"
#include "support/ProgramRun.h"
#include "support/TempHome.h"

#include <QDBusConnectionInterface>
#include <QLabel>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// A bus without service files: nothing is started behind the test's back.
constexpr const char* kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>)";

const char* const kTold = "Passwords not in the keyring";

QByteArray scrambled(const char* password)
{
    return escapeStoredBytes(Encrypt(password));
}

class Keyring : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("gnome-keyring-daemon").isEmpty() ||
            QStandardPaths::findExecutable("secret-tool").isEmpty())
            GTEST_SKIP() << "gnome-keyring-daemon or secret-tool is not installed (scripts/packages.sh)";
        ASSERT_TRUE(PutFileBytes(session.filePath("bus.conf"), kBusConfig));
        bus.start("dbus-daemon",
                  {"--config-file=" + session.filePath("bus.conf"), "--nofork", "--print-address=1"});
        while (!bus.canReadLine() && bus.waitForReadyRead(10000)) {
        }
        address = QString::fromUtf8(bus.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        env = QProcessEnvironment::systemEnvironment();
        env.remove("HALVORN_KEYRING");
        env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME"})
            env.insert(name, session.path());
        QDBusConnection notices = QDBusConnection::connectToBus(address, "keyring-notices");
        ASSERT_TRUE(notices.registerObject("/org/freedesktop/Notifications", &recorder,
                                           QDBusConnection::ExportAllSlots) &&
                    notices.registerService("org.freedesktop.Notifications"));
    }
    void TearDown() override
    {
        qputenv("HALVORN_KEYRING", "off"); // as the test main left it
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QDBusConnection::disconnectFromBus("keyring-notices");
        for (QProcess* process : {&keyring, &bus})
            stopProcess(*process);
    }

    // An unlocked login keyring, the default one, made from the password on stdin.
    void startKeyring()
    {
        keyring.setProcessEnvironment(env);
        keyring.start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
        keyring.write("keyring-test-password");
        keyring.closeWriteChannel();
        QDBusConnection probe = QDBusConnection::connectToBus(address, "keyring-probe");
        ASSERT_TRUE(ProgramRun::waitUntil(
            [&] { return probe.interface()->isServiceRegistered("org.freedesktop.secrets").value(); },
            10000));
        QDBusConnection::disconnectFromBus("keyring-probe");
    }
    QString secretTool(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start("secret-tool", arguments);
        tool.write(input);
        tool.closeWriteChannel();
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }
    QString inKeyring(const QString& section, const QString& key)
    {
        return secretTool({"lookup", "application", "halvorn", "section", section, "key", key});
    }
    void putInKeyring(const QString& section, const QString& key, const QByteArray& password)
    {
        secretTool({"store", "--label=test", "application", "halvorn", "section", section, "key", key},
                   password);
    }
    void lockKeyring()
    {
        QDBusMessage lock = QDBusMessage::createMethodCall(
            "org.freedesktop.secrets", "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "Lock");
        lock << QVariant::fromValue(
            QList<QDBusObjectPath>{QDBusObjectPath("/org/freedesktop/secrets/collection/login")});
        ASSERT_EQ(QDBusConnection(QStringLiteral("keyring-notices")).call(lock).type(),
                  QDBusMessage::ReplyMessage);
    }
    // The program on this bus; windowed runs end when stopped.
    std::unique_ptr<ProgramRun> program(const QStringList& arguments = {})
    {
        auto run = std::make_unique<ProgramRun>(home.path());
        QProcessEnvironment programEnv = run->process().processEnvironment();
        programEnv.insert(env);
        programEnv.remove("HALVORN_KEYRING");
        run->process().setProcessEnvironment(programEnv);
        run->start(arguments);
        return run;
    }
    int toldCount() const
    {
        return int(std::count_if(recorder.calls.cbegin(), recorder.calls.cend(),
                                 [](const QStringList& call) { return call.value(0) == kTold; }));
    }
    // The Default profile publishing on.html to server, with more profile lines.
    void publishTo(const FtpTestServer& server, const QByteArray& profile)
    {
        home.writeFile("on.html", "%status% with a password");
        home.writeFile("hvrn.ini", "[Startup]\r\nDebugLog=True\r\nKeyring Wait Seconds=0\r\n"
                                   "[Default]\r\nHost=" +
                                       server.address().toUtf8() +
                                       "\r\nLogin=tester\r\nRemoteDir=public_html\r\nRemoteFile=index.html"
                                       "\r\nHTML ONline=on.html\r\n" +
                                       profile);
    }
    QByteArray ini() const { return home.readFile("hvrn.ini"); }
    // This process's own vault talks to the test's keyring.
    void useKeyringHere()
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        qunsetenv("HALVORN_KEYRING");
    }

    TempHome home;
    QTemporaryDir session;
    QProcess bus, keyring;
    QString address;
    QProcessEnvironment env;
    RecordingService recorder;
};

TEST_F(Keyring, ScrambledPasswordsMoveIntoTheKeyringAndLeaveTheIni)
{
    startKeyring();
    const struct {
        const char* section;
        const char* key;
        const char* password;
    } table[] = {{"Startup", "MailPass", "pop secret"},
                 {"Startup", "SMTPPass", "smtp=secret"},
                 {"Default", "pass", "ftp \"secret\""},
                 {"Work", "pass", "passphrase \xc3\xa4"}};
    QByteArray file = "[Profile]\r\nCount=1\r\n1=Work\r\n";
    for (const auto& row : table) {
        if (!file.contains(QByteArray("[") + row.section + "]"))
            file += QByteArray("[") + row.section + "]\r\n";
        file += QByteArray(row.key) + "=" + scrambled(row.password) + "\r\n";
    }
    home.writeFile("hvrn.ini", file);

    const auto run = program();
    EXPECT_TRUE(ProgramRun::waitUntil([&] { return !ini().contains("ass="); }, 20000)) << ini().toStdString();
    for (const auto& row : table)
        EXPECT_EQ(inKeyring(row.section, row.key), QString::fromUtf8(row.password)) << row.section << row.key;
    EXPECT_TRUE(ini().contains("1=Work")); // the rest of the file stays
    EXPECT_EQ(toldCount(), 0);
}

// At login the keyring may come up after the program.
TEST_F(Keyring, AKeyringThatComesUpAfterTheStartIsUsed)
{
    home.writeFile("hvrn.ini", "[Startup]\r\nDebugLog=True\r\nMailPass=" + scrambled("late secret") + "\r\n");
    const auto run = program();
    ASSERT_TRUE(ProgramRun::waitUntil(
        [&] { return home.readFile("debug.log").contains("[Keyring] Not used"); }, 15000));
    startKeyring();
    EXPECT_TRUE(ProgramRun::waitUntil([&] { return !ini().contains("MailPass="); }, 20000))
        << ini().toStdString();
    EXPECT_EQ(inKeyring("Startup", "MailPass"), "late secret");
    EXPECT_EQ(toldCount(), 0);
}

TEST_F(Keyring, AnUploadUsesThePasswordFromTheKeyring)
{
    startKeyring();
    FtpTestServer server;
    ASSERT_GT(server.port(), 0);
    putInKeyring("Default", "pass", "secret");
    publishTo(server, {});

    const auto run = program({"-online"});
    ASSERT_TRUE(run->waitForExit(30000));
    EXPECT_EQ(run->process().exitCode(), 0) << run->process().readAllStandardError().toStdString();
    EXPECT_TRUE(server.page().contains("Online with a password"));
    EXPECT_FALSE(ini().contains("pass="));
}

TEST_F(Keyring, APasswordSavedFromTheMailSetupLandsInTheKeyringNotTheIni)
{
    startKeyring();
    useKeyringHere();
    {
        PasswordVault vault;
        vault.start(true);
        ASSERT_TRUE(vault.usesKeyring());
        MailSettings settings;
        settings.txtPass = "typed pop";
        settings.smtpPassword = "typed smtp";
        settings.SaveMail();
    }
    EXPECT_EQ(inKeyring("Startup", "MailPass"), "typed pop");
    EXPECT_EQ(inKeyring("Startup", "SMTPPass"), "typed smtp");
    EXPECT_FALSE(ini().contains("Pass=")) << ini().toStdString();
}

TEST_F(Keyring, AMailCheckLogsInWithThePasswordFromTheKeyring)
{
    startKeyring();
    Pop3TestServer server(true);
    ASSERT_TRUE(server.started());
    server.addMessage(
        "From: a@example.org\r\nSubject: Kept\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nHi\r\n");
    putInKeyring("Startup", "MailPass", server.password().toUtf8());
    home.writeFile("hvrn.ini", "[Mail]\r\nEnabled=True\r\nTLS Verify=False\r\nLogin=tester\r\nHost=" +
                                   server.address().toUtf8() + "\r\n");
    useKeyringHere();
    PlatformDoubles doubles;
    InstallMailHooks();
    auto form = std::make_unique<Form1>();
    AttachMail(*form);
    form->startUp({});
    ASSERT_TRUE(ProgramRun::waitUntil([] { return StoredPasswordsSettled(); }, 10000));
    Core().LocalIP = "192.0.2.7";
    Mail().check().MailTicks = 1000000;
    Mail().check().Timer1_Timer();

    EXPECT_EQ(Mail().check().listing().size(), 1) << form->mailStatus->text().toStdString();
    Mail().reset();
    form.reset();
    Hooks() = AppHooks{};
    Core() = CoreState{};
}

TEST_F(Keyring, WithoutAServiceTheScrambledPasswordIsUsedAndToldOnce)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0);
    publishTo(server, "pass=" + scrambled("secret") + "\r\n");
    const auto decided = [&](int runs) {
        return home.readFile("debug.log").count("[Keyring] Not used") == runs;
    };

    for (int run = 1; run <= 2; ++run) {
        const auto windowed = program();
        EXPECT_TRUE(ProgramRun::waitUntil([&] { return decided(run); }, 20000));
        ProgramRun::waitUntil([] { return false; }, 300); // time for a notice to arrive
        windowed->terminate();
        ASSERT_TRUE(windowed->waitForExit(10000));
    }
    const auto oneShot = program({"-online"});
    ASSERT_TRUE(oneShot->waitForExit(30000));

    EXPECT_EQ(toldCount(), 1);
    EXPECT_EQ(oneShot->process().exitCode(), 0) << oneShot->process().readAllStandardError().toStdString();
    EXPECT_TRUE(server.page().contains("Online with a password"));
    EXPECT_TRUE(ini().contains("pass=" + scrambled("secret")));
}

TEST_F(Keyring, ALockedKeyringKeepsTheIniPasswordAndTells)
{
    startKeyring();
    lockKeyring();
    home.writeFile("hvrn.ini", "[Startup]\r\nDebugLog=True\r\nMailPass=" + scrambled("pop") +
                                   "\r\n[Default]\r\npass=" + scrambled("secret") + "\r\n");

    const auto run = program();
    EXPECT_TRUE(ProgramRun::waitUntil([&] { return toldCount() == 1; }, 20000));
    EXPECT_TRUE(ini().contains("MailPass=" + scrambled("pop")) &&
                ini().contains("pass=" + scrambled("secret")))
        << ini().toStdString();
    EXPECT_TRUE(home.readFile("debug.log").contains("[Keyring] Not used: the keyring stayed locked"));
    EXPECT_EQ(inKeyring("Default", "pass"), "");
}

} // namespace
