#include "core/PresenceEffects.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/frmAuto.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include <algorithm>

namespace {

// A publish that cannot start now (another upload runs) is tried again after this.
constexpr int kBusyRetryMs = 2000;
// The login manager holds sleep back only a few seconds: an upload still
// running then is aborted, and the profiles not reached are left for later.
constexpr int kSleepPublishLimitMs = 4000;

QString profileStatus(const QString& profile)
{
    return ReadIni(profile, QStringLiteral("Status"), QString());
}

} // namespace

PresenceEffects::PresenceEffects(Form1& form, int spacingMs, QObject* parent)
    : QObject(parent), form_(form), spacingMs_(spacingMs)
{
    clock_.start();
    later_.setSingleShot(true);
    connect(&later_, &QTimer::timeout, this, &PresenceEffects::retry);
    for (const char* name : {"mnuOnline1", "mnuOffline1", "mnuOnline", "mnuOffline"})
        connect(form.action(QString::fromLatin1(name)), &QAction::triggered, this,
                &PresenceEffects::noteHandPublish);
    connect(form.cmd_Online, &QPushButton::clicked, this, &PresenceEffects::noteHandPublish);
    connect(form.cmd_Offline, &QPushButton::clicked, this, &PresenceEffects::noteHandPublish);
    for (const char* name : {"mnuAway", "mnuAway2"})
        connect(form.action(QString::fromLatin1(name)), &QAction::triggered, this,
                &PresenceEffects::noteHandAway);
}

void PresenceEffects::want(bool awayMode, bool offline, bool urgent)
{
    const bool returning = (wantAway_ || wantOffline_) && !awayMode && !offline;
    wantAway_ = awayMode;
    wantOffline_ = offline;
    applyAwayMode();
    applyProfiles(urgent);
    if (returning)
        endAwayPeriod();
}

void PresenceEffects::retry()
{
    applyProfiles(false);
}

QStringList PresenceEffects::takenOffline() const
{
    QStringList names(taken_.begin(), taken_.end());
    names.sort();
    return names;
}

void PresenceEffects::applyAwayMode()
{
    QAction* away = form_.action(QStringLiteral("mnuAway"));
    bool on = away->isChecked();
    if (wantAway_ && !on && !awayByHand_) {
        on = awaySetHere_ = true;
    } else if (!wantAway_ && awaySetHere_) {
        on = awaySetHere_ = false;
    } else {
        return;
    }
    away->setChecked(on);
    form_.action(QStringLiteral("mnuAway2"))->setChecked(on);
}

void PresenceEffects::applyProfiles(bool urgent)
{
    // An upload waits in its own event loop: whatever comes meanwhile is
    // applied once it is over.
    if (applying_ || !form_.Combo1->isEnabled()) {
        owed_ = true;
        if (!later_.isActive())
            later_.start(kBusyRetryMs);
        return;
    }
    if (Core().ExitAfterUpload || form_.exiting())
        return;
    applying_ = true;
    owed_ = false;
    if (urgent)
        sleepDeadline_.setRemainingTime(kSleepPublishLimitMs);
    else
        sleepDeadline_ = QDeadlineTimer(QDeadlineTimer::Forever);
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [this] { form_.cmdAbort->click(); });
    if (urgent)
        limit.start(kSleepPublishLimitMs);
    const QString shown = form_.Combo1->currentText();
    if (wantOffline_) {
        const frmAuto& list = *form_.autoWindow();
        const QStringList names = list.names();
        for (int i = 0; i < names.size(); ++i)
            if (list.isSelected(i))
                takeOffline(names[i], urgent);
    } else {
        for (const QString& profile : takenOffline())
            bringBack(profile, urgent);
    }
    if (form_.Combo1->currentText() != shown)
        form_.selectProfile(shown);
    applying_ = false;
}

void PresenceEffects::takeOffline(const QString& profile, bool urgent)
{
    if (byHand_.contains(profile) || taken_.contains(profile) ||
        profileStatus(profile) != QLatin1String("Online"))
        return;
    if (!spaced(profile, urgent))
        return;
    if (publish(profile, false))
        taken_.insert(profile);
}

void PresenceEffects::bringBack(const QString& profile, bool urgent)
{
    if (profileStatus(profile) != QLatin1String("Offline")) {
        taken_.remove(profile);
        return;
    }
    if (!spaced(profile, urgent))
        return;
    if (publish(profile, true))
        taken_.remove(profile);
}

bool PresenceEffects::spaced(const QString& profile, bool urgent)
{
    const auto last = lastPublishMs_.constFind(profile);
    if (urgent || last == lastPublishMs_.constEnd())
        return true;
    const qint64 wait = *last + spacingMs_ - clock_.elapsed();
    if (wait <= 0)
        return true;
    owed_ = true;
    if (!later_.isActive() || later_.remainingTime() > wait)
        later_.start(int(wait));
    return false;
}

bool PresenceEffects::publish(const QString& profile, bool online)
{
    if (sleepDeadline_.hasExpired()) {
        owed_ = true;
        return false;
    }
    lastPublishMs_[profile] = clock_.elapsed();
    DebugLog(QStringLiteral("[HVRN] Presence publishes %1 for %2")
                 .arg(online ? QStringLiteral("Online") : QStringLiteral("Offline"), profile));
    form_.selectProfile(profile);
    // A locked selector marks the publish as automatic: a failure is notified.
    form_.Combo1->setEnabled(false);
    if (online)
        form_.cmd_Online_Click();
    else
        form_.cmd_Offline_Click();
    form_.Combo1->setEnabled(true);
    const bool published = Hooks().publishResult && Hooks().publishResult().isEmpty();
    if (!published) {
        // Tried again at the next change or the address check; a page that
        // did not go out does not count against the spacing.
        owed_ = true;
        lastPublishMs_.remove(profile);
        DebugLog(QStringLiteral("[HVRN] Presence could not publish %1 for %2")
                     .arg(online ? QStringLiteral("Online") : QStringLiteral("Offline"), profile));
    }
    return published;
}

void PresenceEffects::noteHandPublish()
{
    if (applying_)
        return;
    const QString profile = form_.Combo1->currentText();
    taken_.remove(profile);
    if (wantAway_ || wantOffline_)
        byHand_.insert(profile);
}

void PresenceEffects::noteHandAway()
{
    awaySetHere_ = false;
    if (wantAway_)
        awayByHand_ = true;
}

void PresenceEffects::endAwayPeriod()
{
    byHand_.clear();
    awayByHand_ = false;
}
