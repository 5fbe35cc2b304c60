#pragma once

#include "memo/MemoSetupState.h"

#include <QWidget>

#include <array>

class ColorSelect;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The memo settings window "MemoServer": a view over the live memo settings
// (MemoSetupState), created the first time it is shown. Every edit goes into
// the settings at once; the close box only hides the window.
class frmMemoSetup : public QWidget {
    Q_OBJECT

  public:
    explicit frmMemoSetup(MemoSetupState& settings);
    ~frmMemoSetup() override;

    MemoSetupState& settings() const { return settings_; }
    // The settings' loaders and OK, for callers that hold the window.
    void LoadSounds() { settings_.LoadSounds(); }
    void LoadMemoServerSettings() { settings_.LoadMemoServerSettings(); }
    void SaveMemo() { settings_.SaveMemo(); }
    void setOneShot(bool oneShot) { settings_.setOneShot(oneShot); }
    void MemoCheckUpdate();

    // Memo > Setup: at the main window's position, modal.
    void showSetup();

    // OK and Cancel.
    void cmdControl_Click(int index);
    void cmdBrw_Click(int index);
    void cmdEdit_Click(int index);
    void cmdMemoBrowse_Click();
    void cmdMemoPlay_Click();

    QTabWidget* SSTab1 = nullptr;
    QCheckBox* chkMemo = nullptr;
    QLineEdit* txtMemoPort = nullptr;
    QLineEdit* Timeout = nullptr;
    QCheckBox* ChkReply = nullptr;
    QCheckBox* chkMemoNotice = nullptr;
    QCheckBox* ChkWrap = nullptr;
    QLineEdit* txtColumn = nullptr;
    QLineEdit* txtRow = nullptr;
    QCheckBox* chkMemoSound = nullptr;
    QLineEdit* PlayMemoSound = nullptr;
    QPushButton* cmdMemoBrowse = nullptr;
    QPushButton* cmdMemoPlay = nullptr;
    ColorSelect* foreColor = nullptr;
    ColorSelect* backColor_ = nullptr;
    std::array<QCheckBox*, kMemoPageCount> chkhtml{};
    std::array<QLineEdit*, kMemoPageCount> txtHtml{};
    std::array<QPushButton*, kMemoPageCount> cmdBrw{};
    std::array<QPushButton*, kMemoPageCount> cmdEdit{};
    std::array<QLineEdit*, kCustomVariableCount> txtC{};
    std::array<QPushButton*, 2> cmdControl{};
    // The labels that follow the memo server's enabled state.
    QList<QLabel*> optionLabels;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildOptionsTab();
    QWidget* buildHtmlTab();
    QWidget* buildVariablesTab();
    void showSettings();
    void followEdits();
    void CreateColorSelect(QWidget* swatchParent, QWidget* foreRow, QWidget* backRow);
    void chkhtml_Click(int index);
    void applyPageState(int index);
    bool portKeyAccepted(const QKeyEvent& key) const;

    MemoSetupState& settings_;
    bool showing_ = false; // showSettings() is filling the fields
};
