// The pages byte for byte, written out here by hand from the page tables,
// and the escaping of everything a visitor or the settings file can put in.
#include "memo/HtmlEscape.h"
#include "memo/MemoPages.h"

#include <gtest/gtest.h>

namespace {

PageSettings settings()
{
    PageSettings s;
    s.localIP = QStringLiteral("10.1.2.3");
    s.port = QStringLiteral("4175");
    s.rows = QStringLiteral("5");
    s.columns = QStringLiteral("75");
    s.timeout = QStringLiteral("30");
    s.backColor = QStringLiteral("#FFFFFF");
    s.textColor = QStringLiteral("#000000");
    return s;
}

const QByteArray kHead = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
const QByteArray kBody = "<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">";
const QByteArray kSubmitNo = "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
                             "<option>YES</option><option selected>NO</option></select></FORM></P>";
const QByteArray kSubmitYes = "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
                              "<option selected>YES</option><option>NO</option></select></FORM></P>";

TEST(Pages, ResponseHeadAndSubmitLines)
{
    EXPECT_EQ(pages::responseHead(), kHead);
    EXPECT_EQ(pages::submitLine(false, false), kSubmitNo);
    EXPECT_EQ(pages::submitLine(true, false), kSubmitYes);
    QByteArray nb = kSubmitYes;
    nb.replace("\">  Wait", "\"> \xA0Wait");
    EXPECT_EQ(pages::submitLine(true, true), nb);
    EXPECT_EQ(pages::submitLine(true, true).count('\xA0'), 1);
}

TEST(Pages, BuiltInOpeningInTwoPieces)
{
    const auto pieces = pages::opening(settings());
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], "<HTML>\r\n<HEAD>\r\n<TITLE>MEMO SENT</TITLE>\r\n</HEAD>\r\n" + kBody
                             + "\r\n<H1>Waiting for a reply.</H1><P>Waiting a maximum of 30 seconds."
                               "<hr size=\"1\"></P>\r\n");
    EXPECT_EQ(pieces[1], QByteArray(500, ' ') + "\r\n");
}

TEST(Pages, ReplyBlockWithQuotedNameAndWrap)
{
    PageSettings s = settings();
    s.wrap = true;
    s.replyChecked = true;
    const QByteArray expected =
        "<FONT SIZE=+1>\r\n<P>Reply: </P>Hi\r\n</FONT>\r\n<hr size=\"1\">\r\n</FONT>\r\n"
        "<P><FORM action=\"http://10.1.2.3:4175/memo/\" method=\"POST\">From: <INPUT TYPE=\"text\" NAME=\"NAME\" "
        "VALUE=\"Ann\" MAXLENGTH=40><BR>\r\n"
        "<TEXTAREA ROWS=5 COLS=75 WRAP=\"physical\" NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
        + kSubmitYes + "\r\n";
    EXPECT_EQ(pages::replyBlock(s, QStringLiteral("Hi"), "Ann"), expected);
}

TEST(Pages, NoReplyBlockEndsThePage)
{
    EXPECT_EQ(pages::noReplyBlock(),
              "<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n"
              "<p align=center><font size=5><strong>Message Received</strong></font></p>\r\n</body>\r\n</html>\r\n");
}

TEST(Pages, BusyPageForAnnWithHello)
{
    const QByteArray expected =
        kHead + "<HTML>\r\n<HEAD>\r\n<TITLE>Error</TITLE>\r\n</HEAD>\r\n" + kBody + "\r\n"
        + "<p align=\"left\"><font color=\"#FF0000\"><strong>Error: 5</strong></font></p>"
          "<p align=\"center\"><strong>MemoSever in use, Please Try again soon.</strong></p>"
          "<P><FORM action=\"http://10.1.2.3:4175/memo/\" method=\"POST\">From: <INPUT TYPE=\"text\" NAME=\"NAME\" "
          "VALUE=Ann MAXLENGTH=40><BR>\r\n"
          "<TEXTAREA ROWS=5 COLS=75  NAME=\"MESSAGE\">Hello</TEXTAREA><BR>\r\n"
        + kSubmitNo + "\r\n</body>\r\n</HTML>" + QByteArray(20, ' ') + "\r\n";
    EXPECT_EQ(pages::busyPage(settings(), "Ann", "Hello"), expected);
}

TEST(Pages, NotFoundPageWithAnEmptyQuotedPrefill)
{
    const QByteArray expected =
        kHead + "<HTML>\r\n<HEAD>\r\n<TITLE>Error</TITLE>\r\n</HEAD>\r\n" + kBody + "\r\n"
        + "<p align=\"left\"><font color=\"#FF0000\"><strong>Error: 4</strong></font></p>"
          "<p align=\"center\"><strong>Requested URL not found on Server.</strong></p>"
          "<P><FORM action=\"http://10.1.2.3:4175/memo/\" method=\"POST\">From: <INPUT TYPE=\"text\" NAME=\"NAME\" "
          "VALUE=\"\" MAXLENGTH=40><BR>\r\n"
          "<TEXTAREA ROWS=5 COLS=75  NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
        + kSubmitNo + "\r\n</body>\r\n</html>\r\n";
    EXPECT_EQ(pages::notFoundPage(settings()), expected);
}

TEST(Pages, AwayPageInThirteenPieces)
{
    const auto pieces = pages::awayPieces(settings(), "Ann");
    ASSERT_EQ(pieces.size(), 13u);
    QByteArray all;
    for (const QByteArray& p : pieces)
        all += p;
    EXPECT_EQ(pieces[6], kBody);
    EXPECT_EQ(all, "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\n"
                   "content=\"text/html; charset=iso-8859-1\">\r\n<title>Memo Received</title>\r\n</head>\r\n"
                   + kBody
                   + "<p>Hello, Ann</p>\r\n<p>I am currently in away mode. </p>\r\n"
                     "<p>Your memo has been logged and I will read it when I get a chance.</p>\r\n"
                     "<p>&nbsp;</p>\r\n</body>\r\n</html>\r\n");
}

TEST(Pages, InterimPiece)
{
    EXPECT_EQ(pages::interimPiece("Ann"), "\r\n<P><H2>Hello, Ann</H2>\r\n<FONT SIZE=+1>Replying to message now..."
                                          "</FONT><hr size=\"1\"></P><P></P>\r\n");
}

TEST(Pages, FollowUpFormOfCustomPages)
{
    PageSettings s = settings();
    s.replyChecked = false;
    QByteArray nb = kSubmitNo;
    nb.replace("\">  Wait", "\"> \xA0Wait");
    EXPECT_EQ(pages::followUpForm(s, "Ann"),
              "<P><FORM action=\"http://10.1.2.3:4175/memo/\" method=\"POST\"> <input type=\"hidden\" name=\"Site\" "
              "value=\"Reply\"> From: <INPUT TYPE=\"text\" NAME=\"NAME\" VALUE= \"Ann\" MAXLENGTH=40><BR>\r\n"
              "<TEXTAREA MAXLENGTH=256 ROWS=5 COLS=75  NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
                  + nb + "\r\n");
}

TEST(PagesEscaping, VisitorTextCannotAddMarkupAnywhere)
{
    const QByteArray evil = "<script>x</script>\"'&";
    const QByteArray safe = "&lt;script&gt;x&lt;/script&gt;&quot;&#39;&amp;";
    EXPECT_TRUE(pages::replyBlock(settings(), QStringLiteral("R"), evil).contains("VALUE=\"" + safe + "\""));
    EXPECT_TRUE(pages::interimPiece(evil).contains("Hello, " + safe + "</H2>"));
    const auto away = pages::awayPieces(settings(), evil);
    EXPECT_EQ(away[7], "<p>Hello, " + safe + "</p>\r\n");
    const QByteArray busy = pages::busyPage(settings(), "Ann", "</TEXTAREA><script>");
    EXPECT_TRUE(busy.contains(">&lt;/TEXTAREA&gt;&lt;script&gt;</TEXTAREA>"));
    EXPECT_FALSE(busy.contains("<script>"));
}

TEST(PagesEscaping, AnUnquotedNameCannotAddAttributes)
{
    const QByteArray page = pages::busyPage(settings(), "a onfocus=alert(1) x=`y`\t\"z\"<>", "");
    EXPECT_TRUE(page.contains("VALUE=a&#32;onfocus&#61;alert(1)&#32;x&#61;&#96;y&#96;&#9;&quot;z&quot;&lt;&gt; "
                              "MAXLENGTH=40>"));
}

TEST(PagesEscaping, SettingsTextsAreEscapedButValidOnesPassUnchanged)
{
    PageSettings s = settings();
    s.backColor = QStringLiteral("\"><script>");
    s.rows = QStringLiteral("5 onclick=x");
    s.timeout = QStringLiteral("<b>30</b>");
    EXPECT_EQ(pages::bodyTag(s), "<BODY BGCOLOR=\"&quot;&gt;&lt;script&gt;\" TEXT=\"#000000\">");
    EXPECT_TRUE(pages::notFoundPage(s).contains("ROWS=5&#32;onclick&#61;x COLS=75"));
    EXPECT_TRUE(pages::opening(s)[0].contains("maximum of &lt;b&gt;30&lt;/b&gt; seconds"));
}

TEST(PagesEscaping, TheUserReplyGoesOutAsWrittenInEightBits)
{
    const QByteArray block = pages::replyBlock(settings(), QString::fromUtf8("<b>f\xC3\xBCr</b> \xE2\x82\xAC"), "A");
    EXPECT_TRUE(block.contains("<P>Reply: </P><b>f\xFCr</b> &#8364;\r\n"));
}

TEST(PagesEscaping, TokenSafeValuesCannotSpellAVariable)
{
    EXPECT_EQ(memo::escapeTokenSafe("%reply%<"), "&#37;reply&#37;&lt;");
    EXPECT_TRUE(pages::followUpForm(settings(), "%ip%").contains("VALUE= \"&#37;ip&#37;\""));
}

} // namespace
