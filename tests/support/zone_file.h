#pragma once
// A time zone file of the test's own, named by TZ, that the test swaps for another zone while the code
// under test runs, as a change of the system's zone replaces /etc/localtime.

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "support/scoped_env.h"

namespace kalvo::test {

class SwappableZone {
public:
    // The system's zone files (tzdata); the tests that need them are skipped without.
    static std::filesystem::path SystemZone(const std::string& name) {
        return std::filesystem::path("/usr/share/zoneinfo") / name;
    }
    static bool Available(const std::string& name) { return std::filesystem::is_regular_file(SystemZone(name)); }

    SwappableZone(const std::filesystem::path& file, const std::string& zone) : file_(file) {
        SwapTo(zone);
        env_.emplace("TZ", ":" + file.string());
        tzset();
    }
    // TZ comes back as it was, and the C library reads it again.
    ~SwappableZone() {
        env_.reset();
        tzset();
    }
    SwappableZone(const SwappableZone&) = delete;
    SwappableZone& operator=(const SwappableZone&) = delete;

    // A new file renamed over the old one, as timedated and package managers replace zone files.
    void SwapTo(const std::string& zone) const {
        const std::filesystem::path next = file_.string() + ".new";
        std::filesystem::copy_file(SystemZone(zone), next, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::rename(next, file_);
    }

private:
    std::filesystem::path file_;
    std::optional<ScopedEnv> env_;
};

}  // namespace kalvo::test
