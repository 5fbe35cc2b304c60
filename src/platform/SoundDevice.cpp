#include "platform/SoundDevice.h"

#include "platform/Override.h"
#include "platform/WaveOutput.h"

#include <QApplication>
#include <QDir>
#include <QLibrary>

namespace platform {
namespace {

std::function<void(const QString&)>& soundNotice()
{
    static std::function<void(const QString&)> notice;
    return notice;
}

} // namespace

void setSoundNotice(std::function<void(const QString&)> notice) { soundNotice() = std::move(notice); }

ModuleSoundDevice::ModuleSoundDevice(QString moduleDir) : moduleDir_(std::move(moduleDir)) {}

// The module's objects are destroyed; the module itself stays mapped.
ModuleSoundDevice::~ModuleSoundDevice() = default;

WaveOutput* ModuleSoundDevice::output()
{
    if (tried_)
        return output_.get();
    tried_ = true;
    library_ = new QLibrary(QDir(moduleDir_).filePath(QString::fromLatin1(kSoundModuleFile)));
    auto create = reinterpret_cast<CreateWaveOutput>(library_->resolve(kCreateWaveOutputSymbol));
    if (create)
        output_.reset(create());
    if (!output_ && soundNotice())
        soundNotice()(QStringLiteral("[Sound] No sound module (") + library_->errorString() +
                      QStringLiteral("): sounds are beeps"));
    return output_.get();
}

int ModuleSoundDevice::waveOutputCount()
{
    WaveOutput* wave = output();
    return wave ? wave->deviceCount() : 0;
}

void ModuleSoundDevice::playAsync(const QString& wavePath)
{
    if (WaveOutput* wave = output())
        wave->play(wavePath);
    else
        beep();
}

void ModuleSoundDevice::beep() { QApplication::beep(); }
// The desktop has no separate exclamation sound that Qt can reach.
void ModuleSoundDevice::exclamation() { QApplication::beep(); }

SoundDevice& soundDevice() { return resolve<SoundDevice, ModuleSoundDevice>(); }

} // namespace platform
