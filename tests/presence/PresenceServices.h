#pragma once
// Stand-ins for the desktop's idle and lock services and for the login
// manager, each served on a private bus daemon the test starts.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QString>

#include <utility>

#include <poll.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Puts a stand-in's slots on the bus at path, under its service name.
inline void serveOn(QDBusConnection& bus, QObject* standIn, const QString& path, const QString& service)
{
    bus.registerObject(path, standIn, QDBusConnection::ExportAllSlots);
    bus.registerService(service);
}

inline void sendSignal(QDBusConnection& bus, const QString& path, const QString& interface,
                       const QString& name, const QVariantList& arguments = {})
{
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    bus.send(signal);
}

// A dbus-daemon of its own; stopped with the object.
class PrivateBus {
  public:
    explicit PrivateBus(const QString& connectionName) : name_(connectionName)
    {
        daemon_.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
        }
        address = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(name_ + u"-client"_s);
        QDBusConnection::disconnectFromBus(name_ + u"-service"_s);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QDBusConnection client() { return QDBusConnection::connectToBus(address, name_ + u"-client"_s); }
    QDBusConnection service() { return QDBusConnection::connectToBus(address, name_ + u"-service"_s); }

    QString address;

  private:
    QString name_;
    QProcess daemon_;
};

// The compositor's idle monitor: watches on a clock the test moves.
class FakeIdleMonitor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
  public:
    explicit FakeIdleMonitor(QDBusConnection bus) : bus_(bus) { serveOn(bus_, this, kPath, kName); }
    // The user has left the input alone for ms: every watch it reaches fires.
    void idleFor(qint64 ms)
    {
        idleMs_ = ms;
        for (auto it = idleWatches_.cbegin(); it != idleWatches_.cend(); ++it)
            if (it.value() <= quint64(ms))
                fire(it.key());
    }
    // A key press: the user-active watches fire and are gone.
    void input()
    {
        idleMs_ = 0;
        for (uint id : std::exchange(activeWatches_, {}))
            fire(id);
    }
    int activeWatchCount() const { return int(activeWatches_.size()); }
    int idleWatchCount() const { return int(idleWatches_.size()); }
    QList<quint64> idleWatchIntervals() const { return idleWatches_.values(); }

  public slots:
    quint64 GetIdletime() { return quint64(idleMs_); }
    uint AddIdleWatch(quint64 interval)
    {
        idleWatches_[++lastId_] = interval;
        return lastId_;
    }
    uint AddUserActiveWatch()
    {
        activeWatches_.append(++lastId_);
        return lastId_;
    }
    void RemoveWatch(uint id)
    {
        idleWatches_.remove(id);
        activeWatches_.removeAll(id);
    }

  private:
    void fire(uint id) { sendSignal(bus_, kPath, kName, u"WatchFired"_s, {id}); }

    const QString kPath = u"/org/gnome/Mutter/IdleMonitor/Core"_s, kName = u"org.gnome.Mutter.IdleMonitor"_s;
    QDBusConnection bus_;
    qint64 idleMs_ = 0;
    uint lastId_ = 0;
    QMap<uint, quint64> idleWatches_;
    QList<uint> activeWatches_;
};

// The freedesktop screen saver: answers the idle time, tells the lock.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
  public:
    explicit FakeScreenSaver(QDBusConnection bus) : bus_(bus) { serveOn(bus_, this, kPath, kName); }
    void setLocked(bool locked) { sendSignal(bus_, kPath, kName, u"ActiveChanged"_s, {locked}); }
    // Answers with the time since this was started, in this many milliseconds per unit.
    void growIdle(int msPerUnit)
    {
        msPerUnit_ = msPerUnit;
        since_.start();
    }

  public slots:
    uint GetSessionIdleTime() { return since_.isValid() ? uint(since_.elapsed() / msPerUnit_) : 0; }

  private:
    const QString kPath = u"/org/freedesktop/ScreenSaver"_s, kName = u"org.freedesktop.ScreenSaver"_s;
    QDBusConnection bus_;
    QElapsedTimer since_;
    int msPerUnit_ = 1000;
};

// The login manager: one session that locks and unlocks, sleep that comes
// and goes, and delay locks whose descriptors the test watches.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
  public:
    explicit FakeLogind(QDBusConnection bus) : bus_(bus)
    {
        serveOn(bus_, this, kManagerPath, u"org.freedesktop.login1"_s);
    }
    ~FakeLogind() override
    {
        for (int fd : lockEnds_)
            ::close(fd);
    }
    void sessionSignal(const char* name)
    {
        sendSignal(bus_, kSessionPath, u"org.freedesktop.login1.Session"_s, QString::fromLatin1(name));
    }
    void prepareForSleep(bool sleeping)
    {
        sendSignal(bus_, kManagerPath, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, {sleeping});
    }
    // Delay locks handed out and still held by their taker.
    int locksHeld() const
    {
        int held = 0;
        for (int fd : lockEnds_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 0) == 0)
                ++held;
        }
        return held;
    }
    int locksGiven() const { return int(lockEnds_.size()); }
    QStringList inhibitCalls;

  public slots:
    QDBusObjectPath GetSessionByPID(uint) { return QDBusObjectPath(kSessionPath); }
    // The reply goes out here, so no copy of the descriptor stays in this
    // process: only the taker's copy keeps the lock.
    void Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode,
                 const QDBusMessage& call)
    {
        inhibitCalls << QStringList{what, who, why, mode}.join(QLatin1Char('|'));
        int ends[2];
        if (::pipe(ends) != 0)
            return;
        lockEnds_.append(ends[0]);
        call.setDelayedReply(true);
        bus_.send(call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
        ::close(ends[1]);
    }

  private:
    const QString kManagerPath = u"/org/freedesktop/login1"_s;
    const QString kSessionPath = u"/org/freedesktop/login1/session/_31"_s;
    QDBusConnection bus_;
    QList<int> lockEnds_;
};
