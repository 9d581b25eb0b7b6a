#pragma once
// A platform that only records what it is asked: no sound is played and nothing is switched off.

#include <string>
#include <vector>

#include "platform/platform.h"

namespace kalvo::test {

class FakePlatform : public Platform {
public:
    struct Sound {
        std::filesystem::path file;
        SoundMode mode;
        bool operator==(const Sound&) const = default;
    };

    std::string UserName() const override;
    std::filesystem::path ProgramFolder() const override;
    std::filesystem::path FindAsset(const std::string& name) const override;
    bool PlaySound(const std::filesystem::path& file, SoundMode mode) override;
    void DefaultBeep() override;
    bool AutostartIsOn() const override;
    void EnableAutostart() override;
    void DisableAutostart() override;
    std::string OperatingSystemName() const override;
    void ShutDown() override;

    // What the fake answers.
    std::string userName = "eva";
    std::filesystem::path programFolder;
    std::filesystem::path assetFolder;  // FindAsset looks here; empty: nothing is found
    bool soundPlays = true;
    bool autostartOn = false;
    std::string osName = "Debian GNU/Linux 12 (bookworm)";

    // What was asked, in order: "PlaySound", "DefaultBeep", "EnableAutostart", "DisableAutostart", "ShutDown".
    std::vector<std::string> calls;
    std::vector<Sound> sounds;
};

}  // namespace kalvo::test
