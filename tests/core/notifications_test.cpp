#include "core/AppHooks.h"
#include "core/DesktopNotices.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// A notification service written for the test: records every Notify call.
class RecordingService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString summary, body;
        QStringList actions;
    };
    QList<Call> calls;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        calls.append({summary, body, actions});
        return uint(calls.size() + 40);
    }
};

// A private session bus started for the test, with the notifier on it.
class BusNotices : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, u"client"_s));
        notifier = platform::MakeBusNotifier(*client);
        notifierOverride = std::make_unique<platform::ScopedOverride<platform::Notifier>>(*notifier);
    }
    void TearDown() override
    {
        notifierOverride.reset();
        notifier.reset();
        QDBusConnection::disconnectFromBus(u"client"_s);
        QDBusConnection::disconnectFromBus(u"service"_s);
        daemon.kill();
        daemon.waitForFinished();
    }
    QDBusConnection startService()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, u"service"_s);
        bus.registerObject(u"/org/freedesktop/Notifications"_s, &service, QDBusConnection::ExportAllSlots);
        bus.registerService(u"org.freedesktop.Notifications"_s);
        return bus;
    }
    static bool pumpUntil(const std::function<bool()>& done, int ms = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10), QThread::msleep(1);
        return done();
    }

    TempHome home;
    PlatformDoubles doubles;
    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> client;
    std::unique_ptr<platform::Notifier> notifier;
    std::unique_ptr<platform::ScopedOverride<platform::Notifier>> notifierOverride;
    RecordingService service;
};

TEST_F(BusNotices, ShownOnTheBusAndTheirActionsOpenTheRightWindow)
{
    QDBusConnection bus = startService();
    Form1 form;
    AttachDesktopNotices(form);
    int mailboxShown = 0;
    Hooks().showMailbox = [&] { ++mailboxShown; };
    const struct {
        std::function<void()> notify;
        QString summary, body, action;
        std::function<bool()> opened;
    } cases[] = {
        {[] { NotifyNewMail(3, u"Ann <ann@example.net>"_s, u"Tea &\tcake"_s); }, u"3 new mails"_s,
         u"From Ann &lt;ann@example.net&gt;: Tea &amp; cake"_s, u"Open mailbox"_s, [&] { return mailboxShown == 1; }},
        {[] { NotifyPublishFailed(u"Site"_s, u"530 Login incorrect."_s); }, u"Status page not published"_s,
         u"Profile Site: 530 Login incorrect."_s, u"Open Halvorn"_s, [&] { return form.isVisible(); }},
    };
    for (const auto& c : cases) {
        c.notify();
        ASSERT_TRUE(pumpUntil([&] { return !service.calls.isEmpty() && service.calls.last().summary == c.summary; }));
        EXPECT_EQ(service.calls.last().body, c.body);
        EXPECT_EQ(service.calls.last().actions, (QStringList{u"default-action"_s, c.action}));
        const uint id = uint(service.calls.size() + 40);
        for (uint sent : {id + 1, id}) {
            QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                                             u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s);
            signal << sent << u"default-action"_s;
            bus.send(signal);
        }
        EXPECT_TRUE(pumpUntil(c.opened)) << c.action.toStdString();
    }
    EXPECT_EQ(mailboxShown, 1) << "an unknown notification id opens nothing";
    Hooks() = AppHooks{};
}

TEST_F(BusNotices, WithoutAServiceTheTrayBalloonIsUsedAndTheMenuSwitchesThemOff)
{
    Form1 form;
    AttachDesktopNotices(form);
    NotifyNewMail(1, u"Bob"_s, u"Hi"_s);
    pumpUntil([] { return false; }, 300);
    doubles.tray.add(QIcon(), u"tip"_s);
    NotifyNewMail(2, u"Cy"_s, u"Yo"_s);
    ASSERT_TRUE(pumpUntil([&] { return !doubles.tray.balloons.isEmpty(); }));
    EXPECT_EQ(doubles.tray.balloons, QStringList{u"2 new mails|From Cy: Yo"_s});

    QAction* check = form.action(u"mnuNotify"_s);
    ASSERT_TRUE(check && check->isChecked());
    check->trigger();
    EXPECT_EQ(ReadIni(u"StartUp"_s, u"Desktop Notifications"_s, QString()), u"False"_s);
    QDBusConnection bus = startService();
    NotifyNewMail(4, u"Di"_s, u"Later"_s);
    EXPECT_FALSE(pumpUntil([&] { return !service.calls.isEmpty(); }, 500));
}

#include "notifications_test.moc"
