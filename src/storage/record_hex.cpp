#include "storage/record_hex.h"

#include <cstdint>
#include <vector>

#include "storage/reminder_file.h"

namespace kalvo::storage {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> RecordToHex(const TReminder& record) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto bytes = EncodeReminderFile(ReminderList{record});
    if (!bytes) return std::nullopt;
    std::string text;
    text.reserve(bytes->size() * 2);
    for (std::uint8_t b : *bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

std::optional<TReminder> RecordFromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    DecodedReminders decoded = DecodeReminderFile(bytes);
    if (decoded.status != FileStatus::Ok || decoded.records.size() != 1) return std::nullopt;
    return std::move(decoded.records.front());
}

}  // namespace kalvo::storage
