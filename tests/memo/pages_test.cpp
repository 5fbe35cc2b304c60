// The pages byte for byte against the hand-written page tables, the escaping
// of everything a visitor or the settings file can put in, and custom page
// files with the memo server's 20 variables.
#include "MemoFixture.h"

#include "memo/HtmlEscape.h"
#include "memo/MemoVariables.h"

// Every other page and piece, the opening included, is compared whole as it
// arrives on the socket (server_golden_test); here the variants the server
// runs do not show.
TEST(Pages, VariantsByteForByte)
{
    PageSettings wrapped = pageSettings();
    wrapped.wrap = wrapped.replyChecked = true;
    EXPECT_EQ(pages::submitLine(true, true), withNbsp(kSubmitYes));
    EXPECT_EQ(pages::replyBlock(wrapped, "Hi", "Ann"),
              replyBlock("10.1.2.3:4175", "Hi", "Ann", "WRAP=\"physical\"", kSubmitYes));
}

TEST(PagesEscaping, VisitorTextCannotAddMarkupToAnyPage)
{
    const QByteArray evil = "<script>x</script>\"'&";
    const QByteArray safe = "&lt;script&gt;x&lt;/script&gt;&quot;&#39;&amp;";
    EXPECT_TRUE(pages::replyBlock(pageSettings(), "R", evil).contains("VALUE=\"" + safe + "\""));
    EXPECT_TRUE(pages::interimPiece(evil).contains("Hello, " + safe + "</H2>"));
    EXPECT_EQ(pages::awayPieces(pageSettings(), evil)[7], "<p>Hello, " + safe + "</p>\r\n");
    const QByteArray busy = pages::busyPage(pageSettings(), "Ann", "</TEXTAREA><script>");
    EXPECT_TRUE(busy.contains(">&lt;/TEXTAREA&gt;&lt;script&gt;</TEXTAREA>"));
    EXPECT_FALSE(busy.contains("<script>"));
    // The busy page's VALUE= is unquoted: a name cannot add attributes there.
    EXPECT_TRUE(
        pages::busyPage(pageSettings(), "a onfocus=alert(1) x=`y`\t\"z\"<>", "")
            .contains("VALUE=a&#32;onfocus&#61;alert(1)&#32;x&#61;&#96;y&#96;&#9;&quot;z&quot;&lt;&gt; "
                      "MAXLENGTH=40>"));
}

TEST(PagesEscaping, TokenSafeValuesCannotSpellAVariable)
{
    EXPECT_EQ(memo::escapeTokenSafe("%reply%<"), "&#37;reply&#37;&lt;");
    EXPECT_TRUE(pages::followUpForm(pageSettings(), "%ip%").contains("VALUE= \"&#37;ip&#37;\""));
}

TEST(PagesEscaping, AnIpv6AddressIsBracketedWhereItBecomesAUrl)
{
    PageSettings v6 = pageSettings();
    v6.localIP = "2001:db8::1";
    EXPECT_TRUE(pages::notFoundPage(v6).contains("<FORM action=\"http://[2001:db8::1]:4175/memo/\""));
}

TEST(PagesEscaping, SettingsTextsCannotAddMarkup)
{
    PageSettings s = pageSettings();
    s.backColor = "\"><script>";
    s.rows = "5 onclick=x";
    s.timeout = "<b>30</b>";
    EXPECT_EQ(pages::bodyTag(s), "<BODY BGCOLOR=\"&quot;&gt;&lt;script&gt;\" TEXT=\"#000000\">");
    EXPECT_TRUE(pages::notFoundPage(s).contains("ROWS=5&#32;onclick&#61;x COLS=75"));
    EXPECT_TRUE(pages::opening(s)[0].contains("maximum of &lt;b&gt;30&lt;/b&gt; seconds"));
}

// In eight bits: Latin-1 as is, beyond it a character reference.
TEST(PagesEscaping, TheUsersReplyGoesOutAsWritten)
{
    const QByteArray block =
        pages::replyBlock(pageSettings(), QString::fromUtf8("<b>f\xC3\xBCr</b> \xE2\x82\xAC"), "A");
    EXPECT_TRUE(block.contains("<P>Reply: </P><b>f\xFCr</b> &#8364;\r\n"));
}

static MemoTokenTable tokens(const QString& reply = {}, const QByteArray& sender = "Ann")
{
    return BuildMemoTokens(
        {pageSettings(), QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9)), {}, {}, reply, sender});
}

// All twenty tokens in a custom page are checked as the visitor receives
// them (server_golden_test); here what values may and may not do.
TEST(MemoTokens, ValuesAreNotExpandedAgain)
{
    const MemoTokenTable t = tokens("%reply% and %REPLY%");
    EXPECT_EQ(ReplaceMemoTokens("[%reply%][%Reply%]", t), "[%reply% and %REPLY%][%reply% and %REPLY%]");
}

// Page authors write the variable unquoted, as the built-in busy page does.
TEST(MemoTokens, TheVisitorsTextIsEscapedEvenUnquoted)
{
    EXPECT_EQ(ReplaceMemoTokens("%sendername%", tokens({}, "<i>%timeout%</i>")),
              "&lt;i&gt;&#37;timeout&#37;&lt;/i&gt;");
    EXPECT_EQ(ReplaceMemoTokens("<INPUT VALUE=%sendername%>", tokens({}, "x onmouseover=alert(1)\t`")),
              "<INPUT VALUE=x&#32;onmouseover&#61;alert(1)&#9;&#96;>");
}

// Relative names are in the program directory: the server tests' pages are named so.
TEST(CustomPageFile, AMissingOrUnnamedPageIsEmptyWithoutAnError)
{
    TempHome home;
    const CustomPage missing = ReadCustomPage(home.file("nothere.html"), tokens());
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(missing.error, 0);
    EXPECT_EQ(ReadCustomPage(QString(), tokens()).text, "");
}

TEST(CustomPageFile, LinesEndingInCrCrLfOrLfEachGetCrLf)
{
    TempHome home;
    home.writeFile("p.html", "<p>Hi %SENDERNAME%</p>\r\nsecond\rthird\nlast");
    EXPECT_EQ(ReadCustomPage(home.file("p.html"), tokens()).text,
              "<p>Hi Ann</p>\r\nsecond\r\nthird\r\nlast\r\n");
    home.writeFile("q.html", "one\r\n\r\ntwo\r\n");
    EXPECT_EQ(ReadCustomPage(home.file("q.html"), tokens()).text, "one\r\n\r\ntwo\r\n");
}

TEST(CustomPageFile, AHugeFileOrExpansionIsCut)
{
    TempHome home;
    memoLimits() = {.maxPageFileBytes = 1000, .maxExpandedPageBytes = 5000};
    home.writeFile("big.html", QByteArray(3000, 'x'));
    EXPECT_EQ(ReadCustomPage(home.file("big.html"), tokens()).text.size(), 1002);
    home.writeFile("forms.html", QByteArray("%memo%\n").repeated(100));
    const CustomPage page = ReadCustomPage(home.file("forms.html"), tokens());
    EXPECT_EQ(page.text.size(), 5000);
    EXPECT_EQ(page.error, err::kOutOfMemory);
    memoLimits() = MemoLimits();
}

TEST(CustomPageFile, ALineOfManyVariablesIsFilledInWhole)
{
    TempHome home;
    home.writeFile("dense.html", QByteArray("%Ip%%dns%|").repeated(1 << 16));
    EXPECT_EQ(ReadCustomPage(home.file("dense.html"), tokens()).text,
              (pageSettings().localIP.toLatin1() + '|').repeated(1 << 16) + "\r\n");
}
