// Custom page lines and visitor names are arbitrary bytes: replacing the memo
// variables must terminate, never crash, and leave no visitor markup.
#include "memo/MemoVariables.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype half = bytes.size() / 2;
    MemoTokenInputs in;
    in.now = QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9));
    in.senderName = bytes.first(half);
    in.reply = QString::fromLatin1(bytes.first(half));
    in.settings.rows = QString::fromLatin1(bytes.sliced(half));
    const MemoTokenTable table = BuildMemoTokens(in);
    const QByteArray line = bytes.sliced(half);
    (void)ReplaceMemoTokens(line, table);
    const QByteArray named = ReplaceMemoTokens("%sendername%", table);
    if (named.contains('<') || named.contains('"') || named.contains('%'))
        std::abort();
    return 0;
}
