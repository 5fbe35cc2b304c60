#include "core/WriteTrouble.h"

#include "core/CoreState.h"
#include "core/DesktopNotices.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "platform/WholeFile.h"

#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QSet>

#include <cerrno>

namespace {

QPointer<QLabel> g_statusLine;
QSet<QString> g_told;

// Telling writes the logs, which may fail in turn and want telling.
bool g_telling = false;

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

bool alreadyTold(const QString& path)
{
    return g_told.contains(path) || g_told.contains(folderOf(path));
}

} // namespace

int ErrorNumberForErrno(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return err::kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return err::kPermissionDenied;
    case ENOENT:
    case ENOTDIR:
        return err::kPathNotFound;
    case EISDIR:
        return err::kPathAccess;
    default:
        return err::kDeviceIo;
    }
}

void ShowInStatusLine(const QString& text)
{
    if (g_statusLine)
        g_statusLine->setText(text);
}

void TellWriteFailure(const QString& path, int errorNumber, const QString& reason)
{
    if (g_telling || alreadyTold(path))
        return;
    g_telling = true;
    g_told.insert(path);
    const QString name = QFileInfo(path).fileName();
    const QString text = QStringLiteral("Could not save %1: %2").arg(name, reason);
    Core().LastError = text;
    ShowInStatusLine(text);
    DebugLog(QStringLiteral("[HVRN] ") + text);
    LogError(errorNumber, QStringLiteral("Save ") + name, ErrorNotice::LogOnly);
    NotifyTrouble(QStringLiteral("Halvorn could not save %1").arg(name), reason);
    g_telling = false;
}

void ClearWriteFailure(const QString& path)
{
    g_told.remove(path);
    g_told.remove(folderOf(path));
}

bool ReportWriteOutcome(const QString& path, bool written, const platform::FileWriteError& error)
{
    if (written)
        ClearWriteFailure(path);
    else
        TellWriteFailure(path, ErrorNumberForErrno(error.code), error.text);
    return written;
}

void MarkFolderTold(const QString& folder)
{
    g_told.insert(QFileInfo(folder).absoluteFilePath());
}

void AttachWriteTrouble(QLabel& statusLine)
{
    g_statusLine = &statusLine;
    platform::SetWriteReport([](const QString& path, const platform::FileWriteError* error) {
        ReportWriteOutcome(path, !error, error ? *error : platform::FileWriteError());
    });
}

void ResetWriteTrouble()
{
    g_told.clear();
    g_telling = false;
}
