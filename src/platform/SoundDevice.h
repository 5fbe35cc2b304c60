#pragma once

#include <QString>

namespace platform {

class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    virtual int waveOutputCount() = 0;
    // Returns at once; the sound plays on.
    virtual void playAsync(const QString& wavePath) = 0;
    virtual void beep() = 0;
    virtual void exclamation() = 0;
};

SoundDevice& soundDevice();

} // namespace platform
