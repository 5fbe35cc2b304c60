#pragma once

#include <QWidget>

#include <array>
#include <memory>

class MailSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The settings window "Email Setup": a view over the live mail settings.
// An edit is written into the settings at once; OK saves them, Cancel
// reloads the stored values, the close box only hides the window.
class frmMailSetup : public QWidget {
    Q_OBJECT

  public:
    explicit frmMailSetup(MailSettings& settings, QWidget* parent = nullptr);
    ~frmMailSetup() override;

    // Email > Setup: at the main window's left and top, modal.
    void showSetup(QWidget* mainWindow);

    void cmdControl_Click(int index); // 0 OK, 1 Cancel
    void chkSound_Click(int index);
    void cmdMailBrowse_Click(int index);
    void cmdMailPlay_Click(int index);
    void cmd_mail_Click();
    void cmdBrowseSig_Click();

    QTabWidget* SSTab1 = nullptr;
    QCheckBox* chkMail = nullptr;
    QLineEdit* txtCount = nullptr;
    QLineEdit* txtHost = nullptr;
    QLineEdit* txtlogin = nullptr;
    QLineEdit* txtPass = nullptr;
    QLineEdit* txtSendMailServer = nullptr;
    QLineEdit* txtReturnAddress = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtSig = nullptr;
    QPushButton* cmdBrowseSig = nullptr;
    QCheckBox* chkDelOnRead = nullptr;
    QCheckBox* chkDelOnReply = nullptr;
    QCheckBox* chkCfmDel = nullptr;
    QCheckBox* ChkCfmMsgSent = nullptr;
    QCheckBox* chkLnchEmail = nullptr;
    QLineEdit* txtBrowser = nullptr;
    QPushButton* cmd_mail = nullptr;
    std::array<QCheckBox*, 3> chkSound{};
    std::array<QLineEdit*, 3> txtSound{};
    std::array<QPushButton*, 3> cmdMailBrowse{};
    std::array<QPushButton*, 3> cmdMailPlay{};
    std::array<QPushButton*, 2> cmdControl{};
    // Connection security (the transport keys).
    QComboBox* cboPop3Tls = nullptr;
    QComboBox* cboSmtpTls = nullptr;
    QCheckBox* chkTlsVerify = nullptr;
    QLineEdit* txtSmtpLogin = nullptr;
    QLineEdit* txtSmtpPass = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct Bindings;

    QWidget* buildReceiveTab();
    QWidget* buildSendTab();
    QWidget* buildOptionsTab();
    QWidget* buildSoundsTab();
    QWidget* buildSecurityTab();
    // A field whose edits go straight into the settings member.
    QLineEdit* bindText(const QString& name, QString MailSettings::*field, QWidget* parent);
    QCheckBox* bindFlag(const QString& name, const QString& caption, bool MailSettings::*field,
                        QWidget* parent);
    QComboBox* bindTls(const QString& name, QString MailSettings::*field, QWidget* parent);
    // Every field shows the settings' current value.
    void refreshFields();

    std::unique_ptr<Bindings> bindings_;
};
