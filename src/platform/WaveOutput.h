#pragma once

#include <QString>

namespace platform {

// The wave side of the sound device, built as a loadable module
// (halvorn_sound.so) so that the audio stack is loaded at the first sound,
// not at start-up.
class WaveOutput {
  public:
    virtual ~WaveOutput() = default;
    virtual int deviceCount() = 0;
    // Returns at once; the sound plays on.
    virtual void play(const QString& wavePath) = 0;
};

// The module's one entry point, looked up by this name.
using CreateWaveOutput = WaveOutput* (*)();
inline constexpr char kCreateWaveOutputSymbol[] = "halvorn_create_wave_output";
inline constexpr char kSoundModuleFile[] = "halvorn_sound.so";

} // namespace platform
