#include "memo/MemoSound.h"

#include "platform/FileDialogProvider.h"
#include "platform/SoundDevice.h"

#include <QStringList>

namespace memo {

void PlaySoundFile(const QString& wavePath)
{
    platform::SoundDevice& device = platform::soundDevice();
    if (device.waveOutputCount() > 0)
        device.playAsync(wavePath);
    else
        device.beep();
}

void AlertBeep()
{
    platform::SoundDevice& device = platform::soundDevice();
    if (device.waveOutputCount() > 0)
        device.exclamation();
    else
        device.beep();
}

QString QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries.append(parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

QString ShowOpenDialog(QWidget* owner, const QString& title, const QString& startDirectory, const QString& filter)
{
    platform::FileDialogRequest request;
    request.title = title;
    request.startDirectory = startDirectory;
    request.qtFilter = QtFilter(filter);
    return platform::fileDialogs().open(owner, request);
}

} // namespace memo
