#pragma once
// Start at log-on. The entry counts as on exactly when it exists and names this program's executable;
// turning it on writes only when there is no entry at all (one for another copy is left alone); turning
// it off removes whatever entry there is.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kalvo {

class AutostartEntry {
public:
    virtual ~AutostartEntry() = default;
    virtual bool IsOn() const = 0;
    // False when the entry could not be written or removed.
    virtual bool Enable() = 0;
    virtual bool Disable() = 0;
};

// The current user's entry for `executable` (an absolute path): the registry's Run value on Windows, an
// XDG autostart file elsewhere.
std::unique_ptr<AutostartEntry> MakeAutostartEntry(const std::filesystem::path& executable);

#ifdef _WIN32

// The value named after the executable's file name under `keyPath` of the current user's registry (the
// Run key for the program; tests pass a key of their own).
std::unique_ptr<AutostartEntry> MakeRegistryAutostartEntry(const std::wstring& keyPath,
                                                           const std::filesystem::path& executable);

#else

// $XDG_CONFIG_HOME/autostart/kalvo.desktop, or ~/.config/autostart/kalvo.desktop; empty when neither
// variable gives an absolute folder.
std::filesystem::path XdgAutostartFile();

// A desktop entry whose Exec runs `executable`, quoted so that any path survives.
std::string DesktopEntryText(const std::filesystem::path& executable);

// The program that the Exec key of the [Desktop Entry] group runs, when it runs exactly one with no
// arguments; nullopt for anything else.
std::optional<std::string> DesktopEntryProgram(std::string_view text);

class XdgAutostartEntry final : public AutostartEntry {
public:
    XdgAutostartEntry(std::filesystem::path entryFile, std::filesystem::path executable);
    bool IsOn() const override;
    bool Enable() override;
    bool Disable() override;

private:
    std::filesystem::path file_;
    std::filesystem::path executable_;
};

#endif

}  // namespace kalvo
