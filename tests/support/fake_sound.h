#pragma once
// A sound output that only records what it is asked to play: the scheduler's tests need no platform.

#include <filesystem>
#include <vector>

#include "scheduler/sound_output.h"

namespace kalvo::test {

class FakeSound : public SoundOutput {
public:
    struct Sound {
        std::filesystem::path file;
        SoundMode mode;
        bool operator==(const Sound&) const = default;
    };

    bool PlaySound(const std::filesystem::path& file, SoundMode mode) override {
        sounds.push_back({file, mode});
        return plays;
    }

    bool plays = true;
    std::vector<Sound> sounds;
};

}  // namespace kalvo::test
