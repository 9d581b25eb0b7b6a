#pragma once
// The real operating system on Windows, through the system's own calls: the logged-on user, the program's
// folder, WAV sound, the Run value for start at log-on, the name of this Windows and the shut-down.

#include <filesystem>
#include <functional>

#include "platform/platform.h"
#include "platform/win32/system_events.h"
#include "platform/win32/windows_version.h"

namespace kalvo {

// What this Windows says about itself. A later Windows reports 6.2 to programs that do not declare it in
// a manifest, so the numbers of an NT system come from the kernel, which tells the truth.
WindowsVersionData ReadWindowsVersion();

class Win32Platform final : public Platform {
public:
    using ExitWindowsFn = std::function<bool(unsigned flags)>;

    // `exitWindows` replaces ExitWindowsEx (tests must never switch the machine off); empty: the real one.
    // The platform also listens for what Windows tells its windows (system_events.h): a change of the
    // system's time or zone, which the clock then reads at once, and a wake from sleep, told to whoever
    // set Events().onResumed. It must be made on the thread that runs the event loop.
    explicit Win32Platform(ExitWindowsFn exitWindows = {});
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    SystemEvents& Events() { return events_; }

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
    ExitWindowsFn exitWindows_;
    SystemEvents events_;
};

}  // namespace kalvo
