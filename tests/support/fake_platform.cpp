#include "support/fake_platform.h"

#include "storage/file_io.h"

namespace kalvo::test {

std::string FakePlatform::UserName() const { return userName; }

std::filesystem::path FakePlatform::ProgramFolder() const { return programFolder; }

std::filesystem::path FakePlatform::FindAsset(const std::string& name) const {
    if (assetFolder.empty()) return {};
    const std::filesystem::path file = assetFolder / name;
    return storage::FileExists(file) ? file : std::filesystem::path();
}

bool FakePlatform::PlaySound(const std::filesystem::path& file, SoundMode mode) {
    calls.emplace_back("PlaySound");
    sounds.push_back({file, mode});
    return soundPlays;
}

void FakePlatform::DefaultBeep() { calls.emplace_back("DefaultBeep"); }

bool FakePlatform::AutostartIsOn() const { return autostartOn; }

void FakePlatform::EnableAutostart() {
    calls.emplace_back("EnableAutostart");
    autostartOn = true;
}

void FakePlatform::DisableAutostart() {
    calls.emplace_back("DisableAutostart");
    autostartOn = false;
}

std::string FakePlatform::OperatingSystemName() const { return osName; }

void FakePlatform::ShutDown() { calls.emplace_back("ShutDown"); }

}  // namespace kalvo::test
