#include "mail/MailLaunch.h"

#include "core/Logs.h"
#include "core/ProgramError.h"
#include "platform/Desktop.h"
#include "platform/MessageBoxes.h"

bool LaunchMailClient(const QString& commandLine, QWidget* owner)
{
    const QStringList words = platform::splitCommandLine(commandLine);
    const bool started = !words.isEmpty() && platform::desktop().start(words.first(), words.mid(1));
    if (started)
        return true;
    const QString text =
        QStringLiteral("%1: %2").arg(err::kFileNotFound).arg(ErrorDescription(err::kFileNotFound));
    if (owner)
        MsgBox(text, platform::MsgButtons::Ok, platform::MsgIcon::Information, QStringLiteral("Error"),
               owner);
    else
        DebugLog(QStringLiteral("[E-Mail Notify] Unable to start the mail program: ") + text);
    return false;
}
