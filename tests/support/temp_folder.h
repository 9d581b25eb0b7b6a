#pragma once
// A fresh folder under the system's temporary folder, removed when the test ends.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/clock.h"

namespace kalvo::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::vector<std::uint8_t> Read(const std::string& name) const;
    bool Exists(const std::string& name) const;
    std::vector<std::string> Names() const;

private:
    std::filesystem::path path_;
};

// A clock the test sets by hand.
class FakeClock : public Clock {
public:
    LocalMoment now;
    LocalMoment Now() const override { return now; }
};

}  // namespace kalvo::test
