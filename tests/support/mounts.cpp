#include "support/mounts.h"

#include <string>

#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#endif

namespace kalvo::test {

#ifdef __linux__
namespace {

bool PrivateMounts() {
    static const bool ok = [] {
        // New mounts must not spread to the machine's namespace.
        return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    return ok;
}

}  // namespace

ScopedTmpfs::ScopedTmpfs(std::filesystem::path folder, std::size_t bytes) : folder_(std::move(folder)) {
    if (!PrivateMounts()) return;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = ::mount("kalvo-test", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

ScopedTmpfs::~ScopedTmpfs() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

bool ScopedTmpfs::SetReadOnly(bool readOnly) {
    const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    return mounted_ && ::mount(nullptr, folder_.c_str(), nullptr, flags, nullptr) == 0;
}

#else

ScopedTmpfs::ScopedTmpfs(std::filesystem::path folder, std::size_t) : folder_(std::move(folder)) {}
ScopedTmpfs::~ScopedTmpfs() = default;
bool ScopedTmpfs::SetReadOnly(bool) { return false; }

#endif

}  // namespace kalvo::test
