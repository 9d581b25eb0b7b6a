#include "storage/reminder_file.h"

#include <algorithm>

#include "storage/byte_io.h"
#include "storage/reminder_scan.h"

namespace kalvo::storage {

std::string_view StatusName(FileStatus status) {
    switch (status) {
        case FileStatus::Ok:
            return "ok";
        case FileStatus::Empty:
            return "empty";
        case FileStatus::UnknownVersion:
            return "unknown-version";
        case FileStatus::Truncated:
            return "truncated";
        case FileStatus::Corrupt:
            return "corrupt";
    }
    return "corrupt";
}

DecodedReminders DecodeReminderFile(std::span<const std::uint8_t> bytes) {
    ReminderScan scan(bytes);
    DecodedReminders out;
    out.version = scan.Version();
    out.records.reserve(scan.Bound());
    while (scan.Next()) out.records.push_back(Materialize(scan.Current()));
    out.status = scan.Status();
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
