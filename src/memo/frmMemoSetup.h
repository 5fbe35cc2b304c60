#pragma once

#include "core/MemoSettingsView.h"
#include "memo/MemoPages.h"

#include <QWidget>

#include <array>

class ColorSelect;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// Number of memo pages that may come from the user's files: 0 away, 1 busy,
// 2 memo, 3 header, 4 footer, 5 timeout.
inline constexpr int kMemoPageCount = 6;
enum MemoPage { PageAway = 0, PageBusy = 1, PageMemo = 2, PageHeader = 3, PageFooter = 4, PageTimeout = 5 };
inline constexpr int kCustomVariableCount = 5;

// The memo settings window "MemoServer", and the live store of the memo
// settings: one hidden instance lives for the whole run and the memo server
// and page expansion read its fields when they need a value.
class frmMemoSetup : public QWidget, public MemoSettingsView {
    Q_OBJECT

public:
    frmMemoSetup();
    ~frmMemoSetup() override;

    // [Sounds] "Memo" and "Memo Enabled".
    void LoadSounds();
    // Every other memo setting, in the loader's order. The chkMemo change
    // reaction starts or stops the memo server, except in one-shot mode.
    void LoadMemoServerSettings();
    void SaveMemo();
    void MemoCheckUpdate();
    void setOneShot(bool oneShot) { oneShot_ = oneShot; }

    // Memo > Setup: at the main window's position, modal.
    void showSetup();

    // OK and Cancel.
    void cmdControl_Click(int index);
    void cmdBrw_Click(int index);
    void cmdEdit_Click(int index);
    void cmdMemoBrowse_Click();
    void cmdMemoPlay_Click();

    // MemoSettingsView: the live fields.
    bool enabled() const override;
    QString port() const override;
    QString rows() const override;
    QString columns() const override;
    bool wrap() const override;
    bool replyChecked() const override;
    QString customVariable(int index) const override;
    QString textColor() const override { return MemoTextColor; }
    QString backColor() const override { return MemoBackColor; }

    // What the memo server reads besides.
    QString timeoutText() const;
    bool memoNotice() const;
    bool pageEnabled(int page) const;
    QString pageFile(int page) const;
    bool soundEnabled() const;
    QString soundFile() const;
    PageSettings pageSettings() const;

    // Program-wide colour texts of the memo form.
    QString MemoTextColor = QStringLiteral("#000000");
    QString MemoBackColor = QStringLiteral("#FFFFFF");

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
    void loadCustomVariables();
    void CreateColorSelect(QWidget* swatchParent, QWidget* foreRow, QWidget* backRow);
    void chkMemo_Click();
    void chkhtml_Click(int index);
    void applyPageState(int index);
    bool portKeyAccepted(const QKeyEvent& key) const;

    bool oneShot_ = false;
};
