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
        const char* file;
        QString from, subject;
    } cases[] = {
        {"base64-utf8-subject.eml", u"Jörg Strauß <js@example.de>"_s, u"Grüße aus Köln – 東京 🎉"_s},
        {"latin1-qp-subject.eml", u"François Léger <fl@example.fr>"_s, u"Réunion à l'hôtel"_s},
        {"last-first-sender.eml", u"Müller, Jörg <jm@corp.example>"_s, u"Re: Budget 2027"_s},
        {"long-headers.eml", u"Digest <digest@lists.example>"_s, u"Wöchentliche Übersicht"_s},
        {"alternative.eml", u"Shop News <news@shop.example>"_s, u"Winter sale starts today"_s},
    };
    for (const auto& c : cases)
        server.addMessage(MessageFile(QString::fromLatin1(c.file)));
    useServer(server);
    dueTick();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].file);
        EXPECT_EQ(column(0).value(i), cases[i].from);
        EXPECT_EQ(column(2).value(i), cases[i].subject);
    }
}

// The composer shows the readable text: decoded, from the plain part, or
// the HTML made text, never the encoded form or the markup.
TEST_F(ReadRealMail, ReadingShowsEachMessageRetrievedWholeAsReadableText)
{
    Pop3TestServer server(true);
    const struct {
        const char* file;
        QString shown, absent;
    } cases[] = {
        {"alternative.eml", u"Our winter sale starts today.\nEverything is 20 percent off until Sunday.\n"_s,
         u"<b>"_s},
        {"nested-attachments.eml", u"Hi, the report and a photo from the café are attached.\n"_s, u"%PDF"_s},
        {"base64-utf8-subject.eml", u"Schöne Grüße,\nJörg\n"_s, u"U2No"_s},
        {"latin1-qp-subject.eml", u"La réunion a lieu à l'hôtel, près de la gare. Merci de confirmer.\n"_s,
         u"=E9"_s},
        {"long-headers.eml", u"Nächste Woche: Über 100 neue Beiträge – jetzt lesen!"_s, u"=C3"_s},
        {"reply-to.eml", u"Please answer to the team, not to the list.\n"_s, u"Reply-To"_s},
        {"html-only.eml",
         u"Invoice #42\n\nDear customer,\nyour invoice is ready & waiting. Total: 12€ <net>\n\nCafé ☺ €\n\n"
         u"See your invoice (https://billing.example/invoice/42?a=1&b=2) or write to "
         u"help@billing.example.\n\n"
         u"* First item\n* Second item\n"_s,
         u"<p>"_s},
    };
    for (const auto& c : cases)
        server.addMessage(MessageFile(QString::fromLatin1(c.file)));
    useServer(server);
    dueTick();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].file);
        readRow(i);
        ASSERT_TRUE(doubles.boxes.shown().empty());
        EXPECT_EQ(check().reading().Raw, crlf(MessageFile(QString::fromLatin1(cases[i].file))));
        const QString text = Mail().composer().MessageText->toPlainText();
        EXPECT_TRUE(text.contains(cases[i].shown)) << text.left(300).toStdString();
        EXPECT_FALSE(text.contains(cases[i].absent) || text.contains(u"Content-Transfer-Encoding"_s) ||
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
