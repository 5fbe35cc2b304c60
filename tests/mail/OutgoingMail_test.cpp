// The bytes handed to the SMTP client: header lines, encodings, line ends,
// refused input and the addresses the envelope gets.
#include "mail/MailText.h"
#include "mail/OutgoingMail.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(15, 7, 9), QTimeZone(3600));

OutgoingMail mail(const QString& to, const QString& subject = QStringLiteral("Hello"),
                  const QString& text = QStringLiteral("Hi"))
{
    return {QStringLiteral("Ann Example"), QStringLiteral("ann@example.org"), to, QString(), subject, text};
}

QList<QByteArray> headerLines(const QByteArray& message)
{
    return message.left(message.indexOf("\r\n\r\n")).split('\n');
}

TEST(OutgoingMail, PlainMailHasExactlyTheseLines)
{
    OutgoingMail m = mail(QStringLiteral("\"Bob\" <bob@example.net>, carl@example.net"),
                          QStringLiteral("Hello"), QStringLiteral("Hi\nthere\r\n.\rend"));
    m.copy = QStringLiteral("dora@example.com");
    const PreparedMail p = PrepareMail(m, kNow);
    EXPECT_EQ(p.envelopeFrom + u'>' + p.recipients.join(u' '),
              "ann@example.org>bob@example.net carl@example.net dora@example.com");
    QString message = QString::fromLatin1(p.message);
    message.replace(QRegularExpression(QStringLiteral("<\\d+\\.[0-9a-f]{16}@example\\.org>")),
                    QStringLiteral("<ID>"));
    EXPECT_EQ(message,
              "From: \"Ann Example\" <ann@example.org>\r\nTo: \"Bob\" <bob@example.net>, carl@example.net\r\n"
              "Cc: dora@example.com\r\nSubject: Hello\r\nDate: Sat, 05 Dec 2026 15:07:09 +0100\r\n"
              "Message-ID: <ID>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
              "Content-Transfer-Encoding: 7bit\r\nX-Mailer: Halvorn v3.3\r\n\r\nHi\r\nthere\r\n.\r\nend\r\n");
}

TEST(OutgoingMail, LineBreaksInFieldsCannotAddHeaders)
{
    const QString evil = QStringLiteral("\r\nBcc: eve@evil.example\nX-Evil:\r");
    OutgoingMail named = mail(QStringLiteral("bob@example.net"), QStringLiteral("Hi") + evil);
    named.userName += evil;
    OutgoingMail copied = mail(QStringLiteral("bob@example.net"));
    copied.copy = QStringLiteral("carl@example.net") + evil;
    for (const OutgoingMail& m : {named, copied, mail(QStringLiteral("bob@example.net") + evil)}) {
        const PreparedMail p = PrepareMail(m, kNow);
        for (const QByteArray& line : headerLines(p.message))
            EXPECT_FALSE(line.startsWith("Bcc") || line.startsWith("X-Evil") || line.startsWith("\n"))
                << line.data();
        EXPECT_FALSE(p.recipients.contains(QStringLiteral("eve@evil.example")));
    }
}

TEST(OutgoingMail, NonAsciiTextIsEncodedAndFolded)
{
    const QString subject = QStringLiteral("Grüße aus Köln, 東京 und 🎉 ").repeated(6).trimmed();
    OutgoingMail m = mail(QStringLiteral("Jörg Müller <jm@example.net>"), subject,
                          QStringLiteral("Grüße\n") + QString(1500, u'x'));
    m.userName = QStringLiteral("Zoë");
    const PreparedMail p = PrepareMail(m, kNow);
    const QByteArray headers = p.message.left(p.message.indexOf("\r\n\r\n") + 2);
    for (const QByteArray& line : headerLines(p.message))
        EXPECT_TRUE(line.size() < 78 &&
                    std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; }))
            << line.data();
    EXPECT_EQ(DecodeHeaderValue(HeaderValue(headers, "Subject")), subject);
    EXPECT_EQ(DecodeHeaderValue(HeaderValue(headers, "From")), "Zoë <ann@example.org>");
    EXPECT_EQ(DecodeHeaderValue(HeaderValue(headers, "To")), "Jörg Müller <jm@example.net>");
    // A line too long for 8bit goes out quoted-printable and reads back whole.
    EXPECT_EQ(HeaderValue(headers, "Content-Transfer-Encoding"), "quoted-printable");
    EXPECT_EQ(DecodeBody(headers, p.message.mid(headers.size() + 2)),
              m.text.replace(QStringLiteral("\n"), QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    EXPECT_EQ(
        HeaderValue(PrepareMail(mail("b@x.org", "s", "Grüße"), kNow).message, "Content-Transfer-Encoding"),
        "8bit");
}

TEST(OutgoingMail, AddressFieldsParseAndRefuseWhatIsNoAddress)
{
    EXPECT_EQ(ParseAddressList(
                  QStringLiteral("Ann <a@x.org>, b@y.org; \"Doe, John\" <j@z.org> c@w.org (Carl) d@v.org")),
              QStringList({"a@x.org", "b@y.org", "j@z.org", "c@w.org", "d@v.org"}));
    // To, Copy, return address: each row has one field that is no address.
    const char* refused[][3] = {{"", "", "a@x.org"},
                                {"  ,; ", "", "a@x.org"},
                                {"Bob Smith", "", "a@x.org"},
                                {"b@x.org", "c@", "a@x.org"},
                                {"b@x.org", "", ""},
                                {"b@x.org", "", "ann"},
                                {"b@x.org", "", "a@b.org c@d.org"},
                                {"b\xc3\xb6@x.org", "", "a@x.org"}};
    for (const auto& r : refused) {
        const PreparedMail p = PrepareMail({"Ann", r[2], r[0], r[1], "Hello", "Hi"}, kNow);
        EXPECT_TRUE(!p.error.isEmpty() && p.message.isEmpty()) << r[0] << " / " << r[1] << " / " << r[2];
    }
}

} // namespace
