#pragma once

#include "mail/MimeMessage.h"

#include <QPointer>

class Form1;
class MailCheck;
class MailSettings;
class frmMail;
class frmMailSetup;
class frmPop3;

// The message being read, handed from the mailbox window to the composer.
struct MailGlobals {
    MimeMessage Read; // parsed from the whole message as retrieved
};

// The mail subsystem's long-lived objects. The settings and the check
// cycle (its timer, counters, message table and POP3 client) exist from
// start-up; the windows are views created when first shown.
class MailProgram {
  public:
    MailGlobals globals;

    void attach(Form1* form) { mainWindow_ = form; }
    Form1* mainWindow() const { return mainWindow_; }

    MailSettings& settings();
    MailCheck& check();

    // The settings window, created when first shown.
    frmMailSetup& setupWindow();
    // The mailbox window, created (hidden) when first needed.
    frmPop3& mailbox();
    frmPop3* mailboxIfCreated() const;
    // The composer: loaded on first use, unloaded by Close and by a
    // successful send; a new one starts as "New Mail" with empty fields.
    frmMail& composer();
    frmMail* composerIfLoaded() const;
    void unloadComposer();

    // Destroys every window and object (end of the program, between tests).
    void reset();

  private:
    Form1* mainWindow_ = nullptr;
    MailSettings* settings_ = nullptr;
    MailCheck* check_ = nullptr;
    QPointer<frmMailSetup> setup_;
    QPointer<frmPop3> mailbox_;
    QPointer<frmMail> composer_;
};

MailProgram& Mail();
