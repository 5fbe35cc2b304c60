#include "tools/Sounds.h"

#include "platform/FileDialogs.h"
#include "platform/SoundDevice.h"

#include <QLineEdit>

void PlaySoundFile(const QString& wavePath)
{
    // Asked every time: a headset may come and go while the program runs.
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

QString BrowseSoundFile(QWidget* owner, const QString& current, const QString& startDir)
{
    const QString chosen = ShowOpenDialog(owner, kSoundDialogFilter, kSoundDialogTitle, startDir);
    return chosen.isEmpty() ? current : chosen;
}

bool BrowseSoundFile(QWidget* owner, QLineEdit* field, const QString& startDir)
{
    const QString before = field->text();
    const QString after = BrowseSoundFile(owner, before, startDir);
    if (after == before)
        return false;
    field->setText(after);
    return true;
}
