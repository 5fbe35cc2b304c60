#include "mail/ComposerWiring.h"

#include "core/AppHooks.h"
#include "core/Form1.h"
#include "core/ProgramError.h"
#include "mail/MailProgram.h"
#include "mail/frmMail.h"
#include "mail/frmPop3.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

void showComposer(frmMail& composer)
{
    composer.show();
    composer.raise();
    composer.activateWindow();
}

// The draft is addressed and written already; Reply only switches to the
// compose view (it does not quote under this caption).
void composeDraft(const MailDraft& draft)
{
    TrapErrors("mnuEmail_Click", [&draft] {
        frmMail& composer = Mail().composer();
        composer.setWindowTitle(draft.caption);
        composer.Reply();
        composer.SendTo->setText(draft.to);
        composer.Subject->setText(draft.subject);
        composer.MessageText->setPlainText(draft.body);
        showComposer(composer);
    });
}

} // namespace

void SendNewMail()
{
    TrapErrors("SendNewMail", [] {
        frmMail& composer = Mail().composer();
        composer.show();
        composer.Reply();
        if (Mail().composerIfLoaded() != &composer)
            return;
        composer.Subject->clear();
        composer.MessageText->clear();
        composer.setWindowTitle(QStringLiteral("Send New Mail"));
        showComposer(composer);
        composer.SendTo->setFocus();
    });
}

void InstallComposerHooks()
{
    Hooks().composeMail = composeDraft;
    Hooks().closers[QStringLiteral("frmMail")] = [] {
        if (Mail().composerIfLoaded())
            Mail().unloadComposer();
    };
}

void AttachComposer(Form1& form)
{
    for (const char* name : {"mnuEmailSend", "mnuMailSend"})
        if (QAction* item = form.action(QString::fromLatin1(name)))
            QObject::connect(item, &QAction::triggered, &form, [] { SendNewMail(); });
}
