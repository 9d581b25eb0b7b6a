#include "platform/system_paths.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>  // first: the headers below need it

#include <lmcons.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kalvo {

fs::path ExecutablePath() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            buffer.resize(n);
            return fs::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) / "kalvo" : p;
#endif
}

std::string LogonUserName() {
#ifdef _WIN32
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (GetUserNameW(name, &size) && size > 1) {
        const fs::path p(std::wstring(name, size - 1));
        const std::u8string u = p.u8string();
        return std::string(reinterpret_cast<const char*>(u.data()), u.size());
    }
#else
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name &&
        found->pw_name[0] != '\0')
        return found->pw_name;
#endif
    for (const char* var : {"USER", "LOGNAME", "USERNAME"})
        if (const char* v = std::getenv(var); v && *v) return v;
    return "user";
}

fs::path UserDataFolder() {
#ifdef _WIN32
    if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData && *appData) return fs::path(appData) / "Kalvo";
    return fs::temp_directory_path() / "Kalvo";
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return fs::path(xdg) / "kalvo";
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".local" / "share" / "kalvo";
    return fs::temp_directory_path() / "kalvo";
#endif
}

bool IsWritableFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    static std::mt19937_64 rng{std::random_device{}()};
    const fs::path probe = folder / (".kalvo-write-test-" + std::to_string(rng()));
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out) return false;
    }
    fs::remove(probe, ec);
    return true;
}

bool IsUnderProgramFiles(const fs::path& folder, const std::vector<fs::path>& programFiles) {
    const auto folded = [](const fs::path& p) {
        std::wstring s = p.lexically_normal().wstring();
        for (wchar_t& c : s) {
            if (c == L'/') c = L'\\';
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        while (!s.empty() && s.back() == L'\\') s.pop_back();
        return s;
    };
    const std::wstring inside = folded(folder) + L'\\';
    for (const fs::path& root : programFiles) {
        const std::wstring r = folded(root);
        if (!r.empty() && inside.compare(0, r.size() + 1, r + L'\\') == 0) return true;
    }
    return false;
}

namespace {

std::vector<fs::path> ProgramFilesFolders() {
    std::vector<fs::path> folders;
#ifdef _WIN32
    for (const wchar_t* var : {L"ProgramFiles", L"ProgramW6432", L"ProgramFiles(x86)"})
        if (const wchar_t* v = _wgetenv(var); v && *v) folders.emplace_back(v);
#endif
    return folders;
}

}  // namespace

bool IsInstalledCopy(const fs::path& executableFolder) {
    std::error_code ec;
    if (fs::is_regular_file(executableFolder / kInstallMarkName, ec)) return true;
    return !fs::is_regular_file(executableFolder / "calend.dat", ec) &&
           fs::is_regular_file(executableFolder.parent_path() / "share" / "kalvo" / "calend.dat", ec);
}

fs::path ResolveProgramFolder(const fs::path& executableFolder) {
    // An installed copy keeps each user's data in the user's own folder wherever it was installed, even
    // where the user could write to the program's folder; so does any copy under Program Files, which
    // is shared by every user of the computer.
    if (!IsInstalledCopy(executableFolder) && !IsUnderProgramFiles(executableFolder, ProgramFilesFolders()) &&
        IsWritableFolder(executableFolder))
        return executableFolder;
    const fs::path data = UserDataFolder();
    CreatePrivateFolders(data);
    return data;
}

void CreatePrivateFolders(const fs::path& folder) {
    std::error_code ec;
#ifdef _WIN32
    fs::create_directories(folder, ec);  // a folder of the user's profile: its own access list
#else
    if (folder.empty() || fs::exists(folder, ec)) return;
    CreatePrivateFolders(folder.parent_path());
    ::mkdir(folder.c_str(), 0700);  // only its user may look in
#endif
}

fs::path FindAssetBeside(const fs::path& executableFolder, const std::string& name) {
    std::error_code ec;
    for (const fs::path& candidate :
         {executableFolder / name, executableFolder.parent_path() / "share" / "kalvo" / name}) {
        if (fs::is_regular_file(candidate, ec)) return candidate;
    }
    return {};
}

}  // namespace kalvo
