#include "mail/MailCheck.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/DesktopNotices.h"
#include "core/Encrypt.h"
#include "core/Form1.h"
#include "core/Logs.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "mail/CredentialMask.h"
#include "mail/MailDecision.h"
#include "mail/MailLaunch.h"
#include "mail/MailProgram.h"
#include "mail/MailSettings.h"
#include "platform/MessageBoxes.h"
#include "platform/Pop3Client.h"
#include "tools/Sounds.h"

#include <QApplication>
#include <QLabel>
#include <QSet>

#include <algorithm>

namespace {

// Minutes; larger intervals are taken as this (about two years).
constexpr double kMaxIntervalMinutes = 1000000;

const QString kBlanks = QStringLiteral("Please fill in the blanks.. ");

// A missing or loopback address is looked up again before a check; 0.0.0.0
// is the machine saying it is off line, which a lookup would not change.
bool worthLookingUpAgain(const QString& ip)
{
    return IsUnusableAddress(ip) && ip != QLatin1String("0.0.0.0");
}

// Mail has a panel of its own: the publish status line keeps its result.
void setMailStatus(const QString& caption)
{
    if (Form1* form = Mail().mainWindow())
        form->setMailStatus(caption);
}

void playSound(const MailSettings& s, int index)
{
    PlaySoundFile(s.txtSound[size_t(index)]);
}

} // namespace

MailCheck::MailCheck(MailSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), pop_(new platform::Pop3Client(this)),
      announced_(ProgramFile(QStringLiteral("mailseen.lst")))
{
    Timer1.setInterval(kTickMs);
    connect(&Timer1, &QTimer::timeout, this, &MailCheck::Timer1_Timer);
    connect(pop_, &platform::Pop3Client::RetrieveProgress, this, [this](qint64 bytes) {
        const qint64 size = pop_->messageSize(CurrentMsg);
        if (ShowProgress && size > 0 && bytes < size)
            emit progressChanged(int(bytes * 100 / size));
    });
    connect(pop_, &platform::Pop3Client::PITrail, this, &MailCheck::onTrail);
    connect(pop_, &platform::Pop3Client::Error, this, &MailCheck::onError);
}

MailCheck::~MailCheck()
{
    pop_->abort();
}

void MailCheck::start()
{
    Timer1.start();
}

bool MailCheck::busy() const
{
    return MailChecking || ownFailures_ || pop_->running();
}

void MailCheck::abort()
{
    pop_->abort();
}

void MailCheck::setStatusText(const QString& text)
{
    statusText_ = text;
    emit statusTextChanged(text);
}

void MailCheck::showListingFooter(const QString& note)
{
    qint64 bytes = 0;
    for (const ListingRow& row : listing_)
        bytes += row.Size;
    QString text;
    if (!listing_.isEmpty() || note.isEmpty())
        text = QStringLiteral("%1 Message(s)   %2 Bytes Total").arg(listing_.size()).arg(bytes);
    if (!note.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("   ")) + note;
    setStatusText(text);
}

void MailCheck::Timer1_Timer()
{
    TrapErrors("Pop3 Email Timer1", [this] {
        if (++SockTicks > 6) {
            if (!busy() && pop_->lastReply().toUpper().startsWith(QLatin1String("-ERR")))
                pop_->quit();
            SockTicks = 0;
            if (Hooks().updateSock)
                Hooks().updateSock();
        }
        if (!settings_.chkMail || !dueAndReady())
            return;
        DebugLog(QStringLiteral("[E-Mail Notify] Checking Email"));
        setMailStatus(QStringLiteral("Mail Status: Checking Email"));
        CheckMail();
    });
}

// Tick steps 3 to 7: counts the tick, mends the interval, and tells whether
// a check is due with the machine on line and the account filled in.
bool MailCheck::dueAndReady()
{
    ++MailTicks;
    // Negative intervals make no sense and count as none.
    double interval = std::min(LeadingNumber(settings_.txtCount), kMaxIntervalMinutes);
    if (interval <= 0) {
        interval = 10;
        settings_.txtCount = QStringLiteral("10");
        emit settings_.reloaded();
    }
    if (!CheckNow && MailTicks < interval * kTicksPerMinute)
        return false;
    // A check, read or deletion has the client, or the user has not yet
    // answered a failure: the check waits for it.
    if (busy() || failureBoxOpen_)
        return false;
    // The keyring's passwords are still on their way: a later tick checks.
    if (!StoredPasswordsSettled())
        return false;
    MailTicks = 0;
    if (worthLookingUpAgain(Core().LocalIP) && Hooks().startSock)
        Hooks().startSock();
    if (IsUnusableAddress(Core().LocalIP))
        return false;
    return fieldsFilled(true);
}

bool MailCheck::fieldsFilled(bool sayWhich)
{
    const char* missing = settings_.txtHost.isEmpty()    ? "POP3 Host Name Required"
                          : settings_.txtlogin.isEmpty() ? "POP3 Login Name Required"
                          : settings_.txtPass.isEmpty()  ? "POP3 Password Required"
                                                         : nullptr;
    if (!missing)
        return true;
    if (sayWhich) {
        const bool manual = CheckNow;
        CheckNow = false;
        const QString what = QString::fromLatin1(missing);
        tellFailure(what, what, manual, [&] { MsgBox(kBlanks + what); });
    }
    return false;
}

void MailCheck::tellFailure(const QString& kind, const QString& description, bool manual,
                            const std::function<void()>& box)
{
    setMailStatus(QStringLiteral("Mail Status: ") + description);
    DebugLog(QStringLiteral("[E-Mail Notify] Check failed: ") + description);
    // The same failure every interval would stack boxes on an absent user.
    if (!manual && boxedFailures_.contains(kind))
        return;
    boxedFailures_.insert(kind);
    failureBoxOpen_ = true;
    box();
    failureBoxOpen_ = false;
}

void MailCheck::CheckMail()
{
    MailChecking = true;
    const int previousCount = LastMailCount;
    // The last listing stays on screen until the new one is complete.
    if (!fieldsFilled(false)) {
        MsgBox(QStringLiteral("The Host Name, Login Name and Password fields are all required. Set them "
                              "under Advanced Settings."),
               platform::MsgButtons::Ok, platform::MsgIcon::Information, QStringLiteral("HVRN: Mail Notify"));
        MailChecking = false;
        return;
    }
    ownFailures(true);
    if (!connectAndLogin(true))
        return failCheck();
    const int count = pop_->messageCount();
    showListingFooter(
        QStringLiteral("Listing %1 Message(s), %2 Bytes Total...").arg(count).arg(pop_->totalSize()));
    if (!listMessages())
        return failCheck();
    pop_->quit();
    ownFailures_ = false;
    boxedFailures_.clear();
    showListingFooter();
    QVector<QByteArray> keys;
    keys.reserve(listing_.size());
    for (const ListingRow& row : listing_)
        keys.append(row.Key);
    const int fresh = announced_.freshCount(keys);
    lastFresh_ = fresh;
    DebugLog(QStringLiteral("[E-Mail Notify] You have %1 messages, %2 new").arg(count).arg(fresh));
    announced_.markAll(keys);
    MailChecking = false;
    reportCheck(count, fresh, previousCount);
}

QString MailCheck::accountName() const
{
    return settings_.txtHost.trimmed() + u'\n' + settings_.txtlogin.trimmed();
}

bool MailCheck::listMessages()
{
    QVector<ListingRow> rows;
    if (!sync_.list(accountName(), rows))
        return false;
    listing_ = std::move(rows);
    emit listingChanged();
    return true;
}

void MailCheck::failCheck()
{
    ownFailures_ = false;
    const bool manual = CheckNow;
    CheckNow = false;
    const QString description =
        lastError_.description.isEmpty() ? pop_->lastReply().left(200) : lastError_.description;
    emit listingChanged();
    showListingFooter(QStringLiteral("Check failed: ") + description);
    // MailChecking stays set while the box is open, so no check starts behind it.
    tellFailure(QStringLiteral("POP3 error %1").arg(lastError_.number), description, manual, [&] {
        MsgBox(QStringLiteral("%1: %2").arg(lastError_.number).arg(description), platform::MsgButtons::Ok,
               platform::MsgIcon::Information, QStringLiteral("Error"));
    });
    MailChecking = false;
}

bool MailCheck::connectAndLogin(bool trimmed)
{
    auto take = [trimmed](const QString& s) { return trimmed ? s.trimmed() : s; };
    pop_->host = take(settings_.txtHost);
    pop_->user = take(settings_.txtlogin);
    pop_->password = take(settings_.txtPass);
    pop_->tls = settings_.pop3TlsMode();
    pop_->verifyPeer = settings_.tlsVerify;
    if (!settings_.tlsVerify && !tlsVerifyLogged_) {
        tlsVerifyLogged_ = true;
        DebugLog(QStringLiteral("[POP3] INFO:   certificate checks are switched off (TLS Verify)"));
    }
    return pop_->connectAndLogin();
}

void MailCheck::reportCheck(int count, int fresh, int previousCount)
{
    CheckFacts facts;
    facts.manual = CheckNow;
    facts.count = count;
    facts.fresh = fresh;
    facts.previousCount = previousCount;
    facts.launchClient = settings_.chkLnchEmail;
    facts.clientPathSet = !settings_.txtBrowser.isEmpty();
    facts.newMailSound = settings_.chkSound[0];
    facts.noMailSound = settings_.chkSound[1];
    CheckOutcome outcome = DecideCheckOutcome(facts);
    // New mail the user's program was to take over is announced here when
    // that program does not start: it must not count as reported unseen.
    if (outcome.startClient && !startMailClient()) {
        facts.launchClient = false;
        outcome = DecideCheckOutcome(facts);
    }
    applyOutcome(outcome);
}

bool MailCheck::startMailClient()
{
    QApplication::processEvents();
    if (LaunchMailClient(settings_.txtBrowser, nullptr))
        return true;
    NotifyTrouble(QStringLiteral("Mail program not started"),
                  QStringLiteral("%1 could not be started; new mail is shown by Halvorn instead. Check the "
                                 "mail program in Email > Setup.")
                      .arg(settings_.txtBrowser));
    return false;
}

void MailCheck::applyOutcome(const CheckOutcome& o)
{
    // The boxes below wait with the mail timer ticking: the check asked for
    // is done, and must not run again under its own box.
    if (o.clearCheckNow)
        CheckNow = false;
    if (o.launchEnabled)
        emit launchAvailable(*o.launchEnabled);
    if (o.sound)
        playSound(settings_, o.sound - 1);
    if (o.box == CheckOutcome::Box::NoNewMail)
        MsgBox(o.boxText, platform::MsgButtons::Ok, platform::MsgIcon::Information,
               QStringLiteral("Mail Checked"));
    const bool seeOld = o.box == CheckOutcome::Box::SeeOldMail &&
                        MsgBox(o.boxText, platform::MsgButtons::YesNo, platform::MsgIcon::Information,
                               QStringLiteral("Mail Checked")) == platform::MsgAnswer::Yes;
    if (o.showMailbox || seeOld)
        emit showMailbox();
    if (o.trayIcon)
        emit newMailIcon();
    if (o.lastMailCount)
        LastMailCount = *o.lastMailCount;
    if (!o.status.isEmpty())
        setMailStatus(o.status);
}

void MailCheck::forgetDeleted(const QVector<QByteArray>& keys)
{
    const QSet<QByteArray> gone(keys.begin(), keys.end());
    const qsizetype before = listing_.size();
    listing_.removeIf([&](const ListingRow& row) { return gone.contains(row.Key); });
    const int removed = int(before - listing_.size());
    LastMailCount = std::max(0, LastMailCount - removed);
    emit listingChanged();
}

// The client masks credential lines itself; this second guard masks them
// again should a line ever slip through.
void MailCheck::onTrail(int direction, const QString& text)
{
    static const QString kPrefixes[] = {QStringLiteral("CLIENT: "), QStringLiteral("SERVER: "),
                                        QStringLiteral("INFO:   ")};
    const QString shown = credentialMask_.shown(direction, text.left(2000));
    DebugLog(QStringLiteral("[POP3] ") + kPrefixes[std::clamp(direction, 0, 2)] + shown);
}

void MailCheck::onError(int number, const QString& description)
{
    lastError_ = {number, WithTlsAdvice(number, description.left(500), QStringLiteral("POP3"))};
    if (!ownFailures_)
        MsgBox(QStringLiteral("%1: %2").arg(number).arg(lastError_.description));
}
