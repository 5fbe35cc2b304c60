// Reading real-world messages in the composer and answering them through a
// real SMTP server: who the answer reaches, its thread headers and quoted
// text, the sender kept in the address book, attachments saved, the
// headers view.
#include "MailCheckFixture.h"
#include "MailMessages.h"
#include "mail/AttachmentList.h"

class ReplyTest : public ComposerFixture {
  protected:
    void SetUp() override
    {
        ComposerFixture::SetUp();
        Mail().settings().ChkCfmMsgSent = false;
    }
};

struct ReplyCase {
    QByteArray raw;
    QStringList recipients;
    QString to;
    QByteArray inReplyTo;
    QList<QByteArray> references;
    QString quoted;
};
static const ReplyCase kReplyCases[] = {
    {MessageFile(u"last-first-sender.eml"_s),
     {u"jm@corp.example"_s},
     u"Müller, Jörg <jm@corp.example>"_s,
     "<budget-3@corp.example>",
     {"<budget-1@corp.example>", "<budget-2@home.example>", "<budget-3@corp.example>"},
     u"you wrote:\r\n> The numbers look fine to me.\r\n"_s},
    {MessageFile(u"reply-to.eml"_s),
     {u"lead@team.example"_s, u"helpdesk@team.example"_s},
     u"\"Lead, Team\" <lead@team.example>, helpdesk@team.example"_s,
     "<plan-9@lists.example>",
     {"<plan-9@lists.example>"},
     u"> Please answer to the team, not to the list.\r\n"_s},
    {"From: =?utf-8?q?evil=3Cx=40y.example=3E=2C_z=40w.example?= <real@a.example>\r\n\r\nHi\r\n",
     {u"real@a.example"_s},
     u"\"evil<x@y.example>, z@w.example\" <real@a.example>"_s,
     "",
     {},
     u"> Hi\r\n"_s},
};

// Each real-world message replied to through the composer and a real SMTP server.
class Replies : public ReplyTest {
  protected:
    template <class Check> void forEachReply(Check&& check)
    {
        SmtpTestServer server;
        for (const ReplyCase& c : kReplyCases) {
            SCOPED_TRACE(c.raw.left(60).toStdString());
            frmMail& composer = reading(c.raw);
            composer.cmdControl_Click(1);
            ASSERT_FALSE(sentThrough(server, composer).isEmpty());
            check(c, ParseMimeMessage(sent.data));
        }
    }
};

TEST_F(Replies, ReachExactlyTheParsedAddresses)
{
    forEachReply([this](const ReplyCase& c, const MimeMessage& reply) {
        EXPECT_EQ(sent.recipients, c.recipients);
        EXPECT_EQ(reply.headers.section(u"\r\nTo: "_s, 1).section(u"\r\n"_s, 0, 0), c.to);
    });
}

TEST_F(Replies, KeepTheThread)
{
    forEachReply([this](const ReplyCase& c, const MimeMessage& reply) {
        EXPECT_EQ(reply.references, c.references);
        EXPECT_EQ(sent.data.contains("\r\nIn-Reply-To: " + c.inReplyTo + "\r\n"), !c.inReplyTo.isEmpty());
        EXPECT_EQ(sent.data.contains("\r\nIn-Reply-To:"), !c.inReplyTo.isEmpty());
    });
}

TEST_F(Replies, QuoteTheDecodedText)
{
    forEachReply([](const ReplyCase& c, const MimeMessage& reply) {
        EXPECT_TRUE(reply.text.contains(c.quoted)) << reply.text.toStdString();
    });
}

TEST_F(ReplyTest, ReplySubjectGetsOneRePrefix)
{
    const struct {
        QByteArray subject;
        QString reply;
    } cases[] = {
        {"Plans", u"Re: Plans"_s},
        {"Re: Budget 2027", u"Re: Budget 2027"_s},
        {"RE: shouting", u"RE: shouting"_s},
        {"=?utf-8?q?re=3A_encoded?=", u"re: encoded"_s},
        {"Regarding plans", u"Re: Regarding plans"_s},
    };
    for (const auto& c : cases) {
        frmMail& composer = reading("From: a@b.example\r\nSubject: " + c.subject + "\r\n\r\nx\r\n");
        composer.Reply();
        EXPECT_EQ(composer.Subject->text(), c.reply) << c.subject.toStdString();
        Mail().reset();
    }
}

TEST_F(ReplyTest, AddAddressStoresTheParsedSender)
{
    const struct {
        const char* file;
        QString stored;
    } cases[] = {
        {"last-first-sender.eml", u"\"Müller, Jörg\" <jm@corp.example>"_s},
        {"reply-to.eml", u"Team Lead via List <list@lists.example>"_s},
    };
    for (const auto& c : cases) {
        reading(MessageFile(QString::fromLatin1(c.file))).cmdControl_Click(3);
        const QStringList book = AddressBook::Load();
        EXPECT_EQ(book.value(book.size() - 1), c.stored) << c.file;
        Mail().reset();
    }
}

TEST_F(ReplyTest, SavingAnAttachmentWritesItsDecodedBytes)
{
    frmMail& c = reading(MessageFile(u"nested-attachments.eml"_s));
    c.show();
    AttachmentList& list = *c.Attachments;
    ASSERT_TRUE(list.isVisible());
    ASSERT_EQ(list.lstAttachments->count(), 2);
    EXPECT_EQ(list.lstAttachments->item(1)->text(), u"Café photo.png (82 bytes)"_s);
    const struct {
        int row;
        const char* file;
    } cases[] = {{0, "attachment.pdf"}, {1, "attachment.png"}};
    for (const auto& k : cases) {
        doubles.dialogs.setNextResult(home.file(QString::fromLatin1(k.file)));
        list.lstAttachments->setCurrentRow(k.row);
        list.cmdSaveAttachment->click();
        EXPECT_EQ(home.readFile(QString::fromLatin1(k.file)), MessageFile(QString::fromLatin1(k.file)))
            << k.file;
    }
    EXPECT_EQ(doubles.dialogs.shown().back().request.proposedName, u"Café photo.png"_s);
}

TEST_F(ReplyTest, AFailedAttachmentSaveIsToldAndLeavesNoFile)
{
    frmMail& c = reading(MessageFile(u"nested-attachments.eml"_s));
    const QString path = home.file(u"missing-folder/report.pdf"_s);
    doubles.dialogs.setNextResult(path);
    c.Attachments->saveAttachment(0);
    EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title, u"Program Error"_s);
}

TEST_F(ReplyTest, HeadersToggleShowsDecodedHeadersAndDecodedTextAgain)
{
    frmMail& c = reading(MessageFile(u"long-headers.eml"_s));
    const QString text = c.MessageText->toPlainText();
    EXPECT_TRUE(text.contains(u"Nächste Woche: Über 100 neue Beiträge"_s));
    c.cmdControl_Click(6);
    const QString headers = c.MessageText->toPlainText();
    EXPECT_GT(headers.size(), 4500);
    EXPECT_TRUE(headers.contains(u"\nSubject: Wöchentliche Übersicht\n"_s));
    EXPECT_EQ(c.cmdControl[6]->text(), u"<<<"_s);
    c.cmdControl_Click(6);
    EXPECT_EQ(c.MessageText->toPlainText(), text);
    EXPECT_EQ(c.cmdControl[6]->text(), u">>>"_s);
}

TEST_F(ReplyTest, ReplyFromTheHeadersViewQuotesTheText)
{
    frmMail& c = reading(MessageFile(u"reply-to.eml"_s));
    c.cmdControl_Click(6);
    c.cmdControl_Click(1);
    const QString quoted = c.MessageText->toPlainText();
    EXPECT_TRUE(quoted.contains(u"> Please answer to the team, not to the list.\n"_s))
        << quoted.toStdString();
    EXPECT_FALSE(quoted.contains(u"Message-ID"_s));
}
