// Any bytes as a reminder, archive or export file: the reader must end with a status, never crash or
// allocate beyond what the file can hold, and what it read must survive a write and a second read.

#include <bit>
#include <cstdint>
#include <cstdlib>

#include "storage/reminder_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvo::storage;
    const DecodedReminders first = DecodeReminderFile(std::span(data, size));
    const auto bytes = EncodeReminderFile(first.records);
    if (!bytes) std::abort();  // everything read can be written back
    const DecodedReminders second = DecodeReminderFile(*bytes);
    if (second.records.size() != first.records.size()) std::abort();
    for (std::size_t i = 0; i < first.records.size(); ++i) {
        const kalvo::TReminder& a = first.records[i];
        const kalvo::TReminder& b = second.records[i];
        // Compared field by field with the bits of the doubles, so NaN values count as equal.
        if (a.Text != b.Text || a.Picture != b.Picture || a.Melody != b.Melody || a.Date != b.Date ||
            std::bit_cast<std::uint64_t>(a.Time) != std::bit_cast<std::uint64_t>(b.Time) ||
            std::bit_cast<std::uint64_t>(a.NoticeTime) != std::bit_cast<std::uint64_t>(b.NoticeTime) ||
            a.Notice != b.Notice || a.NoticeFrom != b.NoticeFrom || a.NoticeNext != b.NoticeNext ||
            a.Period != b.Period || a.IsNameDay != b.IsNameDay || a.IsBirthday != b.IsBirthday ||
            a.NoticeWeekDay != b.NoticeWeekDay)
            std::abort();
    }
    return 0;
}
