#pragma once

#include "platform/MailServerAddress.h"

#include <QObject>
#include <QString>

#include <array>

// The live store of the mail settings: the check cycle, the mailbox window
// and the composer read these values whenever they need one, so an edit in
// the settings window counts at once, before it is saved. It exists from
// start-up; the settings window frmMailSetup is a view over it.
class MailSettings : public QObject {
    Q_OBJECT

  public:
    // [Mail] keys, named after the settings window's fields.
    QString txtHost;            // "Host"
    bool chkMail = false;       // "Enabled"
    QString txtlogin;           // "Login"
    QString txtReturnAddress;   // "Return Address"
    QString txtCount;           // "Interval", minutes as typed
    QString txtBrowser;         // "Exteranl Browser" (the key as stored)
    bool chkLnchEmail = false;  // "Browser Enabled"
    QString txtUserName;        // "User Name"
    QString txtSendMailServer;  // "SMTP Server"
    QString txtSig;             // "Sig File"
    bool chkDelOnRead = false;  // "Delete On Read"
    bool chkDelOnReply = false; // "Delete on Reply"
    bool ChkCfmMsgSent = true;  // "Confirm Msg Sent"
    bool chkCfmDel = true;      // "Confirm Delete"
    // [Sounds] "Mail-1".."Mail-3" and their "Enabled" keys: new mail, no new
    // mail, mail deleted.
    std::array<bool, 3> chkSound{};
    std::array<QString, 3> txtSound;
    // [Startup] "MailPass", scrambled; handed over by LoadPass.
    QString txtPass;

    // Transport keys beyond the classic set. A file that stores a TLS
    // choice keeps it; one without gets encryption required, so a password
    // never crosses the network in clear text unless the user chose "off".
    QString pop3Tls = QStringLiteral("require"); // [Mail] "POP3 TLS": off, require ("try" reads as require)
    QString smtpTls = QStringLiteral("require"); // [Mail] "SMTP TLS": off, require ("try" reads as require)
    bool tlsVerify = true;                       // [Mail] "TLS Verify"
    QString smtpLogin;                           // [Mail] "SMTP Login"; empty: the POP3 account
    QString smtpPassword;                        // [Startup] "SMTPPass", scrambled; empty: txtPass

    // Fills every value from hvrn.ini (error-log name "Load E-Mail
    // Settings"); a check-mark key that is not a Boolean stops it there.
    // The password is not read here (LoadPass hands it over).
    void LoadMailSettings();
    // Writes every value back in the classic order (error-log name "SaveMail").
    void SaveMail();

    // The values as the transports want them.
    platform::MailTls pop3TlsMode() const;
    platform::MailTls smtpTlsMode() const;
    // The SMTP login: its own, or the POP3 account's, which is lent only to
    // the POP3 server's own host over TLS. Empty: send without AUTH.
    QString smtpUser() const;
    QString smtpPass() const;

  private:
    bool lendsPop3Login() const;

  signals:
    // LoadMailSettings replaced the values: views refresh their fields.
    void reloaded();
};

// A stored TLS choice that allows clear text: "off" in any letter case.
bool IsMailTlsOff(const QString& text);

// A client's error text with, for a server that offers no encryption, what
// the user can do about it. field names the setting ("POP3" or "SMTP").
QString WithTlsAdvice(int number, const QString& description, const QString& field);
