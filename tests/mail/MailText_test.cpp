// What a mail server sends, made readable: encoded header words, transfer
// encodings and charsets, hostile bytes.
#include "mail/MailText.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace {

TEST(MailText, HeaderValuesDecode)
{
    const struct {
        QByteArray raw;
        QString shown;
    } cases[] = {
        {"=?UTF-8?B?w6TDtsO8?=", u"äöü"_qs},
        {"=?iso-8859-1?q?caf=E9_cr=E8me?=", u"café crème"_qs},
        // Neighbours separated by blanks or a fold are one text, even when a
        // character is split between them.
        {"=?UTF-8?Q?J=C3?= \r\n\t=?UTF-8?Q?=B6rg?= and =?utf-8?b?w6Q=?=", u"Jörg and ä"_qs},
        {"plain =?UTF-8?Q?x?=  text", u"plain x  text"_qs},
        {"Ren\xc3\xa9 caf\xe9", u"René café"_qs},
        {"a\r\nb\1c\177d", u"a  b c d"_qs},
        {"=?UTF-8?Q?line=0Abreak=00?=", u"line break "_qs},
        {"=?x-unknown?Q?abc?=", u"abc"_qs},
        {"=?UTF-8?X?abc?= =?UTF-8?Q?open", u"=?UTF-8?X?abc?= =?UTF-8?Q?open"_qs},
        {"=?utf-8*en?Q?hi?=", u"hi"_qs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHeaderValue(c.raw), c.shown) << c.raw.toStdString();
    if (QStringDecoder("ISO-8859-2").isValid()) {
        EXPECT_EQ(DecodeHeaderValue("=?ISO-8859-2?Q?=B3=F3d=BC?="), u"łódź"_qs);
    }
}

TEST(MailText, BodiesDecodeByTransferEncodingAndCharset)
{
    const struct {
        QByteArray headers;
        QByteArray body;
        QString shown;
    } cases[] = {
        {"Content-Type: text/plain; charset=\"UTF-8\"\r\nContent-Transfer-Encoding: base64\r\n",
         "w6TDtgpsaW5l\r\nAA==\r\n", u"äö\r\nline"_qs},
        // Folded parameters; a name seen again, or after the blank line, does not count.
        {"content-type: text/plain; format=flowed;\r\n\tcharset=iso-8859-1\r\nContent-Type: x; "
         "charset=koi8-r\r\n"
         "Content-Transfer-Encoding: Quoted-Printable\r\n\r\nContent-Transfer-Encoding: base64\r\n",
         "caf=E9 =\r\nsoft=3D =zz\r\nnext\r\n", u"café soft= =zz\r\nnext\r\n"_qs},
        {"Content-Type: text/plain\r\n", "Ren\xc3\xa9\r\nbare\rcr\n", u"René\r\nbare\r\ncr\r\n"_qs},
        {"Content-Transfer-Encoding: 8bit\r\n", "caf\xe9\r\n", u"café\r\n"_qs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeBody(c.headers, c.body), c.shown) << c.body.toStdString();
}

TEST(MailText, HostileBytesGiveBoundedText)
{
    QByteArray noise(64 * 1024, '\0');
    for (char& byte : noise)
        byte = char(QRandomGenerator::global()->bounded(256));
    const QByteArray openWords = QByteArray("=?UTF-8?Q?").repeated(20000);
    const QByteArray nested = QByteArray("=?=?b?=?q?\?=").repeated(20000);
    const QByteArray qp = "Content-Transfer-Encoding: quoted-printable\r\n";
    for (const QByteArray& raw : {noise, openWords, nested, QByteArray(100000, '=')}) {
        const QString shown = DecodeHeaderValue(raw);
        EXPECT_TRUE(shown.size() <= raw.size() && !shown.contains(u'\n'));
        EXPECT_LE(DecodeBody(qp, raw).size(), 2 * raw.size());
        EXPECT_FALSE(DecodeBody("Content-Transfer-Encoding: base64\r\n", raw).contains(QChar(0)));
    }
}

} // namespace
