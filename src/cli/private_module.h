#pragma once
// kalvo-cli's private modules: the code that needs libical or libdbus lives in shared objects of its own,
// opened only by the commands that use them, so the other commands start without loading those
// libraries (and ICU and libsystemd behind them). The modules lie in a folder fixed relative to the
// executable, in the build tree as after installation, or beside it in a portable copy.

#include <cstdint>
#include <filesystem>
#include <string>

namespace kalvo::cli {

// What every module's entry function returns first: the build it belongs to, so that a module left
// from another version is refused instead of called with tables of another shape.
struct ModuleStamp {
    std::uint32_t tableSize = 0;  // sizeof the table the module was built with
    const char* version = "";     // the project's version
};

// The folder the modules are looked for in, for an executable in exeFolder.
std::filesystem::path ModuleFolder(const std::filesystem::path& exeFolder);

// Opens the module at path and calls its entry function; the table it returns begins with a ModuleStamp
// that must carry tableSize and version. Throws CliError(kFileError) with a Slovak message naming the
// file when it is missing, cannot be opened or is of another build. A module once opened stays open.
const void* OpenModule(const std::filesystem::path& path, const char* entry, std::uint32_t tableSize,
                       const char* version);

// The folder of the running executable.
std::filesystem::path ExecutableFolder();

// Where a module is looked for: beside the executable (a portable copy of the programs in one folder)
// when it is there, else in the module folder.
std::filesystem::path ModulePath(const std::filesystem::path& exeFolder, const char* fileName);

// OpenModule for a module of this build, found as ModulePath finds it.
template <typename Table>
const Table& LoadModule(const char* fileName, const char* entry, const char* version) {
    return *static_cast<const Table*>(OpenModule(ModulePath(ExecutableFolder(), fileName), entry,
                                                 static_cast<std::uint32_t>(sizeof(Table)), version));
}

}  // namespace kalvo::cli
