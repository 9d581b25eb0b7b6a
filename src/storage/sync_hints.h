#pragma once
// <user>.sync.hints: where the records of the list went since the last sync. The places that change a
// record (the editor, the name calendar, the store's delete, the scheduler moving a notice on or sending
// a reminder to the archive) note it, and the store writes the notes here just before it writes the
// reminder file, only while the user has a sync account. The sync follows each record through them to
// the item it belongs to, and clears them. One line per change:
//   edit|ack|delete|archive <tab> YYYY-MM-DD HH:MM:SS <tab> the record before, in hex <tab> after, or "-"
// A line that cannot be read (a torn last line, say) is left out: the sync then matches without it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/reminder.h"
#include "storage/file_io.h"

namespace kalvo::storage {

enum class HintKind {
    Edited,        // changed by the user (editor, name calendar, a script)
    Acknowledged,  // moved on by an alarm: the next notice, the given mark, the yearly date
    Deleted,       // removed by the user
    Archived,      // left the list for the archive after its alarm
};

struct SyncHint {
    HintKind kind = HintKind::Edited;
    std::int64_t at = 0;  // local moment of the change: day number * 86400 + second of the day
    TReminder before;
    std::optional<TReminder> after;  // for Edited and Acknowledged

    bool operator==(const SyncHint&) const = default;
};

struct DecodedHints {
    std::vector<SyncHint> hints;
    int damagedLines = 0;
};

DecodedHints DecodeHints(std::string_view text);
// Fails only when a record holds text the code page cannot hold.
std::optional<std::string> EncodeHints(const std::vector<SyncHint>& hints);

struct HintsRead {
    ReadOutcome outcome = ReadOutcome::Missing;
    int errorCode = 0;
    DecodedHints decoded;
};

HintsRead ReadHintsFile(const std::filesystem::path& path);
// Adds the hints at the end, replacing the file atomically. A file grown past its limit (no sync for a
// very long time) takes no more: the sync then matches records without them.
WriteResult AppendHints(const std::filesystem::path& path, const std::vector<SyncHint>& hints,
                        Durability durability = Durability::Flush);
WriteResult ClearHints(const std::filesystem::path& path);

}  // namespace kalvo::storage
