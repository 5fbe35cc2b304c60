// The sound module: wave output over Qt Multimedia, loaded on first use.
#include "platform/WaveOutput.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <memory>

namespace {

class QtWaveOutput final : public platform::WaveOutput {
  public:
    int deviceCount() override { return int(QMediaDevices::audioOutputs().size()); }

    void play(const QString& wavePath) override
    {
        // One effect object: a new sound replaces one still playing.
        if (!effect_)
            effect_ = std::make_unique<QSoundEffect>();
        effect_->stop();
        effect_->setSource(QUrl::fromLocalFile(wavePath));
        effect_->play();
    }

  private:
    std::unique_ptr<QSoundEffect> effect_;
};

} // namespace

extern "C" Q_DECL_EXPORT platform::WaveOutput* halvorn_create_wave_output()
{
    return new QtWaveOutput;
}
