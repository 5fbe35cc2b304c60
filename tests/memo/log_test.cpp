// The memo log: records, reply lines and a field that tries to fake a record.
#include "memo/MemoLog.h"
#include "support/TempHome.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

const QDateTime kWhen(QDate(2026, 12, 5), QTime(15, 7, 9));

QByteArray dateLine()
{
    return "Date: " + QLocale::system().toString(kWhen.date(), QLocale::ShortFormat).toUtf8() + "   Time: 3:07 PM\r\n";
}

TEST(MemoLog, FiveLinesPerMemo)
{
    EXPECT_EQ(MemoLogRecord(kWhen, "Home", "Ann", "Hi"),
              "----------\r\n" + dateLine() + "WebSite: Home\r\nName: Ann\r\nMessage: Hi\r\n");
    EXPECT_EQ(MemoLogReplyLine("Thanks"), "Your Reply: Thanks\r\n");
}

TEST(MemoLog, LineBreaksContinueTheMessageButCannotFakeARecord)
{
    const QByteArray record =
        MemoLogRecord(kWhen, "Home", "Ann", "one\r\n----------\r\nDate: fake\nName: x\rlast");
    EXPECT_EQ(record, "----------\r\n" + dateLine()
                          + "WebSite: Home\r\nName: Ann\r\nMessage: one\r\n ----------\r\nDate: fake\r\nName: x\r\n"
                            "last\r\n");
    EXPECT_EQ(record.count("\r\n----------\r\n"), 0);
    EXPECT_EQ(MemoLogReplyLine("a\n----------"), "Your Reply: a\r\n ----------\r\n");
}

TEST(MemoLog, AppendsWithoutTouchingEarlierRecords)
{
    TempHome home;
    home.writeFile(QStringLiteral("Memo.txt"), "earlier\r\n");
    ASSERT_TRUE(AppendMemoLog("first\r\n"));
    ASSERT_TRUE(AppendMemoLog(QByteArray("second\0\r\n", 9)));
    EXPECT_EQ(home.readFile(QStringLiteral("Memo.txt")), QByteArray("earlier\r\nfirst\r\nsecond\0\r\n", 25));
    EXPECT_EQ(MemoLogPath(), home.file(QStringLiteral("Memo.txt")));
}

} // namespace
