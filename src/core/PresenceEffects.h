#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class Form1;

// What automatic presence changes, and only that: the memo server's away
// mode and the Auto Update profiles' pages. It remembers what it changed so
// a return restores exactly that, leaves alone whatever the user set by hand
// in between, and publishes each profile at most once per spacing.
class PresenceEffects : public QObject {
    Q_OBJECT

  public:
    PresenceEffects(Form1& form, int spacingMs, QObject* parent);

    // The state presence wants. urgent (sleep) does not wait for the spacing.
    void want(bool awayMode, bool offline, bool urgent = false);
    // Publishes again what is still owed (a failure, a change that waited).
    void retry();
    // Profiles this took offline and has not yet brought back.
    QStringList takenOffline() const;
    bool owesPublish() const { return owed_; }
    // Away mode is on because presence switched it on, not the user.
    bool awayModeIsOurs() const { return awaySetHere_; }

  private:
    void applyAwayMode();
    void applyProfiles(bool urgent);
    void takeOffline(const QString& profile, bool urgent);
    void bringBack(const QString& profile, bool urgent);
    bool spaced(const QString& profile, bool urgent);
    bool publish(const QString& profile, bool online);
    void noteHandPublish();
    void noteHandAway();
    void endAwayPeriod();

    Form1& form_;
    const int spacingMs_;
    bool wantAway_ = false;
    bool wantOffline_ = false;
    bool awaySetHere_ = false;
    bool awayByHand_ = false;
    bool applying_ = false;
    bool owed_ = false;
    QSet<QString> taken_;
    QSet<QString> byHand_;
    QHash<QString, qint64> lastPublishMs_;
    QElapsedTimer clock_;
    QDeadlineTimer sleepDeadline_{QDeadlineTimer::Forever};
    QTimer later_;
};
