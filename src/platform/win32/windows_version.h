#pragma once
// Which Windows the program runs on, and how that Windows is asked to switch the computer off. Plain
// functions of the version data, so they build and are tested on any system; the win32 backend reads the
// data and makes the calls.

#include <cstdint>
#include <optional>
#include <string>

namespace kalvo {

// Platform identifiers of the version structure.
inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWindows = 1;  // 95, 98, ME
inline constexpr std::uint32_t kPlatformNT = 2;

// Product types of the extended structure.
inline constexpr std::uint8_t kProductWorkstation = 1;
inline constexpr std::uint8_t kProductDomainController = 2;
inline constexpr std::uint8_t kProductServer = 3;

struct WindowsVersionData {
    bool read = false;      // false: not even the basic structure could be read
    bool extended = false;  // the extended structure (with the product type) was read
    std::uint32_t platformId = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint8_t productType = 0;  // only when `extended`
    // "ProductType" under HKLM\SYSTEM\CurrentControlSet\Control\ProductOptions, read only when the
    // extended structure was not; nullopt when it could not be read.
    std::optional<std::string> registryProductType;
};

struct WindowsFamily {
    // 1 Win32s, 2 Windows 95, 3 Windows 98, 4 Windows ME, 5 NT 3.51/2000/XP, -2 anything else,
    // -1 the version could not be read.
    int code = -1;
    std::string name;  // as the settings dialog shows it (UTF-8)
};

WindowsFamily ClassifyWindows(const WindowsVersionData& version);

// The family's name, or for an NT release after XP its product name, which the family table does not
// know ("Neznámy OS", or "MS Windows XP" for 6.0, whose major and minor add up to 6 as well).
std::string WindowsDisplayName(const WindowsVersionData& version);

// ExitWindowsEx flags.
inline constexpr unsigned kExitShutdown = 0x1;              // EWX_SHUTDOWN
inline constexpr unsigned kExitPowerOffForced = 0x8 | 0x4;  // EWX_POWEROFF | EWX_FORCE

// What the shut-down needs of the system, so that the order of the calls can be tested anywhere.
class ShutdownCalls {
public:
    virtual ~ShutdownCalls() = default;
    // Enables "SeShutdownPrivilege" in the process's token: open the token, look the privilege up,
    // adjust. False when any of the three fails.
    virtual bool EnableShutdownPrivilege() = 0;
    virtual bool RequestExit(unsigned flags) = 0;
};

// An NT system (every Windows of today is one) switches off only with the privilege enabled, so it takes
// that road whatever its family code; the older families ask plainly. Returns whether the request was
// accepted.
bool ShutDownWindows(const WindowsVersionData& version, ShutdownCalls& calls);

}  // namespace kalvo
