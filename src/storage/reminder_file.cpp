#include "storage/reminder_file.h"

#include <algorithm>

#include "storage/byte_io.h"

namespace kalvo::storage {

std::string_view StatusName(FileStatus status) {
    switch (status) {
        case FileStatus::Ok: return "ok";
        case FileStatus::Empty: return "empty";
        case FileStatus::UnknownVersion: return "unknown-version";
        case FileStatus::Truncated: return "truncated";
        case FileStatus::Corrupt: return "corrupt";
    }
    return "corrupt";
}

namespace {

bool ReadRecord(ByteReader& in, bool withWeekDay, TReminder& r) {
    return in.ReadInt32(r.Date) && in.ReadDouble(r.Time) && in.ReadText(r.Text) && in.ReadByte(r.Notice) &&
           in.ReadInt32(r.NoticeFrom) && in.ReadInt32(r.NoticeNext) && in.ReadInt32(r.Period) &&
           in.ReadDouble(r.NoticeTime) && in.ReadText(r.Picture) && in.ReadText(r.Melody) &&
           in.ReadByte(r.IsNameDay) && in.ReadByte(r.IsBirthday) && (!withWeekDay || in.ReadInt32(r.NoticeWeekDay));
}

FileStatus FromFault(ReadFault fault) { return fault == ReadFault::Corrupt ? FileStatus::Corrupt : FileStatus::Truncated; }

}  // namespace

DecodedReminders DecodeReminderFile(std::span<const std::uint8_t> bytes) {
    DecodedReminders out;
    if (bytes.empty()) return out;
    ByteReader in(bytes);
    double version = 0;
    if (!in.ReadDouble(version)) {
        out.status = FileStatus::Truncated;
        return out;
    }
    out.version = version;
    if (version != kReminderVersion && version != kReminderVersionOld) {
        out.status = FileStatus::UnknownVersion;
        return out;
    }
    std::int32_t count = 0;
    if (!in.ReadInt32(count)) {
        out.status = FileStatus::Truncated;
        return out;
    }
    if (count < 0) {
        out.status = FileStatus::Corrupt;
        return out;
    }
    const bool withWeekDay = version == kReminderVersion;
    // The smallest record is 47 or 51 bytes, so the bytes left bound what a count can honestly claim.
    const std::size_t smallest = withWeekDay ? 51 : 47;
    out.records.reserve(std::min<std::size_t>(static_cast<std::size_t>(count), in.Remaining() / smallest));
    for (std::int32_t i = 0; i < count; ++i) {
        TReminder r;
        if (!withWeekDay) r.NoticeWeekDay = 0;
        if (!ReadRecord(in, withWeekDay, r)) {
            out.status = FromFault(in.Fault());
            return out;
        }
        out.records.push_back(std::move(r));
    }
    out.status = FileStatus::Ok;
    return out;
}

std::optional<std::vector<std::uint8_t>> EncodeReminderFile(const ReminderList& records, EncodeFailure* failure) {
    ByteWriter out;
    if (records.empty()) return out.Take();
    std::size_t estimate = 12;
    for (const TReminder& r : records) estimate += 51 + r.Text.size() + r.Picture.size() + r.Melody.size();
    out.Reserve(estimate);
    out.WriteDouble(kReminderVersion);
    out.WriteInt32(static_cast<std::int32_t>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TReminder& r = records[i];
        auto text = [&](const std::string& value, const char* field) {
            Cp1250Error error;
            if (out.WriteText(value, &error)) return true;
            if (failure) *failure = EncodeFailure{i, field, error};
            return false;
        };
        out.WriteInt32(r.Date);
        out.WriteDouble(r.Time);
        if (!text(r.Text, "Text")) return std::nullopt;
        out.WriteByte(r.Notice);
        out.WriteInt32(r.NoticeFrom);
        out.WriteInt32(r.NoticeNext);
        out.WriteInt32(r.Period);
        out.WriteDouble(r.NoticeTime);
        if (!text(r.Picture, "Picture")) return std::nullopt;
        if (!text(r.Melody, "Melody")) return std::nullopt;
        out.WriteByte(r.IsNameDay);
        out.WriteByte(r.IsBirthday);
        out.WriteInt32(r.NoticeWeekDay);
    }
    return out.Take();
}

}  // namespace kalvo::storage
