#include "memo/MemoVariables.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "memo/HtmlEscape.h"
#include "memo/MemoLimits.h"
#include "memo/MemoProgram.h"
#include "memo/MemoSetupState.h"
#include "memo/MemoText.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace memo {

QString time12(const QDateTime& when)
{
    return QLocale::c().toString(when.time(), QStringLiteral("hh:mm AP"));
}
QString longDate(const QDateTime& when)
{
    return QLocale::c().toString(when.date(), QStringLiteral("dddd, MMM d yyyy"));
}

} // namespace memo

namespace {

QByteArray dateText(const QDateTime& when, const char* format)
{
    return QLocale::c().toString(when.date(), QString::fromLatin1(format)).toLatin1();
}

QString resolved(const QString& fileName)
{
    if (QFileInfo(fileName).isAbsolute())
        return fileName;
    return QDir(ProgramDir()).filePath(fileName);
}

} // namespace

MemoTokenTable BuildMemoTokens(const MemoTokenInputs& in)
{
    const QDateTime& now = in.now;
    const QByteArray sender = memo::escapeTokenSafe(in.senderName);
    return {{
        {"%ip%", memo::pageBytes(in.settings.localIP)},
        {"%time%", memo::time12(now).toLatin1()},
        {"%dns%", memo::pageBytes(in.localHostName)},
        {"%date%", memo::longDate(now).toLatin1()},
        {"%memo%", pages::followUpForm(in.settings, in.senderName)},
        {"%24time%", QLocale::c().toString(now.time(), QStringLiteral("HH:mm:ss")).toLatin1()},
        {"%c1%", in.custom[0]},
        {"%c2%", in.custom[1]},
        {"%c3%", in.custom[2]},
        {"%c4%", in.custom[3]},
        {"%c5%", in.custom[4]},
        {"%status%", QByteArray()},
        {"%reply%", memo::pageBytes(in.reply)},
        {"%sendername%", sender},
        {"%timeout%", memo::pageBytes(in.settings.timeout)},
        {"%mm/dd/yy%", dateText(now, "MM/dd/yy")},
        {"%mm-dd-yy%", dateText(now, "MM-dd-yy")},
        {"%mmmddyyyy%", dateText(now, "MMM dd, yyyy")},
        {"%shwday%", dateText(now, "ddd")},
        {"%lowday%", dateText(now, "dddd")},
    }};
}

QByteArray ReplaceMemoTokens(const QByteArray& line, const MemoTokenTable& table)
{
    QByteArray text = line;
    // One copy per variable that occurs, not a move of the rest of the line
    // per occurrence: a long line full of variables stays linear.
    for (const MemoToken& t : table) {
        qsizetype at = memo::findNoCase(text, t.token);
        if (at == 0)
            continue;
        QByteArray replaced;
        qsizetype copied = 0;
        for (; at > 0; at = memo::findNoCase(text, t.token, copied + 1)) {
            replaced.append(text.constData() + copied, at - 1 - copied).append(t.value);
            copied = at - 1 + t.token.size();
        }
        text = replaced.append(text.constData() + copied, text.size() - copied);
    }
    return text;
}

CustomPage ReadCustomPage(const QString& fileName, const MemoTokenTable& table)
{
    CustomPage page;
    if (fileName.isEmpty())
        return page;
    const QString path = resolved(fileName);
    if (!QFileInfo(path).isFile())
        return page;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        page.error = err::kPermissionDenied;
        return page;
    }
    const qsizetype cap = memoLimits().maxPageFileBytes;
    const QByteArray bytes = file.read(cap);
    if (file.error() != QFileDevice::NoError)
        page.error = err::kDeviceIo;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        page.text += ReplaceMemoTokens(bytes.mid(pos, end - pos), table) + "\r\n";
        if (page.text.size() > memoLimits().maxExpandedPageBytes) {
            page.text.truncate(memoLimits().maxExpandedPageBytes);
            page.error = err::kOutOfMemory;
            return page;
        }
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return page;
}

QByteArray ReadMemoPage(const QString& fileName, const QByteArray& senderName)
{
    MemoTokenInputs in;
    in.settings = Memo().settings().pageSettings();
    in.now = platform::clock().now();
    in.localHostName = Core().LocalHostName;
    for (int i = 0; i < 5; ++i)
        in.custom[size_t(i)] =
            ReadIniBytes(QStringLiteral("Custom"), QStringLiteral("C%1%").arg(i), QByteArray());
    in.reply = Memo().globals.MemoReply;
    in.senderName = senderName;
    const CustomPage page = ReadCustomPage(fileName, BuildMemoTokens(in));
    if (page.error)
        LogError(page.error, QStringLiteral("Variable to HTML Repalce"), ErrorNotice::LogOnly);
    return page.text;
}
