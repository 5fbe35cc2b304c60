#include "MemoFixture.h"
#include "core/AppHooks.h"
#include "core/Form1.h"
#include "core/WriteTrouble.h"
#include "memo/MemoLog.h"
#include "memo/MemoLogQueue.h"
#include "memo/MemoWiring.h"
#include "platform/doubles/FailingFileCalls.h"
#include "support/SmallDisk.h"

using platform::FailingFileCalls;
using Step = FailingFileCalls::Step;

namespace {

QByteArray record(int n)
{
    return "----------\r\nMessage: memo " + QByteArray::number(n) + "\r\n";
}

class MemoLogQueueTest : public MemoTest {
  protected:
    MemoLogQueueTest() { AttachWriteTrouble(*form.ftpStatus); }
    Form1 form;
};

} // namespace

TEST_F(MemoLogQueueTest, RecordsThatCannotBeWrittenWaitAndFollowInOrderWithTheNextOne)
{
    MemoLogQueue queue;
    FailingFileCalls failing(Step::ShortWrite);
    platform::ScopedFileCalls scoped(failing);
    for (int n = 1; n <= 3; ++n)
        EXPECT_FALSE(queue.append(record(n)));
    EXPECT_EQ(queue.waitingRecords(), 3);
    EXPECT_FALSE(home.exists("Memo.txt"));
    failing.heal();
    EXPECT_TRUE(queue.append(record(4)));
    EXPECT_EQ(memoLog(), record(1) + record(2) + record(3) + record(4));
    EXPECT_EQ(queue.waitingRecords(), 0);
}

TEST_F(MemoLogQueueTest, WaitingRecordsAreSavedOnATimerWithoutANewMemo)
{
    MemoLogQueue queue;
    queue.setRetryInterval(50);
    FailingFileCalls failing(Step::Fsync);
    platform::ScopedFileCalls scoped(failing);
    EXPECT_FALSE(queue.append(record(1)));
    pumpFor(150);
    EXPECT_EQ(queue.waitingRecords(), 1);
    failing.heal();
    EXPECT_TRUE(pumpUntil([&] { return queue.waitingRecords() == 0; }));
    EXPECT_EQ(memoLog(), record(1));
}

TEST_F(MemoLogQueueTest, TheUserIsToldHowManyMemosWaitWithOneNotification)
{
    MemoLogQueue queue;
    FailingFileCalls failing(Step::Write);
    platform::ScopedFileCalls scoped(failing);
    queue.append(record(1));
    queue.append(record(2));
    EXPECT_TRUE(form.ftpStatus->text().startsWith("2 memos are waiting to be saved to Memo.txt"))
        << form.ftpStatus->text().toStdString();
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_TRUE(doubles.notices.shown.front().summary.contains("Memo.txt"));
    failing.heal();
    queue.append(record(3));
    EXPECT_EQ(form.ftpStatus->text(), "Memo.txt: 3 waiting memo(s) saved");
}

TEST_F(MemoLogQueueTest, WaitingRecordsAreBoundedAndWhatIsGivenUpIsTold)
{
    const struct {
        const char* name;
        int records;
        qsizetype size;
        int waiting;
    } rows[] = {{"by count", MemoLogQueue::kMaxRecords + 5, 40, MemoLogQueue::kMaxRecords},
                {"by bytes", 5, 400 * 1024, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MemoLogQueue queue;
        FailingFileCalls failing(Step::Write);
        platform::ScopedFileCalls scoped(failing);
        for (int n = 0; n < row.records; ++n)
            queue.append(QByteArray(row.size, 'a' + n % 26));
        EXPECT_EQ(queue.waitingRecords(), row.waiting);
        EXPECT_EQ(queue.lostRecords(), row.records - row.waiting);
        EXPECT_TRUE(
            queue.waitingText().contains(QString::number(row.records - row.waiting) + " could not be kept"));
        failing.heal();
        ASSERT_TRUE(queue.flush());
        EXPECT_TRUE(memoLog().endsWith(QByteArray(row.size, 'a' + (row.records - 1) % 26)))
            << "the newest is kept";
        QFile::remove(home.file("Memo.txt"));
    }
}

class FullDiskMemoTest : public MemoTest {};

TEST_F(FullDiskMemoTest, AMemoOnAFullDiskIsAnsweredKeptAndSavedOnceThereIsRoom)
{
    SmallDisk disk(256);
    if (!disk.available())
        GTEST_SKIP() << disk.reason().toStdString();
    qputenv("HALVORN_HOME", disk.path().toLocal8Bit());
    Form1 main;
    AttachWriteTrouble(*main.ftpStatus);
    ASSERT_TRUE(startServer() > 0);
    disk.fill();
    const QByteArray page = exchange(memoPost("NAME=Ann&MESSAGE=first+memo&REPLY=NO"));
    EXPECT_TRUE(page.contains("Message Received")) << page.left(300).constData();
    EXPECT_FALSE(QFile::exists(disk.file("Memo.txt")));
    EXPECT_EQ(Memo().memoLog().waitingRecords(), 1);
    EXPECT_TRUE(main.ftpStatus->text().contains("1 memo is waiting")) << main.ftpStatus->text().toStdString();
    disk.makeRoom();
    exchange(memoPost("NAME=Bob&MESSAGE=second+memo&REPLY=NO"));
    QFile saved(disk.file("Memo.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_LT(text.indexOf("first memo"), text.indexOf("second memo"));
    EXPECT_EQ(text.count("----------\r\n"), 2);
    Memo().reset();
}

// Memo.txt made a folder: it cannot take a record, while any other file can.
class MemoExitTest : public MemoLogQueueTest {
  protected:
    void SetUp() override
    {
        InstallMemoHooks();
        QDir().mkpath(home.file("Memo.txt"));
        Memo().memoLog().append(record(1));
        Memo().memoLog().append(record(2));
    }
    void exitCloser() { Hooks().closers.value("frmMemo")(); }
};

TEST_F(MemoExitTest, MemosStillWaitingAtExitAreSavedToTheFileTheUserChooses)
{
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    doubles.dialogs.setNextResult(home.file("rescued.txt"));
    exitCloser();
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_TRUE(doubles.boxes.shown().front().text.startsWith("2 memos are waiting to be saved"));
    EXPECT_EQ(home.readFile("rescued.txt"), record(1) + record(2));
}

TEST_F(MemoExitTest, NobodyIsAskedWhenTheSessionEnds)
{
    Core().Unattended = true;
    exitCloser();
    EXPECT_TRUE(doubles.boxes.shown().empty());
}
