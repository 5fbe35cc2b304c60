#include "core/ProgramDirCheck.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/WriteTrouble.h"
#include "platform/MessageBoxes.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Writability is tried, not inferred from permission bits: root passes
// every permission check yet still cannot write a read-only mount.
QString writeProbeFailure(const QString& dir)
{
    const QByteArray probe =
        QFile::encodeName(dir + QStringLiteral("/.hvtmp-probe-") + QString::number(::getpid()));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    ::unlink(probe.constData());
    return QString();
}

} // namespace

QStringList ProgramDirProblems()
{
    const QString dir = QDir::toNativeSeparators(ProgramDir());
    if (!EnsureProgramDir())
        return {QStringLiteral("Halvorn cannot create its folder %1. Settings, memos and logs are not saved "
                               "in this run; set HALVORN_HOME to a folder you can write.")
                    .arg(dir)};
    QStringList problems;
    const QString failure = writeProbeFailure(dir);
    if (!failure.isEmpty())
        problems << QStringLiteral("Halvorn cannot write to its folder %1 (%2). Settings, memos and logs are "
                                   "not saved in this run.")
                        .arg(dir, failure);
    const QString settings = SettingsFileTrouble();
    if (!settings.isEmpty())
        problems << QStringLiteral(
                        "Halvorn cannot use its settings file %1: %2. It runs with default settings "
                        "and leaves that file as it is; move it away to start with fresh settings.")
                        .arg(QDir::toNativeSeparators(IniPath()), settings);
    return problems;
}

void TellProgramDirProblems()
{
    const QStringList problems = ProgramDirProblems();
    if (problems.isEmpty())
        return;
    const QString text = problems.join(QStringLiteral("\n\n"));
    for (const QString& problem : problems)
        DebugLog(QStringLiteral("[HVRN] ") + problem);
    LogError(err::kPathAccess, QStringLiteral("Program Directory"), ErrorNotice::LogOnly);
    // The same trouble must not come back once per file it touches.
    MarkFolderTold(ProgramDir());
    ShowInStatusLine(problems.first());
    if (Core().NoOneToAsk()) {
        std::fprintf(stderr, "halvorn: %s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    MsgBox(text, platform::MsgButtons::Ok, platform::MsgIcon::Exclamation, QStringLiteral("Halvorn"));
}
