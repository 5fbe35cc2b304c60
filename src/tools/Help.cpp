#include "tools/Help.h"

#include "core/Logs.h"
#include "core/OpenForUser.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"

#include <QCoreApplication>
#include <QFileInfo>

QString HelpContentsPath(const QString& manualPath)
{
    const QString own = ProgramFile(QStringLiteral("HVRN.HLP"));
    return QFileInfo::exists(own) ? own : manualPath;
}

void mnuContents_Click(const QString& manualPath)
{
    TrapErrors("Loading Help File", [&] {
        const QString path = HelpContentsPath(manualPath);
        if (!QFileInfo::exists(path))
            DebugLog(QStringLiteral("[HVRN] Help file not found: ") + path);
        OpenForUser(nullptr, path);
    });
}
