// The mail settings in hvrn.ini and the "Email Setup" window over them.
#include "MailCheckFixture.h"
#include "core/Encrypt.h"
#include "core/Ini.h"
#include "mail/frmMailSetup.h"
#include "platform/FileDialogs.h"
#include "tools/Sounds.h"

class MailSettingsTest : public MailTest {
  protected:
    // Key names of a section of hvrn.ini in file order.
    QStringList keysOf(const char* section) const
    {
        const QString body = QString::fromUtf8(home.readFile("hvrn.ini"))
                                 .section(u"[%1]"_s.arg(QLatin1String(section)), 1)
                                 .section(u'[', 0, 0);
        QStringList keys;
        for (const QString& line : body.split(u"\r\n"_s, Qt::SkipEmptyParts))
            keys.append(line.section(u'=', 0, 0));
        return keys;
    }

    MailSettings settings;
};

TEST_F(MailSettingsTest, AFreshInstallLoadsTheDefaults)
{
    settings.ChkCfmMsgSent = false, settings.chkSound[1] = true;
    settings.LoadMailSettings();
    EXPECT_TRUE(settings.ChkCfmMsgSent && settings.chkCfmDel && settings.tlsVerify);
    EXPECT_FALSE(settings.chkMail || settings.chkLnchEmail || settings.chkDelOnRead ||
                 settings.chkDelOnReply || settings.chkSound[0] || settings.chkSound[1] ||
                 settings.chkSound[2]);
    EXPECT_EQ(settings.txtHost + settings.txtlogin + settings.txtCount + settings.txtSig +
                  settings.txtSound[2],
              "");
}

TEST_F(MailSettingsTest, SavingWritesEveryKeyInOrderAndNoPasswordInClear)
{
    settings.LoadMailSettings();
    settings.txtPass = "pop=secret\"";
    settings.SaveMail();
    EXPECT_EQ((keysOf("Mail") + keysOf("Startup") + keysOf("Sounds")).join(u'|'),
              "Enabled|Host|Login|Return Address|Interval|Exteranl Browser|Browser Enabled|User Name|"
              "SMTP Server|Sig File|Delete On Read|Delete on Reply|Confirm Msg Sent|Confirm Delete|POP3 TLS|"
              "SMTP TLS|TLS Verify|SMTP Login|MailPass|SMTPPass|Mail-1 Enabled|Mail-1|Mail-2 Enabled|Mail-2|"
              "Mail-3 Enabled|Mail-3");
    EXPECT_FALSE(home.readFile("hvrn.ini").contains("secret"));
    EXPECT_EQ(LoadStoredPassword("Startup", "Mailpass") + ReadIni("Mail", "Delete On Read", ""),
              settings.txtPass + "False");
}

// What the loader reads, saved again, gives the same file: no key is lost.
TEST_F(MailSettingsTest, EveryValueRoundTripsThroughTheFile)
{
    int n = 0;
    for (QString* text :
         {&settings.txtHost, &settings.txtlogin, &settings.txtReturnAddress, &settings.txtCount,
          &settings.txtBrowser, &settings.txtUserName, &settings.txtSendMailServer, &settings.txtSig,
          &settings.txtSound[0], &settings.txtSound[2], &settings.smtpLogin, &settings.smtpPassword,
          &settings.txtPass})
        *text = u"välue %1"_s.arg(++n);
    settings.pop3Tls = "require", settings.smtpTls = "try";
    for (bool* flag : {&settings.chkMail, &settings.chkLnchEmail, &settings.chkDelOnReply,
                       &settings.chkSound[1], &settings.tlsVerify, &settings.ChkCfmMsgSent})
        *flag = !*flag;
    settings.SaveMail();
    const QByteArray saved = home.readFile("hvrn.ini");
    EXPECT_FALSE(saved.contains("välue 12") || saved.contains("välue 13"));

    MailSettings loaded;
    QSignalSpy reloaded(&loaded, &MailSettings::reloaded);
    loaded.LoadMailSettings();
    // LoadPass hands the POP3 password over, not the loader.
    EXPECT_TRUE(reloaded.count() == 1 && loaded.txtPass.isEmpty());
    EXPECT_EQ(loaded.smtpTls, "try");
    EXPECT_EQ(loaded.smtpUser() + loaded.smtpPass(), "välue 11välue 12");
    loaded.txtPass = settings.txtPass;
    loaded.SaveMail();
    EXPECT_EQ(home.readFile("hvrn.ini"), saved);
}

TEST_F(MailSettingsTest, ABadCheckMarkStopsTheLoaderAndIsLogged)
{
    home.writeFile("hvrn.ini", "[Mail]\r\nHost=pop.one\r\nEnabled=1\r\nLogin=me\r\nConfirm Delete=0\r\n"
                               "Confirm Msg Sent=maybe\r\nTLS Verify=0\r\n[Sounds]\r\nMail-2 Enabled=-1\r\n");
    settings.LoadMailSettings(); // the keys after the bad one keep their values
    EXPECT_TRUE(settings.chkMail && settings.chkCfmDel && settings.tlsVerify && !settings.chkSound[1]);
    EXPECT_EQ(settings.txtlogin, "me");
    EXPECT_TRUE(home.readFile("error.log").contains("13 in Load E-Mail Settings"));
}

TEST_F(MailSettingsTest, NumbersReadAsCheckMarksAndAreSavedAsWords)
{
    home.writeFile("hvrn.ini", "[Mail]\r\nEnabled=1\r\nConfirm Delete=0\r\nConfirm Msg Sent=1\r\n"
                               "TLS Verify=0\r\n[Sounds]\r\nMail-2 Enabled=-1\r\n");
    settings.LoadMailSettings();
    EXPECT_TRUE(settings.chkMail && !settings.chkCfmDel && !settings.tlsVerify && settings.chkSound[1]);
    settings.SaveMail();
    EXPECT_EQ(ReadIni("Mail", "Enabled", "") + ReadIni("Mail", "Confirm Delete", "") +
                  ReadIni("Sounds", "Mail-2 Enabled", ""),
              "TrueFalseTrue");
}

class MailSetupWindow : public MailSettingsTest {
  protected:
    void SetUp() override
    {
        WriteIni("Mail", "Host", "stored.host");
        WriteIni("Sounds", "Mail-2 Enabled", "True");
        settings.LoadMailSettings();
        w.showSetup(&mainWindow);
    }
    QWidget mainWindow;
    frmMailSetup w{settings};
};

TEST_F(MailSetupWindow, EditsCountAtOnceAndAreNotSavedByClosing)
{
    w.txtHost->setText("edited.host"), w.txtPass->setText("typed");
    w.cboSmtpTls->setCurrentIndex(1), w.chkTlsVerify->setChecked(false);
    EXPECT_EQ(settings.txtHost + settings.txtPass + settings.smtpTls, "edited.hosttypedoff");
    EXPECT_FALSE(settings.tlsVerify);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(settings.txtHost + ReadIni("Mail", "Host", ""), "edited.hoststored.host");
}

TEST_F(MailSetupWindow, CancelRestoresTheStoredSettingsButKeepsThePassword)
{
    w.txtHost->setText("edited.host"), w.txtPass->setText("typed");
    w.cboSmtpTls->setCurrentIndex(1), w.chkTlsVerify->setChecked(false);
    w.cmdControl[1]->click();
    EXPECT_EQ(settings.txtHost + w.txtHost->text(), "stored.hoststored.host");
    EXPECT_TRUE(!w.isVisible() && w.cboSmtpTls->currentIndex() == 0 && w.chkTlsVerify->isChecked());
    EXPECT_EQ(settings.txtPass + w.txtPass->text(), "typedtyped");
}

TEST_F(MailSetupWindow, OkSavesTheSettingsAndThePassword)
{
    w.txtPass->setText("typed"), w.chkMail->setChecked(true), w.cmdControl[0]->click();
    EXPECT_TRUE(!w.isVisible() && mainWindow.isVisible());
    EXPECT_EQ(ReadIni("Mail", "Enabled", "") + LoadStoredPassword("Startup", "MailPass"), "Truetyped");
    EXPECT_EQ(w.txtPass->echoMode() + w.txtSmtpPass->echoMode(), 2 * QLineEdit::Password);
}

TEST_F(MailSetupWindow, BrowseButtonsFillTheirFieldsFromTheirDialogs)
{
    EXPECT_TRUE(!w.cmdMailBrowse[0]->isEnabled() && w.cmdMailBrowse[1]->isEnabled());
    w.chkSound[0]->click();
    EXPECT_TRUE(w.cmdMailBrowse[0]->isEnabled() && settings.chkSound[0]);

    w.txtSig->setText("/old/sig.txt");
    doubles.dialogs.setNextResult("/snd/new.wav"), w.cmdMailBrowse[1]->click();
    doubles.dialogs.setNextResult("/bin/reader"), w.cmd_mail->click();
    w.cmdBrowseSig->click(); // cancelled
    EXPECT_EQ(settings.txtSound[1] + settings.txtBrowser + settings.txtSig,
              "/snd/new.wav/bin/reader/old/sig.txt");
    const auto& shown = doubles.dialogs.shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].request.title + shown[0].request.qtFilter,
              kSoundDialogTitle + ConvertDialogFilter(kSoundDialogFilter));
    EXPECT_EQ(shown[1].request.startDirectory, home.path());
}

TEST_F(MailSetupWindow, PlayBeepsWithoutASoundOutput)
{
    w.txtSound[1]->setText("/snd/new.wav");
    w.cmdMailPlay[1]->click();
    doubles.sound.outputs = 1;
    w.cmdMailPlay[1]->click();
    EXPECT_EQ(QString::number(doubles.sound.beeps) + doubles.sound.played.join(u'|'), "1/snd/new.wav");
}
