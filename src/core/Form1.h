#pragma once

#include <QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class frmAuto;
class frmDebug;
class StatusTray;

enum class ExitTrigger {
    User,   // menu, button, window close: may ask "Go Offline before exiting?"
    Signal, // SIGTERM/SIGINT: no question can be answered
};

// The main window: owns the program's life, the published status and the
// selected profile's fields. Subsystems attach to its actions and controls
// by their names.
class Form1 : public QMainWindow {
    Q_OBJECT

  public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    QAction* action(const QString& name) const;

    // Form_Load: the whole start-up sequence.
    void startUp(const QString& commandLine);

    void cmd_Online_Click();
    void cmd_Offline_Click();
    void cmd_Exit_Click(ExitTrigger trigger = ExitTrigger::User);

    // Caption of the hidden status label; a change refreshes panel and tray.
    void setStatusCaption(const QString& caption);
    QString statusCaption() const;
    void refreshStatusDisplay();
    // "Away (idle)" or "Away (locked)" while presence has made the program
    // away by itself; shown instead of the caption in panel, title and tray.
    void setPresenceCaption(const QString& caption);
    QString shownStatus() const;
    // The mail status panel; the tray tip carries it as a second line.
    void setMailStatus(const QString& text);

    // Selects a profile by name in Combo1 and loads it (combo1_Click).
    void selectProfile(const QString& name);
    void combo1_Click();

    bool exiting() const { return exiting_; }
    void setExiting() { exiting_ = true; }
    bool ended() const { return ended_; }
    void endProgram();

    frmDebug* debugWindow() const { return debugWindow_; }
    frmAuto* autoWindow() const { return autoWindow_; }
    StatusTray* tray() const { return tray_.get(); }
    QMenu* trayMenu() const { return trayMenu_; }

    // Form_MouseMove: a tray mouse message (515 double click, 517 right up).
    void trayMessage(int message);

    // Controls, named as the rest of the program knows them.
    QLabel* SSPStatus = nullptr;
    QLabel* lbStatus = nullptr;
    QPushButton* cmd_Online = nullptr;
    QPushButton* cmd_Offline = nullptr;
    QPushButton* cmd_Exit = nullptr;
    QComboBox* Combo1 = nullptr;
    QLineEdit* txtHost = nullptr;
    QLineEdit* txtlogin = nullptr;
    QLineEdit* txtPass = nullptr;
    QLineEdit* txtDir = nullptr;
    QLineEdit* txtRemoteFile = nullptr;
    QLineEdit* File1 = nullptr;
    QLineEdit* File2 = nullptr;
    QLineEdit* txtHtml = nullptr;
    QLabel* lastUpdate = nullptr;
    QPushButton* Search1 = nullptr;
    QPushButton* Search2 = nullptr;
    QPushButton* cmd_Edit_0 = nullptr;
    QPushButton* cmd_Edit_1 = nullptr;
    QPushButton* cmd_change = nullptr;
    QPushButton* cmdAbort = nullptr;
    QLabel* ftpStatus = nullptr;
    // The mail check's own status line, so a publish result in ftpStatus
    // stays until the next publish.
    QLabel* mailStatus = nullptr;
    QProgressBar* FTPUpload = nullptr;
    QLabel* IP = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;

  signals:
    // Emitted before a profile's fields are loaded into the window.
    void profileLoading();
    // The exit procedure has closed everything; the program ends with code.
    void programEnded(int exitCode);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildControls();
    void connectCoreActions();
    void flipAway(QAction* clicked);
    void toggleCheckSetting(const char* actionName, const QString& section, const QString& key);

    frmDebug* debugWindow_ = nullptr;
    frmAuto* autoWindow_ = nullptr;
    std::unique_ptr<StatusTray> tray_;
    QMenu* trayMenu_ = nullptr;
    bool exiting_ = false;
    bool ended_ = false;
    bool inTrayEvent_ = false;
    QString presenceCaption_;
};
