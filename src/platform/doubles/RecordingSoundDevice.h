#pragma once

#include "platform/SoundDevice.h"

#include <QStringList>

namespace platform {

class RecordingSoundDevice final : public SoundDevice {
  public:
    int waveOutputCount() override { return outputs; }
    void playAsync(const QString& wavePath) override { played.append(wavePath); }
    void beep() override { ++beeps; }
    void exclamation() override { ++exclamations; }

    int outputs = 0;
    QStringList played;
    int beeps = 0;
    int exclamations = 0;
};

} // namespace platform
