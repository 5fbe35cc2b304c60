// Mail text both ways. What a mail server sends, made readable: encoded
// header words and charsets (hostile bytes are replayed by
// fuzz/mail_text_fuzz.cpp; whole messages are MimeMessage_test's). And the bytes handed to the SMTP client:
// header lines, encodings, line ends, refused input and the addresses the envelope gets.
#include "mail/MailText.h"
#include "mail/MimeMessage.h"
#include "mail/OutgoingMail.h"

#include <QTimeZone>
#include <algorithm>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(MailText, HeaderValuesDecode)
{
    const struct {
        QByteArray raw;
        QString shown;
    } cases[] = {
        // One base64 UTF-8 or Latin-1 word: ReadRealMail.TheListShowsDecodedSendersAndSubjects.
        // Neighbours separated by blanks or a fold are one text, even when a
        // character is split between them.
        {"=?UTF-8?Q?J=C3?= \r\n\t=?UTF-8?Q?=B6rg?= and =?utf-8?b?w6Q=?=", u"Jörg and ä"_s},
        {"plain =?UTF-8?Q?x?=  text", u"plain x  text"_s},
        // Padded base64 words in a row (as most mailers split long subjects).
        {"=?UTF-8?B?w6Q=?= =?UTF-8?B?w7Y=?= =?utf-8?b?YWI=?= =?UTF-8?B?w6TD?= =?UTF-8?B?tg==?=", u"äöabäö"_s},
        {"Ren\xc3\xa9 caf\xe9", u"René café"_s},
        {"a\r\nb\1c\177d", u"a  b c d"_s},
        {QByteArray("a\0b", 3), u"a b"_s},
        {"=?UTF-8?Q?line=0Abreak?=", u"line break"_s},
        {"=?x-unknown?Q?abc?=", u"abc"_s},
        {"=?UTF-8?X?abc?= =?UTF-8?Q?open", u"=?UTF-8?X?abc?= =?UTF-8?Q?open"_s},
        {"=?utf-8*en?Q?hi?=", u"hi"_s},
        {"=?ISO-8859-2?Q?=B3=F3d=BC?=", u"łódź"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHeaderValue(c.raw), c.shown) << c.raw.toStdString();
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

TEST(OutgoingMail, NonAsciiTextIsEncodedFoldedAndReadsBackWhole)
{
    const QString subject = u"Grüße aus Köln, 東京 und 🎉 "_s.repeated(6).trimmed();
    OutgoingMail m = mail(u"Jörg Müller <jm@example.net>"_s, subject, u"Grüße\n"_s + QString(1500, u'x'));
    m.userName = u"Zoë"_s;
    const PreparedMail p = PrepareMail(m, kNow);
    const QByteArray headers = p.message.left(p.message.indexOf("\r\n\r\n") + 2);
    ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    for (const QByteArray& line : headerLines(p.message))
        EXPECT_TRUE(line.size() < 78 &&
                    std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; }))
            << line.data();
    const MimeMessage back = ParseMimeMessage(p.message);
    EXPECT_EQ(back.subject, subject) << back.subject.toStdString() << "\n" << headers.toStdString();
    EXPECT_EQ(back.from, "Zoë <ann@example.org>");
    EXPECT_TRUE(back.headers.contains(u"\r\nTo: Jörg Müller <jm@example.net>\r\n"_s))
        << back.headers.toStdString();
    // Text that is not ASCII, or a line too long for 7bit, goes out quoted-printable and reads back whole.
    EXPECT_TRUE(headers.contains("\r\nContent-Transfer-Encoding: quoted-printable\r\n"));
    EXPECT_EQ(back.text, m.text.replace(u"\n"_s, u"\r\n"_s) + u"\r\n"_s);
}

TEST(OutgoingMail, AFieldThatIsNoAddressIsRefused)
{
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

TEST(OutgoingMail, AsciiGoesOutSevenBitUnlessALineIsTooLong)
{
    const struct {
        QString text;
        QByteArray transfer;
    } cases[] = {
        // Plain ASCII and a non-ASCII word: ComposerTest, through the SMTP server.
        {QString(1500, u'x'), "quoted-printable"},
        {u"a = b\t\nend "_s, "7bit"},
    };
    for (const auto& c : cases) {
        const PreparedMail p = PrepareMail(mail(u"b@x.org"_s, u"s"_s, c.text), kNow);
        EXPECT_TRUE(p.message.contains("\r\nContent-Transfer-Encoding: " + c.transfer + "\r\n"))
            << c.text.left(20).toStdString();
        EXPECT_EQ(ParseMimeMessage(p.message).text,
                  QString(c.text).replace(u"\n"_s, u"\r\n"_s) + (c.text.endsWith(u'\n') ? u""_s : u"\r\n"_s));
    }
}

// A good thread, and none: ReplyTest, through the SMTP server.
TEST(OutgoingMail, ThreadIdsThatCannotTravelAreDropped)
{
    OutgoingMail m = mail(u"b@x.org"_s);
    m.inReplyTo = "<bad id@x>", m.references = {"no-brackets@x", "<ok@x>", "<a\r\nBcc: e@x>"};
    const QByteArray message = PrepareMail(m, kNow).message;
    // Between the Message-ID line and MIME-Version.
    const qsizetype idLineEnd = message.indexOf("\r\n", message.indexOf("Message-ID: ")) + 2;
    EXPECT_EQ(message.mid(idLineEnd, message.indexOf("MIME-Version:") - idLineEnd), "References: <ok@x>\r\n");
}

TEST(OutgoingMail, ALongThreadIsFoldedIntoShortLines)
{
    OutgoingMail m = mail(u"b@x.org"_s);
    for (int i = 0; i < 8; ++i)
        m.references << "<thread-message-" + QByteArray::number(i) + "@lists.example>";
    const PreparedMail p = PrepareMail(m, kNow);
    EXPECT_EQ(ParseMimeMessage(p.message).references, m.references);
    for (const QByteArray& line : headerLines(p.message))
        EXPECT_LT(line.size(), 78) << line.data();
}

TEST(OutgoingMail, AddressFieldsParseWithGroupsQuotesAndComments)
{
    const struct {
        QString field;
        QStringList addresses;
    } cases[] = {
        {u"Team: a@x.org, \"Doe, John\" <j@z.org>;, c@w.org"_s, {"a@x.org", "j@z.org", "c@w.org"}},
        {u"Ann <a@x.org>, b@y.org; \"Doe, John\" <j@z.org> c@w.org (Carl) d@v.org"_s,
         {"a@x.org", "b@y.org", "j@z.org", "c@w.org", "d@v.org"}},
        {u"\"Müller, Jörg\" <jm@corp.example>"_s, {"jm@corp.example"}},
        {u"=?iso-8859-1?Q?M=FCller=2C_J=F6rg?= <jm@corp.example>"_s, {"jm@corp.example"}},
        {u"jm@corp.example (Müller, Jörg); b@y.org"_s, {"jm@corp.example", "b@y.org"}},
        {u"\"a <x@y.org>, b\" <real@z.org>"_s, {"real@z.org"}},
        {u"Undisclosed recipients:;"_s, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseAddressList(c.field), c.addresses) << c.field.toStdString();
    // A long encoded name folds between its words.
    const PreparedMail named = PrepareMail(mail(u"Jörg "_s.repeated(40) + u"<j@x.org>"_s), kNow);
    for (const QByteArray& line : headerLines(named.message))
        EXPECT_LT(line.size(), 78) << line.data();
}

} // namespace
