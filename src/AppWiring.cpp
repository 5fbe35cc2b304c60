#include "AppWiring.h"

#include "core/DesktopNotices.h"
#include "core/Form1.h"
#include "core/PresenceWiring.h"
#include "core/StartAtLogin.h"
#include "core/StatusTray.h"
#include "core/WriteTrouble.h"
#include "mail/ComposerWiring.h"
#include "mail/MailWiring.h"
#include "memo/MemoWiring.h"
#include "publish/PublishWiring.h"
#include "tools/ToolsWiring.h"

void InstallSubsystemHooks()
{
    InstallToolsHooks();
    InstallPublishHooks();
    InstallMemoHooks();
    InstallMailHooks();
    InstallComposerHooks();
}

void AttachSubsystems(Form1& form)
{
    AttachTools(form);
    AttachPublishing(form);
    AttachMemo(form);
    AttachMail(form);
    AttachComposer(form);
    AttachDesktopNotices(form, form.action(QStringLiteral("mnuNotify")),
                         [&form] { form.tray()->restoreWindow(); });
    AttachWriteTrouble(*form.ftpStatus);
    AttachPresence(form);
    AttachStartAtLogin(form);
}
