#pragma once

#include <QString>

#include <functional>
#include <memory>

class Form1;
class StatusTray;
enum class ExitTrigger;

// The core code the main window hands its work to: start-up, exit, loading
// a profile, the tray icon and the dial-up options. That code knows Form1;
// Form1 knows only these entry points, filled in by InstallMainWindowParts()
// (core/MainWindowWiring), so neither includes the other both ways.
struct MainWindowParts {
    std::function<void(Form1&, const QString& commandLine)> startUp;
    std::function<void(Form1&, ExitTrigger)> exit;
    std::function<void(Form1&, const QString& profile)> loadProfile;
    std::function<std::unique_ptr<StatusTray>(Form1&)> makeTray;
    std::function<void(Form1&)> connectOptions;
};

MainWindowParts& MainWindowPartsInUse();
