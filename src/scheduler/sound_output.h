#pragma once
// The one thing the scheduler asks of the operating system: to start an alarm's melody. The platform
// implements it, so the scheduler stays below the platform and a run without one can stay silent.

#include <filesystem>

namespace kalvo {

enum class SoundMode { Async, ToEnd };

class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Plays a WAV file; false when it could not be played.
    virtual bool PlaySound(const std::filesystem::path& file, SoundMode mode) = 0;
};

}  // namespace kalvo
