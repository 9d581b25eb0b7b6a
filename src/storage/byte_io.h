#pragma once
// Little-endian reading and writing of the program's binary files. The reader checks every length
// against the bytes that are left and records the first fault; after a fault every read fails.

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
    std::size_t Position() const { return pos_; }

private:
    bool Take(std::size_t n, const std::uint8_t*& at);

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    ReadFault fault_ = ReadFault::None;
};

class ByteWriter {
public:
    void WriteDouble(double value);
    void WriteInt32(std::int32_t value);
    void WriteByte(std::uint8_t value) { bytes_.push_back(value); }
    // A count followed by bytes that are already in the file's code page.
    void WriteString(std::string_view bytes);
    // UTF-8 text as a Windows-1250 string; false (nothing written) when the code page cannot hold it.
    bool WriteText(std::string_view utf8, Cp1250Error* error = nullptr);
    void Reserve(std::size_t n) { bytes_.reserve(n); }

    std::vector<std::uint8_t>& Bytes() { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    std::string scratch_;
};

}  // namespace kalvo::storage
