// Taking memo requests apart: the decoder, the field cuts and the rule that
// decides when a request is complete.
#include "MemoFixture.h"

#include "memo/MemoRequest.h"
#include "memo/MemoText.h"
#include "memo/RequestScanner.h"

#include <gmock/gmock.h>

using namespace ::testing;

using V = RequestScanner::Verdict;

TEST(DecodeCGI, GoodInputDecodesOnce)
{
    // No second decoding; "+" from an escape stays; one digit at the end; lower-case digits.
    const std::pair<const char*, QByteArray> cases[] = {
        {"", ""},         {"Hello+there%21", "Hello there!"},     {"a%25b", "a%b"}, {"1%2B1", "1+1"},
        {"%4", "\x04"},   {"Line1%0D%0ALine2", "Line1\r\nLine2"}, {"x%4a", "xJ"},   {"++", "  "},
        {"%2525", "%25"}, {"%FF%00", QByteArray("\xFF\x00", 2)}};
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(DecodeCGI(input), expected) << input;
}

TEST(DecodeCGI, ABadEscapeRaisesTheDecoderError)
{
    for (const char* input : {"100%", "%", "%G1", "%%", "a%1G", "%x", "ok%2%"})
        EXPECT_THAT(
            [input] { DecodeCGI(input); },
            Throws<ProgramError>(AllOf(
                Property(&ProgramError::number, kUrlDecodeError),
                Property(&ProgramError::what, HasSubstr("Invalid data passed to UrlDecode() function.")))))
            << input;
}

TEST(ExtractMemo, TheFieldsOfAGoodRequestAreTakenWherePlaced)
{
    // The request, then the site, sender, text and reply wish taken from it.
    const std::tuple<QByteArray, QByteArray, QByteArray, QByteArray, bool> cases[] = {
        {memoPost("NAME=Ann&MESSAGE=Line1%0D%0ALine2&REPLY=YES"), "unknown", "Ann", "Line1\r\nLine2", true},
        {memoPost("site=Work&name=Bob+B&message=a%25b&reply=yes"), "Work", "Bob B", "a%b", true},
        {memoPost("Site=My+Home%21&NAME=A&MESSAGE=B&REPLY=NO"), "My+Home%21", "A", "B",
         false}, // site not decoded
        // Every browser post carries "Sec-Fetch-Site"; some carry more: the cuts do not shift.
        {memoPost("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=YES",
                  "Sec-Fetch-Site: cross-site\r\nX-Username: visitor\r\n"),
         "Home", "Ann", "Hi", true},
        // A body without the fields: the whole request is searched.
        {"GET /memo/?Site=Web&NAME=Bo&MESSAGE=x&REPLY=NO HTTP/1.1\r\nSec-Fetch-Site: none\r\n\r\n", "Web",
         "Bo", "x", false},
        {QByteArray("NAME=a\0b&MESSAGE=\xFF\x01%00&REPLY=NO", 31), "unknown", QByteArray("a\0b", 3),
         QByteArray("\xFF\x01\0", 3), false}};
    for (const auto& [request, site, sender, text, reply] : cases) {
        SCOPED_TRACE(request.constData());
        const ExtractedMemo m = ExtractMemo(request);
        ASSERT_EQ(m.outcome, MemoExtract::Memo);
        EXPECT_EQ(std::tie(m.fields.webSite, m.fields.sender, m.fields.text, m.fields.replyWanted),
                  std::tie(site, sender, text, reply));
    }
}

TEST(ExtractMemo, AMissingFieldIsTold)
{
    EXPECT_EQ(ExtractMemo(memoPost("MESSAGE=hi&REPLY=YES")).outcome, MemoExtract::NoName);
    EXPECT_EQ(ExtractMemo("MESSAGE=x&REPLY=NO&NAME=late").outcome, MemoExtract::NoMessage);
}

// Bad escapes and a site after the name are refused through the server (server_robustness_test).
TEST(ExtractMemo, AMalformedRequestThrows)
{
    for (const char* request : {"Site=Home&REPLY=YES&NAME=Ann&MESSAGE=x", "NAMEMESSAGE&REPLY"})
        EXPECT_THROW(ExtractMemo(request), ProgramError) << request;
}

TEST(BrowserLine, IsTheUserAgentLineWithoutControlCharacters)
{
    EXPECT_EQ(BrowserLine("POST /memo/ HTTP/1.1\r\nuser-AGENT: Test/1.0\r\nHost: x\r\n\r\n"),
              QByteArray("user-AGENT: Test/1.0"));
    EXPECT_FALSE(BrowserLine("POST / HTTP/1.0\r\n\r\n").has_value());
    EXPECT_EQ(BrowserLine("User-Agent: no line end"), QByteArray("U"));
    // A bare line feed would start a forged line in debug.log.
    EXPECT_EQ(BrowserLine("User-Agent: a\n[Memo-Server] Received Memo #9\x1B\x7F\t\r\n"),
              QByteArray("User-Agent: a[Memo-Server] Received Memo #9"));
}

TEST(FieldCut, AFieldOverItsLimitIsCutToItNeverInsideACharacter)
{
    const QByteArray a511(511, 'a'), e = "\xC3\xA9";
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"", ""},
        {a511 + 'b', a511 + 'b'},  // exactly the limit
        {a511 + "bc", a511 + 'b'}, // one byte over
        {a511 + e, a511},          // a character across the limit
        {e.repeated(300), e.repeated(256)},
    };
    for (const auto& [field, kept] : cases)
        EXPECT_EQ(memo::cutText(field, 512), kept) << field.size();
}

// The verdict on text arriving byte by byte; one other than Collecting
// before the last byte counts as wrong.
static V scanByteByByte(const QByteArray& text)
{
    RequestScanner scanner;
    for (qsizetype i = 1; i <= text.size(); ++i)
        if (const V verdict = scanner.update(text.first(i)); verdict != V::Collecting)
            return i == text.size() ? verdict : V(-1);
    return V::Collecting;
}

TEST(RequestScanner, CompleteNotFoundOrStillCollecting)
{
    const QByteArray full = memoPost("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=YES");
    // The text, its verdict, and whether the verdict also holds when it arrives byte by byte.
    const std::tuple<QByteArray, V, bool> cases[] = {
        {full, V::Complete, true},
        {full.chopped(3), V::Collecting, false}, // "&REPLY=" without its value
        {"GET /memo/?NAME=a&MESSAGE=b&REPLY=NO HTTP/1.0\r\n\r\n", V::Complete, false},
        {"post /memo/ HTTP/1.0\n\nname=a&message=b&reply=yes", V::Complete, false},
        {"HEAD / HTTP/1.0\r\n\r\n", V::NotFound, false},
        {"HEAD / HTTP/1.0", V::Collecting, false}, // not found only once the first line is in
        {QByteArray("\x00\x01\x02\n", 4), V::NotFound, false},
        // "P", "PO", "POS" alone are no reason to refuse a POST still arriving.
        {"POST /memo/ HTTP/1.0\r\n", V::Collecting, true},
        // Headers in, and the body they announce, without the memo fields.
        {"GET /favicon.ico HTTP/1.1\r\nHost: x\r\n\r\n", V::NotFound, true},
        {"POST /memo/ HTTP/1.1\r\nContent-Length: 5\r\n\r\nA=1&B", V::NotFound, true},
        {"POST /memo/ HTTP/1.1\r\nContent-Length: 9\r\n\r\nA=1&B", V::Collecting, false},
        {"POST /memo/ HTTP/1.0\r\n\r\n", V::Collecting, false}}; // no length: the body may follow
    for (const auto& [text, verdict, byteByByte] : cases) {
        SCOPED_TRACE(text.constData());
        EXPECT_EQ(RequestScanner().update(text), verdict);
        EXPECT_TRUE(!byteByByte || scanByteByByte(text) == verdict);
    }
}

TEST(RequestScanner, WordsSplitAcrossArrivalsAreFound)
{
    RequestScanner scanner;
    EXPECT_EQ(scanner.update("POST / HTTP/1.0\r\n\r\nNAME=a&MESS"), V::Collecting);
    EXPECT_EQ(scanner.update("POST / HTTP/1.0\r\n\r\nNAME=a&MESSAGE=b&REP"), V::Collecting);
    EXPECT_EQ(scanner.update("POST / HTTP/1.0\r\n\r\nNAME=a&MESSAGE=b&REPLY=NO"), V::Complete);
}
