#include "core/OpenForUser.h"

#include "core/Logs.h"
#include "platform/Desktop.h"
#include "platform/MessageBoxes.h"

bool OpenForUser(QWidget* owner, const QString& path, const QString& program)
{
    platform::Desktop& desktop = platform::desktop();
    if (program.isEmpty() ? desktop.open(path) : desktop.start(program, {path}))
        return true;
    const QString text = program.isEmpty()
                             ? QStringLiteral("No program could open ") + path
                             : QStringLiteral("%1 could not be started to open %2").arg(program, path);
    DebugLog(QStringLiteral("[HVRN] ") + text);
    MsgBox(text, platform::MsgButtons::Ok, platform::MsgIcon::Exclamation, kProgramName, owner);
    return false;
}
