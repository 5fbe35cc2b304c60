#pragma once

#include <QString>

// What the rest of the program reads from the memo settings. Once the memo
// server is part of the program its live settings window is installed here,
// so an edit counts at once; until then the values come from hvrn.ini.
class MemoSettingsView {
  public:
    virtual ~MemoSettingsView() = default;
    virtual bool enabled() const = 0;                    // chkMemo
    virtual QString port() const = 0;                    // txtMemoPort, as typed
    virtual QString rows() const = 0;                    // txtRow
    virtual QString columns() const = 0;                 // txtColumn
    virtual bool wrap() const = 0;                       // ChkWrap
    virtual bool replyChecked() const = 0;               // ChkReply
    virtual QString customVariable(int index) const = 0; // txtC(0..4): %C1% .. %C5%
    virtual QString textColor() const = 0;               // MemoTextColor
    virtual QString backColor() const = 0;               // MemoBackColor
    // The name memo forms post to over https ("HTTPS" on), else empty.
    virtual QString httpsName() const = 0;
};

// The name the memo port's certificate is for: [StartUp] "Public Address"
// when it names this machine, else the local address.
QString MemoCertificateName();
// The Public Address when it names this computer for a certificate; empty
// when it is empty or "auto".
QString MemoPublicName();

MemoSettingsView& MemoSettings();
// nullptr goes back to the settings file.
void SetMemoSettingsView(MemoSettingsView* view);

// The settings-file view with the memo settings' defaults.
class IniMemoSettings final : public MemoSettingsView {
  public:
    bool enabled() const override;
    QString port() const override;
    QString rows() const override;
    QString columns() const override;
    bool wrap() const override;
    bool replyChecked() const override;
    QString customVariable(int index) const override;
    QString textColor() const override;
    QString backColor() const override;
    QString httpsName() const override;
};
