#pragma once
// A platform that does nothing: no sound is played, no start at log-on is touched and nothing is switched
// off. Runs of the scheduler outside the tray program (a simulated year, a measurement) stand on it.

#include "platform/platform.h"

namespace kalvo {

class SilentPlatform final : public Platform {
public:
    std::string UserName() const override { return {}; }
    std::filesystem::path ProgramFolder() const override { return {}; }
    std::filesystem::path FindAsset(const std::string&) const override { return {}; }
    bool PlaySound(const std::filesystem::path&, SoundMode) override { return true; }
    void DefaultBeep() override {}
    bool AutostartIsOn() const override { return false; }
    void EnableAutostart() override {}
    void DisableAutostart() override {}
    std::string OperatingSystemName() const override { return {}; }
    void ShutDown() override {}
};

}  // namespace kalvo
