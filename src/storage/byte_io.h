#pragma once
// Little-endian reading and writing of the program's binary files. The reader checks every length
// against the bytes that are left and records the first fault; after a fault every read fails.

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/cp1250.h"

namespace kalvo::storage {

enum class ReadFault { None, Truncated, Corrupt };

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ReadDouble(double& out);
    bool ReadInt32(std::int32_t& out);
    bool ReadByte(std::uint8_t& out);
    // An int32 byte count and that many bytes; the text ends at the first zero byte. A negative count
    // or one that runs past the end is a corrupt file, not an allocation.
    bool ReadString(std::string_view& out);
    // A string as text: the Windows-1250 bytes as UTF-8.
    bool ReadText(std::string& utf8);

    ReadFault Fault() const { return fault_; }
    std::size_t Remaining() const { return bytes_.size() - pos_; }

private:
    bool Take(std::size_t n, const std::uint8_t*& at);

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    ReadFault fault_ = ReadFault::None;
};

// Writes into one buffer that grows by doubling; the bytes are stored in place rather than pushed one
// by one, since a save of a long list spends its time here.
class ByteWriter {
public:
    void WriteDouble(double value) { Put(std::bit_cast<std::uint64_t>(value), 8); }
    void WriteInt32(std::int32_t value) { Put(static_cast<std::uint32_t>(value), 4); }
    void WriteByte(std::uint8_t value) {
        *Room(1) = value;
        ++size_;
    }
    // A count followed by bytes that are already in the file's code page.
    void WriteString(std::string_view bytes);
    // UTF-8 text as a Windows-1250 string; false (nothing written) when the code page cannot hold it.
    bool WriteText(std::string_view utf8, Cp1250Error* error = nullptr);
    void Reserve(std::size_t n) {
        if (n > bytes_.size()) bytes_.resize(n);
    }

    std::vector<std::uint8_t> Take() {
        bytes_.resize(size_);
        size_ = 0;
        return std::move(bytes_);
    }

private:
    // Room for `n` more bytes after the ones written; the caller advances `size_` by what it used.
    std::uint8_t* Room(std::size_t n) {
        if (bytes_.size() - size_ < n) Grow(n);
        return bytes_.data() + size_;
    }
    void Grow(std::size_t n);
    void Put(std::uint64_t bits, int count) {
        std::uint8_t* at = Room(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i, bits >>= 8) at[i] = static_cast<std::uint8_t>(bits & 0xFF);
        size_ += static_cast<std::size_t>(count);
    }

    std::vector<std::uint8_t> bytes_;  // its size is the room; `size_` bytes of it are written
    std::size_t size_ = 0;
};

}  // namespace kalvo::storage
