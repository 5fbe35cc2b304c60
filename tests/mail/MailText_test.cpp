// Mail text both ways. What a mail server sends, made readable: encoded
// header words, transfer encodings and charsets (hostile bytes are replayed
// by fuzz/mail_text_fuzz.cpp). And the bytes handed to the SMTP client: header
// lines, encodings, line ends, refused input and the addresses the envelope gets.
#include "mail/MailText.h"
#include "mail/OutgoingMail.h"

#include <QStringDecoder>
#include <QTimeZone>
#include <algorithm>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(MailText, HeaderValuesAndBodiesDecode)
{
    const struct { QByteArray raw; QString shown; } cases[] = {
        {"=?UTF-8?B?w6TDtsO8?=", u"äöü"_s},
        {"=?iso-8859-1?q?caf=E9_cr=E8me?=", u"café crème"_s},
        // Neighbours separated by blanks or a fold are one text, even when a
        // character is split between them.
        {"=?UTF-8?Q?J=C3?= \r\n\t=?UTF-8?Q?=B6rg?= and =?utf-8?b?w6Q=?=", u"Jörg and ä"_s},
        {"plain =?UTF-8?Q?x?=  text", u"plain x  text"_s},
        {"Ren\xc3\xa9 caf\xe9", u"René café"_s},
        {"a\r\nb\1c\177d", u"a  b c d"_s},
        {"=?UTF-8?Q?line=0Abreak=00?=", u"line break "_s},
        {"=?x-unknown?Q?abc?=", u"abc"_s},
        {"=?UTF-8?X?abc?= =?UTF-8?Q?open", u"=?UTF-8?X?abc?= =?UTF-8?Q?open"_s},
        {"=?utf-8*en?Q?hi?=", u"hi"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHeaderValue(c.raw), c.shown) << c.raw.toStdString();
    if (QStringDecoder("ISO-8859-2").isValid()) {
        EXPECT_EQ(DecodeHeaderValue("=?ISO-8859-2?Q?=B3=F3d=BC?="), u"łódź"_s);
    }

    SCOPED_TRACE("bodies, by transfer encoding and charset");
    const struct { QByteArray headers, body; QString shown; } bodies[] = {
        {"Content-Type: text/plain; charset=\"UTF-8\"\r\nContent-Transfer-Encoding: base64\r\n",
         "w6TDtgpsaW5l\r\nAA==\r\n", u"äö\r\nline"_s},
        // Folded parameters; a name seen again, or after the blank line, does not count.
        {"content-type: text/plain; format=flowed;\r\n\tcharset=iso-8859-1\r\nContent-Type: x; charset=koi8-r\r\n"
         "Content-Transfer-Encoding: Quoted-Printable\r\n\r\nContent-Transfer-Encoding: base64\r\n",
         "caf=E9 =\r\nsoft=3D =zz\r\nnext\r\n", u"café soft= =zz\r\nnext\r\n"_s},
        {"Content-Type: text/plain\r\n", "Ren\xc3\xa9\r\nbare\rcr\n", u"René\r\nbare\r\ncr\r\n"_s},
        {"Content-Transfer-Encoding: 8bit\r\n", "caf\xe9\r\n", u"café\r\n"_s},
    };
    for (const auto& c : bodies)
        EXPECT_EQ(DecodeBody(c.headers, c.body), c.shown) << c.body.toStdString();
}

const QDateTime kNow(QDate(2026, 12, 5), QTime(15, 7, 9), QTimeZone(3600));

OutgoingMail mail(const QString& to, const QString& subject = u"Hello"_s, const QString& text = u"Hi"_s)
{
    return {u"Ann Example"_s, u"ann@example.org"_s, to, QString(), subject, text};
}

QList<QByteArray> headerLines(const QByteArray& message)
{
    return message.left(message.indexOf("\r\n\r\n")).split('\n');
}

TEST(OutgoingMail, LineBreaksInFieldsCannotAddHeaders)
{
    const QString evil = u"\r\nBcc: eve@evil.example\nX-Evil:\r"_s;
    OutgoingMail named = mail(u"bob@example.net"_s, u"Hi"_s + evil);
    named.userName += evil;
    OutgoingMail copied = mail(u"bob@example.net"_s);
    copied.copy = u"carl@example.net"_s + evil;
    for (const OutgoingMail& m : {named, copied, mail(u"bob@example.net"_s + evil)}) {
        const PreparedMail p = PrepareMail(m, kNow);
        for (const QByteArray& line : headerLines(p.message))
            EXPECT_FALSE(line.startsWith("Bcc") || line.startsWith("X-Evil") || line.startsWith("\n"))
                << line.data();
        EXPECT_FALSE(p.recipients.contains(u"eve@evil.example"_s));
    }
}

TEST(OutgoingMail, NonAsciiTextIsEncodedAndFoldedAndAddressesParse)
{
    const QString subject = u"Grüße aus Köln, 東京 und 🎉 "_s.repeated(6).trimmed();
    OutgoingMail m = mail(u"Jörg Müller <jm@example.net>"_s, subject, u"Grüße\n"_s + QString(1500, u'x'));
    m.userName = u"Zoë"_s;
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
    EXPECT_EQ(DecodeBody(headers, p.message.mid(headers.size() + 2)), m.text.replace(u"\n"_s, u"\r\n"_s) + u"\r\n"_s);
    EXPECT_EQ(
        HeaderValue(PrepareMail(mail("b@x.org", "s", "Grüße"), kNow).message, "Content-Transfer-Encoding"),
        "8bit");

    SCOPED_TRACE("address fields parse, and what is no address is refused");
    EXPECT_EQ(ParseAddressList(u"Ann <a@x.org>, b@y.org; \"Doe, John\" <j@z.org> c@w.org (Carl) d@v.org"_s),
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
