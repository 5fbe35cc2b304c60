#pragma once

class Form1;
class QString;
class QTimer;

// Keeps the notification-area icon in step with the published status and
// the "Minimize to System Tray" option.
class TrayIcon {
public:
    explicit TrayIcon(Form1& form) : form_(form) {}

    // Adds the icon when the option is on, else removes it.
    void GoSystemTray();
    // Brings tip and icon up to date; removes the icon when the option is off.
    void SysTrayMod();
    // Minimised with the option on: hide into the tray.
    void windowStateChanged();
    // Back from the tray (double click, "Open").
    void restoreWindow();

    // "Status:" + caption, cut to the classic 64-character field.
    static QString tipFor(const QString& caption);
    // The status tip, with the mail status panel's text as a second line.
    QString tip() const;

private:
    bool optionOn() const;
    void updateWindowIcon();
    // Without a notification area the option cannot hide the window: says so once.
    void noteMissingTray();

    // Looks for a tray that appears later, for a few minutes.
    void waitForTray();
    void lookForTray();

    bool missingTrayNoted_ = false;
    QTimer* trayWait_ = nullptr;
    int trayLooks_ = 0;

    Form1& form_;
};
