// The mail settings in hvrn.ini and the "Email Setup" window over them.
#include "QStringPrinting.h"
#include "core/Encrypt.h"
#include "core/Ini.h"
#include "mail/MailSettings.h"
#include "mail/frmMailSetup.h"
#include "platform/FileDialogs.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"
#include "tools/Sounds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class MailSettingsTest : public ::testing::Test {
  protected:
    // Key names of a section of hvrn.ini in file order.
    QStringList keysOf(const QString& section) const
    {
        const QString file = QString::fromUtf8(home.readFile(QStringLiteral("hvrn.ini")));
        const QString body = file.section(QStringLiteral("[%1]").arg(section), 1).section(u'[', 0, 0);
        QStringList keys;
        for (const QString& line : body.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            keys.append(line.section(u'=', 0, 0));
        return keys;
    }

    TempHome home;
    PlatformDoubles doubles;
    MailSettings settings;
};

TEST_F(MailSettingsTest, FreshInstallLoadsDefaultsAndSavesEveryKeyInOrder)
{
    settings.ChkCfmMsgSent = false;
    settings.chkSound[1] = true;
    settings.LoadMailSettings();
    EXPECT_TRUE(settings.ChkCfmMsgSent && settings.chkCfmDel && settings.tlsVerify);
    EXPECT_FALSE(settings.chkMail || settings.chkLnchEmail || settings.chkDelOnRead || settings.chkDelOnReply
                 || settings.chkSound[0] || settings.chkSound[1] || settings.chkSound[2]);
    EXPECT_EQ(settings.txtHost + settings.txtlogin + settings.txtCount + settings.txtSig + settings.txtSound[2], "");
    EXPECT_EQ(settings.pop3TlsMode(), platform::MailTls::Off);
    settings.txtPass = QStringLiteral("pop=secret\"");
    settings.SaveMail();
    EXPECT_EQ(keysOf(QStringLiteral("Mail")),
              QStringList({"Enabled", "Host", "Login", "Return Address", "Interval", "Exteranl Browser",
                           "Browser Enabled", "User Name", "SMTP Server", "Sig File", "Delete On Read",
                           "Delete on Reply", "Confirm Msg Sent", "Confirm Delete", "POP3 TLS", "SMTP TLS",
                           "TLS Verify", "SMTP Login"}));
    EXPECT_EQ(keysOf(QStringLiteral("Sounds")),
              QStringList({"Mail-1 Enabled", "Mail-1", "Mail-2 Enabled", "Mail-2", "Mail-3 Enabled", "Mail-3"}));
    EXPECT_EQ(keysOf(QStringLiteral("Startup")), QStringList({"MailPass", "SMTPPass"}));
    EXPECT_EQ(ReadIni("Mail", "Confirm Msg Sent", ""), "True");
    EXPECT_EQ(ReadIni("Mail", "Delete On Read", ""), "False");
    EXPECT_FALSE(home.readFile(QStringLiteral("hvrn.ini")).contains("secret"));
    EXPECT_EQ(LoadStoredPassword("Startup", "Mailpass"), settings.txtPass);
    EXPECT_EQ(ReadIni("Startup", "SMTPPass", "x"), "");
}

TEST_F(MailSettingsTest, EveryValueRoundTripsExceptThePop3Password)
{
    int n = 0;
    for (QString* text : {&settings.txtHost, &settings.txtlogin, &settings.txtReturnAddress, &settings.txtCount,
                          &settings.txtBrowser, &settings.txtUserName, &settings.txtSendMailServer, &settings.txtSig,
                          &settings.txtSound[0], &settings.txtSound[2], &settings.smtpLogin, &settings.smtpPassword})
        *text = QStringLiteral("välue %1").arg(++n);
    settings.pop3Tls = QStringLiteral("require");
    settings.smtpTls = QStringLiteral("try");
    for (bool* flag : {&settings.chkMail, &settings.chkLnchEmail, &settings.chkDelOnReply, &settings.chkSound[1],
                       &settings.tlsVerify, &settings.ChkCfmMsgSent})
        *flag = !*flag;
    settings.txtPass = QStringLiteral("p");
    settings.SaveMail();
    EXPECT_FALSE(home.readFile(QStringLiteral("hvrn.ini")).contains("välue 12"));

    MailSettings loaded;
    QSignalSpy reloaded(&loaded, &MailSettings::reloaded);
    loaded.LoadMailSettings();
    EXPECT_EQ(reloaded.count(), 1);
    settings.txtPass.clear(); // LoadPass hands that one over, not the loader
    for (QString MailSettings::*text :
         {&MailSettings::txtHost, &MailSettings::txtlogin, &MailSettings::txtReturnAddress, &MailSettings::txtCount,
          &MailSettings::txtBrowser, &MailSettings::txtUserName, &MailSettings::txtSendMailServer,
          &MailSettings::txtSig, &MailSettings::smtpLogin, &MailSettings::smtpPassword, &MailSettings::txtPass,
          &MailSettings::pop3Tls, &MailSettings::smtpTls})
        EXPECT_EQ(loaded.*text, settings.*text);
    for (bool MailSettings::*flag :
         {&MailSettings::chkMail, &MailSettings::chkLnchEmail, &MailSettings::chkDelOnRead, &MailSettings::chkDelOnReply,
          &MailSettings::ChkCfmMsgSent, &MailSettings::chkCfmDel, &MailSettings::tlsVerify})
        EXPECT_EQ(loaded.*flag, settings.*flag);
    EXPECT_EQ(loaded.chkSound, settings.chkSound);
    EXPECT_EQ(loaded.txtSound, settings.txtSound);
    EXPECT_EQ(loaded.smtpTlsMode(), platform::MailTls::Try);
    EXPECT_EQ(loaded.smtpUser(), "välue 11");
    loaded.smtpLogin.clear();
    loaded.smtpPassword.clear();
    loaded.txtlogin = QStringLiteral(" pop ");
    loaded.txtPass = QStringLiteral("pw");
    EXPECT_EQ(loaded.smtpUser() + loaded.smtpPass(), "poppw");
}

TEST_F(MailSettingsTest, NumbersReadAsChecksAndABadCheckStopsTheLoader)
{
    home.writeFile(QStringLiteral("hvrn.ini"), "[Mail]\r\nHost=pop.one\r\nEnabled=1\r\nLogin=me\r\n"
                                               "Confirm Delete=0\r\nConfirm Msg Sent=maybe\r\nTLS Verify=0\r\n"
                                               "[Sounds]\r\nMail-2 Enabled=-1\r\n");
    settings.chkSound[1] = false;
    settings.chkCfmDel = true;
    settings.LoadMailSettings();
    EXPECT_TRUE(settings.chkMail && settings.chkCfmDel && settings.tlsVerify && !settings.chkSound[1]);
    EXPECT_EQ(settings.txtlogin, "me");
    EXPECT_TRUE(home.readFile(QStringLiteral("error.log")).contains("13 in Load E-Mail Settings"));

    WriteIni("Mail", "Confirm Msg Sent", "1");
    settings.LoadMailSettings();
    EXPECT_FALSE(settings.chkCfmDel || settings.tlsVerify);
    EXPECT_TRUE(settings.chkSound[1]);
    settings.SaveMail();
    EXPECT_EQ(ReadIni("Mail", "Enabled", "") + ReadIni("Mail", "Confirm Delete", "")
                  + ReadIni("Sounds", "Mail-2 Enabled", ""),
              "TrueFalseTrue");
}

TEST_F(MailSettingsTest, WindowShowsEveryControlWithItsCaption)
{
    frmMailSetup w(settings);
    EXPECT_EQ(w.windowTitle(), "Email Setup");
    const std::pair<const char*, const char*> captions[] = {
        {"chkMail", "Check for new messages every"}, {"lblMinutes", "minute(s)"},
        {"lblHost", "Mail Server Address"},         {"lblLogin", "POP3 Account"},
        {"lblPass", "Password"},                     {"lblSmtp", "SMTP Server Address"},
        {"lblReturn", "Return Address"},             {"lblUserName", "User Name"},
        {"lblSig", "Signature File"},                {"cmdBrowseSig", "..."},
        {"chkDelOnRead", "Delete Message On Read"},  {"chkDelOnReply", "Delete Message On Reply"},
        {"chkCfmDel", "Confirm Delete"},             {"ChkCfmMsgSent", "Confirm Message Sent "},
        {"chkLnchEmail", "Launch Email Client when new messages Arrive"},
        {"lblBrowser", "E-Mail Client Path:"},       {"cmd_mail", "&Browse"},
        {"chkSound_0", "New Mail"},                  {"chkSound_1", "No New Mail"},
        {"chkSound_2", "Mail Deleted"},              {"cmdMailBrowse_2", "..."},
        {"cmdControl_0", "&OK"},                     {"cmdControl_1", "&Cancel"}};
    for (const auto& [name, caption] : captions) {
        const QWidget* c = w.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_TRUE(c) << name;
        EXPECT_EQ(c->property("text").toString(), QString::fromLatin1(caption)) << name;
    }
    EXPECT_EQ(w.findChild<QWidget*>("fraPop3")->property("title").toString(), " POP 3 E-mail Server ");
    EXPECT_EQ(w.cmdBrowseSig->toolTip() + w.cmd_mail->toolTip() + w.cmdMailPlay[1]->toolTip(),
              "Browse for FileSelect Email ReaderPlay Sound");
    for (const char* name : {"txtCount", "txtHost", "txtlogin", "txtPass", "txtSendMailServer", "txtReturnAddress",
                             "txtUserName", "txtSig", "txtBrowser", "txtSound_0", "cmdMailPlay_0", "cboPop3Tls",
                             "cboSmtpTls", "chkTlsVerify", "txtSmtpLogin", "txtSmtpPass"})
        EXPECT_TRUE(w.findChild<QWidget*>(QString::fromLatin1(name))) << name;
    EXPECT_EQ(w.txtPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.txtSmtpPass->echoMode(), QLineEdit::Password);
}

TEST_F(MailSettingsTest, EditsCountAtOnceCancelRestoresAndTheCloseBoxOnlyHides)
{
    WriteIni("Mail", "Host", "stored.host");
    settings.LoadMailSettings();
    frmMailSetup w(settings);
    QWidget mainWindow;
    w.showSetup(&mainWindow);
    w.txtHost->setText(QStringLiteral("edited.host"));
    w.txtPass->setText(QStringLiteral("typed"));
    w.cboSmtpTls->setCurrentIndex(2);
    w.chkTlsVerify->setChecked(false);
    EXPECT_EQ(settings.txtHost + settings.txtPass + settings.smtpTls, "edited.hosttypedrequire");
    EXPECT_FALSE(settings.tlsVerify);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(settings.txtHost, "edited.host");
    EXPECT_EQ(ReadIni("Mail", "Host", ""), "stored.host");

    w.showSetup(&mainWindow);
    w.cmdControl[1]->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(settings.txtHost + w.txtHost->text(), "stored.hoststored.host");
    EXPECT_EQ(w.cboSmtpTls->currentIndex(), 0);
    EXPECT_TRUE(w.chkTlsVerify->isChecked());
    EXPECT_EQ(settings.txtPass + w.txtPass->text(), "typedtyped");

    w.showSetup(&mainWindow);
    w.chkMail->setChecked(true);
    w.cmdControl[0]->click();
    EXPECT_TRUE(!w.isVisible() && mainWindow.isVisible());
    EXPECT_EQ(ReadIni("Mail", "Enabled", ""), "True");
    EXPECT_EQ(LoadStoredPassword("Startup", "MailPass"), "typed");
}

TEST_F(MailSettingsTest, BrowseAndPlayButtonsUseTheirDialogsAndTheSoundRule)
{
    WriteIni("Sounds", "Mail-2 Enabled", "True");
    settings.LoadMailSettings();
    frmMailSetup w(settings);
    EXPECT_TRUE(!w.cmdMailBrowse[0]->isEnabled() && w.cmdMailBrowse[1]->isEnabled());
    w.chkSound[0]->click();
    EXPECT_TRUE(w.cmdMailBrowse[0]->isEnabled() && settings.chkSound[0]);
    w.chkSound[0]->click();
    EXPECT_FALSE(w.cmdMailBrowse[0]->isEnabled());

    w.txtSig->setText(QStringLiteral("/old/sig.txt"));
    doubles.dialogs.setNextResult(QStringLiteral("/snd/new.wav"));
    w.cmdMailBrowse[1]->click();
    doubles.dialogs.setNextResult(QStringLiteral("/bin/reader"));
    w.cmd_mail->click();
    w.cmdBrowseSig->click(); // cancelled
    EXPECT_EQ(settings.txtSound[1] + settings.txtBrowser + settings.txtSig, "/snd/new.wav/bin/reader/old/sig.txt");
    const auto& shown = doubles.dialogs.shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].request.title + shown[0].request.qtFilter, kSoundDialogTitle + ConvertDialogFilter(kSoundDialogFilter));
    EXPECT_EQ(shown[1].request.title + shown[1].request.qtFilter,
              "Browse for Email Reader" + ConvertDialogFilter("Excutable files (*.exe)|*.exe|All files (*.*)|*.*"));
    EXPECT_EQ(shown[1].request.startDirectory, home.path());
    EXPECT_EQ(shown[2].request.title + shown[2].request.qtFilter,
              "Select Signature File" + ConvertDialogFilter("All files (*.*)|*.*"));

    w.cmdMailPlay[1]->click();
    doubles.sound.outputs = 1;
    w.cmdMailPlay[1]->click();
    EXPECT_EQ(doubles.sound.beeps, 1);
    EXPECT_EQ(doubles.sound.played, QStringList({"/snd/new.wav"}));
}

} // namespace
