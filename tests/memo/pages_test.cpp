// The pages byte for byte against the hand-written page tables, and the
// escaping of everything a visitor or the settings file can put in.
#include "GoldenPages.h"

#include "memo/HtmlEscape.h"

#include <gtest/gtest.h>

namespace {

using namespace golden;

const QByteArray kHost = "10.1.2.3:4175";

// The busy, not-found, away, interim, no-reply and custom-page pieces are
// compared whole as they arrive on the socket (server_golden_test); here the
// variants and splits the server runs do not show.
TEST(Pages, VariantsAndPiecesByteForByte)
{
    PageSettings wrapped = pageSettings();
    wrapped.wrap = true;
    wrapped.replyChecked = true;
    const auto opened = pages::opening(pageSettings());
    ASSERT_EQ(opened.size(), 2u);
    const struct {
        const char* what;
        QByteArray actual, expected;
    } cases[] = {
        {"submit", pages::submitLine(false, false), kSubmitNo},
        {"submit YES", pages::submitLine(true, false), kSubmitYes},
        {"submit YES nbsp", pages::submitLine(true, true), withNbsp(kSubmitYes)},
        {"opening 1", opened[0], opening().chopped(502)},
        {"opening 2", opened[1], QByteArray(500, ' ') + "\r\n"},
        {"reply wrapped", pages::replyBlock(wrapped, QStringLiteral("Hi"), "Ann"),
         replyBlock(kHost, "Hi", "Ann", "WRAP=\"physical\"", kSubmitYes)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(PagesEscaping, VisitorTextCannotAddMarkupAnywhere)
{
    const QByteArray evil = "<script>x</script>\"'&";
    const QByteArray safe = "&lt;script&gt;x&lt;/script&gt;&quot;&#39;&amp;";
    EXPECT_TRUE(pages::replyBlock(pageSettings(), QStringLiteral("R"), evil).contains("VALUE=\"" + safe + "\""));
    EXPECT_TRUE(pages::interimPiece(evil).contains("Hello, " + safe + "</H2>"));
    EXPECT_EQ(pages::awayPieces(pageSettings(), evil)[7], "<p>Hello, " + safe + "</p>\r\n");
    const QByteArray busy = pages::busyPage(pageSettings(), "Ann", "</TEXTAREA><script>");
    EXPECT_TRUE(busy.contains(">&lt;/TEXTAREA&gt;&lt;script&gt;</TEXTAREA>"));
    EXPECT_FALSE(busy.contains("<script>"));
    // The busy page's VALUE= is unquoted: a name cannot add attributes there.
    EXPECT_TRUE(pages::busyPage(pageSettings(), "a onfocus=alert(1) x=`y`\t\"z\"<>", "")
                    .contains("VALUE=a&#32;onfocus&#61;alert(1)&#32;x&#61;&#96;y&#96;&#9;&quot;z&quot;&lt;&gt; "
                              "MAXLENGTH=40>"));
    // Token-safe values cannot spell a variable.
    EXPECT_EQ(memo::escapeTokenSafe("%reply%<"), "&#37;reply&#37;&lt;");
    // An IPv6 address is bracketed where it becomes a URL.
    PageSettings v6 = pageSettings();
    v6.localIP = QStringLiteral("2001:db8::1");
    EXPECT_TRUE(pages::notFoundPage(v6).contains("<FORM action=\"http://[2001:db8::1]:4175/memo/\""));
    EXPECT_TRUE(pages::followUpForm(pageSettings(), "%ip%").contains("VALUE= \"&#37;ip&#37;\""));
}

TEST(PagesEscaping, SettingsTextsAreEscapedButTheUserReplyGoesOutAsWritten)
{
    PageSettings s = pageSettings();
    s.backColor = QStringLiteral("\"><script>");
    s.rows = QStringLiteral("5 onclick=x");
    s.timeout = QStringLiteral("<b>30</b>");
    EXPECT_EQ(pages::bodyTag(s), "<BODY BGCOLOR=\"&quot;&gt;&lt;script&gt;\" TEXT=\"#000000\">");
    EXPECT_TRUE(pages::notFoundPage(s).contains("ROWS=5&#32;onclick&#61;x COLS=75"));
    EXPECT_TRUE(pages::opening(s)[0].contains("maximum of &lt;b&gt;30&lt;/b&gt; seconds"));
    // In eight bits: Latin-1 as is, beyond it a character reference.
    const QByteArray block = pages::replyBlock(pageSettings(), QString::fromUtf8("<b>f\xC3\xBCr</b> \xE2\x82\xAC"), "A");
    EXPECT_TRUE(block.contains("<P>Reply: </P><b>f\xFCr</b> &#8364;\r\n"));
}

} // namespace
