#include "storage/file_stamp.h"

namespace kalvo::storage {

std::uint64_t HashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
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
