#include "platform/SoundDevice.h"

#include "platform/LazyLibrary.h"
#include "platform/Override.h"
#include "platform/WaveOutput.h"

#include <QApplication>
#include <QDir>

namespace platform {
namespace {

std::function<void(const QString&)>& soundNotice()
{
    static std::function<void(const QString&)> notice;
    return notice;
}

} // namespace

void setSoundNotice(std::function<void(const QString&)> notice)
{
    soundNotice() = std::move(notice);
}

ModuleSoundDevice::ModuleSoundDevice(QString moduleDir) : moduleDir_(std::move(moduleDir)) {}

// The module's objects are destroyed; the module itself stays mapped, as
// every late-opened library does.
ModuleSoundDevice::~ModuleSoundDevice() = default;

WaveOutput* ModuleSoundDevice::output()
{
    if (tried_)
        return output_.get();
    tried_ = true;
    const QString path = QDir(moduleDir_).filePath(QString::fromLatin1(kSoundModuleFile));
    library_ = std::make_unique<LazyLibrary>(path.toStdString());
    if (auto create = bind<CreateWaveOutput>(*library_, kCreateWaveOutputSymbol))
        output_.reset(create());
    if (output_ || !soundNotice())
        return output_.get();
    const std::string why = library_->openError();
    soundNotice()(
        QStringLiteral("[Sound] No sound module (%1): sounds are beeps")
            .arg(why.empty() ? path + QStringLiteral(" has no wave output") : QString::fromStdString(why)));
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

void ModuleSoundDevice::beep()
{
    QApplication::beep();
}
// The desktop has no separate exclamation sound that Qt can reach.
void ModuleSoundDevice::exclamation()
{
    QApplication::beep();
}

SoundDevice& soundDevice()
{
    return resolve<SoundDevice, ModuleSoundDevice>();
}

} // namespace platform
