#pragma once

#include "core/MemoSettingsView.h"
#include "memo/MemoHttpsSettings.h"
#include "memo/MemoPages.h"

#include <QObject>
#include <QString>

#include <array>

// Number of memo pages that may come from the user's files: 0 away, 1 busy,
// 2 memo, 3 header, 4 footer, 5 timeout.
inline constexpr int kMemoPageCount = 6;
enum MemoPage { PageAway = 0, PageBusy = 1, PageMemo = 2, PageHeader = 3, PageFooter = 4, PageTimeout = 5 };
inline constexpr int kCustomVariableCount = 5;

struct MemoPageSetting {
    bool enabled = false; // chkhtml(i)
    QString file;         // txtHtml(i)
};

// The live memo settings for the whole run: the memo server and page
// expansion read them when they need a value, the settings window shows and
// edits them (an edit counts at once), Cancel reloads them from the file.
// Created at start-up by the first loader; the window only when first shown.
class MemoSetupState : public QObject, public MemoSettingsView {
    Q_OBJECT

  public:
    MemoSetupState();
    ~MemoSetupState() override;

    // [Sounds] "Memo" and "Memo Enabled".
    void LoadSounds();
    // Every other memo setting, in the loader's order; stops at a bad value.
    void LoadMemoServerSettings();
    void SaveMemo();
    void setOneShot(bool oneShot) { oneShot_ = oneShot; }

    // The chkMemo change reaction: outside one-shot mode it updates the
    // options' enabled state and starts or stops the memo server.
    void setMemoEnabled(bool on);
    // The memo server's start puts the stored port back over an unsaved edit.
    void setPort(const QString& text)
    {
        portText = text;
        emit changed();
    }
    // False once the memo server was switched off outside one-shot mode.
    bool optionsEnabled() const { return optionsEnabled_; }

    // MemoSettingsView.
    bool enabled() const override { return memoEnabled_; }
    QString port() const override { return portText; }
    QString rows() const override { return rowsText; }
    QString columns() const override { return columnsText; }
    bool wrap() const override { return wrapText; }
    bool replyChecked() const override { return reply; }
    // Page expansion sees the custom variables only once they are saved.
    QString customVariable(int index) const override;
    QString textColor() const override { return MemoTextColor; }
    QString backColor() const override { return MemoBackColor; }
    QString httpsName() const override { return https.on() ? certificateName() : QString(); }
    // The Public Address is read again (a load, OK, a new Public Address);
    // in between the pages use the name kept.
    void refreshCertificateName();
    QString certificateName() const;

    QString timeoutText() const { return timeout; }
    bool memoNotice() const { return notice; }
    bool pageEnabled(int page) const { return pages[size_t(page)].enabled; }
    QString pageFile(int page) const { return pages[size_t(page)].file; }
    bool soundEnabled() const { return sound; }
    QString soundFile() const { return soundPath; }
    PageSettings pageSettings() const;

    // The plain fields; whoever changes them outside a load calls changed().
    QString portText = QStringLiteral("4175");
    QString timeout = QStringLiteral("30");
    bool reply = false;
    bool notice = false;
    bool wrapText = false;
    QString columnsText = QStringLiteral("75");
    QString rowsText = QStringLiteral("5");
    bool sound = false;
    QString soundPath;
    QString MemoTextColor = QStringLiteral("#000000");
    QString MemoBackColor = QStringLiteral("#FFFFFF");
    std::array<MemoPageSetting, kMemoPageCount> pages{};
    std::array<QString, kCustomVariableCount> custom{};
    HttpsSettings https;

  signals:
    // Values changed other than through the window (a load, OK, the
    // chkMemo reaction): the window shows them again.
    void changed();
    // The stored away mode, read by LoadMemoServerSettings.
    void awayRead(bool away);
    // The chkMemo reaction outside one-shot mode: the server is to start
    // (true) or stop. The memo program, which owns the server, acts on it.
    void serverSwitched(bool on);

  private:
    QString publicName_;
    bool memoEnabled_ = false;
    bool optionsEnabled_ = true;
    bool oneShot_ = false;
};
