#include "core/MainWindowWiring.h"

#include "core/DialUpOptions.h"
#include "core/ExitProcedure.h"
#include "core/Form1.h"
#include "core/Loaders.h"
#include "core/MainWindowParts.h"
#include "core/StartUp.h"
#include "core/TrayIcon.h"

void InstallMainWindowParts()
{
    MainWindowParts& parts = MainWindowPartsInUse();
    parts.startUp = RunStartUp;
    parts.exit = RunExitProcedure;
    parts.loadProfile = LoadProfileData;
    parts.makeTray = [](Form1& form) -> std::unique_ptr<StatusTray> {
        return std::make_unique<TrayIcon>(form);
    };
    parts.connectOptions = ConnectDialUpOptions;
}
