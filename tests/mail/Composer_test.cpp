// The composer against a real SMTP server: what arrives, the failure path,
// quoting, the window modes and the debug window's "Email Author".
#include "MailCheckFixture.h"
#include "core/frmDebug.h"

class ComposerTest : public ComposerFixture {
  protected:
    void SetUp() override
    {
        qputenv("TZ", "XYZ-1"); // one hour east of UTC, all year
        tzset();
        ComposerFixture::SetUp();
    }

    frmMail& read(const QString& date, const QString& body, bool reply = false)
    {
        frmMail& c = reading("From: Cy <cy@example.test>\r\nSubject: Plans\r\nDate: " + date.toUtf8() +
                             "\r\n\r\n" + body.toUtf8());
        return reply ? (c.Reply(), c) : c;
    }
    frmMail& newMail(const QString& to, const QString& subject, const QString& text)
    {
        SendNewMail();
        frmMail& c = *Mail().composerIfLoaded();
        c.SendTo->setText(to), c.Subject->setText(subject), c.MessageText->setPlainText(text);
        return c;
    }

    frmDebug debug{nullptr};
};

const QByteArray kHead = "From: \"Anna Test\" <anna@example.test>\r\n";
const QByteArray kTail = R"(Date: Sat, 05 Dec 2026 15:07:09 +0100
Message-ID: <ID>
MIME-Version: 1.0
Content-Type: text/plain; charset=UTF-8
Content-Transfer-Encoding: 7bit
X-Mailer: Halvorn v3.3

)"_ba.replace("\n", "\r\n");

TEST_F(ComposerTest, AMessageArrivesExactlyAsWritten)
{
    SmtpTestServer server;
    frmMail& c =
        newMail(u"Bo <bo@example.test>, dee@example.test"_s, u"Hello"_s, u"First\nSecond\r\n.\rend"_s);
    c.CopyTo->setText(u"cy@example.test"_s);
    EXPECT_EQ(
        sentThrough(server, c),
        kHead +
            "To: \"Bo\" <bo@example.test>, dee@example.test\r\nCc: cy@example.test\r\nSubject: Hello\r\n" +
            kTail + "First\r\nSecond\r\n.\r\nend\r\n");
    EXPECT_EQ(sent.from + u'>' + sent.recipients.join(u' '),
              u"anna@example.test>bo@example.test dee@example.test cy@example.test"_s);
    EXPECT_TRUE(doubles.boxes.shown().at(0).text == u"Message sent successfully"_s &&
                !Mail().composerIfLoaded());
}

TEST_F(ComposerTest, AReplyQuotesTheMessageAndEndsWithTheSignature)
{
    SmtpTestServer server;
    home.writeFile(u"sig.txt"_s, "-- \nAnna\n");
    Mail().settings().ChkCfmMsgSent = false;
    Mail().settings().txtSig = home.file(u"sig.txt"_s);
    EXPECT_EQ(sentThrough(server, read(u"Fri, 4 Dec 2026 09:00:00 +0000"_s, u"Meet at 10?\r\n"_s, true)),
              kHead + "To: \"Cy\" <cy@example.test>\r\nSubject: Re: Plans\r\n" + kTail +
                  "On 4 Dec 2026 09:00:00 +0000, you wrote:\r\n> Meet at 10?\r\n> \r\n\r\n-- \r\nAnna\r\n");
    EXPECT_TRUE(doubles.boxes.shown().empty() && !Mail().composerIfLoaded());
}

TEST_F(ComposerTest, HostileFieldsCannotAddHeadersOrRecipients)
{
    SmtpTestServer server;
    Mail().settings().txtUserName = u"Åsa\r\nBcc: spy@example.test"_s;
    frmMail& c = newMail(u"Bo <bo@example.test>, dee@example.test"_s, u"Grüße\r\nBcc: spy@example.test"_s,
                         u"café\n.hidden\n..two"_s);
    c.CopyTo->setText(u"Cy <cy@example.test>"_s);
    const QByteArray data = sentThrough(server, c);
    EXPECT_EQ(sent.recipients.join(u' '), u"bo@example.test dee@example.test cy@example.test"_s);
    EXPECT_FALSE(data.contains("\r\nBcc:") || data.contains("Grüße") || data.contains("Åsa"))
        << data.constData();
    EXPECT_TRUE(
        data.contains(
            "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n") &&
        data.endsWith("\r\n\r\ncaf=C3=A9\r\n.hidden\r\n..two\r\n"))
        << data.constData();
    EXPECT_FALSE(QByteArray(data).replace("\r\n", "").contains('\n')) << "bare line feed";
}

TEST_F(ComposerTest, AFailedSendKeepsTheMessageAndSaysWhy)
{
    SmtpTestServer server({SmtpTestServer::Tls::StartTls, u"anna"_s, u"pw-Secret9"_s});
    const QString up = server.address(), down = u"127.0.0.1:%1"_s.arg(FreeLoopbackPort());
    const struct {
        QString host, to, password;
        bool smtpFailure;
        QString why; // in the box's text
    } cases[] = {{up, "", "", false, "'To:'"},
                 {down, "bo@example.test", "", true, "connect"},
                 {up, "reject@example.test", "", true, "550"},
                 {up, "bo@example.test", "wrong-Pw7", true, "Login refused"}};
    MailSettings& s = Mail().settings();
    for (const auto& k : cases) {
        SCOPED_TRACE(qPrintable(k.to + k.host));
        s.txtSendMailServer = k.host;
        s.smtpLogin = k.password.isEmpty() ? QString() : u"anna"_s;
        s.smtpPassword = k.password;
        doubles.boxes.clear();
        frmMail& c = newMail(k.to, u"S"_s, u"kept text"_s);
        c.cmdControl_Click(0);
        ASSERT_EQ(Mail().composerIfLoaded(), &c);
        EXPECT_TRUE(c.isEnabled() && c.isVisible() && c.MessageText->toPlainText() == u"kept text"_s);
        ASSERT_EQ(doubles.boxes.shown().size(), 1u);
        const platform::MsgBoxRequest& box = doubles.boxes.shown()[0];
        EXPECT_EQ(box.title + u'|' + box.text.left(48) + u'|' + c.SmtpStatus->text(),
                  k.smtpFailure ? u"Message not sent|An error occurred while sending message.\r\nError |"
                                  u"Error: Unable to send message"_s
                                : kProgramName + u"|Please complete the 'To:' field before sending.|"_s);
        EXPECT_TRUE(box.icon == platform::MsgIcon::Information && box.text.contains(k.why))
            << box.text.toStdString();
        EXPECT_EQ(debug.text().contains(u"[E-Mail] Unable to send message.. Error: "_s), k.smtpFailure);
        EXPECT_FALSE(debug.text().contains(u"wrong-Pw7"_s));
    }
    EXPECT_TRUE(server.received().isEmpty());
}

TEST_F(ComposerTest, ALoginOverStartTlsSendsAndLeavesNoDialogueInTheLog)
{
    SmtpTestServer server({SmtpTestServer::Tls::StartTls, u"anna"_s, u"pw-Secret9"_s});
    MailSettings& s = Mail().settings();
    s.smtpTls = u"require"_s;
    s.smtpLogin = u"anna"_s;
    s.smtpPassword = u"pw-Secret9"_s;
    // The throwaway certificate is refused while checked: TLS was spoken.
    EXPECT_TRUE(sentThrough(server, newMail(u"bo@example.test"_s, u"S"_s, QString())).isEmpty());
    s.tlsVerify = false;
    EXPECT_FALSE(sentThrough(server, newMail(u"bo@example.test"_s, u"S"_s, QString())).isEmpty());
    for (const char* secret : {"pw-Secret9", "CLIENT:", "SERVER:", "AUTH"})
        EXPECT_FALSE(debug.text().contains(QLatin1String(secret))) << secret;
}

TEST_F(ComposerTest, AReplyQuotesTheTextWhateverTheDateAndLeavesNoScratchFile)
{
    const struct {
        QString date, body, quoted;
        bool tmpBlocked;
    } cases[] = {
        // A whole date, the scratch file written: AReplyQuotesTheMessageAndEndsWithTheSignature.
        {"Fri, ", "x", "On , you wrote:\n> x\n", false},
        {"Sat,", "", "On , you wrote:\n> \n", false},
        {"Fri, 4 Dec 2026", "one\r\ntwo\r\n", "On 4 Dec 2026, you wrote:\n> one\n> two\n> \n", true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(qPrintable(k.date));
        if (k.tmpBlocked) // a folder in its place makes the scratch file impossible to write
            QDir(home.path()).mkdir(u"Mail.Tmp"_s);
        frmMail& c = read(k.date, k.body, true);
        EXPECT_EQ(c.MessageText->toPlainText(), k.quoted);
        // Back to normal, and the scratch file gone, whichever way it was quoted.
        EXPECT_TRUE(c.MessageText->isEnabled() && c.SmtpStatus->text().isEmpty() &&
                    !QApplication::overrideCursor());
        EXPECT_EQ(QFileInfo::exists(home.file(u"Mail.Tmp"_s)), k.tmpBlocked);
        EXPECT_EQ(c.windowTitle() + c.Subject->text(), u"Send MailRe: Plans"_s);
        Mail().reset();
    }
}

// The headers toggle and Add Address of the read view: ReplyTest, on real-world messages.
TEST_F(ComposerTest, SaveWritesTheMessageWithItsHeaders)
{
    frmMail& c = read(u"Fri, 4 Dec 2026"_s, u"Body line\r\n"_s);
    doubles.dialogs.setNextResult(home.file(u"saved.txt"_s));
    c.cmdControl_Click(5);
    EXPECT_EQ(home.readFile(u"saved.txt"_s),
              "From: Cy <cy@example.test>\r\nSubject: Plans\r\nDate: Fri, 4 Dec 2026\r\n\r\nBody line\r\n");
}

TEST_F(ComposerTest, EmailAuthorOpensAReportMailWithTheDebugText)
{
    debug.appendText(u"[01:02:03 PM]  last line\r\n"_s);
    debug.mnuEmail_Click();
    frmMail* author = &Mail().composer();
    EXPECT_TRUE(author->isVisible());
    EXPECT_EQ(author->windowTitle() + author->SendTo->text() + author->Subject->text(),
              u"Email Author"_s + kSupportAddress + u"HVRN: Help (DebugLog)"_s);
    const QString text = author->MessageText->toPlainText();
    EXPECT_TRUE(text.startsWith(u"Date: 12/5/2026\nTime: 3:07:09 PM\n\nVersion 3.3 build("_s) &&
                text.endsWith(u"last line\n"_s))
        << qPrintable(text);
    EXPECT_TRUE(author->SendTo->isVisibleTo(author) && !author->Picture1->isVisibleTo(author) &&
                author->cmdControl[0]->isEnabled() && !author->cmdControl[2]->isEnabled());
}

TEST_F(ComposerTest, CloseShowsTheMailboxOnlyForAnsweredMail)
{
    for (const auto& [caption, mailboxShown] : {std::pair{"New Mail", true},
                                                {"Send Mail", true},
                                                {"Send New Mail", false},
                                                {"Email Author", false}}) {
        frmMail& w = Mail().composer();
        w.setWindowTitle(QLatin1String(caption));
        w.cmdControl_Click(4);
        EXPECT_EQ(Mail().composerIfLoaded(), nullptr);
        EXPECT_EQ(Mail().mailboxIfCreated() && Mail().mailboxIfCreated()->isVisible(), mailboxShown)
            << caption;
        Mail().reset();
    }
}
