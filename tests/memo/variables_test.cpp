// Custom page files with the memo server's 20 variables.
#include "GoldenPages.h"

#include "core/ProgramError.h"
#include "memo/MemoLimits.h"
#include "memo/MemoVariables.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

MemoTokenInputs inputs()
{
    MemoTokenInputs in;
    in.settings = golden::pageSettings();
    in.now = QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9));
    in.localHostName = QStringLiteral("myhost");
    in.custom = {"one", "two", "three", "four", "five"};
    in.reply = QStringLiteral("See you");
    in.senderName = "Ann";
    return in;
}

// All twenty tokens in a custom page are checked as the visitor receives
// them (server_golden_test); here what values may and may not do.
TEST(MemoTokens, ValuesAreNotExpandedAgainAndVisitorTextIsEscaped)
{
    MemoTokenInputs in = inputs();
    in.reply = QStringLiteral("%reply% and %REPLY%");
    in.senderName = "<i>%timeout%</i>";
    const MemoTokenTable t = BuildMemoTokens(in);
    EXPECT_EQ(ReplaceMemoTokens("[%reply%][%Reply%]", t), "[%reply% and %REPLY%][%reply% and %REPLY%]");
    EXPECT_EQ(ReplaceMemoTokens("%sendername%", t), "&lt;i&gt;&#37;timeout&#37;&lt;/i&gt;");
    // Page authors write the variable unquoted, as the built-in busy page does.
    in.senderName = "x onmouseover=alert(1)\t`";
    EXPECT_EQ(ReplaceMemoTokens("<INPUT VALUE=%sendername%>", BuildMemoTokens(in)),
              "<INPUT VALUE=x&#32;onmouseover&#61;alert(1)&#9;&#96;>");
}

class CustomPageFile : public ::testing::Test {
protected:
    TempHome home;
    MemoTokenTable table = BuildMemoTokens(inputs());
};

TEST_F(CustomPageFile, LinesEndAtCrCrLfOrLfAndEachGetsCrLf)
{
    const CustomPage missing = ReadCustomPage(home.file(QStringLiteral("nothere.html")), table);
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(missing.error, 0);
    EXPECT_EQ(ReadCustomPage(QString(), table).text, "");
    home.writeFile(QStringLiteral("p.html"), "<p>Hi %SENDERNAME%</p>\r\nsecond\rthird\nlast");
    const CustomPage page = ReadCustomPage(home.file(QStringLiteral("p.html")), table);
    EXPECT_EQ(page.text, "<p>Hi Ann</p>\r\nsecond\r\nthird\r\nlast\r\n");
    home.writeFile(QStringLiteral("q.html"), "one\r\n\r\ntwo\r\n");
    EXPECT_EQ(ReadCustomPage(home.file(QStringLiteral("q.html")), table).text, "one\r\n\r\ntwo\r\n");
    // Relative names are in the program directory.
    home.writeFile(QStringLiteral("away.htm"), "%lowday%");
    EXPECT_EQ(ReadCustomPage(QStringLiteral("away.htm"), table).text, "Saturday\r\n");
}

TEST_F(CustomPageFile, HugeFilesAndExpansionsAreCut)
{
    const MemoLimits saved = memoLimits();
    memoLimits().maxPageFileBytes = 1000;
    memoLimits().maxExpandedPageBytes = 5000;
    home.writeFile(QStringLiteral("big.html"), QByteArray(3000, 'x'));
    EXPECT_EQ(ReadCustomPage(home.file(QStringLiteral("big.html")), table).text.size(), 1002);
    QByteArray manyForms;
    for (int i = 0; i < 100; ++i)
        manyForms += "%memo%\n";
    home.writeFile(QStringLiteral("forms.html"), manyForms);
    const CustomPage page = ReadCustomPage(home.file(QStringLiteral("forms.html")), table);
    EXPECT_EQ(page.text.size(), 5000);
    EXPECT_EQ(page.error, err::kOutOfMemory);
    memoLimits() = saved;
}

} // namespace
