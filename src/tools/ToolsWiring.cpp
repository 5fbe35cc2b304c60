#include "tools/ToolsWiring.h"

void InstallToolsHooks() {}

void AttachTools(Form1&) {}
