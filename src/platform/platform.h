#pragma once
// Everything the program asks of the operating system. The real backends live beside this file; tests
// use a fake that records every call, so no test can play a sound or switch the computer off.

#include <filesystem>
#include <string>

#include "scheduler/sound_output.h"

namespace kalvo {

// Its sound output is the scheduler's seam (PlaySound).
class Platform : public SoundOutput {
public:
    virtual ~Platform() = default;

    virtual std::string UserName() const = 0;
    // Where the data files are kept.
    virtual std::filesystem::path ProgramFolder() const = 0;
    // A read-only file that comes with the program (calend.dat, sound.wav); empty when not found.
    virtual std::filesystem::path FindAsset(const std::string& name) const = 0;

    virtual void DefaultBeep() = 0;

    // Start at log-on: "on" means the entry exists and names this program's executable.
    virtual bool AutostartIsOn() const = 0;
    // Writes the entry only when none exists; an entry for another path is left alone.
    virtual void EnableAutostart() = 0;
    virtual void DisableAutostart() = 0;

    virtual std::string OperatingSystemName() const = 0;
    virtual void ShutDown() = 0;
};

}  // namespace kalvo
