#pragma once

#include "mail/AnnouncedMail.h"
#include "mail/CredentialMask.h"
#include "mail/MailMessage.h"
#include "mail/MailboxSync.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QVector>

#include <functional>

namespace platform {
class Pop3Client;
}
class MailSettings;
struct CheckOutcome;

// The mail check cycle: the timer that checks the mailbox at the set
// interval (or at once on request), the counters that decide whether mail
// is new, the message table and the POP3 client. It exists from start-up and
// runs whether or not the mailbox window was ever created; the window is a
// view over listing() and follows the signals below.
class MailCheck : public QObject {
    Q_OBJECT

  public:
    explicit MailCheck(MailSettings& settings, QObject* parent = nullptr);
    ~MailCheck() override;

    static constexpr int kTickMs = 5000;
    static constexpr int kTicksPerMinute = 12;

    // Ticks every kTickMs from start() to exit.
    QTimer Timer1;
    void start();

    // A manual check was asked for (Email > Check, the tray's Check Mail).
    bool CheckNow = false;
    // CheckMail is running: the timer starts no second check.
    bool MailChecking = false;
    // Ticks since the last check started.
    qint32 MailTicks = 0;
    // Ticks since the last local address refresh.
    qint16 SockTicks = 0;
    // Message count at the end of the previous check, lowered by deletions.
    int LastMailCount = 0;
    // Retrieval progress goes to the mailbox window (set only while reading).
    bool ShowProgress = false;
    // The message the POP3 events are filed under.
    int CurrentMsg = 0;

    // The message last retrieved for reading.
    MailMessage& reading() { return reading_; }
    // Messages the last check found that were never announced before.
    int lastFresh() const { return lastFresh_; }
    platform::Pop3Client& POP1() { return *pop_; }
    MailboxSync& sync() { return sync_; }
    const QVector<ListingRow>& listing() const { return listing_; }
    // The messages announced as new so far (kept across restarts).
    AnnouncedMail& announced() { return announced_; }
    // The status text under the list (Label1(1)) as last set.
    QString statusText() const { return statusText_; }
    void setStatusText(const QString& text);
    // The footer for the rows listed now: their count and bytes, then note.
    void showListingFooter(const QString& note = QString());

    void Timer1_Timer();
    void CheckMail();

    // Hands the live settings to the client and logs in. trimmed: the check
    // trims host, login and password; reading and deleting use them as typed.
    bool connectAndLogin(bool trimmed);
    // Removes the listing rows of the messages with these keys (gone from
    // the server) and lowers LastMailCount by their number.
    void forgetDeleted(const QVector<QByteArray>& keys);

    // The outcome of a check once the listing is complete (manual when
    // CheckNow is set): boxes, sounds, tray icon, counters and captions.
    // fresh: messages never announced before; previousCount is
    // LastMailCount as it stood when the check began.
    void reportCheck(int count, int fresh, int previousCount);

    // The last error the client reported. While a caller owns failures it
    // reports them itself; otherwise each error shows "Number: Description".
    struct PopError {
        int number = 0;
        QString description;
    };
    PopError lastError() const { return lastError_; }
    // A failure found by the caller rather than the client.
    void recordError(int number, const QString& description) { lastError_ = {number, description}; }
    // A check, read or deletion is talking to the server.
    bool busy() const;
    void ownFailures(bool owned)
    {
        ownFailures_ = owned;
        if (owned)
            lastError_ = {};
    }

    // Ends any running POP3 command (program exit).
    void abort();

  signals:
    void listingChanged();
    void statusTextChanged(const QString& text);
    // Fill percentage of the retrieval progress bar.
    void progressChanged(int percent);
    void showMailbox();
    // The mail client path is set (or not): the Launch item and button follow.
    void launchAvailable(bool available);
    // New mail found by an automatic check: the "You have mail" tray icon.
    void newMailIcon();

  private:
    void onTrail(int direction, const QString& text);
    void onError(int number, const QString& description);
    bool dueAndReady();
    bool fieldsFilled(bool sayWhich);
    bool listMessages();
    QString accountName() const;
    void failCheck();
    // A failure of a check: always in the mail status and the debug log; in
    // a box when the user asked for the check, else only the first time of
    // its kind since the last good check.
    void tellFailure(const QString& kind, const QString& description, bool manual,
                     const std::function<void()>& box);
    // Starts the user's mail program on new mail; a failure is told.
    bool startMailClient();
    void applyOutcome(const CheckOutcome& outcome);

    MailSettings& settings_;
    platform::Pop3Client* pop_;
    MailMessage reading_;
    int lastFresh_ = 0;
    MailboxSync sync_{*pop_};
    AnnouncedMail announced_;
    QVector<ListingRow> listing_;
    QString statusText_;
    bool tlsVerifyLogged_ = false;
    bool ownFailures_ = false;
    PopError lastError_;
    // Kinds of failure already shown in a box since the last good check.
    QSet<QString> boxedFailures_;
    // A failure box is open: no check starts until it is answered.
    bool failureBoxOpen_ = false;
    CredentialMask credentialMask_;
};
