#include "MailCheckFixture.h"

#include "core/Ini.h"

// Encryption by default: a password crosses the network only encrypted,
// unless the user chose plain text for that server.
using MailTls = MailCheckFixture;

TEST_F(MailTls, APlainServerNameUsesStartTls)
{
    Pop3TestServer server(true);
    server.addMessage(message(1));
    useServer(server);
    Mail().settings().pop3Tls = MailSettings().pop3Tls; // what a new settings file holds
    dueTick();
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_EQ(column(2), QStringList{u"Message 1"_s});
    EXPECT_TRUE(debugLog().contains(u"[POP3] CLIENT: STLS"_s));
}

TEST_F(MailTls, AServerWithoutStartTlsNeverGetsThePasswordAndTheErrorSaysWhatToDo)
{
    const struct {
        const char* stored;
    } choices[] = {{"require"}, {"try"}};
    for (const auto& c : choices) {
        SCOPED_TRACE(c.stored);
        Pop3TestServer server; // offers no STLS
        useServer(server);
        Mail().settings().pop3Tls = QString::fromLatin1(c.stored);
        doubles.boxes.clear();
        dueTick(true);
        ASSERT_EQ(doubles.boxes.shown().size(), 1u);
        EXPECT_TRUE(doubles.boxes.shown()[0].text.contains(u"set POP3 encryption to Off in Email > Setup"_s))
            << doubles.boxes.shown()[0].text.toStdString();
        for (const char* login : {"CLIENT: USER", "CLIENT: PASS", "CLIENT: AUTH"})
            EXPECT_FALSE(debugLog().contains(QString::fromLatin1(login))) << login;
    }
}

TEST_F(MailTls, ASettingsFileKeepsItsTlsChoiceAndOneWithoutGetsEncryptionRequired)
{
    const struct {
        const char* stored; // nullptr: no key
        platform::MailTls mode;
    } files[] = {
        {nullptr, platform::MailTls::Require},   {"off", platform::MailTls::Off},
        {"OFF", platform::MailTls::Off},         {"try", platform::MailTls::Require},
        {"require", platform::MailTls::Require},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.stored ? f.stored : "no key");
        home.writeFile(u"hvrn.ini"_s, f.stored ? "[Mail]\r\nPOP3 TLS=" + QByteArray(f.stored) +
                                                     "\r\nSMTP TLS=" + QByteArray(f.stored) + "\r\n"
                                               : QByteArray("[Mail]\r\nHost=pop.example.org\r\n"));
        MailSettings settings;
        settings.LoadMailSettings();
        EXPECT_EQ(settings.pop3TlsMode(), f.mode);
        EXPECT_EQ(settings.smtpTlsMode(), f.mode);
    }
}

TEST_F(MailTls, ThePop3LoginIsLentToSmtpOnlyOnTheSameHostOverTls)
{
    const struct {
        const char *pop3, *smtp, *smtpTls;
        bool lent;
    } cases[] = {
        {"mail.example.org", "mail.example.org", "require", true},
        {"pop3s://MAIL.example.org", "smtps://mail.example.org:465", "off", true},
        {"mail.example.org", "mail.example.org", "off", false},
        {"mail.example.org", "relay.other.example", "require", false},
        {"mail.example.org", "", "require", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pop3) + " / " + c.smtp + " / " + c.smtpTls);
        MailSettings s;
        s.txtHost = QString::fromLatin1(c.pop3);
        s.txtSendMailServer = QString::fromLatin1(c.smtp);
        s.smtpTls = QString::fromLatin1(c.smtpTls);
        s.txtlogin = u"me"_s;
        s.txtPass = u"pop-secret"_s;
        EXPECT_EQ(s.smtpPass(), c.lent ? u"pop-secret"_s : QString());
        EXPECT_EQ(s.smtpUser(), c.lent ? u"me"_s : QString());
        s.smtpPassword = u"own"_s; // its own password is always used
        EXPECT_EQ(s.smtpPass() + s.smtpUser(), u"ownme"_s);
    }
}
