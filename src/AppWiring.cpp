#include "AppWiring.h"

#include "memo/MemoWiring.h"
#include "tools/ToolsWiring.h"

void InstallSubsystemHooks()
{
    InstallToolsHooks();
    InstallMemoHooks();
}

void AttachSubsystems(Form1& form)
{
    AttachTools(form);
    AttachMemo(form);
}
