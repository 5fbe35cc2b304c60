#include "AppWiring.h"

#include "publish/PublishWiring.h"
#include "tools/ToolsWiring.h"

void InstallSubsystemHooks()
{
    InstallToolsHooks();
    InstallPublishHooks();
}

void AttachSubsystems(Form1& form)
{
    AttachTools(form);
    AttachPublishing(form);
}
