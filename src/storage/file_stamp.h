#pragma once
// What a process saw of a file when it last read or wrote it, to tell later whether someone else has
// replaced it since: existence, size, modification time and a hash of the bytes.

#include <cstdint>
#include <filesystem>
#include <span>

namespace kalvo::storage {

struct FileStamp {
    bool exists = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    std::uint64_t hash = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of `bytes` just read from (or written to) `path`; its time is asked of the file system.
FileStamp StampOf(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
inline FileStamp MissingStamp() { return {}; }

// 64 bits that change with any byte: a change detector, not a defence against anyone.
std::uint64_t HashBytes(std::span<const std::uint8_t> bytes);

}  // namespace kalvo::storage
