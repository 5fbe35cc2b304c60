// The composer against a real SMTP server: what arrives, the failure path,
// quoting, the window modes and the debug window's "Email Author".
#include "core/frmDebug.h"
#include "mail/AddressBook.h"
#include "mail/ComposerWiring.h"
#include "mail/MailProgram.h"
#include "mail/MailSettings.h"
#include "mail/frmMail.h"
#include "mail/frmPop3.h"
#include "support/MailServers.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <ctime>

namespace {

class ComposerTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        qputenv("TZ", "UTC");
        tzset();
        InstallComposerHooks();
        MailSettings& s = Mail().settings();
        s.txtUserName = QStringLiteral("Anna Test");
        s.txtReturnAddress = QStringLiteral("anna@example.test");
        s.ChkCfmMsgSent = false;
    }
    void TearDown() override { Mail().reset(); }

    // A composer answering a message, as the mailbox window leaves it.
    frmMail& replyTo(const QString& date, const QString& body)
    {
        frmMail& c = Mail().composer();
        c.lblFrom->setText(QStringLiteral("Cy <cy@example.test>"));
        c.lblSubject->setText(QStringLiteral("Plans"));
        c.lblDate->setText(date);
        c.MessageText->setPlainText(body);
        c.MailMsgNo = 1;
        c.Read();
        c.Reply();
        return c;
    }
    frmMail& newMail(const QString& to, const QString& subject, const QString& text)
    {
        SendNewMail();
        frmMail& c = *Mail().composerIfLoaded();
        c.SendTo->setText(to);
        c.Subject->setText(subject);
        c.MessageText->setPlainText(text);
        return c;
    }
    QByteArray sentThrough(SmtpTestServer& server, frmMail& composer)
    {
        Mail().settings().txtSendMailServer = server.address();
        const qsizetype before = server.received().size();
        composer.cmdControl_Click(0);
        const auto got = server.received();
        if (got.size() != before + 1)
            return QByteArray();
        sent = got.last();
        // The message id is unique by design; everything else is fixed.
        return QString::fromUtf8(sent.data)
            .replace(QRegularExpression(QStringLiteral("Message-ID: <[^>\r\n]+>")), QStringLiteral("Message-ID: <ID>"))
            .toUtf8();
    }

    TempHome home;
    PlatformDoubles doubles;
    frmDebug debug{nullptr};
    SmtpTestServer::Received sent;
};

const QByteArray kHead = "From: \"Anna Test\" <anna@example.test>\r\n";
const QByteArray kTail = "Date: Sat, 05 Dec 2026 15:07:09 +0000\r\nMessage-ID: <ID>\r\nMIME-Version: 1.0\r\n"
                         "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 7bit\r\n"
                         "X-Mailer: Halvorn v3.3\r\n\r\n";

TEST_F(ComposerTest, NewMailAndQuotedReplyArriveExactlyAndCloseTheWindow)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    home.writeFile(QStringLiteral("sig.txt"), "-- \nAnna\n");
    Mail().settings().ChkCfmMsgSent = true;
    EXPECT_EQ(sentThrough(server, newMail(QStringLiteral("Bo <bo@example.test>"), QStringLiteral("Hello"),
                                          QStringLiteral("First\nSecond"))),
              kHead + "To: \"Bo\" <bo@example.test>\r\nSubject: Hello\r\n" + kTail + "First\r\nSecond\r\n");
    EXPECT_EQ(sent.recipients, QStringList{QStringLiteral("bo@example.test")});
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].text, QStringLiteral("Message sent successfully"));
    EXPECT_EQ(Mail().composerIfLoaded(), nullptr);

    Mail().settings().ChkCfmMsgSent = false;
    Mail().settings().txtSig = home.file(QStringLiteral("sig.txt"));
    EXPECT_EQ(sentThrough(server, replyTo(QStringLiteral("Fri, 4 Dec 2026 09:00:00 +0000"),
                                          QStringLiteral("Meet at 10?\r\n"))),
              kHead + "To: \"Cy\" <cy@example.test>\r\nSubject: Re: Plans\r\n" + kTail +
                  "On 4 Dec 2026 09:00:00 +0000, you wrote:\r\n> Meet at 10?\r\n> \r\n\r\n-- \r\nAnna\r\n");
    EXPECT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(Mail().composerIfLoaded(), nullptr);
}

TEST_F(ComposerTest, HostileFieldsCannotAddHeadersOrRecipientsAndTextArrivesIntact)
{
    SmtpTestServer server;
    Mail().settings().txtUserName = QStringLiteral("Åsa\r\nBcc: spy@example.test");
    frmMail& c = newMail(QStringLiteral("Bo <bo@example.test>, dee@example.test"),
                         QStringLiteral("Grüße\r\nBcc: spy@example.test"), QStringLiteral("café\n.hidden\n..two"));
    c.CopyTo->setText(QStringLiteral("Cy <cy@example.test>"));
    const QByteArray data = sentThrough(server, c);
    EXPECT_EQ(sent.recipients, (QStringList{QStringLiteral("bo@example.test"), QStringLiteral("dee@example.test"),
                                            QStringLiteral("cy@example.test")}));
    EXPECT_FALSE(data.contains("\r\nBcc:"));
    EXPECT_FALSE(data.contains("Grüße") || data.contains("Åsa")) << "raw 8-bit header text";
    EXPECT_TRUE(data.contains("Content-Type: text/plain; charset=UTF-8\r\n"));
    EXPECT_TRUE(data.endsWith("\r\n\r\ncafé\r\n.hidden\r\n..two\r\n")) << data.constData();
    EXPECT_FALSE(QByteArray(data).replace("\r\n", "").contains('\n')) << "bare line feed";
}

TEST_F(ComposerTest, AuthAndStartTlsWhenSetAndNoDialogueInTheLog)
{
    SmtpTestServer server({SmtpTestServer::Tls::StartTls, QStringLiteral("anna"), QStringLiteral("pw-Secret9")});
    MailSettings& s = Mail().settings();
    s.smtpTls = QStringLiteral("require");
    s.smtpLogin = QStringLiteral("anna");
    s.smtpPassword = QStringLiteral("pw-Secret9");
    // The throwaway certificate is refused while checked: TLS was spoken.
    EXPECT_TRUE(sentThrough(server, newMail(QStringLiteral("bo@example.test"), QStringLiteral("S"), QString()))
                    .isEmpty());
    s.tlsVerify = false;
    EXPECT_FALSE(sentThrough(server, newMail(QStringLiteral("bo@example.test"), QStringLiteral("S"), QString()))
                     .isEmpty());
    for (const char* secret : {"pw-Secret9", "CLIENT:", "SERVER:", "AUTH"})
        EXPECT_FALSE(debug.text().contains(QLatin1String(secret))) << secret;
}

TEST_F(ComposerTest, FailuresKeepTheMessageAndSayWhy)
{
    SmtpTestServer server({SmtpTestServer::Tls::Off, QStringLiteral("anna"), QStringLiteral("right")});
    const QString up = server.address();
    const QString down = QStringLiteral("127.0.0.1:%1").arg(FreeLoopbackPort());
    struct Case {
        QString host, to, password, box, title;
    } cases[] = {
        {up, QString(), {}, QStringLiteral("Please complete the 'To:' field before sending."), kProgramName},
        {down, QStringLiteral("bo@example.test"), {}, QStringLiteral("An error occurred while sending message.\r\nError "),
         QStringLiteral("Message not sent")},
        {up, QStringLiteral("reject@example.test"), {}, {}, QStringLiteral("Message not sent")},
        {up, QStringLiteral("bo@example.test"), QStringLiteral("wrong-Pw7"), {}, QStringLiteral("Message not sent")},
    };
    for (const Case& k : cases) {
        Mail().settings().smtpLogin = k.password.isEmpty() ? QString() : QStringLiteral("anna");
        Mail().settings().smtpPassword = k.password;
        doubles.boxes.clear();
        frmMail& c = newMail(k.to, QStringLiteral("S"), QStringLiteral("kept text"));
        c.cmdControl_Click(0);
        SCOPED_TRACE(qPrintable(k.to + k.host));
        ASSERT_EQ(Mail().composerIfLoaded(), &c);
        EXPECT_TRUE(c.isEnabled() && c.isVisible());
        EXPECT_EQ(c.MessageText->toPlainText(), QStringLiteral("kept text"));
        ASSERT_EQ(doubles.boxes.shown().size(), 1u);
        EXPECT_EQ(doubles.boxes.shown()[0].title, k.title);
        EXPECT_EQ(doubles.boxes.shown()[0].icon, platform::MsgIcon::Information);
        EXPECT_TRUE(doubles.boxes.shown()[0].text.startsWith(k.box));
        const bool smtpFailure = k.title != kProgramName;
        EXPECT_EQ(c.SmtpStatus->text() == QStringLiteral("Error: Unable to send message"), smtpFailure);
        EXPECT_EQ(debug.text().contains(QStringLiteral("[E-Mail] Unable to send message.. Error: ")), smtpFailure);
        EXPECT_FALSE(debug.text().contains(QStringLiteral("wrong-Pw7")));
    }
    EXPECT_TRUE(server.received().isEmpty());
}

TEST_F(ComposerTest, QuotingDropsTheWeekdayAndQuotesEveryLineEvenWithoutMailTmp)
{
    struct Case {
        QString date, body, quoted;
        bool tmpBlocked;
    } cases[] = {
        {"Fri, 4 Dec 2026", "one\r\ntwo\r\n", "On 4 Dec 2026, you wrote:\n> one\n> two\n> \n", false},
        {"Fri, ", "x", "On , you wrote:\n> x\n", false},
        {"Sat,", "", "On , you wrote:\n> \n", false},
        {"Fri, 4 Dec 2026", "one\r\ntwo\r\n", "On 4 Dec 2026, you wrote:\n> one\n> two\n> \n", true},
    };
    for (const Case& k : cases) {
        // A folder in its place makes the scratch file impossible to write.
        if (k.tmpBlocked)
            QDir(home.path()).mkdir(QStringLiteral("Mail.Tmp"));
        frmMail& c = replyTo(k.date, k.body);
        EXPECT_EQ(c.MessageText->toPlainText(), k.quoted) << qPrintable(k.date);
        EXPECT_TRUE(c.MessageText->isEnabled());
        EXPECT_TRUE(c.SmtpStatus->text().isEmpty());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QFileInfo(home.file(QStringLiteral("Mail.Tmp"))).isDir(), k.tmpBlocked);
        EXPECT_EQ(c.windowTitle(), QStringLiteral("Send Mail"));
        EXPECT_EQ(c.Subject->text(), QStringLiteral("Re: Plans"));
        Mail().reset();
    }
}

TEST_F(ComposerTest, CloseShowsTheMailboxOnlyForAnsweredMail)
{
    const std::pair<const char*, bool> cases[] = {
        {"New Mail", true}, {"Send Mail", true}, {"Send New Mail", false}, {"Email Author", false}};
    for (const auto& [caption, mailboxShown] : cases) {
        frmMail& c = Mail().composer();
        c.setWindowTitle(QLatin1String(caption));
        c.cmdControl_Click(4);
        EXPECT_EQ(Mail().composerIfLoaded(), nullptr);
        EXPECT_EQ(Mail().mailboxIfCreated() && Mail().mailboxIfCreated()->isVisible(), mailboxShown) << caption;
        Mail().reset();
    }
}

TEST_F(ComposerTest, EmailAuthorFromTheDebugWindowOpensTheComposerFilled)
{
    debug.appendText(QStringLiteral("[01:02:03 PM]  last line\r\n"));
    debug.mnuEmail_Click();
    frmMail* c = Mail().composerIfLoaded();
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->isVisible());
    EXPECT_EQ(c->windowTitle(), QStringLiteral("Email Author"));
    EXPECT_EQ(c->SendTo->text(), kSupportAddress);
    EXPECT_EQ(c->Subject->text(), QStringLiteral("HVRN: Help (DebugLog)"));
    const QString text = c->MessageText->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Date: 12/5/2026\nTime: 3:07:09 PM\n\nVersion 3.3 build("))) << qPrintable(text);
    EXPECT_TRUE(text.endsWith(QStringLiteral("last line\n")));
    EXPECT_TRUE(c->SendTo->isVisibleTo(c) && !c->Picture1->isVisibleTo(c));
    EXPECT_TRUE(c->cmdControl[0]->isEnabled() && !c->cmdControl[2]->isEnabled());
}

TEST_F(ComposerTest, ReadViewShowsHeadersSavesTheMessageAndStoresTheSender)
{
    Mail().globals.ReadMsgHeaders = "Subject: Plans\r\nX-Tag: 1\r\n";
    Mail().globals.ReadMsgBody = "Body line\r\n";
    frmMail& c = Mail().composer();
    c.lblFrom->setText(QStringLiteral("Cy <cy@example.test>"));
    c.lblSubject->setText(QStringLiteral("Plans"));
    c.lblDate->setText(QStringLiteral("Fri, 4 Dec 2026"));
    c.MessageText->setPlainText(QStringLiteral("Body line\r\n"));
    c.Read();
    c.show();
    EXPECT_TRUE(!c.cmdControl[0]->isEnabled() && c.cmdControl[2]->isEnabled());
    EXPECT_TRUE(c.Picture1->isVisible() && !c.SendTo->isVisible());
    c.cmdControl_Click(6);
    EXPECT_EQ(c.MessageText->toPlainText(), QStringLiteral("Subject: Plans\nX-Tag: 1\n"));
    EXPECT_EQ(c.cmdControl[6]->text(), QStringLiteral("<<<"));
    c.cmdControl_Click(6);
    EXPECT_EQ(c.MessageText->toPlainText(), QStringLiteral("Body line\n"));

    doubles.dialogs.setNextResult(home.file(QStringLiteral("saved.txt")));
    c.cmdControl_Click(5);
    EXPECT_EQ(home.readFile(QStringLiteral("saved.txt")),
              "From: Cy <cy@example.test>\r\nSubject: Plans\r\nDate: Fri, 4 Dec 2026\r\n\r\nBody line\r\n");
    const auto& asked = doubles.dialogs.shown().at(0).request;
    EXPECT_EQ(asked.title + asked.proposedName + asked.startDirectory,
              QStringLiteral("Save message asmail.txt") + home.path());

    c.cmdControl_Click(3);
    EXPECT_EQ(AddressBook::Load().value(0), QStringLiteral("Cy <cy@example.test>"));
    EXPECT_EQ(c.SmtpStatus->text(), QStringLiteral("Address Added to AddressBook"));
}

} // namespace
