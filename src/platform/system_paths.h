#pragma once
// Where the program's files are: its own folder, the per-user data folder and the installed assets.

#include <filesystem>
#include <string>
#include <vector>

namespace kalvo {

std::filesystem::path ExecutablePath();

// The name of the logged-on user.
std::string LogonUserName();

// $XDG_DATA_HOME/kalvo (or ~/.local/share/kalvo); %APPDATA%\Kalvo on Windows.
std::filesystem::path UserDataFolder();

bool IsWritableFolder(const std::filesystem::path& folder);

// Whether `folder` lies inside one of `programFiles` (compared as Windows compares paths: case and
// slashes do not matter).
bool IsUnderProgramFiles(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& programFiles);

// The file that the Windows installer writes beside the program it installed (an INI file with the
// installed version and whether it is for all users). A folder holding it is never portable.
inline constexpr const char* kInstallMarkName = "kalvo-install.ini";

// Whether the program in `executableFolder` was put there by an installer: the installer's mark beside
// it, or (a Linux install) the calendar in ../share/kalvo and none beside the program.
bool IsInstalledCopy(const std::filesystem::path& executableFolder);

// The executable's folder when it is a writable portable copy, else the per-user data folder (always
// for an installed copy, and for any program under Program Files on Windows), which is created when
// missing (see CreatePrivateFolders). A portable folder is never changed: its permissions are its
// owner's choice.
std::filesystem::path ResolveProgramFolder(const std::filesystem::path& executableFolder);

// Creates `folder` and whatever is missing above it for the user alone (0700 on POSIX systems); folders
// that exist stay as they are.
void CreatePrivateFolders(const std::filesystem::path& folder);

// `name` in the executable's folder, else in the installed data folder (../share/kalvo); empty if neither.
std::filesystem::path FindAssetBeside(const std::filesystem::path& executableFolder, const std::string& name);

}  // namespace kalvo
