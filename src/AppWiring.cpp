#include "AppWiring.h"

#include "core/DesktopNotices.h"
#include "publish/PublishWiring.h"
#include "memo/MemoWiring.h"
#include "tools/ToolsWiring.h"

void InstallSubsystemHooks()
{
    InstallToolsHooks();
    InstallPublishHooks();
    InstallMemoHooks();
}

void AttachSubsystems(Form1& form)
{
    AttachTools(form);
    AttachPublishing(form);
    AttachMemo(form);
    AttachDesktopNotices(form);
}
