#include "mail/MailProgram.h"

#include "mail/MailCheck.h"
#include "mail/MailSettings.h"
#include "mail/frmMail.h"
#include "mail/frmMailSetup.h"
#include "mail/frmPop3.h"

MailProgram& Mail()
{
    static MailProgram program;
    return program;
}

MailSettings& MailProgram::settings()
{
    if (!settings_)
        settings_ = new MailSettings;
    return *settings_;
}

MailCheck& MailProgram::check()
{
    if (!check_)
        check_ = new MailCheck(settings());
    return *check_;
}

frmMailSetup& MailProgram::setupWindow()
{
    if (!setup_)
        setup_ = new frmMailSetup(settings());
    return *setup_;
}

frmPop3& MailProgram::mailbox()
{
    if (!mailbox_)
        mailbox_ = new frmPop3;
    return *mailbox_;
}

frmPop3* MailProgram::mailboxIfCreated() const
{
    return mailbox_.data();
}
frmMail* MailProgram::composerIfLoaded() const
{
    return composer_.data();
}

frmMail& MailProgram::composer()
{
    if (!composer_)
        composer_ = new frmMail;
    return *composer_;
}

void MailProgram::unloadComposer()
{
    // Deferred: the composer may be unloading itself from one of its own slots.
    if (composer_)
        composer_->deleteLater();
    composer_ = nullptr;
}

void MailProgram::reset()
{
    delete composer_.data();
    delete mailbox_.data();
    delete setup_.data();
    delete check_;
    check_ = nullptr;
    delete settings_;
    settings_ = nullptr;
    globals = MailGlobals();
}
