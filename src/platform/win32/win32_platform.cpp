#include "platform/win32/win32_platform.h"

#include <windows.h>  // first: the headers below need it

#include <mmsystem.h>
// mmsystem.h turns PlaySound into PlaySoundA or PlaySoundW, which would rename the member below.
#undef PlaySound

#include <string_view>

#include "core/time_zone.h"
#include "platform/autostart.h"
#include "platform/system_paths.h"
#include "storage/file_io.h"

namespace fs = std::filesystem;

namespace kalvo {
namespace {

std::string Utf8(const std::wstring& text) { return storage::Utf8FromPath(fs::path(text)); }

std::optional<std::string> RegistryProductType() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> result;
    wchar_t data[256] = {};
    DWORD type = 0, size = sizeof data - sizeof(wchar_t);
    if (RegQueryValueExW(key, L"ProductType", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::wstring text(data, size / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        result = Utf8(text);
    }
    RegCloseKey(key);
    return result;
}

// The kernel's own version call ignores the compatibility shims that GetVersionEx is subject to.
void TakeKernelVersion(WindowsVersionData& v) {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return;
    const FARPROC proc = GetProcAddress(ntdll, "RtlGetVersion");
    if (!proc) return;
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(proc));
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion(&info) != 0) return;
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    v.build = info.dwBuildNumber;
}

bool LooksLikeWave(const fs::path& file) {
    const storage::FileBytes head = storage::ReadFileStart(file, 12);
    if (head.outcome != storage::ReadOutcome::Ok || head.bytes.size() < 12) return false;
    const std::string_view header(reinterpret_cast<const char*>(head.bytes.data()), head.bytes.size());
    return header.substr(0, 4) == "RIFF" && header.substr(8, 4) == "WAVE";
}

class SystemShutdownCalls final : public ShutdownCalls {
public:
    explicit SystemShutdownCalls(const Win32Platform::ExitWindowsFn& exitWindows) : exitWindows_(exitWindows) {}

    bool EnableShutdownPrivilege() override {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        const bool ok = LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
                        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        CloseHandle(token);
        return ok;
    }

    bool RequestExit(unsigned flags) override {
        if (exitWindows_) return exitWindows_(flags);
        return ExitWindowsEx(flags, 0) != FALSE;
    }

private:
    const Win32Platform::ExitWindowsFn& exitWindows_;
};

}  // namespace

WindowsVersionData ReadWindowsVersion() {
    WindowsVersionData v;
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        v.read = v.extended = true;
        v.platformId = extended.dwPlatformId;
        v.major = extended.dwMajorVersion;
        v.minor = extended.dwMinorVersion;
        v.build = extended.dwBuildNumber;
        v.productType = extended.wProductType;
    } else {
        OSVERSIONINFOW basic{};
        basic.dwOSVersionInfoSize = sizeof basic;
        if (!GetVersionExW(&basic)) return v;
        v.read = true;
        v.platformId = basic.dwPlatformId;
        v.major = basic.dwMajorVersion;
        v.minor = basic.dwMinorVersion;
        v.build = basic.dwBuildNumber;
        v.registryProductType = RegistryProductType();
    }
    if (v.platformId == VER_PLATFORM_WIN32_NT) TakeKernelVersion(v);
    return v;
}

Win32Platform::Win32Platform(ExitWindowsFn exitWindows)
    : executable_(ExecutablePath()),
      programFolder_(ResolveProgramFolder(executable_.parent_path())),
      exitWindows_(std::move(exitWindows)) {
    events_.onTimeChanged = [] { TimeZoneMayHaveChanged(); };
}

Win32Platform::~Win32Platform() = default;

std::string Win32Platform::UserName() const { return LogonUserName(); }

fs::path Win32Platform::ProgramFolder() const { return programFolder_; }

fs::path Win32Platform::FindAsset(const std::string& name) const {
    if (const fs::path inFolder = programFolder_ / storage::PathFromUtf8(name); storage::FileExists(inFolder))
        return inFolder;
    return FindAssetBeside(executable_.parent_path(), name);
}

bool Win32Platform::PlaySound(const fs::path& file, SoundMode mode) {
    // A bare name is one of the program's own sounds; anything else is the user's file.
    const fs::path path = file.has_parent_path() ? file : FindAsset(storage::Utf8FromPath(file));
    if (path.empty() || !LooksLikeWave(path)) return false;
    // A new sound replaces one still playing; SND_NODEFAULT keeps a broken file from sounding the system beep.
    const DWORD flags = SND_FILENAME | SND_NODEFAULT | (mode == SoundMode::Async ? SND_ASYNC : SND_SYNC);
    return PlaySoundW(path.c_str(), nullptr, flags) != FALSE;
}

void Win32Platform::DefaultBeep() { MessageBeep(MB_OK); }

bool Win32Platform::AutostartIsOn() const { return MakeAutostartEntry(executable_)->IsOn(); }
void Win32Platform::EnableAutostart() { MakeAutostartEntry(executable_)->Enable(); }
void Win32Platform::DisableAutostart() { MakeAutostartEntry(executable_)->Disable(); }

std::string Win32Platform::OperatingSystemName() const { return WindowsDisplayName(ReadWindowsVersion()); }

void Win32Platform::ShutDown() {
    SystemShutdownCalls calls(exitWindows_);
    ShutDownWindows(ReadWindowsVersion(), calls);
}

}  // namespace kalvo
