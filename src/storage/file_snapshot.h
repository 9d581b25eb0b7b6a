#pragma once
// A file's bytes for readers that only look: one read into one buffer, sized by the file's own length,
// without the copies of a growing vector. Writers replace files by renaming, so the open file stays what
// it was while it is read. Anything but a regular file goes through ReadFileBytes, which knows how to
// refuse it.

#include <cstdint>
#include <filesystem>
#include <span>

#include "storage/file_io.h"

namespace kalvo::storage {

class FileSnapshot {
public:
    FileSnapshot() = default;
    FileSnapshot(FileSnapshot&& other) noexcept;
    FileSnapshot& operator=(FileSnapshot&& other) noexcept;
    FileSnapshot(const FileSnapshot&) = delete;
    FileSnapshot& operator=(const FileSnapshot&) = delete;
    ~FileSnapshot();

    ReadOutcome outcome = ReadOutcome::Missing;
    int errorCode = 0;

    std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }

private:
    friend FileSnapshot SnapshotFile(const std::filesystem::path& path, std::uintmax_t limit);
    void Release();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;  // the length of an anonymous mapping holding the bytes; 0 for the heap
    std::vector<std::uint8_t> fallback_;
};

// The same outcomes, error codes and size limit as ReadFileBytes.
FileSnapshot SnapshotFile(const std::filesystem::path& path, std::uintmax_t limit = 512u * 1024u * 1024u);

}  // namespace kalvo::storage
