#pragma once
// The records of a reminder file looked at in place: the fixed fields are read as the scan passes, the
// three texts stay Windows-1250 bytes in the file's buffer until a record is wanted whole. Every length
// is checked against the bytes left, with the statuses DecodeReminderFile gives.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/reminder.h"
#include "storage/reminder_file.h"

namespace kalvo::storage {

// One record: its fixed fields in `fields` (texts empty) and its texts as stored.
struct RecordView {
    TReminder fields;
    std::string_view text, picture, melody;  // the stored bytes, up to their first zero byte not yet cut
};

class ReminderScan {
public:
    // Reads the version and the count; `bytes` must outlive the scan.
    explicit ReminderScan(std::span<const std::uint8_t> bytes);

    std::optional<double> Version() const { return version_; }
    // Moves to the next record; false at the end of the records or at a fault.
    bool Next();
    const RecordView& Current() const { return current_; }
    // Index of the current record.
    std::size_t Index() const { return index_ - 1; }
    // What DecodeReminderFile would say, once Next has returned false.
    FileStatus Status() const { return status_; }
    // At most this many records can follow (the count, bounded by the bytes left).
    std::size_t Bound() const { return bound_; }

private:
    const std::uint8_t* at_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::optional<double> version_;
    std::size_t count_ = 0;
    std::size_t index_ = 0;
    std::size_t bound_ = 0;
    bool withWeekDay_ = true;
    FileStatus status_ = FileStatus::Empty;
    RecordView current_;
};

// A stored text as the program holds it: up to its first zero byte, as UTF-8.
std::string TextOf(std::string_view stored);

// The whole record, its texts decoded.
TReminder Materialize(const RecordView& view);

}  // namespace kalvo::storage
