#pragma once

#include "platform/Notifier.h"
#include "platform/Override.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

#include <memory>

// A notification service written for tests: records every Notify call.
class RecordingService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int)
    {
        calls.append(QStringList{summary, body} + actions);
        desktopEntries.append(hints.value(QStringLiteral("desktop-entry")).toString());
        return uint(calls.size() + 40);
    }

  public:
    QList<QStringList> calls;   // summary, body, actions...
    QStringList desktopEntries; // each call's desktop-entry hint
    // The id Notify returned for the last call.
    uint lastId() const { return uint(calls.size() + 40); }
};

// A private session bus started for one test, with the program's notifier
// on it; the recording service joins when a test calls serve().
class NotificationBus {
  public:
    NotificationBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address=1")});
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
        }
        address = QString::fromUtf8(daemon_.readLine()).trimmed();
        notifier =
            platform::MakeBusNotifier(QDBusConnection::connectToBus(address, QStringLiteral("client")));
        override_ = std::make_unique<platform::ScopedOverride<platform::Notifier>>(*notifier);
    }
    ~NotificationBus()
    {
        override_.reset();
        notifier.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        daemon_.kill();
        daemon_.waitForFinished();
    }
    // Puts the recording service on the bus.
    QDBusConnection serve()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("service"));
        bus.registerObject(kPath, &service, QDBusConnection::ExportAllSlots);
        bus.registerService(kName);
        return bus;
    }
    // The user picks the action of notification id.
    void invokeAction(QDBusConnection& bus, uint id) const
    {
        bus.send(QDBusMessage::createSignal(kPath, kName, QStringLiteral("ActionInvoked"))
                 << id << QStringLiteral("default-action"));
    }

    const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
    const QString kName = QStringLiteral("org.freedesktop.Notifications");
    QString address;
    std::unique_ptr<platform::Notifier> notifier;
    RecordingService service;

  private:
    QProcess daemon_;
    std::unique_ptr<platform::ScopedOverride<platform::Notifier>> override_;
};
