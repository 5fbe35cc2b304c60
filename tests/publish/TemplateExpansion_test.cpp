#include "publish/TemplateExpansion.h"

#include "core/ProgramError.h"
#include "publish/PageFile.h"
#include "support/PublishFixture.h"

#include <sys/resource.h>
#include <unistd.h>

namespace {

ExpansionInputs sampleInputs()
{
    const QDateTime now(QDate(2026, 12, 5), QTime(15, 7, 9));
    const MemoFormParts memo{"192.0.2.7", "4175", "Default", "5", "40", false, true};
    return {"Online", "192.0.2.7", "halvorn.test",  {"one", "two", "three", "four", "five"},
            memo,     now,         QLocale("en_US")};
}

QByteArray expand(const QByteArray& tpl, const ExpansionInputs& in = sampleInputs(),
                  PageOptions o = {true, false})
{
    return ExpandTemplateText(tpl, ComputeValues(in), o);
}

} // namespace

TEST(TemplateExpansion, TheGoldenPageHasEveryTokenWithItsValueAndTheGeneratorBlock)
{
    const auto golden = [](const char* name) { return slurp(HALVORN_GOLDEN_DIR "/" + QString(name)); };
    EXPECT_EQ(expand(golden("all_tokens.tpl"), sampleInputs(), PageOptions()), golden("all_tokens.expected"));
    // Neither block nor credits: the plain pages of Upload.*.
    EXPECT_EQ(expand("x", sampleInputs(), {true, true}), "x\r\n" + CreditsFooter());
}

// Tokens match without regard to case, every occurrence. Lines end at CR or
// CR LF only; a token split across lines stays as it is. Other bytes pass
// through untouched.
TEST(TemplateExpansion, EachTemplateBecomesItsPage)
{
    const QList<QByteArray> cases =
        QByteArray("%IP% %Ip% %iP%|192.0.2.7 192.0.2.7 192.0.2.7\r\n|<HTML><Html>x|  x\r\n|"
                   "%c1%%c1%|oneone\r\n|%STATUS% %Status%|Online Online\r\n|"
                   "a\rb\r\nc\nd|a\r\nb\r\nc\nd\r\n|a\r\n|a\r\n|a\r\r\n|a\r\n\r\n|"
                   "\r\n\r\n|\r\n\r\n|\n|\n\r\n|%st\r\natus%|%st\r\natus%\r\n|"
                   "%st\natus%|%st\natus%\r\n")
            .split('|');
    for (qsizetype i = 0; i + 1 < cases.size(); i += 2)
        EXPECT_EQ(expand(cases[i]), cases[i + 1]) << cases[i].toPercentEncoding().constData();
    EXPECT_EQ(expand(QByteArray("\x00\xff\xfe%ip%\x80\x00", 9)),
              QByteArray("\x00\xff\376192.0.2.7\x80\x00\r\n", 16));
}

TEST(TemplateExpansion, TimesReadRightAroundMidnightAndNoon)
{
    ExpansionInputs in = sampleInputs();
    in.now = QDateTime(QDate(2027, 1, 3), QTime(0, 5, 2));
    EXPECT_EQ(expand("%time%|%24time%|%date%|%mm/dd/yy%", in),
              "12:05 AM|00:05:02|Sunday, Jan 3 2027|01/03/27\r\n");
    in.now = QDateTime(QDate(2027, 1, 3), QTime(12, 59, 0));
    EXPECT_EQ(expand("%time%", in), "12:59 PM\r\n");
}

TEST(TemplateExpansion, AnInsertedValueIsSearchedOnlyForLaterTokens)
{
    const struct {
        const char* row;
        QByteArray ExpansionInputs::*field;
        QByteArray value;
        QByteArray tpl, page;
    } rows[] = {
        {"later tokens only", nullptr, "%status% and %ip% and %lowday%", "%c1%",
         "Online and %ip% and Saturday\r\n"},
        {"its own token once", nullptr, "<%c1%>", "%c1% %c1%", "<%c1%> <%c1%>\r\n"},
        {"its own token twice", &ExpansionInputs::hostName, "%dns%%dns%", "%dns%", "%dns%%dns%\r\n"},
        // %ip% comes first, so an address holding %dns% gets it replaced.
        {"%ip% before %dns%", &ExpansionInputs::address, "a%dns%", "%ip%", "ahalvorn.test\r\n"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        ExpansionInputs in = sampleInputs();
        (r.field ? in.*r.field : in.custom[0]) = r.value;
        EXPECT_EQ(expand(r.tpl, in), r.page);
    }
}

// Wrap off with reply on: the golden page; the other settings: PageFile below.
TEST(TemplateExpansion, AnIpv6AddressIsBracketedInTheMemoForm)
{
    // Else its colons would read as the port.
    MemoFormParts parts{"2001:db8::1", "4175", "Home", "4", "30", true, false};
    EXPECT_TRUE(MemoForm(parts).startsWith("<P><FORM action=\"http://[2001:db8::1]:4175/memo/\""));
}

TEST(TemplateExpansion, AProfileNameCannotBreakOutOfTheMemoFormAttribute)
{
    MemoFormParts parts{"192.0.2.7", "4175", "a\"><script>x</script>&", "4", "30", true, false};
    EXPECT_TRUE(MemoForm(parts).contains("value=\"a&quot;&gt;&lt;script&gt;x&lt;/script&gt;&amp;\""));
    EXPECT_FALSE(MemoForm(parts).contains("<script>"));
}

// "Offline" as the program writes it: the offline pages of Upload.*.
TEST(TemplateExpansion, OfflineInAnyCaseTheMemoIsOneBlank)
{
    ExpansionInputs in = sampleInputs();
    in.status = "OFFLINE";
    EXPECT_EQ(expand("[%memo%][%status%]", in), "[ ][OFFLINE]\r\n");
}

TEST(TemplateExpansion, AHugePageStopsAtItsLimitBeforeTheMemoryIsTaken)
{
    PageOptions o{true, false, 64 * 1024};
    const QByteArray line = QByteArray("%memo%").repeated(1000);
    EXPECT_THROW(expand(line, sampleInputs(), o), ProgramError);
    o.outputLimit = 16 * 1024 * 1024;
    EXPECT_GT(expand(line, sampleInputs(), o).size(), 64 * 1024);
    // One line that would grow to 1.3 GB, with 512 MB of address space to spare:
    // the expansion must stop as the line grows, not after building it.
    o.outputLimit = 8 * 1024 * 1024;
    const QByteArray huge = QByteArray("%memo%").repeated(3'000'000);
    rlimit saved{};
    ::getrlimit(RLIMIT_AS, &saved);
    const QByteArray statm = slurp("/proc/self/statm");
    ASSERT_FALSE(statm.isEmpty());
    const rlim_t used = rlim_t(statm.split(' ')[0].toLongLong()) * rlim_t(::sysconf(_SC_PAGESIZE));
    const rlimit tight{used + (rlim_t(512) << 20), saved.rlim_max};
    ::setrlimit(RLIMIT_AS, &tight);
    try {
        (void)expand(huge, sampleInputs(), o);
        ADD_FAILURE() << "no error";
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.number(), err::kOutOfMemory);
    } catch (const std::bad_alloc&) {
        ADD_FAILURE() << "ran out of memory before the limit";
    }
    ::setrlimit(RLIMIT_AS, &saved);
}

// The page file: the same expansion fed from the settings, the clock and the template file.
TEST(TemplateExpansion, MemoFormPostsOverHttpsToTheCertificateNameWhenHttpsIsOn)
{
    MemoFormParts parts{"203.0.113.7", "4175", "Home", "4", "30", true, false};
    const QByteArray plain = MemoForm(parts);
    parts.httpsName = "memo.example.org";
    QByteArray https = plain;
    https.replace("action=\"http://203.0.113.7:4175/", "action=\"https://memo.example.org:4175/");
    EXPECT_EQ(MemoForm(parts), https);
    EXPECT_NE(https, plain);
}

class PageFile : public PublishFixture {
  protected:
    // The page the template text becomes, for the profile Home going Online.
    QByteArray page(const QByteArray& templ)
    {
        home.writeFile("t.html", templ);
        ExpandTemplate({home.file("t.html"), "Online", "Home", false});
        return home.readFile("$$tmp$$");
    }
};

TEST_F(PageFile, BadInputStopsThePageAndKeepsTheOldOne)
{
    EXPECT_TRUE(page("x").startsWith("<HTML>\r\n<!-- Generated by Halvorn v3.3"));
    WriteIni("StartUp", "RemoveComments", "maybe");
    home.writeFile("$$tmp$$", "old page");
    EXPECT_THROW(page("y"), ProgramError);
    EXPECT_EQ(home.readFile("$$tmp$$"), "old page");
    WriteIni("StartUp", "RemoveComments", "1");
    try {
        ExpandTemplate({home.file("gone.html"), {}, {}});
        FAIL();
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.number(), err::kFileNotFound);
    }
}

TEST_F(PageFile, TheSettingsAndTheClockAreReadAtEachExpansion)
{
    WriteIni("StartUp", "RemoveComments", "1");
    WriteIni("Custom", "C0%", "first");
    WriteIni("Custom", "C4%", "fifth");
    for (const auto& [key, value] :
         {std::pair("MemoServer Port", "5000"), {"Rows", "6"}, {"Columns", "50"}, {"Wrap", "True"}})
        WriteIni("Memo", key, value);
    const QByteArray out = page("%c1%|%c5%|%c2%|%time%|%dns%|%memo%");
    EXPECT_TRUE(out.startsWith(
        "first|fifth||3:07 PM|testhost.example|<P><FORM action=\"http://192.0.2.7:5000/memo/\""))
        << out.constData();
    EXPECT_TRUE(out.contains("value=\"Home\""));
    EXPECT_TRUE(out.contains("ROWS=6 COLS=50 WRAP=\"physical\" NAME=\"MESSAGE\""));
    EXPECT_TRUE(out.contains("<option>YES</option><option selected>NO</option>"));
    EXPECT_EQ(out.count(char(0xA0)), 1);
    EXPECT_EQ(WrapAttr(), "WRAP=\"physical\"");
    WriteIni("Memo", "Wrap", "False");
    WriteIni("Memo", "Reply", "True");
    doubles.clock.advanceSeconds(3600);
    const QByteArray later = page("%time% %memo%");
    EXPECT_TRUE(later.startsWith("4:07 PM <P>"));
    EXPECT_TRUE(later.contains("<option selected>YES</option>"));
    EXPECT_EQ(WrapAttr(), "");
}
