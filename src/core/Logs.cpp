#include "core/Logs.h"

#include "core/CoreState.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/WriteTrouble.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/WholeFile.h"

#include <QLocale>

namespace {

DebugWindowSink* g_sink = nullptr;
bool g_errorBoxOpen = false;

QString time12(const QDateTime& when)
{
    return QLocale::c().toString(when.time(), QStringLiteral("hh:mm:ss AP"));
}

// A line that cannot be written is lost, but the user hears of it once.
void appendLine(const QString& fileName, const QString& line, platform::Sync sync)
{
    EnsureProgramDir();
    const QString path = ProgramFile(fileName);
    platform::FileWriteError error;
    ReportWriteOutcome(path, platform::AppendWholeRecord(path, line.toUtf8() + "\r\n", &error, sync), error);
}

} // namespace

void SetDebugWindowSink(DebugWindowSink* sink)
{
    g_sink = sink;
}

void ClearDebugWindowSink(DebugWindowSink* sink)
{
    if (g_sink == sink)
        g_sink = nullptr;
}

QString DebugStamp()
{
    return QLatin1Char('[') + time12(platform::clock().now()) + QLatin1Char(']');
}

void DebugLog(const QString& message)
{
    try {
        const QString stamp = DebugStamp();
        if (Core().DebugToFile)
            appendLine(QStringLiteral("debug.log"), stamp + QLatin1Char('\t') + message, platform::Sync::No);
        if (g_sink && !g_sink->displayDisabled())
            g_sink->appendText(stamp + QStringLiteral("  ") + message + QStringLiteral("\r\n"));
    } catch (...) {
        LogError(ErrorNumberOf(std::current_exception()), QStringLiteral("DebugLog"));
    }
}

QString ErrorLogLine(int number, const QString& procedure)
{
    const QDateTime now = platform::clock().now();
    const QString date = QLocale::c().toString(now.date(), QStringLiteral("M/d/yy"));
    return QStringLiteral("[%1 %2] %3 in %4").arg(date, time12(now)).arg(number).arg(procedure);
}

QString ProgramErrorText(int number, const QString& procedure)
{
    return QStringLiteral("There was an error %1: %2 in %3\r\n\r\n"
                          "This Error was logged to Error.log\r\n"
                          "Please email this file to the Programmer.\r\n%4")
        .arg(number)
        .arg(ErrorDescription(number), procedure, kSupportAddress);
}

void LogError(int number, const QString& procedure, ErrorNotice notice)
{
    if (number == 0)
        return;
    try {
        appendLine(QStringLiteral("error.log"), ErrorLogLine(number, procedure), platform::Sync::Yes);
        Core().LastError =
            QStringLiteral("error %1 (%2) in %3").arg(number).arg(ErrorDescription(number), procedure);
        // Nobody could close a box: the run would wait for ever.
        if (Core().OneShot || Core().Unattended)
            return;
        if (notice != ErrorNotice::Box || number == err::kNonModalWhileModal || g_errorBoxOpen)
            return;
        g_errorBoxOpen = true;
        MsgBox(ProgramErrorText(number, procedure), platform::MsgButtons::Ok, platform::MsgIcon::Question,
               QStringLiteral("Program Error"));
        g_errorBoxOpen = false;
    } catch (...) {
        // Called from inside error handlers: nothing may escape.
        g_errorBoxOpen = false;
    }
}

void LogError(int number, const QString& procedure)
{
    LogError(number, procedure, ErrorNotice::Box);
}
