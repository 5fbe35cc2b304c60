#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

// The way into Memo.txt. A record that cannot be written (a full disk, a
// read-only folder) is kept in memory, in order, and appended as soon as a
// write works again: at the next record, on a timer and at exit. The user
// hears how many memos wait. Memory is bounded: past the limits the oldest
// waiting record is given up, and that is told too.
class MemoLogQueue : public QObject {
    Q_OBJECT

  public:
    static constexpr int kMaxRecords = 1000;
    static constexpr qsizetype kMaxBytes = 1024 * 1024;
    static constexpr int kRetryMs = 30 * 1000;

    explicit MemoLogQueue(QObject* parent = nullptr);

    // Appends record after every record still waiting. True when all of
    // them, record included, are in the file now.
    bool append(const QByteArray& record);
    // Tries to write what waits; true when nothing waits any more.
    bool flush();

    // How long a failed write waits before the next try on its own.
    void setRetryInterval(int ms) { retry_.setInterval(ms); }

    // Everything still waiting, in order, as Memo.txt would have held it.
    QByteArray waitingBytes() const;

    int waitingRecords() const { return int(waiting_.size()); }
    int lostRecords() const { return lost_; }
    // The sentence the user sees while records wait (empty otherwise).
    QString waitingText() const;

  private:
    void keepWithinLimits();
    void tellWaiting();
    void tellSaved(int saved);

    std::deque<QByteArray> waiting_;
    qsizetype waitingBytes_ = 0;
    int lost_ = 0;
    QString lastError_;
    QTimer retry_;
};
