#include "cli/private_module.h"

#include <cstring>

#include <dlfcn.h>
#include <unistd.h>

#include "cli/cli_context.h"
#include "storage/file_io.h"

namespace kalvo::cli {

std::filesystem::path ModuleFolder(const std::filesystem::path& exeFolder) {
    // KALVO_CLI_MODULE_DIR is the way from the programs' folder to the modules' one, as installed.
    return (exeFolder / KALVO_CLI_MODULE_DIR).lexically_normal();
}

std::filesystem::path ModulePath(const std::filesystem::path& exeFolder, const char* fileName) {
    std::error_code ec;
    if (const auto beside = exeFolder / fileName; std::filesystem::exists(beside, ec)) return beside;
    return ModuleFolder(exeFolder) / fileName;
}

std::filesystem::path ExecutableFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
    buffer.resize(static_cast<std::size_t>(n));
    return std::filesystem::path(buffer).parent_path();
}

const void* OpenModule(const std::filesystem::path& path, const char* entry, std::uint32_t tableSize,
                       const char* version) {
    const std::string name = storage::Utf8FromPath(path);
    const auto fail = [&](const std::string& why) -> CliError {
        return CliError(kFileError, "Chýba súčasť programu " + name + " (" + why +
                                        "). Tento príkaz bez nej nefunguje; nainštalujte Kalvo znova.");
    };
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw fail("súbor neexistuje");
    // Local: the module's copies of the program's own code stay its own.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        throw fail(std::string("nedá sa načítať: ") + (why ? why : "neznáma chyba"));
    }
    using Entry = const void* (*)();
    auto* function = reinterpret_cast<Entry>(::dlsym(handle, entry));
    const void* table = function ? function() : nullptr;
    const auto* stamp = static_cast<const ModuleStamp*>(table);
    if (!stamp || stamp->tableSize != tableSize || std::strcmp(stamp->version, version) != 0) {
        ::dlclose(handle);
        throw fail("je z inej verzie Kalva");
    }
    return table;
}

}  // namespace kalvo::cli
