#include "storage/reminder_scan.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/cp1250.h"

namespace kalvo::storage {
namespace {

std::uint32_t Bits32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

double Double(const std::uint8_t* at) {
    const std::uint64_t bits = Bits32(at) | (static_cast<std::uint64_t>(Bits32(at + 4)) << 32);
    return std::bit_cast<double>(bits);
}

std::int32_t Int32(const std::uint8_t* at) { return static_cast<std::int32_t>(Bits32(at)); }

// Reads within [at, end), recording the first fault the way ByteReader does: too few bytes for a field
// is a truncated file, a string count that is negative or runs past the end a corrupt one.
struct Cursor {
    const std::uint8_t*& at;
    const std::uint8_t* end;
    FileStatus fault = FileStatus::Ok;

    bool Has(std::size_t n) {
        if (static_cast<std::size_t>(end - at) >= n) return true;
        fault = FileStatus::Truncated;
        return false;
    }
    bool Int(std::int32_t& out) {
        if (!Has(4)) return false;
        out = Int32(at);
        at += 4;
        return true;
    }
    bool Real(double& out) {
        if (!Has(8)) return false;
        out = Double(at);
        at += 8;
        return true;
    }
    bool Byte(std::uint8_t& out) {
        if (!Has(1)) return false;
        out = *at++;
        return true;
    }
    bool String(std::string_view& out) {
        std::int32_t count = 0;
        if (!Int(count)) return false;
        if (count < 0 || static_cast<std::size_t>(count) > static_cast<std::size_t>(end - at)) {
            fault = FileStatus::Corrupt;
            return false;
        }
        out = std::string_view(reinterpret_cast<const char*>(at), static_cast<std::size_t>(count));
        at += count;
        return true;
    }
};

}  // namespace

ReminderScan::ReminderScan(std::span<const std::uint8_t> bytes) : at_(bytes.data()), end_(bytes.data() + bytes.size()) {
    if (bytes.empty()) return;
    Cursor in{at_, end_};
    double version = 0;
    if (!in.Real(version)) {
        status_ = FileStatus::Truncated;
        return;
    }
    version_ = version;
    if (version != kReminderVersion && version != kReminderVersionOld) {
        status_ = FileStatus::UnknownVersion;
        return;
    }
    std::int32_t count = 0;
    if (!in.Int(count)) {
        status_ = FileStatus::Truncated;
        return;
    }
    if (count < 0) {
        status_ = FileStatus::Corrupt;
        return;
    }
    withWeekDay_ = version == kReminderVersion;
    count_ = static_cast<std::size_t>(count);
    // The smallest record is 47 or 51 bytes, so the bytes left bound what a count can honestly claim.
    bound_ = std::min(count_, static_cast<std::size_t>(end_ - at_) / (withWeekDay_ ? 51 : 47));
    status_ = count_ == 0 ? FileStatus::Ok : FileStatus::Truncated;
    if (!withWeekDay_) current_.fields.NoticeWeekDay = 0;
}

bool ReminderScan::Next() {
    if (index_ >= count_) return false;
    Cursor in{at_, end_};
    TReminder& r = current_.fields;
    if (!(in.Int(r.Date) && in.Real(r.Time) && in.String(current_.text) && in.Byte(r.Notice) && in.Int(r.NoticeFrom) &&
          in.Int(r.NoticeNext) && in.Int(r.Period) && in.Real(r.NoticeTime) && in.String(current_.picture) &&
          in.String(current_.melody) && in.Byte(r.IsNameDay) && in.Byte(r.IsBirthday) &&
          (!withWeekDay_ || in.Int(r.NoticeWeekDay)))) {
        status_ = in.fault;
        count_ = index_;  // nothing more is read after a fault
        return false;
    }
    if (++index_ == count_) status_ = FileStatus::Ok;
    return true;
}

std::string TextOf(std::string_view stored) {
    if (stored.empty()) return {};
    const void* zero = std::memchr(stored.data(), 0, stored.size());
    if (zero) stored = stored.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - stored.data()));
    return DecodeCp1250(stored);
}

TReminder Materialize(const RecordView& view) {
    TReminder r = view.fields;
    r.Text = TextOf(view.text);
    r.Picture = TextOf(view.picture);
    r.Melody = TextOf(view.melody);
    return r;
}

}  // namespace kalvo::storage
