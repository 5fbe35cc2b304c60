#pragma once

#include <QString>

// The notification-area icon as the main window drives it: kept in step
// with the published status and the "Minimize to System Tray" option.
class StatusTray {
  public:
    virtual ~StatusTray() = default;

    // Adds the icon when the option is on, else removes it.
    virtual void GoSystemTray() = 0;
    // Brings tip and icon up to date; removes the icon when the option is off.
    virtual void SysTrayMod() = 0;
    // Minimised with the option on: hide into the tray.
    virtual void windowStateChanged() = 0;
    // Back from the tray (double click, "Open").
    virtual void restoreWindow() = 0;
    // The status tip, with the mail status panel's text as a second line.
    virtual QString tip() const = 0;
};
