#include "publish/TemplateExpansion.h"

#include "core/ProgramError.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

using namespace publish;

namespace {

ExpansionInputs sampleInputs()
{
    return {"Online",
            "192.0.2.7",
            "halvorn.test",
            {"one", "two", "three", "four", "five"},
            {"192.0.2.7", "4175", "Default", "5", "40", false, true},
            QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9)),
            QLocale(QLocale::English, QLocale::UnitedStates)};
}

QByteArray expand(const QByteArray& tpl, const ExpansionInputs& in = sampleInputs(),
                  PageOptions o = {true, false})
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

TEST(TemplateExpansion, TimesAroundMidnightAndNoon)
{
    ExpansionInputs in = sampleInputs();
    in.now = QDateTime(QDate(2027, 1, 3), QTime(0, 5, 2));
    EXPECT_EQ(expand("%time%|%24time%|%date%|%mm/dd/yy%", in), "12:05 AM|00:05:02|Sunday, Jan 3 2027|01/03/27\r\n");
    in.now = QDateTime(QDate(2027, 1, 3), QTime(12, 59, 0));
    EXPECT_EQ(expand("%time%", in), "12:59 PM\r\n");
}

TEST(TemplateExpansion, GoldenPageWithEveryTokenAndTheOtherCommentAndCreditsChoices)
{
    // Every token with its value, the generator block and the credits footer, byte for byte.
    EXPECT_EQ(expand(readGolden("all_tokens.tpl"), sampleInputs(), PageOptions()), readGolden("all_tokens.expected"));
    EXPECT_EQ(expand("", sampleInputs(), {false, false}), GeneratorBlock());
    EXPECT_EQ(expand("x", sampleInputs(), {true, true}), "x\r\n" + CreditsFooter());
    EXPECT_EQ(expand("", sampleInputs(), {true, false}), "");
}

TEST(TemplateExpansion, CaseLineEndsAndBytes)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        // Tokens match without regard to case, every occurrence.
        {"%IP% %Ip% %iP%", "192.0.2.7 192.0.2.7 192.0.2.7\r\n"},
        {"<HTML><Html>x", "  x\r\n"},
        {"%c1%%c1%", "oneone\r\n"},
        {"%STATUS% %Status%", "Online Online\r\n"},
        // Lines end at CR or CR LF only; a token split across lines stays as it is.
        {"a\rb\r\nc\nd", "a\r\nb\r\nc\nd\r\n"},
        {"a\r\n", "a\r\n"},
        {"a\r\r\n", "a\r\n\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
        {"\n", "\n\r\n"},
        {"%st\r\natus%", "%st\r\natus%\r\n"},
        {"%st\natus%", "%st\natus%\r\n"},
        // Other bytes pass through untouched.
        {QByteArray("\x00\xff\xfe%ip%\x80\x00", 9), QByteArray("\x00\xff\xfe" "192.0.2.7\x80\x00\r\n", 16)}};
    for (const auto& [tpl, page] : cases)
        EXPECT_EQ(expand(tpl), page) << tpl.toPercentEncoding().constData();
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

TEST(TemplateExpansion, MemoFormWithWrapAndReplyCombinationsAndNoneOffline)
{
    // Wrap off and reply on: the golden page. Here the other two settings.
    MemoFormParts parts{"10.1.2.3", "4175", "Home", "4", "30", true, false};
    const QByteArray form = MemoForm(parts);
    EXPECT_TRUE(form.contains("ROWS=4 COLS=30 WRAP=\"physical\" NAME=\"MESSAGE\"")) << form.constData();
    EXPECT_TRUE(form.contains("<option>YES</option><option selected>NO</option>"));
    EXPECT_EQ(form.count(char(0xA0)), 1);
    // An IPv6 address is bracketed, or its colons would read as the port.
    parts.address = "2001:db8::1";
    EXPECT_TRUE(MemoForm(parts).startsWith("<P><FORM action=\"http://[2001:db8::1]:4175/memo/\""));
    // A profile name cannot break out of its attribute.
    parts.profile = "a\"><script>x</script>&";
    EXPECT_TRUE(MemoForm(parts).contains("value=\"a&quot;&gt;&lt;script&gt;x&lt;/script&gt;&amp;\""));
    EXPECT_FALSE(MemoForm(parts).contains("<script>"));
    // Offline, in any case, the memo is one blank.
    ExpansionInputs in = sampleInputs();
    for (const char* offline : {"Offline", "OFFLINE"}) {
        in.status = offline;
        EXPECT_EQ(expand("[%memo%][%status%]", in), "[ ][" + QByteArray(offline) + "]\r\n");
    }
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
    QFile status(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const rlim_t used = rlim_t(status.readAll().split(' ')[0].toLongLong()) * rlim_t(::sysconf(_SC_PAGESIZE));
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
