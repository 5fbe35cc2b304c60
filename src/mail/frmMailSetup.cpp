#include "mail/frmMailSetup.h"

#include "core/NamedWidget.h"
#include "core/ProgramDir.h"
#include "mail/MailSettings.h"
#include "platform/FileDialogs.h"
#include "tools/Sounds.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <functional>
#include <vector>

namespace {

QPushButton* button(const QString& name, const QString& caption, QWidget* parent,
                    const QString& tip = QString())
{
    auto* b = named<QPushButton>(name, parent);
    b->setText(caption);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

QLabel* label(const QString& name, const QString& text, QWidget* parent)
{
    auto* l = named<QLabel>(name, parent);
    l->setText(text);
    return l;
}

// A row of a framed group: label, field and an optional button.
void addRow(QGridLayout* grid, QLabel* caption, QWidget* field, QWidget* extra = nullptr)
{
    const int row = grid->rowCount();
    grid->addWidget(caption, row, 0);
    grid->addWidget(field, row, 1);
    if (extra)
        grid->addWidget(extra, row, 2);
}

const char* const kSoundCaptions[3] = {"New Mail", "No New Mail", "Mail Deleted"};

} // namespace

struct frmMailSetup::Bindings {
    MailSettings& settings;
    QPointer<QWidget> mainWindow;
    // Each puts one stored value into its field.
    std::vector<std::function<void()>> refreshers;
    bool refreshing = false;
};

frmMailSetup::frmMailSetup(MailSettings& settings, QWidget* parent)
    : QWidget(parent), bindings_(new Bindings{settings, nullptr, {}, false})
{
    setObjectName(QStringLiteral("frmMailSetup"));
    setWindowTitle(QStringLiteral("Email Setup"));
    setWindowFlag(Qt::Window);
    auto* layout = new QVBoxLayout(this);
    SSTab1 = named<QTabWidget>(QStringLiteral("SSTab1"), this);
    SSTab1->addTab(buildReceiveTab(), QStringLiteral("&Receive"));
    SSTab1->addTab(buildSendTab(), QStringLiteral("&Send"));
    SSTab1->addTab(buildOptionsTab(), QStringLiteral("&Options"));
    SSTab1->addTab(buildSoundsTab(), QStringLiteral("So&unds"));
    SSTab1->addTab(buildSecurityTab(), QStringLiteral("Se&curity"));
    layout->addWidget(SSTab1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const QString captions[2] = {QStringLiteral("&OK"), QStringLiteral("&Cancel")};
    for (int i = 0; i < 2; ++i) {
        cmdControl[size_t(i)] = button(QStringLiteral("cmdControl_%1").arg(i), captions[i], this);
        buttons->addWidget(cmdControl[size_t(i)]);
        connect(cmdControl[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdControl_Click(i); });
    }
    layout->addLayout(buttons);
    connect(&settings, &MailSettings::reloaded, this, [this] { refreshFields(); });
    refreshFields();
}

frmMailSetup::~frmMailSetup() = default;

QLineEdit* frmMailSetup::bindText(const QString& name, QString MailSettings::*field, QWidget* parent)
{
    auto* edit = named<QLineEdit>(name, parent);
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
        if (!bindings_->refreshing)
            bindings_->settings.*field = text;
    });
    bindings_->refreshers.push_back([this, edit, field] { edit->setText(bindings_->settings.*field); });
    return edit;
}

QCheckBox* frmMailSetup::bindFlag(const QString& name, const QString& caption, bool MailSettings::*field,
                                  QWidget* parent)
{
    auto* box = named<QCheckBox>(name, parent);
    box->setText(caption);
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
        if (!bindings_->refreshing)
            bindings_->settings.*field = on;
    });
    bindings_->refreshers.push_back([this, box, field] { box->setChecked(bindings_->settings.*field); });
    return box;
}

QComboBox* frmMailSetup::bindTls(const QString& name, QString MailSettings::*field, QWidget* parent)
{
    auto* combo = named<QComboBox>(name, parent);
    combo->addItem(QStringLiteral("Required"), QStringLiteral("require"));
    combo->addItem(QStringLiteral("Off (password readable on the network)"), QStringLiteral("off"));
    connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, field] {
        if (!bindings_->refreshing)
            bindings_->settings.*field = combo->currentData().toString();
    });
    bindings_->refreshers.push_back([this, combo, field] {
        // Only "off" means plain text, as the transports read it.
        const bool off = IsMailTlsOff(bindings_->settings.*field);
        combo->setCurrentIndex(combo->findData(off ? QStringLiteral("off") : QStringLiteral("require")));
    });
    return combo;
}

QWidget* frmMailSetup::buildReceiveTab()
{
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* check = new QHBoxLayout;
    chkMail = bindFlag(QStringLiteral("chkMail"), QStringLiteral("Check for new messages every"),
                       &MailSettings::chkMail, page);
    txtCount = bindText(QStringLiteral("txtCount"), &MailSettings::txtCount, page);
    txtCount->setMaximumWidth(60);
    check->addWidget(chkMail);
    check->addWidget(txtCount);
    check->addWidget(label(QStringLiteral("lblMinutes"), QStringLiteral("minute(s)"), page));
    check->addStretch();
    v->addLayout(check);

    auto* frame = named<QGroupBox>(QStringLiteral("fraPop3"), page);
    frame->setTitle(QStringLiteral(" POP 3 E-mail Server "));
    auto* grid = new QGridLayout(frame);
    txtHost = bindText(QStringLiteral("txtHost"), &MailSettings::txtHost, frame);
    addRow(grid, label(QStringLiteral("lblHost"), QStringLiteral("Mail Server Address"), frame), txtHost);
    txtlogin = bindText(QStringLiteral("txtlogin"), &MailSettings::txtlogin, frame);
    addRow(grid, label(QStringLiteral("lblLogin"), QStringLiteral("POP3 Account"), frame), txtlogin);
    txtPass = bindText(QStringLiteral("txtPass"), &MailSettings::txtPass, frame);
    txtPass->setEchoMode(QLineEdit::Password);
    addRow(grid, label(QStringLiteral("lblPass"), QStringLiteral("Password"), frame), txtPass);
    v->addWidget(frame);
    v->addStretch();
    return page;
}

QWidget* frmMailSetup::buildSendTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    txtSendMailServer = bindText(QStringLiteral("txtSendMailServer"), &MailSettings::txtSendMailServer, page);
    addRow(grid, label(QStringLiteral("lblSmtp"), QStringLiteral("SMTP Server Address"), page),
           txtSendMailServer);
    txtReturnAddress = bindText(QStringLiteral("txtReturnAddress"), &MailSettings::txtReturnAddress, page);
    addRow(grid, label(QStringLiteral("lblReturn"), QStringLiteral("Return Address"), page),
           txtReturnAddress);
    txtUserName = bindText(QStringLiteral("txtUserName"), &MailSettings::txtUserName, page);
    addRow(grid, label(QStringLiteral("lblUserName"), QStringLiteral("User Name"), page), txtUserName);
    txtSig = bindText(QStringLiteral("txtSig"), &MailSettings::txtSig, page);
    cmdBrowseSig = button(QStringLiteral("cmdBrowseSig"), QStringLiteral("..."), page,
                          QStringLiteral("Browse for File"));
    addRow(grid, label(QStringLiteral("lblSig"), QStringLiteral("Signature File"), page), txtSig,
           cmdBrowseSig);
    grid->setRowStretch(grid->rowCount(), 1);
    connect(cmdBrowseSig, &QPushButton::clicked, this, [this] { cmdBrowseSig_Click(); });
    return page;
}

QWidget* frmMailSetup::buildOptionsTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    chkDelOnRead = bindFlag(QStringLiteral("chkDelOnRead"), QStringLiteral("Delete Message On Read"),
                            &MailSettings::chkDelOnRead, page);
    chkDelOnReply = bindFlag(QStringLiteral("chkDelOnReply"), QStringLiteral("Delete Message On Reply"),
                             &MailSettings::chkDelOnReply, page);
    chkCfmDel = bindFlag(QStringLiteral("chkCfmDel"), QStringLiteral("Confirm Delete"),
                         &MailSettings::chkCfmDel, page);
    ChkCfmMsgSent = bindFlag(QStringLiteral("ChkCfmMsgSent"), QStringLiteral("Confirm Message Sent "),
                             &MailSettings::ChkCfmMsgSent, page);
    chkLnchEmail = bindFlag(QStringLiteral("chkLnchEmail"),
                            QStringLiteral("Launch Email Client when new messages Arrive"),
                            &MailSettings::chkLnchEmail, page);
    int row = 0;
    for (QCheckBox* box : {chkDelOnRead, chkDelOnReply, chkCfmDel, ChkCfmMsgSent, chkLnchEmail})
        grid->addWidget(box, row++, 0, 1, 3);
    txtBrowser = bindText(QStringLiteral("txtBrowser"), &MailSettings::txtBrowser, page);
    cmd_mail = button(QStringLiteral("cmd_mail"), QStringLiteral("&Browse"), page,
                      QStringLiteral("Select Email Reader"));
    addRow(grid, label(QStringLiteral("lblBrowser"), QStringLiteral("E-Mail Client Path:"), page), txtBrowser,
           cmd_mail);
    grid->setRowStretch(grid->rowCount(), 1);
    connect(cmd_mail, &QPushButton::clicked, this, [this] { cmd_mail_Click(); });
    return page;
}

QWidget* frmMailSetup::buildSoundsTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    MailSettings& s = bindings_->settings;
    for (int i = 0; i < 3; ++i) {
        const auto n = size_t(i);
        chkSound[n] = named<QCheckBox>(QStringLiteral("chkSound_%1").arg(i), page);
        chkSound[n]->setText(QString::fromLatin1(kSoundCaptions[i]));
        txtSound[n] = named<QLineEdit>(QStringLiteral("txtSound_%1").arg(i), page);
        cmdMailBrowse[n] = button(QStringLiteral("cmdMailBrowse_%1").arg(i), QStringLiteral("..."), page);
        cmdMailPlay[n] = button(QStringLiteral("cmdMailPlay_%1").arg(i), QStringLiteral("Play"), page,
                                QStringLiteral("Play Sound"));
        grid->addWidget(chkSound[n], i, 0);
        grid->addWidget(txtSound[n], i, 1);
        grid->addWidget(cmdMailBrowse[n], i, 2);
        grid->addWidget(cmdMailPlay[n], i, 3);
        connect(chkSound[n], &QCheckBox::toggled, this, [this, i] { chkSound_Click(i); });
        connect(txtSound[n], &QLineEdit::textChanged, this, [this, n](const QString& text) {
            if (!bindings_->refreshing)
                bindings_->settings.txtSound[n] = text;
        });
        connect(cmdMailBrowse[n], &QPushButton::clicked, this, [this, i] { cmdMailBrowse_Click(i); });
        connect(cmdMailPlay[n], &QPushButton::clicked, this, [this, i] { cmdMailPlay_Click(i); });
        bindings_->refreshers.push_back([this, n, &s] {
            chkSound[n]->setChecked(s.chkSound[n]);
            txtSound[n]->setText(s.txtSound[n]);
            cmdMailBrowse[n]->setEnabled(s.chkSound[n]);
        });
    }
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* frmMailSetup::buildSecurityTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    cboPop3Tls = bindTls(QStringLiteral("cboPop3Tls"), &MailSettings::pop3Tls, page);
    addRow(grid, label(QStringLiteral("lblPop3Tls"), QStringLiteral("POP3 encryption (STLS)"), page),
           cboPop3Tls);
    cboSmtpTls = bindTls(QStringLiteral("cboSmtpTls"), &MailSettings::smtpTls, page);
    addRow(grid, label(QStringLiteral("lblSmtpTls"), QStringLiteral("SMTP encryption (STARTTLS)"), page),
           cboSmtpTls);
    chkTlsVerify = bindFlag(QStringLiteral("chkTlsVerify"), QStringLiteral("Check server certificates"),
                            &MailSettings::tlsVerify, page);
    chkTlsVerify->setToolTip(
        QStringLiteral("Switch off only for a test server with a self-signed certificate"));
    grid->addWidget(chkTlsVerify, grid->rowCount(), 0, 1, 2);
    txtSmtpLogin = bindText(QStringLiteral("txtSmtpLogin"), &MailSettings::smtpLogin, page);
    txtSmtpLogin->setPlaceholderText(QStringLiteral("empty: the POP3 account (same host, encrypted)"));
    addRow(grid, label(QStringLiteral("lblSmtpLogin"), QStringLiteral("SMTP Login"), page), txtSmtpLogin);
    txtSmtpPass = bindText(QStringLiteral("txtSmtpPass"), &MailSettings::smtpPassword, page);
    txtSmtpPass->setEchoMode(QLineEdit::Password);
    txtSmtpPass->setPlaceholderText(QStringLiteral("empty: the POP3 password (same host, encrypted)"));
    addRow(grid, label(QStringLiteral("lblSmtpPass"), QStringLiteral("SMTP Password"), page), txtSmtpPass);
    auto* hint = label(QStringLiteral("lblServerForms"),
                       QStringLiteral("Server addresses may be given as pop3s://host or smtps://host for TLS "
                                      "from the start, and with :port for another port."),
                       page);
    hint->setWordWrap(true);
    grid->addWidget(hint, grid->rowCount(), 0, 1, 2);
    grid->setRowStretch(grid->rowCount(), 1);
    return page;
}

void frmMailSetup::refreshFields()
{
    bindings_->refreshing = true;
    for (const auto& refresh : bindings_->refreshers)
        refresh();
    bindings_->refreshing = false;
}

void frmMailSetup::showSetup(QWidget* mainWindow)
{
    bindings_->mainWindow = mainWindow;
    if (mainWindow)
        move(mainWindow->pos());
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void frmMailSetup::cmdControl_Click(int index)
{
    if (index == 0) {
        bindings_->settings.SaveMail();
        hide();
        if (QWidget* main = bindings_->mainWindow)
            main->show();
        return;
    }
    bindings_->settings.LoadMailSettings();
    hide();
}

void frmMailSetup::chkSound_Click(int index)
{
    const auto n = size_t(index);
    if (!bindings_->refreshing)
        bindings_->settings.chkSound[n] = chkSound[n]->isChecked();
    cmdMailBrowse[n]->setEnabled(chkSound[n]->isChecked());
}

void frmMailSetup::cmdMailBrowse_Click(int index)
{
    BrowseSoundFile(this, txtSound[size_t(index)], ProgramDir());
}

void frmMailSetup::cmdMailPlay_Click(int index)
{
    PlaySoundFile(txtSound[size_t(index)]->text());
}

void frmMailSetup::cmd_mail_Click()
{
    const QString file =
        ShowOpenDialog(this, QStringLiteral("Excutable files (*.exe)|*.exe|All files (*.*)|*.*"),
                       QStringLiteral("Browse for Email Reader"), ProgramDir());
    if (!file.isEmpty())
        txtBrowser->setText(file);
}

void frmMailSetup::cmdBrowseSig_Click()
{
    const QString file = ShowOpenDialog(this, QStringLiteral("All files (*.*)|*.*"),
                                        QStringLiteral("Select Signature File"), txtSig->text());
    if (!file.isEmpty())
        txtSig->setText(file);
}

void frmMailSetup::closeEvent(QCloseEvent* event)
{
    // The settings stay in effect as edited: closing only hides the window.
    event->ignore();
    hide();
}
