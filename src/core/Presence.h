#pragma once

#include "core/PresenceEffects.h"
#include "platform/IdleMonitor.h"
#include "platform/Logind.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class Form1;

// The presence settings, in [StartUp].
struct PresenceSettings {
    int awayAfterMinutes = 10;    // 0: no auto-away when idle
    bool offlineWhenAway = false; // "When Away": Offline, else Away (the memo server's away mode)
    bool offlineWhileAsleep = true;

    static PresenceSettings read();
    bool save() const;
};

struct PresenceTimings {
    // A return needs input still coming this long after the first.
    int returnConfirmMs = 3000;
    // Presence publishes each profile at most this often.
    int publishSpacingMs = 60000;
    int idlePollMs = 2000;
};

enum class AwayReason { Present, Idle, Locked };

// Presence that follows the user: idle for the set minutes or a locked
// screen makes the program away, input for a few seconds or an unlock
// brings it back, and sleep takes the pages offline first.
class Presence : public QObject {
    Q_OBJECT

  public:
    Presence(Form1& form, const PresenceTimings& timings, QObject* parent);
    ~Presence() override;

    // The idle backend found at run time, or nullptr with why there is none.
    void useMonitor(platform::IdleMonitor* monitor, const QString& whyNone);
    // The login manager: session lock and sleep.
    void useLogind(platform::Logind* logind);
    void reloadSettings();

    AwayReason reason() const { return reason_; }
    // "Away (idle)", "Away (locked)", or empty while present.
    QString caption() const;
    // The backend's name, or why presence stays manual; empty while it is sought.
    QString backendText() const { return backend_; }
    bool automatic() const { return monitor_ != nullptr; }
    bool asleep() const { return asleep_; }
    PresenceEffects& effects() { return effects_; }
    const PresenceEffects& effectsView() const { return effects_; }
    // True when presence keeps this profile offline: nothing else brings it back meanwhile.
    bool holdsOffline(const QString& profile) const;

  signals:
    void changed();

  private:
    void lockChanged(bool locked);
    void wentIdle();
    void inputCame();
    void confirmReturn();
    void comeBack();
    void goAway(AwayReason why);
    void prepareForSleep(bool sleeping);
    void applyWanted(bool urgent = false);

    Form1& form_;
    PresenceTimings timings_;
    PresenceSettings settings_;
    PresenceEffects effects_;
    QPointer<platform::IdleMonitor> monitor_;
    QPointer<platform::Logind> logind_;
    QString backend_;
    AwayReason reason_ = AwayReason::Present;
    bool asleep_ = false;
    qint64 thresholdMs_ = -1;
    QTimer confirm_;
};

// The running program's presence, if it has one.
Presence* CurrentPresence();
