// Taking memo requests apart: the decoder, the field cuts and the rule that
// decides when a request is complete.
#include "core/ProgramError.h"
#include "memo/MemoRequest.h"
#include "memo/RequestScanner.h"

#include <gtest/gtest.h>

namespace {

struct DecodeCase {
    const char* input;
    QByteArray expected;
};

class DecodeCgiGood : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeCgiGood, Decodes)
{
    EXPECT_EQ(DecodeCGI(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeCgiGood,
    ::testing::Values(DecodeCase{"", ""}, DecodeCase{"Hello+there%21", "Hello there!"},
                      DecodeCase{"a%25b", "a%b"},          // no second decoding
                      DecodeCase{"1%2B1", "1+1"},          // "+" from an escape stays
                      DecodeCase{"Line1%0D%0ALine2", "Line1\r\nLine2"},
                      DecodeCase{"%4", "\x04"},            // one digit at the end
                      DecodeCase{"x%4a", "xJ"},            // lower-case hex digits
                      DecodeCase{"%FF%00", QByteArray("\xFF\x00", 2)},
                      DecodeCase{"++", "  "}, DecodeCase{"%2525", "%25"}));

class DecodeCgiBad : public ::testing::TestWithParam<const char*> {};

TEST_P(DecodeCgiBad, RaisesTheDecoderError)
{
    try {
        DecodeCGI(GetParam());
        FAIL() << "accepted " << GetParam();
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.number(), kUrlDecodeError);
        EXPECT_NE(std::string(e.what()).find("Invalid data passed to UrlDecode() function."), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeCgiBad,
                         ::testing::Values("100%", "%", "%G1", "%%", "a%1G", "%x", "ok%2"
                                                                                  "%"));

QByteArray post(const QByteArray& body, const QByteArray& extraHeaders = QByteArray())
{
    return "POST /memo/ HTTP/1.1\r\nHost: 127.0.0.1:4175\r\n" + extraHeaders
           + "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

TEST(ExtractMemo, TheFourFieldsOfATypicalBody)
{
    const ExtractedMemo m = ExtractMemo(post("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=YES"));
    ASSERT_EQ(m.outcome, MemoExtract::Memo);
    EXPECT_EQ(m.fields.webSite, "Home");
    EXPECT_EQ(m.fields.sender, "Ann");
    EXPECT_EQ(m.fields.text, "Hi");
    EXPECT_TRUE(m.fields.replyWanted);
}

TEST(ExtractMemo, NoSiteFieldAndAMultiLineMessage)
{
    const ExtractedMemo m = ExtractMemo(post("NAME=Ann&MESSAGE=Line1%0D%0ALine2&REPLY=NO"));
    ASSERT_EQ(m.outcome, MemoExtract::Memo);
    EXPECT_EQ(m.fields.webSite, "unknown");
    EXPECT_EQ(m.fields.text, "Line1\r\nLine2");
    EXPECT_FALSE(m.fields.replyWanted);
}

TEST(ExtractMemo, FieldNamesInAnyLetterCase)
{
    const ExtractedMemo m = ExtractMemo(post("site=Work&name=Bob+B&message=a%25b&reply=yes"));
    ASSERT_EQ(m.outcome, MemoExtract::Memo);
    EXPECT_EQ(m.fields.webSite, "Work");
    EXPECT_EQ(m.fields.sender, "Bob B");
    EXPECT_EQ(m.fields.text, "a%b");
    EXPECT_TRUE(m.fields.replyWanted);
}

TEST(ExtractMemo, TheSiteIsNotDecoded)
{
    EXPECT_EQ(ExtractMemo(post("Site=My+Home%21&NAME=A&MESSAGE=B&REPLY=NO")).fields.webSite, "My+Home%21");
}

TEST(ExtractMemo, MissingNameOrMessage)
{
    EXPECT_EQ(ExtractMemo(post("MESSAGE=hi&REPLY=YES")).outcome, MemoExtract::NoName);
    EXPECT_EQ(ExtractMemo("MESSAGE=x&REPLY=NO&NAME=late").outcome, MemoExtract::NoMessage);
}

TEST(ExtractMemo, MalformedEscapesAndFieldsOutOfOrderThrow)
{
    const QByteArray bad[] = {
        post("Site=Home&NAME=Ann&MESSAGE=100%&REPLY=YES"),
        post("NAME=%G1&MESSAGE=x&REPLY=YES"),
        post("NAME=A&MESSAGE=%%&REPLY=YES"),
        "NAME=Ann&Site=Home&MESSAGE=x&REPLY=NO",  // site after name: negative length
        "Site=Home&REPLY=YES&NAME=Ann&MESSAGE=x", // reply before the name
        "NAMEMESSAGE&REPLY",
    };
    for (const QByteArray& request : bad)
        EXPECT_THROW(ExtractMemo(request), ProgramError) << request.constData();
}

TEST(ExtractMemo, HeadersHoldingSiteOrNameDoNotShiftTheCuts)
{
    // Every browser post carries "Sec-Fetch-Site"; some carry more.
    const QByteArray request = post("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=YES",
                                    "Sec-Fetch-Site: cross-site\r\nX-Username: visitor\r\n");
    const ExtractedMemo m = ExtractMemo(request);
    ASSERT_EQ(m.outcome, MemoExtract::Memo);
    EXPECT_EQ(m.fields.webSite, "Home");
    EXPECT_EQ(m.fields.sender, "Ann");
    EXPECT_EQ(m.fields.text, "Hi");
    // A body without the fields: the whole request is searched.
    const ExtractedMemo get =
        ExtractMemo("GET /memo/?Site=Web&NAME=Bo&MESSAGE=x&REPLY=NO HTTP/1.1\r\nSec-Fetch-Site: none\r\n\r\n");
    EXPECT_EQ(get.fields.webSite, "Web");
    EXPECT_EQ(get.fields.sender, "Bo");
}

TEST(ExtractMemo, NulBytesAndBinaryStayInTheValues)
{
    const QByteArray request("NAME=a\0b&MESSAGE=\xFF\x01%00&REPLY=NO", 31);
    const ExtractedMemo m = ExtractMemo(request);
    ASSERT_EQ(m.outcome, MemoExtract::Memo);
    EXPECT_EQ(m.fields.sender, QByteArray("a\0b", 3));
    EXPECT_EQ(m.fields.text, QByteArray("\xFF\x01\0", 3));
}

TEST(BusyFields, NameAndMessageOnlyWhenTheTextFromNameHoldsALineBreak)
{
    const BusyFields plain = ExtractBusyFields(post("NAME=Ann&MESSAGE=Hello&REPLY=YES"));
    EXPECT_EQ(plain.name, "Ann");
    EXPECT_EQ(plain.message, "");
    const BusyFields broken = ExtractBusyFields("NAME=Ann&MESSAGE=Hello&REPLY=YES\r\n");
    EXPECT_EQ(broken.name, "Ann");
    EXPECT_EQ(broken.message, "Hello");
}

TEST(BusyFields, BadInputLeavesFieldsEmptyInsteadOfThrowing)
{
    EXPECT_EQ(ExtractBusyFields("nothing here").name, "");
    EXPECT_EQ(ExtractBusyFields("NAME=only").name, "");
    EXPECT_EQ(ExtractBusyFields("NAME=%G1&MESSAGE=ok&REPLY=NO\r\n").name, "");
    EXPECT_EQ(ExtractBusyFields("NAME=%G1&MESSAGE=ok&REPLY=NO\r\n").message, "ok");
    EXPECT_EQ(ExtractBusyFields("NAMEMESSAGE").name, "");
}

TEST(BrowserLine, TheUserAgentLineWithItsLineEnd)
{
    const QByteArray request = "POST /memo/ HTTP/1.1\r\nuser-AGENT: Test/1.0\r\nHost: x\r\n\r\n";
    EXPECT_EQ(BrowserLine(request), QByteArray("user-AGENT: Test/1.0\r\n"));
    EXPECT_FALSE(BrowserLine("POST / HTTP/1.0\r\n\r\n").has_value());
    EXPECT_EQ(BrowserLine("User-Agent: no line end"), QByteArray("U"));
}

RequestScanner::Verdict scanWhole(const QByteArray& text)
{
    RequestScanner scanner;
    return scanner.update(text);
}

RequestScanner::Verdict scanByteByByte(const QByteArray& text)
{
    RequestScanner scanner;
    RequestScanner::Verdict verdict = RequestScanner::Verdict::Collecting;
    for (qsizetype i = 1; i <= text.size(); ++i) {
        verdict = scanner.update(text.first(i));
        if (verdict != RequestScanner::Verdict::Collecting)
            return i == text.size() ? verdict : RequestScanner::Verdict::Collecting;
    }
    return verdict;
}

TEST(RequestScanner, AMemoIsCompleteOnlyWithItsWholeBody)
{
    using V = RequestScanner::Verdict;
    const QByteArray full = post("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=YES");
    EXPECT_EQ(scanWhole(full), V::Complete);
    // Split anywhere, it completes on the last byte and never earlier.
    EXPECT_EQ(scanByteByByte(full), V::Complete);
    EXPECT_EQ(scanWhole(full.chopped(3)), V::Collecting);  // "&REPLY=" without its value
}

TEST(RequestScanner, WithoutABodyLengthTheFieldsDecide)
{
    using V = RequestScanner::Verdict;
    EXPECT_EQ(scanWhole("GET /memo/?NAME=a&MESSAGE=b&REPLY=NO HTTP/1.0\r\n\r\n"), V::Complete);
    EXPECT_EQ(scanWhole("post /memo/ HTTP/1.0\n\nname=a&message=b&reply=yes"), V::Complete);
}

TEST(RequestScanner, NotFoundOnlyOnceTheFirstLineIsIn)
{
    using V = RequestScanner::Verdict;
    EXPECT_EQ(scanWhole("HEAD / HTTP/1.0\r\n\r\n"), V::NotFound);
    EXPECT_EQ(scanWhole("HEAD / HTTP/1.0"), V::Collecting);
    EXPECT_EQ(scanWhole(QByteArray("\x00\x01\x02\n", 4)), V::NotFound);
    // "P", "PO", "POS" alone are no reason to refuse a POST still arriving.
    EXPECT_EQ(scanByteByByte("POST /memo/ HTTP/1.0\r\n"), V::Collecting);
    EXPECT_EQ(scanWhole("GET /favicon.ico HTTP/1.1\r\nHost: x\r\n\r\n"), V::Collecting);
}

TEST(RequestScanner, WordsSplitAcrossArrivalsAreFound)
{
    RequestScanner scanner;
    QByteArray text = "POST / HTTP/1.0\r\n\r\nNAME=a&MESS";
    EXPECT_EQ(scanner.update(text), RequestScanner::Verdict::Collecting);
    text += "AGE=b&REP";
    EXPECT_EQ(scanner.update(text), RequestScanner::Verdict::Collecting);
    text += "LY=NO";
    EXPECT_EQ(scanner.update(text), RequestScanner::Verdict::Complete);
}

} // namespace
