#include "storage/byte_io.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kalvo::storage {

bool ByteReader::Take(std::size_t n, const std::uint8_t*& at) {
    if (fault_ != ReadFault::None) return false;
    if (n > Remaining()) {
        fault_ = ReadFault::Truncated;
        pos_ = bytes_.size();
        return false;
    }
    at = bytes_.data() + pos_;
    pos_ += n;
    return true;
}

bool ByteReader::ReadDouble(double& out) {
    const std::uint8_t* at = nullptr;
    if (!Take(8, at)) return false;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | at[i];
    out = std::bit_cast<double>(bits);
    return true;
}

bool ByteReader::ReadInt32(std::int32_t& out) {
    const std::uint8_t* at = nullptr;
    if (!Take(4, at)) return false;
    const std::uint32_t bits = static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
                               (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
    out = static_cast<std::int32_t>(bits);
    return true;
}

bool ByteReader::ReadByte(std::uint8_t& out) {
    const std::uint8_t* at = nullptr;
    if (!Take(1, at)) return false;
    out = *at;
    return true;
}

bool ByteReader::ReadString(std::string_view& out) {
    std::int32_t count = 0;
    if (!ReadInt32(count)) return false;
    if (count < 0 || static_cast<std::size_t>(count) > Remaining()) {
        fault_ = ReadFault::Corrupt;
        pos_ = bytes_.size();
        return false;
    }
    if (count == 0) {
        out = {};
        return true;
    }
    const std::uint8_t* at = nullptr;
    Take(static_cast<std::size_t>(count), at);
    const auto* text = reinterpret_cast<const char*>(at);
    const void* zero = std::memchr(text, 0, static_cast<std::size_t>(count));
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : static_cast<std::size_t>(count);
    out = std::string_view(text, length);
    return true;
}

bool ByteReader::ReadText(std::string& utf8) {
    std::string_view raw;
    if (!ReadString(raw)) return false;
    utf8 = DecodeCp1250(raw);
    return true;
}

void ByteWriter::Grow(std::size_t n) { bytes_.resize(std::max({bytes_.size() * 2, size_ + n, std::size_t{64}})); }

void ByteWriter::WriteString(std::string_view bytes) {
    WriteInt32(static_cast<std::int32_t>(bytes.size()));
    if (bytes.empty()) return;
    std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
}

bool ByteWriter::WriteText(std::string_view utf8, Cp1250Error* error) {
    // A character never takes more bytes in the code page than in UTF-8, so the text's own length is room
    // enough; the count is filled in once the length is known.
    std::uint8_t* at = Room(4 + utf8.size());
    std::size_t length = 0;
    if (!EncodeCp1250Into(utf8, reinterpret_cast<char*>(at + 4), length, error)) return false;
    WriteInt32(static_cast<std::int32_t>(length));
    size_ += length;
    return true;
}

}  // namespace kalvo::storage
