#include "MailCheckFixture.h"
#include "MailMessages.h"

// Real-world messages through a real dovecot over STARTTLS: listed decoded,
// retrieved whole and byte for byte, and shown as their readable text.
class ReadRealMail : public MailCheckFixture {
  protected:
    // Maildir files end in LF only; the server hands them out with CR LF.
    static QByteArray crlf(QByteArray bytes)
    {
        bytes.replace("\r\n", "\n");
        return bytes.replace("\n", "\r\n");
    }
    void readRow(int row)
    {
        selectRows({row});
        Mail().mailbox().mnuRead_Click();
    }
};

TEST_F(ReadRealMail, TheListShowsDecodedSendersAndSubjects)
{
    Pop3TestServer server(true);
    const struct {
        const char *file, *from, *subject;
    } cases[] = {
        {"last-first-sender.eml", "\"Müller, Jörg\" <jm@corp.example>", "Re: Budget 2027"},
        {"latin1-qp-subject.eml", nullptr, "Réunion à l'hôtel"},
        {"long-headers.eml", nullptr, "Wöchentliche Übersicht"},
    };
    for (const auto& c : cases)
        server.addMessage(MessageFile(QString::fromLatin1(c.file)));
    useServer(server);
    dueTick();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(cases[i].file);
        EXPECT_EQ(column(2).value(i), QString::fromUtf8(cases[i].subject));
        if (cases[i].from) {
            EXPECT_TRUE(column(0).value(i).contains(u"jm@corp.example"_s))
                << column(0).value(i).toStdString();
        }
    }
}

TEST_F(ReadRealMail, ReadingRetrievesEachMessageWhole)
{
    Pop3TestServer server(true);
    const char* files[] = {"alternative.eml",  "html-only.eml",           "nested-attachments.eml",
                           "long-headers.eml", "base64-utf8-subject.eml", "reply-to.eml"};
    for (const char* file : files)
        server.addMessage(MessageFile(QString::fromLatin1(file)));
    useServer(server);
    dueTick();
    for (int i = 0; i < int(std::size(files)); ++i) {
        SCOPED_TRACE(files[i]);
        readRow(i);
        ASSERT_TRUE(doubles.boxes.shown().empty());
        EXPECT_EQ(check().reading().Raw, crlf(MessageFile(QString::fromLatin1(files[i]))));
        const QString text = Mail().composer().MessageText->toPlainText();
        EXPECT_FALSE(text.contains(u"Content-Transfer-Encoding"_s) ||
                     text.contains(u"<html"_s, Qt::CaseInsensitive))
            << text.left(300).toStdString();
    }
}

TEST_F(ReadRealMail, AFiveMegabyteMessageIsReadWholeAndItsTextCutCleanly)
{
    Pop3TestServer server(true);
    QByteArray body;
    for (int i = 0; body.size() < 5 * 1024 * 1024; ++i)
        body +=
            "Zeile " + QByteArray::number(i) + " mit Umlauten: \xc3\xa4\xc3\xb6\xc3\xbc und mehr Text\r\n";
    QByteArray wrapped =
        "From: big@example.org\r\nSubject: Big\r\nMIME-Version: 1.0\r\n"
        "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    const QByteArray encoded = body.toBase64();
    for (qsizetype at = 0; at < encoded.size(); at += 76)
        wrapped += encoded.mid(at, 76) + "\r\n";
    server.addMessage(wrapped);
    useServer(server);
    dueTick();
    readRow(0);
    ASSERT_TRUE(doubles.boxes.shown().empty());
    EXPECT_EQ(check().reading().Raw.size(), wrapped.size());
    const QString text = Mail().composer().MessageText->toPlainText();
    EXPECT_TRUE(text.startsWith(u"Zeile 0 mit Umlauten: äöü"_s));
    EXPECT_TRUE(text.trimmed().endsWith(
        u"\nZeile 1047 mit Umlauten: äöü und mehr Text\n<--- Message Too Long to Display --->"_s))
        << text.right(200).toStdString();
    EXPECT_LE(text.size(), 45000 + 60);
}
