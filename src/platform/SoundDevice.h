#pragma once

#include "platform/InstallLayout.h"

#include <QString>

#include <functional>
#include <memory>

namespace platform {

class LazyLibrary;
class WaveOutput;

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

// Where the real sound device says once that it has no wave output (the
// program sends it to the debug log).
void setSoundNotice(std::function<void(const QString&)> notice);

// The real device: waves through the sound module in moduleDir, loaded at
// the first wave-device count or sound. Without the module there is no wave
// device, so every sound is the beep.
class ModuleSoundDevice final : public SoundDevice {
  public:
    explicit ModuleSoundDevice(QString moduleDir = SoundModuleDir());
    ~ModuleSoundDevice() override;

    int waveOutputCount() override;
    void playAsync(const QString& wavePath) override;
    void beep() override;
    void exclamation() override;

    bool moduleLoaded() const { return output_ != nullptr; }

  private:
    WaveOutput* output();

    QString moduleDir_;
    bool tried_ = false;
    std::unique_ptr<LazyLibrary> library_;
    std::unique_ptr<WaveOutput> output_;
};

} // namespace platform
