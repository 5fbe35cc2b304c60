#include "mail/MailWiring.h"

#include "core/AppHooks.h"
#include "core/DesktopNotices.h"
#include "core/Encrypt.h"
#include "core/Form1.h"
#include "mail/MailCheck.h"
#include "mail/MailProgram.h"
#include "mail/MailSettings.h"
#include "mail/MailText.h"
#include "mail/MailTrayIcon.h"
#include "mail/frmMailSetup.h"
#include "mail/frmPop3.h"
#include "platform/Pop3Client.h"

#include <QAction>

#include <algorithm>

namespace {

void showMailbox()
{
    frmPop3& mailbox = Mail().mailbox();
    mailbox.show();
    mailbox.raise();
}

// Most desktops show no tray icon: the notification is what tells the user
// about new mail there.
void announceNewMail()
{
    const MailCheck& check = Mail().check();
    if (check.listing().isEmpty())
        return;
    const ListingRow& newest = check.listing().last();
    NotifyNewMail(std::max(1, check.lastFresh()), DecodeHeaderValue(newest.From),
                  DecodeHeaderValue(newest.Subject));
}

// The check cycle needs no window: it starts ticking at start-up and the
// mailbox window is only built when something shows it.
void loadMailbox()
{
    MailCheck& check = Mail().check();
    // Loading twice must not show things twice.
    QObject::disconnect(&check, &MailCheck::showMailbox, &check, nullptr);
    QObject::disconnect(&check, &MailCheck::newMailIcon, &check, nullptr);
    QObject::connect(&check, &MailCheck::showMailbox, &check, showMailbox);
    QObject::connect(&check, &MailCheck::newMailIcon, &check, ShowMailTrayIcon);
    QObject::connect(&check, &MailCheck::newMailIcon, &check, announceNewMail);
    check.MailTicks = 0;
    check.start();
}

void closeMailbox()
{
    if (Mail().check().MailChecking || Mail().check().POP1().running())
        Mail().check().abort();
    Mail().check().Timer1.stop();
    RemoveMailTrayIcon();
    if (frmPop3* mailbox = Mail().mailboxIfCreated())
        mailbox->hide();
}

} // namespace

void InstallMailHooks()
{
    AppHooks& hooks = Hooks();
    hooks.loadMailSettings = [] { Mail().settings().LoadMailSettings(); };
    hooks.loadMailbox = loadMailbox;
    hooks.showMailbox = showMailbox;
    hooks.setMailPassword = [](const QString& password) { Mail().settings().txtPass = password; };
    hooks.fillEmptyMailPasswords = [] {
        MailSettings& settings = Mail().settings();
        for (auto [password, key] :
             {std::pair{&settings.txtPass, "MailPass"}, std::pair{&settings.smtpPassword, "SMTPPass"}})
            if (password->isEmpty())
                *password = LoadStoredPassword(QStringLiteral("Startup"), QString::fromLatin1(key));
    };
    hooks.closers[QStringLiteral("frmPop3")] = closeMailbox;
}

void AttachMail(Form1& form)
{
    Mail().attach(&form);
    auto on = [&form](const char* name, auto handler) {
        QObject::connect(form.action(QString::fromLatin1(name)), &QAction::triggered, &form, handler);
    };
    on("mnuEmailCheck", [] { Mail().check().CheckNow = true; });
    on("mnuCheckMail", [] { Mail().check().CheckNow = true; });
    on("mnuMailSetup", [&form] { Mail().setupWindow().showSetup(&form); });
    QObject::connect(&form, &QObject::destroyed, [] { Mail().attach(nullptr); });
}
