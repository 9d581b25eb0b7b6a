#include "storage/file_stamp.h"

#include <bit>
#include <cstring>

namespace kalvo::storage {

std::uint64_t HashBytes(std::span<const std::uint8_t> bytes) {
    // Eight bytes at a time in four lanes that do not wait for each other, then the rest byte by byte;
    // the lanes, the length and the rest are mixed at the end. A save of 100,000 reminders hashes 8 MB,
    // which one byte at a time took 10 ms.
    constexpr std::uint64_t kOdd1 = 0x9E3779B97F4A7C15ull, kOdd2 = 0xC2B2AE3D27D4EB4Full;
    std::uint64_t lanes[4] = {kOdd1, kOdd2, kOdd1 ^ kOdd2, ~kOdd1};
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 32; p += 32, left -= 32) {
        for (int i = 0; i < 4; ++i) {
            std::uint64_t word;
            std::memcpy(&word, p + 8 * i, 8);
            lanes[i] = std::rotl(lanes[i] ^ (word * kOdd2), 31) * kOdd1;
        }
    }
    std::uint64_t h = static_cast<std::uint64_t>(bytes.size()) * kOdd1;
    for (int i = 0; i < 4; ++i) h = (h ^ std::rotl(lanes[i], 8 * i + 1)) * kOdd2;
    for (; left > 0; ++p, --left) h = (h ^ *p) * 1099511628211ull;
    h ^= h >> 33;
    h *= kOdd2;
    h ^= h >> 29;
    return h;
}

FileStamp StampOf(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = bytes.size();
    std::error_code ec;
    stamp.modified = std::filesystem::last_write_time(path, ec);
    stamp.hash = HashBytes(bytes);
    return stamp;
}

}  // namespace kalvo::storage
