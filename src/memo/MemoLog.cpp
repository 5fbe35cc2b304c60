#include "memo/MemoLog.h"

#include "core/ProgramDir.h"
#include "platform/WholeFile.h"

#include <QLocale>

namespace {

const QByteArray kSeparator = QByteArrayLiteral("----------");

QByteArray field(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    qsizetype lineStart = 0;
    auto newLine = [&] {
        out += "\r\n";
        lineStart = out.size();
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            newLine();
            continue;
        }
        if (c == '\n') {
            newLine();
            continue;
        }
        if (c == '-' && out.size() == lineStart && lineStart > 0 &&
            bytes.mid(i, kSeparator.size()) == kSeparator)
            out += ' ';
        out += c;
    }
    return out;
}

} // namespace

QString MemoLogPath()
{
    return ProgramFile(QStringLiteral("Memo.txt"));
}

QByteArray MemoLogRecord(const QDateTime& when, const QByteArray& webSite, const QByteArray& sender,
                         const QByteArray& text)
{
    const QByteArray date = QLocale::system().toString(when.date(), QLocale::ShortFormat).toUtf8();
    const QByteArray time = QLocale::c().toString(when.time(), QStringLiteral("h:mm AP")).toLatin1();
    QByteArray record = kSeparator + "\r\n";
    record += "Date: " + date + "   Time: " + time + "\r\n";
    record += "WebSite: " + field(webSite) + "\r\n";
    record += "Name: " + field(sender) + "\r\n";
    record += "Message: " + field(text) + "\r\n";
    return record;
}

QByteArray MemoLogReplyLine(const QByteArray& reply)
{
    return "Your Reply: " + field(reply) + "\r\n";
}

bool AppendMemoLog(const QByteArray& bytes, platform::FileWriteError* error)
{
    EnsureProgramDir();
    return platform::AppendWholeRecord(MemoLogPath(), bytes, error);
}
