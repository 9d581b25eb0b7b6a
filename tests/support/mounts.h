#pragma once
// Real file-system faults for tests that run as root on Linux: a tiny tmpfs that fills up, a folder that
// is really read-only (root ignores file permissions). The test process first moves into a mount
// namespace of its own, so its mounts are invisible to the machine and vanish with the process at the
// latest. Where the machine does not allow it, Mounted() is false and the test skips.

#include <cstddef>
#include <filesystem>

namespace kalvo::test {

class ScopedTmpfs {
public:
    // Mounts a tmpfs of `bytes` over `folder`, which must exist (and outlive this object).
    ScopedTmpfs(std::filesystem::path folder, std::size_t bytes);
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool Mounted() const { return mounted_; }
    bool SetReadOnly(bool readOnly);

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

}  // namespace kalvo::test
