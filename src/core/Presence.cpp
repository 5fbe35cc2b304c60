#include "core/Presence.h"

#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/TextToBool.h"
#include "platform/IdleMonitor.h"
#include "platform/Logind.h"

#include <algorithm>

namespace {

Presence* g_presence = nullptr;

const QString kSection = QStringLiteral("StartUp");
const QString kMinutesKey = QStringLiteral("Away After Minutes");
const QString kWhenAwayKey = QStringLiteral("When Away");
const QString kAsleepKey = QStringLiteral("Offline While Asleep");
constexpr int kMaxMinutes = 24 * 60;

} // namespace

PresenceSettings PresenceSettings::read()
{
    PresenceSettings s;
    bool ok = false;
    const int minutes = ReadIni(kSection, kMinutesKey, QString()).trimmed().toInt(&ok);
    s.awayAfterMinutes = ok ? std::clamp(minutes, 0, kMaxMinutes) : 10;
    s.offlineWhenAway = ReadIni(kSection, kWhenAwayKey, QString())
                            .trimmed()
                            .compare(QLatin1String("Offline"), Qt::CaseInsensitive) == 0;
    s.offlineWhileAsleep = ReadIniFlag(kSection, kAsleepKey, true);
    return s;
}

bool PresenceSettings::save() const
{
    return WriteIniValues(
        {{kSection, kMinutesKey, QString::number(awayAfterMinutes)},
         {kSection, kWhenAwayKey, offlineWhenAway ? QStringLiteral("Offline") : QStringLiteral("Away")},
         {kSection, kAsleepKey, BoolText(offlineWhileAsleep)}});
}

Presence::Presence(Form1& form, const PresenceTimings& timings, QObject* parent)
    : QObject(parent), form_(form), timings_(timings), settings_(PresenceSettings::read()),
      effects_(form, timings.publishSpacingMs, this)
{
    g_presence = this;
    confirm_.setSingleShot(true);
    confirm_.setInterval(timings.returnConfirmMs);
    connect(&confirm_, &QTimer::timeout, this, &Presence::confirmReturn);
}

Presence::~Presence()
{
    if (g_presence == this)
        g_presence = nullptr;
}

Presence* CurrentPresence()
{
    return g_presence;
}

void Presence::useMonitor(platform::IdleMonitor* monitor, const QString& whyNone)
{
    monitor_ = monitor;
    if (!monitor) {
        backend_ = QStringLiteral("Presence stays manual: ") + whyNone;
        DebugLog(QStringLiteral("[HVRN] ") + backend_);
        emit changed();
        return;
    }
    backend_ = monitor->name();
    DebugLog(QStringLiteral("[HVRN] Presence follows the ") + backend_);
    connect(monitor, &platform::IdleMonitor::idle, this, &Presence::wentIdle);
    connect(monitor, &platform::IdleMonitor::active, this, &Presence::inputCame);
    connect(monitor, &platform::IdleMonitor::lockChanged, this, &Presence::lockChanged);
    reloadSettings();
}

void Presence::useLogind(platform::Logind* logind)
{
    logind_ = logind;
    connect(logind, &platform::Logind::lockChanged, this, &Presence::lockChanged);
    connect(logind, &platform::Logind::prepareForSleep, this, &Presence::prepareForSleep);
    logind->start();
    if (settings_.offlineWhileAsleep)
        logind->takeSleepLock();
}

void Presence::reloadSettings()
{
    settings_ = PresenceSettings::read();
    const qint64 thresholdMs = qint64(settings_.awayAfterMinutes) * 60 * 1000;
    // A watch already set for this time stays: re-arming it would restart it.
    if (monitor_ && thresholdMs != thresholdMs_) {
        thresholdMs_ = thresholdMs;
        monitor_->setIdleThreshold(thresholdMs);
    }
    if (logind_ && settings_.offlineWhileAsleep)
        logind_->takeSleepLock();
    else if (logind_)
        logind_->releaseSleepLock();
    if (reason_ == AwayReason::Idle && settings_.awayAfterMinutes == 0)
        comeBack();
    else
        applyWanted();
}

QString Presence::caption() const
{
    switch (reason_) {
    case AwayReason::Idle:
        return QStringLiteral("Away (idle)");
    case AwayReason::Locked:
        return QStringLiteral("Away (locked)");
    case AwayReason::Present:
        break;
    }
    return QString();
}

bool Presence::holdsOffline(const QString& profile) const
{
    return (reason_ != AwayReason::Present || asleep_) && effects_.takenOffline().contains(profile);
}

void Presence::lockChanged(bool locked)
{
    if (locked) {
        goAway(AwayReason::Locked);
    } else if (reason_ == AwayReason::Locked) {
        // Unlocking takes a password: no need to wait for more input.
        comeBack();
    }
}

void Presence::wentIdle()
{
    if (reason_ == AwayReason::Present && settings_.awayAfterMinutes > 0)
        goAway(AwayReason::Idle);
}

void Presence::inputCame()
{
    if (reason_ != AwayReason::Idle)
        return;
    // One touch of the mouse is not a return: input must still be coming.
    if (!confirm_.isActive())
        confirm_.start();
}

void Presence::confirmReturn()
{
    if (!monitor_ || reason_ != AwayReason::Idle)
        return;
    const int window = timings_.returnConfirmMs;
    monitor_->queryIdle([this, window](qint64 idleMs) {
        if (reason_ != AwayReason::Idle)
            return;
        if (idleMs >= 0 && idleMs < window / 2)
            comeBack();
        else if (monitor_)
            monitor_->watchForActivity();
    });
}

void Presence::goAway(AwayReason why)
{
    if (reason_ == why)
        return;
    const bool wasPresent = reason_ == AwayReason::Present;
    reason_ = why;
    confirm_.stop();
    DebugLog(QStringLiteral("[HVRN] Presence: ") + caption());
    if (wasPresent)
        applyWanted();
    if (why == AwayReason::Idle && monitor_)
        monitor_->watchForActivity();
    emit changed();
}

void Presence::comeBack()
{
    if (reason_ == AwayReason::Present)
        return;
    reason_ = AwayReason::Present;
    confirm_.stop();
    DebugLog(QStringLiteral("[HVRN] Presence: back"));
    applyWanted();
    emit changed();
}

void Presence::prepareForSleep(bool sleeping)
{
    if (!sleeping) {
        asleep_ = false;
        DebugLog(QStringLiteral("[HVRN] Presence: woke up"));
        if (logind_ && settings_.offlineWhileAsleep)
            logind_->takeSleepLock();
        applyWanted(true);
        return;
    }
    asleep_ = settings_.offlineWhileAsleep;
    DebugLog(QStringLiteral("[HVRN] Presence: going to sleep"));
    if (asleep_)
        applyWanted(true);
    // The pages are out (or could not be): sleep may go on.
    if (logind_)
        logind_->releaseSleepLock();
}

void Presence::applyWanted(bool urgent)
{
    const bool away = reason_ != AwayReason::Present;
    effects_.want(away && !settings_.offlineWhenAway, asleep_ || (away && settings_.offlineWhenAway), urgent);
}
