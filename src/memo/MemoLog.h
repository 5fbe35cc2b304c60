#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Memo.txt in the program directory: one record per memo, appended and
// closed for each write, never truncated.
QString MemoLogPath();

// The five lines written when a memo is accepted. Line breaks inside a field
// become CR LF, and a field line that would look like the record separator
// is indented by one blank, so no memo can fake the start of another.
QByteArray MemoLogRecord(const QDateTime& when, const QByteArray& webSite, const QByteArray& sender,
                         const QByteArray& text);
// The line the Send button adds.
QByteArray MemoLogReplyLine(const QByteArray& reply);

namespace platform {
struct FileWriteError;
}

// Appends bytes in one write, synced; false when the file could not be
// written, and then the file is as it was. Callers go through the memo
// log queue, which keeps what could not be written.
bool AppendMemoLog(const QByteArray& bytes, platform::FileWriteError* error);
