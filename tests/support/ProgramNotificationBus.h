#pragma once

#include "support/NotificationBus.h"

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>

// A private session bus (its own dbus-daemon) for one test. The recording
// service joins it only when asked, so a test can see the program without
// a notification service first. A program started with sessionEnvironment()
// talks to this bus as its desktop session.
class ProgramNotificationBus {
  public:
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kName = "org.freedesktop.Notifications";

    ProgramNotificationBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address=1")});
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~ProgramNotificationBus()
    {
        for (const QString& name : connections_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    ProgramNotificationBus(const ProgramNotificationBus&) = delete;
    ProgramNotificationBus& operator=(const ProgramNotificationBus&) = delete;

    QString address() const { return address_; }
    // A connection of this process to the bus, under a name of its own.
    QDBusConnection connect(const QString& name)
    {
        connections_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }
    // Puts the recording service on the bus; false when the bus refused it.
    bool registerService()
    {
        QDBusConnection bus = connect(QStringLiteral("recording-service"));
        return bus.registerObject(QString::fromLatin1(kPath), &service, QDBusConnection::ExportAllSlots) &&
               bus.registerService(QString::fromLatin1(kName));
    }
    QDBusConnection serviceConnection() const { return QDBusConnection(QStringLiteral("recording-service")); }

    RecordingService service;

  private:
    QProcess daemon_;
    QString address_;
    QStringList connections_;
};
