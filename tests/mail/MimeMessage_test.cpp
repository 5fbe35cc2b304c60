// Whole messages as a mail server hands them over, read with GMime (garbage
// is replayed by fuzz/mime_message_fuzz.cpp).
#include "MailMessages.h"
#include "mail/HtmlText.h"
#include "mail/MimeMessage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

MimeMessage fixture(const char* name)
{
    return ParseMimeMessage(MessageFile(QString::fromLatin1(name)));
}

// A whole HTML-only message (comments, images, lists, mail links): ReadRealMail.
TEST(HtmlText, TagsEntitiesAndLinksBecomePlainText)
{
    const struct {
        QString html, text;
    } cases[] = {
        {u"<p>a</p><p>b</p><div>c</div>d"_s, u"a\n\nb\n\nc\nd\n"_s},
        {u"x &amp;&lt;&gt;&quot;&#39;&#x41;&nbsp;y &bogus; & z"_s, u"x &<>\"'A y &bogus; & z\n"_s},
        {u"<a href='https://e.example/?q=1&amp;r=2'>go</a>"_s, u"go (https://e.example/?q=1&r=2)\n"_s},
        {u"<a href=\"https://e.example\">https://e.example</a>"_s, u"https://e.example\n"_s},
        {u"<a href=\"#top\">top</a> <a>plain</a>"_s, u"top plain\n"_s},
        {u"<SCRIPT type=x>if (a<b) alert(1)</SCRIPT>ok<style>p{}</style>"_s, u"ok\n"_s},
        {u"a   b\r\n\tc<br>d"_s, u"a b c\nd\n"_s},
        {u"<pre>one\r\n  two</pre>"_s, u"one\n  two\n"_s},
        {u"text <unclosed tag and more"_s, u"text\n"_s},
        {u"1 < 2 and 3 > 2"_s, u"1 < 2 and 3 > 2\n"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlToText(c.html), c.text) << c.html.toStdString();
}

// Reply-To winning, a quoted comma and a decoded one: ReplyTest, through a real server.
TEST(MimeMessage, ReplyGoesToEveryAddressOfAGroupAndToAQuotedName)
{
    const struct {
        QByteArray raw;
        QString field;
        QStringList addresses;
    } cases[] = {
        {"From: Team: a@x.example, =?utf-8?q?B=C3=B6?= <b@y.example>;\r\n\r\nx",
         u"a@x.example, Bö <b@y.example>"_s,
         {u"a@x.example"_s, u"b@y.example"_s}},
        {"From: \"Quote \\\" and \\\\\" <q@x.example>\r\n\r\nx",
         u"\"Quote \\\" and \\\\\" <q@x.example>"_s,
         {u"q@x.example"_s}},
        {"Subject: no sender\r\n\r\nx", QString(), {}},
    };
    for (const auto& c : cases) {
        const MimeMessage m = ParseMimeMessage(c.raw);
        QStringList addresses;
        for (const MailAddress& a : m.replyTo)
            addresses << a.address;
        EXPECT_EQ(m.replyField(), c.field) << c.raw.left(80).toStdString();
        EXPECT_EQ(addresses, c.addresses) << c.raw.left(80).toStdString();
    }
}

// A thread in References, and none: ReplyTest, through a real server.
TEST(MimeMessage, ReplyReferencesAreTheThreadThenTheMessageId)
{
    // Without References, the message replied to comes from In-Reply-To.
    EXPECT_EQ(ParseMimeMessage("In-Reply-To: <p@x.example>\r\nMessage-ID: <c@x.example>\r\n\r\nx")
                  .replyReferences(),
              (QList<QByteArray>{"<p@x.example>", "<c@x.example>"}));
    // A long thread keeps its first message and the latest ones.
    QByteArray many = "References:";
    for (int i = 1; i <= 30; ++i)
        many += " <r" + QByteArray::number(i) + "@x.example>";
    const QList<QByteArray> kept =
        ParseMimeMessage(many + "\r\nMessage-ID: <own@x.example>\r\n\r\nx").replyReferences();
    ASSERT_EQ(kept.size(), kMaxReferences);
    EXPECT_EQ(kept.first(), "<r1@x.example>");
    EXPECT_EQ(kept[kept.size() - 2], "<r30@x.example>");
    EXPECT_EQ(kept.last(), "<own@x.example>");
}

TEST(MimeMessage, CutOfALongBase64BodyEndsInCleanTextAndTheMarker)
{
    QString line = u"Grüße aus Köln – 東京 🎉 "_s.repeated(3) + u"\n"_s;
    QString full;
    while (full.size() < 2 * kMaxShownText)
        full += line;
    const QByteArray raw =
        "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        full.toUtf8().toBase64();
    const QString text = ParseMimeMessage(raw).text;
    const QString marker = u"\r\n"_s + kTooLongMarker + u"\r\n"_s;
    ASSERT_TRUE(text.endsWith(marker)) << text.right(80).toStdString();
    const QString shown = text.chopped(marker.size());
    EXPECT_GT(shown.size(), kMaxShownText - 100);
    EXPECT_LE(shown.size(), kMaxShownText);
    EXPECT_TRUE(QString(full).replace(u"\n"_s, u"\r\n"_s).startsWith(shown));
}

// Attachments decoded byte for byte: ReplyTest.SavingAnAttachmentWritesItsDecodedBytes.
TEST(MimeMessage, TheLineEndBeforeABoundaryBelongsToTheBoundary)
{
    EXPECT_EQ(fixture("nested-attachments.eml").text,
              u"Hi, the report and a photo from the café are attached.\r\n"_s);
}

} // namespace
