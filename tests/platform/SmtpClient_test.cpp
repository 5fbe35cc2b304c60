#include "platform/SmtpClient.h"
#include "support/MailServers.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;
using platform::MailTls;
using Tls = SmtpTestServer::Tls;

namespace {

const QByteArray kMessage = "From: \"Ann\" <ann@example.org>\r\nTo: bob@example.org\r\nSubject: dots\r\n"
                            "X-Mailer: Halvorn v3.3\r\n\r\n.a line that starts with a dot\r\n..two\r\n"
                            "caf\xc3\xa9\r\n.\r\nend\r\n";

// A client set to send kMessage through server, with everything it reported.
struct SmtpSession {
    SmtpSession(const SmtpTestServer& server, bool implicit = false)
    {
        client.host = (implicit ? u"smtps://"_s : QString()) + server.address();
        client.mailFrom = u"ann@example.org"_s;
        client.recipients = QStringList{u"bob@example.org"_s, u" carol@example.org "_s};
        client.message = kMessage;
        client.verifyPeer = false;
        QObject::connect(&client, &platform::SmtpClient::PITrail,
                         [this](int type, const QString& text) { trail << u"%1 %2"_s.arg(type).arg(text); });
        QObject::connect(&client, &platform::SmtpClient::Error,
                         [this](int, const QString& t) { errors << t; });
    }
    bool send()
    {
        const bool sent = client.connectToServer() && client.send();
        client.quit();
        return sent;
    }

    platform::SmtpClient client;
    QStringList trail, errors;
};

} // namespace

TEST(SmtpClient, TheMessageArrivesByteForByteOverEveryKindOfConnection)
{
    const struct {
        SmtpTestServer::Options server;
        QString user;
        MailTls tls;
    } cases[] = {{{}, {}, MailTls::Off},
                 {{Tls::StartTls, {}, {}}, {}, MailTls::Require},
                 {{Tls::Implicit, {}, {}}, {}, MailTls::Off},
                 {{Tls::Off, u"joe"_s, u"pa55"_s}, u"joe"_s, MailTls::Off},
                 {{Tls::StartTls, u"joe"_s, u"pa55"_s}, u"joe"_s, MailTls::Try},
                 {{}, u"joe"_s, MailTls::Off}}; // a server without AUTH takes the mail without a login
    const QString wire = QString::fromLatin1(QByteArray("\0joe\0pa55", 9).toBase64());
    for (const auto& c : cases) {
        SmtpTestServer server(c.server);
        SmtpSession s(server, c.server.tls == Tls::Implicit);
        s.client.user = c.user, s.client.password = u"pa55"_s, s.client.tls = c.tls;
        ASSERT_TRUE(s.send()) << s.errors.join(u'\n').toStdString() << s.trail.join(u'\n').toStdString();
        const auto received = server.received();
        ASSERT_EQ(received.size(), 1);
        EXPECT_EQ(received[0].from + u'>' + received[0].recipients.join(u' '),
                  u"ann@example.org>bob@example.org carol@example.org"_s);
        EXPECT_EQ(received[0].data, kMessage);
        // The server's own line: a port such as 35235 shows "235 " in libcurl's notes too.
        const qsizetype accepted = std::count_if(
            s.trail.begin(), s.trail.end(), [](const QString& line) { return line.startsWith(u"1 235 "_s); });
        EXPECT_EQ(accepted, c.server.user.isEmpty() ? 0 : 1) << s.trail.join(u'\n').toStdString();
        EXPECT_EQ(s.trail.filter(u"STARTTLS"_s).isEmpty(), c.tls == MailTls::Off);
        for (const QString& line : s.trail)
            EXPECT_FALSE(line.contains(u"pa55"_s) || line.contains(wire)) << line.toStdString();
        EXPECT_TRUE(s.trail.contains(u"2 Connected."_s));
        EXPECT_TRUE(s.client.lastReply().startsWith(u"221"_s)) << s.client.lastReply().toStdString();
    }
}

// A refused recipient, a wrong password and a dead server are met by the
// composer's tests (ComposerTest.AFailedSendKeepsTheMessageAndSaysWhy).
TEST(SmtpClient, ABadServerNameOrRecipientIsRefusedBeforeAnythingIsSent)
{
    SmtpTestServer server;
    for (const auto& [host, recipient, expected] :
         {std::tuple(u"smtp://bad host"_s, u"bob@example.org"_s, u"Bad SMTP server name"_s),
          {server.address(), u"bob>@example.org"_s, u"Bad recipient"_s}}) {
        SmtpSession s(server);
        s.client.host = host, s.client.recipients = QStringList{recipient};
        EXPECT_FALSE(s.send());
        ASSERT_EQ(s.errors.size(), 1);
        EXPECT_TRUE(s.errors[0].contains(expected)) << s.errors[0].toStdString();
    }
    EXPECT_TRUE(server.received().isEmpty());
}
