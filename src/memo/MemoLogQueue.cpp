#include "memo/MemoLogQueue.h"

#include "core/Logs.h"
#include "core/WriteTrouble.h"
#include "memo/MemoLog.h"
#include "platform/WholeFile.h"

MemoLogQueue::MemoLogQueue(QObject* parent) : QObject(parent)
{
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, [this] { flush(); });
}

bool MemoLogQueue::append(const QByteArray& record)
{
    waiting_.push_back(record);
    waitingBytes_ += record.size();
    keepWithinLimits();
    return flush();
}

QByteArray MemoLogQueue::waitingBytes() const
{
    QByteArray all;
    all.reserve(waitingBytes_);
    for (const QByteArray& record : waiting_)
        all += record;
    return all;
}

bool MemoLogQueue::flush()
{
    if (waiting_.empty())
        return true;
    const QByteArray all = waitingBytes();
    platform::FileWriteError error;
    // One write for everything that waits: the file gets all of it, in
    // order, or none of it.
    if (!ReportWriteOutcome(MemoLogPath(), AppendMemoLog(all, &error), error)) {
        lastError_ = error.text;
        tellWaiting();
        return false;
    }
    const int saved = int(waiting_.size());
    waiting_.clear();
    waitingBytes_ = 0;
    tellSaved(saved);
    return true;
}

QString MemoLogQueue::waitingText() const
{
    if (waiting_.empty())
        return QString();
    QString text = waiting_.size() == 1
                       ? QStringLiteral("1 memo is waiting to be saved to Memo.txt")
                       : QStringLiteral("%1 memos are waiting to be saved to Memo.txt").arg(waiting_.size());
    if (lost_ > 0)
        text += QStringLiteral(", %1 could not be kept").arg(lost_);
    return text + QStringLiteral(" (") + lastError_ + QLatin1Char(')');
}

void MemoLogQueue::keepWithinLimits()
{
    while (waiting_.size() > 1 && (int(waiting_.size()) > kMaxRecords || waitingBytes_ > kMaxBytes)) {
        waitingBytes_ -= waiting_.front().size();
        waiting_.pop_front();
        ++lost_;
        DebugLog(QStringLiteral("[MemoServer] A memo waiting to be saved was given up: too many wait"));
    }
}

void MemoLogQueue::tellWaiting()
{
    retry_.start();
    ShowInStatusLine(waitingText());
}

void MemoLogQueue::tellSaved(int saved)
{
    if (!retry_.isActive())
        return;
    retry_.stop();
    const QString text = QStringLiteral("Memo.txt: %1 waiting memo(s) saved").arg(saved);
    DebugLog(QStringLiteral("[MemoServer] ") + text);
    ShowInStatusLine(text);
    lost_ = 0;
}
