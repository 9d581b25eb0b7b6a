#pragma once
// The real operating system for the tray program: sound through Qt Multimedia, the user's name and
// folders, start at log-on, the system's name and the shut-down.

#include <QObject>
#include <memory>

#include "platform/platform.h"

class QSoundEffect;

namespace kalvo {

class QtPlatform final : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

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

private:
    std::filesystem::path executable_;
    std::filesystem::path programFolder_;
    std::unique_ptr<QSoundEffect> async_;
};

}  // namespace kalvo
