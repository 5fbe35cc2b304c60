#include "publish/TemplateExpansion.h"

#include "core/ProgramError.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace publish;

namespace {

ExpansionInputs sampleInputs()
{
    ExpansionInputs in;
    in.status = "Online";
    in.address = "192.0.2.7";
    in.hostName = "halvorn.test";
    in.custom = {"one", "two", "three", "four", "five"};
    in.memo = {"192.0.2.7", "4175", "Default", "5", "40", false, true};
    in.now = QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9));
    in.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    return in;
}

PageOptions bare()
{
    PageOptions o;
    o.removeComments = true;
    o.credits = false;
    return o;
}

QByteArray expand(const QByteArray& tpl, const ExpansionInputs& in = sampleInputs(), PageOptions o = bare())
{
    return ExpandTemplateText(tpl, ComputeValues(in), o);
}

QByteArray readGolden(const char* name)
{
    QFile f(QStringLiteral(HALVORN_GOLDEN_DIR "/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

} // namespace

TEST(TemplateExpansion, EveryTokenHasItsValue)
{
    const std::pair<const char*, const char*> cases[] = {
        {"%ip%", "192.0.2.7"},
        {"%time%", "3:07 PM"},
        {"%dns%", "halvorn.test"},
        {"%date%", "Saturday, Dec 5 2026"},
        {"%24time%", "15:07:09"},
        {"%c1%", "one"},
        {"%c2%", "two"},
        {"%c3%", "three"},
        {"%c4%", "four"},
        {"%c5%", "five"},
        {"%status%", "Online"},
        {"<html>", " "},
        {"%mm/dd/yy%", "12/05/26"},
        {"%mm-dd-yy%", "12-05-26"},
        {"%mmmddyyyy%", "Dec 05, 2026"},
        {"%shwday%", "Sat"},
        {"%lowday%", "Saturday"},
    };
    for (const auto& [token, value] : cases)
        EXPECT_EQ(expand(QByteArray("[") + token + "]"), QByteArray("[") + value + "]\r\n") << token;
}

TEST(TemplateExpansion, TimesAroundMidnightAndNoon)
{
    ExpansionInputs in = sampleInputs();
    in.now = QDateTime(QDate(2027, 1, 3), QTime(0, 5, 2));
    EXPECT_EQ(expand("%time%|%24time%|%date%|%mm/dd/yy%", in),
              "12:05 AM|00:05:02|Sunday, Jan 3 2027|01/03/27\r\n");
    in.now = QDateTime(QDate(2027, 1, 3), QTime(12, 59, 0));
    EXPECT_EQ(expand("%time%", in), "12:59 PM\r\n");
}

TEST(TemplateExpansion, GoldenPageWithEveryToken)
{
    PageOptions o; // generator block and credits on
    EXPECT_EQ(expand(readGolden("all_tokens.tpl"), sampleInputs(), o), readGolden("all_tokens.expected"));
}

TEST(TemplateExpansion, TokensMatchWithoutRegardToCaseAndEveryOccurrence)
{
    EXPECT_EQ(expand("%IP% %Ip% %iP%"), "192.0.2.7 192.0.2.7 192.0.2.7\r\n");
    EXPECT_EQ(expand("<HTML><Html>x"), "  x\r\n");
    EXPECT_EQ(expand("%c1%%c1%"), "oneone\r\n");
    EXPECT_EQ(expand("%STATUS% %Status%"), "Online Online\r\n");
}

TEST(TemplateExpansion, InsertedValuesAreSearchedOnlyForLaterTokens)
{
    ExpansionInputs in = sampleInputs();
    in.custom[0] = "%status% and %ip% and %lowday%";
    EXPECT_EQ(expand("%c1%", in), "Online and %ip% and Saturday\r\n");
    // A value holding its own token is inserted once, not forever.
    in.custom[0] = "<%c1%>";
    EXPECT_EQ(expand("%c1% %c1%", in), "<%c1%> <%c1%>\r\n");
    in.hostName = "%dns%%dns%";
    EXPECT_EQ(expand("%dns%", in), "%dns%%dns%\r\n");
    // %ip% comes first, so an address holding %dns% gets it replaced.
    in.address = "a%dns%";
    EXPECT_EQ(expand("%ip%", in), "a%dns%%dns%\r\n");
}

TEST(TemplateExpansion, LinesEndAtCrOrCrLfOnly)
{
    EXPECT_EQ(expand("a\rb\r\nc\nd"), "a\r\nb\r\nc\nd\r\n");
    EXPECT_EQ(expand("a\r\n"), "a\r\n");
    EXPECT_EQ(expand("a\r\r\n"), "a\r\n\r\n");
    EXPECT_EQ(expand("\r\n\r\n"), "\r\n\r\n");
    EXPECT_EQ(expand("\n"), "\n\r\n");
    // A token split across two lines stays as it is.
    EXPECT_EQ(expand("%st\r\natus%"), "%st\r\natus%\r\n");
    // A lone LF does not split a line, so a token across it is not a token either.
    EXPECT_EQ(expand("%st\natus%"), "%st\natus%\r\n");
}

TEST(TemplateExpansion, MemoFormWithWrapAndReplyCombinations)
{
    MemoFormParts parts{"10.1.2.3", "4175", "Home", "4", "30", true, true};
    EXPECT_EQ(MemoForm(parts),
              "<P><FORM action=\"http://10.1.2.3:4175/memo/\" method=\"POST\"> <input type=\"hidden\" "
              "name=\"Site\" "
              "value=\"Home\"> From: <INPUT TYPE=\"text\" NAME=\"NAME\" VALUE=\"\" MAXLENGTH=40><BR>\r\n"
              "<TEXTAREA MAXLENGTH=256 ROWS=4 COLS=30 WRAP=\"physical\" NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
              "<INPUT type=submit value=\"Send\"> \xA0Wait For Reply <select name=\"REPLY\" size=\"1\">"
              "<option selected>YES</option><option>NO</option></select></FORM></P>\r\n");
    parts.wrap = false;
    parts.reply = false;
    const QByteArray form = MemoForm(parts);
    EXPECT_TRUE(form.contains("ROWS=4 COLS=30  NAME=\"MESSAGE\"")) << form.constData();
    EXPECT_TRUE(form.contains("<option>YES</option><option selected>NO</option>"));
    EXPECT_FALSE(form.contains("WRAP"));
    EXPECT_EQ(form.count(char(0xA0)), 1);
    EXPECT_EQ(WrapAttrFor(true), "WRAP=\"physical\"");
    EXPECT_EQ(WrapAttrFor(false), "");
}

TEST(TemplateExpansion, MemoFormCannotBeBrokenOutOfByAProfileName)
{
    MemoFormParts parts{"10.1.2.3", "4175", "a\"><script>x</script>&", "4", "30", false, false};
    const QByteArray form = MemoForm(parts);
    EXPECT_TRUE(form.contains("value=\"a&quot;&gt;&lt;script&gt;x&lt;/script&gt;&amp;\""));
    EXPECT_FALSE(form.contains("<script>"));
}

TEST(TemplateExpansion, OfflineMemoIsOneBlankInAnyCase)
{
    ExpansionInputs in = sampleInputs();
    in.status = "Offline";
    EXPECT_EQ(expand("[%memo%][%status%]", in), "[ ][Offline]\r\n");
    in.status = "OFFLINE";
    EXPECT_EQ(expand("[%memo%]", in), "[ ]\r\n");
    in.status = "Online";
    EXPECT_TRUE(expand("%memo%", in).startsWith("<P><FORM action=\"http://192.0.2.7:4175/memo/\""));
}

TEST(TemplateExpansion, GeneratorBlockAndCreditsCombinations)
{
    const QByteArray block = GeneratorBlock();
    const QList<QByteArray> lines = block.split('\n');
    ASSERT_EQ(lines.size(), 8); // seven lines and the empty rest after the last LF
    EXPECT_EQ(lines[0], "<HTML>\r");
    EXPECT_EQ(lines[1], "<!-- Generated by Halvorn v3.3" + QByteArray(37, ' ') + "--!>\r");
    for (int i = 2; i <= 6; ++i) {
        EXPECT_EQ(lines[i].size(), 84) << i; // 83 characters and the CR
        EXPECT_TRUE(lines[i].startsWith("<!--"));
        EXPECT_TRUE(lines[i].endsWith("--!>\r"));
    }
    EXPECT_EQ(lines[6], "<!--" + QByteArray(75, ' ') + "--!>\r");

    const VariableValues values = ComputeValues(sampleInputs());
    PageOptions o;
    o.removeComments = false;
    o.credits = false;
    EXPECT_EQ(ExpandTemplateText("", values, o), block);
    o.credits = true;
    EXPECT_EQ(ExpandTemplateText("", values, o), block + CreditsFooter());
    o.removeComments = true;
    EXPECT_EQ(ExpandTemplateText("x", values, o), "x\r\n" + CreditsFooter());
    o.credits = false;
    EXPECT_EQ(ExpandTemplateText("", values, o), "");
    const QByteArray footer = CreditsFooter();
    EXPECT_TRUE(footer.startsWith(
        "<html><body><hr size=\"1\">\r\n<p align=\"center\"><font size=\"3\"><font color=\"#00FF40\">\r\n"));
    EXPECT_TRUE(footer.contains("<b>Halvorn</b>"));
    EXPECT_TRUE(footer.contains("<font color=\"#00FFFF\">v3.3</font><font color=\"#8000FF\"><br>\r\n"));
    EXPECT_TRUE(footer.endsWith("</body></html>\r\n"));
}

TEST(TemplateExpansion, BytesPassThroughUntouched)
{
    const QByteArray odd("\x00\xff\xfe%ip%\x80\x00", 9);
    EXPECT_EQ(expand(odd), QByteArray("\x00\xff\xfe"
                                      "192.0.2.7\x80\x00\r\n",
                                      16));
}

TEST(TemplateExpansion, AHugePageStopsWithAnErrorInsteadOfGrowingWithoutBound)
{
    PageOptions o = bare();
    o.outputLimit = 64 * 1024;
    const QByteArray tpl = QByteArray("%memo%").repeated(1000);
    try {
        (void)ExpandTemplateText(tpl, ComputeValues(sampleInputs()), o);
        FAIL() << "no error";
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.number(), err::kOutOfMemory);
    }
    o.outputLimit = 16 * 1024 * 1024;
    EXPECT_GT(ExpandTemplateText(tpl, ComputeValues(sampleInputs()), o).size(), 64 * 1024);
}
