#include "platform/SoundDevice.h"

#include "platform/Override.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <memory>

namespace platform {
namespace {

class QtSoundDevice final : public SoundDevice {
public:
    int waveOutputCount() override { return int(QMediaDevices::audioOutputs().size()); }

    void playAsync(const QString& wavePath) override
    {
        // One effect object: a new sound replaces one still playing.
        if (!effect_)
            effect_ = std::make_unique<QSoundEffect>();
        effect_->stop();
        effect_->setSource(QUrl::fromLocalFile(wavePath));
        effect_->play();
    }

    void beep() override { QApplication::beep(); }
    // The desktop has no separate exclamation sound that Qt can reach.
    void exclamation() override { QApplication::beep(); }

private:
    std::unique_ptr<QSoundEffect> effect_;
};

} // namespace

SoundDevice& soundDevice() { return resolve<SoundDevice, QtSoundDevice>(); }

} // namespace platform
