#include "AppWiring.h"

#include "tools/ToolsWiring.h"

void InstallSubsystemHooks() { InstallToolsHooks(); }

void AttachSubsystems(Form1& form) { AttachTools(form); }
