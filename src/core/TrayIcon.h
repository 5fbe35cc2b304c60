#pragma once

#include "core/StatusTray.h"

class Form1;
class QString;
class QTimer;

// Keeps the notification-area icon in step with the published status and
// the "Minimize to System Tray" option.
class TrayIcon final : public StatusTray {
  public:
    explicit TrayIcon(Form1& form) : form_(form) {}

    void GoSystemTray() override;
    void SysTrayMod() override;
    void windowStateChanged() override;
    void restoreWindow() override;
    QString tip() const override;

    // "Status:" + caption, cut to the classic 64-character field.
    static QString tipFor(const QString& caption);

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
