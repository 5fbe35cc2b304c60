#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace platform {

// The login manager on the system bus: the session's Lock and Unlock, the
// coming and ending of sleep, and a delay lock that holds sleep back while
// the program says goodbye. Every call is asynchronous.
class Logind final : public QObject {
    Q_OBJECT

  public:
    Logind(const QDBusConnection& systemBus, QObject* parent);
    ~Logind() override;

    // Finds this process's session and subscribes to its signals.
    void start();
    // Asks for a sleep delay lock; heldChanged(true) once it is held.
    void takeSleepLock();
    // Closes the lock's descriptor: sleep may go on.
    void releaseSleepLock();
    bool holdsSleepLock() const { return lockFd_ >= 0; }
    // The session's Lock and Unlock are followed.
    bool sessionKnown() const { return sessionKnown_; }

  signals:
    void lockChanged(bool locked);
    void prepareForSleep(bool sleeping);
    void sessionFound(const QString& path);
    void sleepLockHeld();

  private slots:
    void sessionLock() { emit lockChanged(true); }
    void sessionUnlock() { emit lockChanged(false); }
    void sleepSignal(bool sleeping) { emit prepareForSleep(sleeping); }

  private:
    void findSessionOfUser();
    void listenToSession(const QString& path);

    QDBusConnection bus_;
    int lockFd_ = -1;
    bool lockAsked_ = false;
    bool lockWanted_ = false;
    bool sessionKnown_ = false;
};

} // namespace platform
