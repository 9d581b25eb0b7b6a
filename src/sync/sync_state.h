#pragma once
// <user>.sync: what the last sync of the user's reminders agreed on with the calendar on the server. The
// reminder file keeps its bytes; this file beside it gives each synced record its identity on the server
// (a random UID, the href and ETag of its resource), the record both sides last agreed on (the base of
// the next three-way merge), the record the reminder file held for it, and the last copy the server sent,
// so that properties Kalvo does not know survive its uploads. For the collection it keeps the calendar's
// address, its sync token and a hash of the reminder file the items describe.
//
// The file is text with length-prefixed values: every line "key length" is followed by exactly that many
// bytes and a line end, and the last line holds a hash of everything before it. The reader checks every
// length against the bytes left and the hash, so a damaged file is recognised as such, never half read.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/reminder.h"
#include "storage/file_io.h"

namespace kalvo::sync {

enum class ItemState {
    Synced,    // the server holds the item; `base` is what both sides last agreed on
    Created,   // the UID and href are chosen and the create may have reached the server: look before sending
    Deleted,   // removed here; the removal waits to be sent
    Archived,  // left the list for the archive here; stays on the server as an acknowledged event
    Foreign,   // an event that is no reminder here (a task, a past event of another calendar): only watched
};

struct SyncItem {
    std::string uid;
    std::string href;
    std::string etag;  // empty while the server has not confirmed one
    ItemState state = ItemState::Synced;
    std::optional<TReminder> base;   // the record both sides last agreed on
    std::optional<TReminder> local;  // the record of the reminder file this item stands for
    std::string serverCopy;          // the calendar object as the server last sent or took it
    std::int64_t acknowledged = 0;   // local moment (day * 86400 + second) of the last acknowledgement; 0: none
    std::int64_t snoozedUntil = 0;   // the snooze both sides last agreed on (local moment); 0: none
    // Written to the server after the collection's token was given out. A listing from that token may
    // leave such an item out even when it has gone meanwhile (a server that lists the difference between
    // two states of the collection does not mention what was made and removed in between).
    bool sentSinceToken = false;

    bool operator==(const SyncItem&) const = default;
};

struct SyncState {
    std::string calendar;            // the collection's address the items belong to
    std::string token;               // its sync token; empty: list everything next time
    std::uint64_t fileHash = 0;      // HashBytes of the reminder file the items' local records describe
    std::int64_t readOnlySince = 0;  // local moment the server refused a write (403); 0: it takes them
    std::vector<SyncItem> items;

    bool operator==(const SyncState&) const = default;
};

enum class StateStatus { Ok, Missing, Damaged, Failed };

// How much of the file a reader takes in: a sync with nothing to do needs only the lines before the items.
enum class StatePart { Whole, Head };

struct StateRead {
    StateStatus status = StateStatus::Missing;
    int errorCode = 0;  // for Failed
    SyncState state;    // empty unless Ok; without its items when only the head was read
    bool hasItems = false;
    // When no item waits to be sent or looked at again and the server takes writes: the digest of the
    // snoozes both sides agreed on (AddToSnoozeDigest). Read whole, it comes from the items; from the head
    // alone, as the writer put it there: none in a file that something waits in, or that an earlier
    // version wrote.
    std::optional<std::uint64_t> settled;
};

// An order-free digest of (record, snoozed until) pairs: the same pairs in any order give the same digest.
std::uint64_t AddToSnoozeDigest(std::uint64_t digest, const TReminder& record, std::int64_t until);

std::string EncodeState(const SyncState& state);
// Damaged for anything that is not a whole state as EncodeState writes it. The head alone is checked as
// thoroughly: the hash over the whole file, every length of the head.
StateRead DecodeState(std::string_view text, StatePart part = StatePart::Whole);

StateRead ReadStateFile(const std::filesystem::path& path, StatePart part = StatePart::Whole);
storage::WriteResult WriteStateFile(const std::filesystem::path& path, const SyncState& state,
                                    storage::Durability durability = storage::Durability::Flush);

// Where a damaged state file goes: beside it, with the name a damaged reminder file gets.
std::filesystem::path KeepStateAside(const std::filesystem::path& path, const LocalMoment& now);

}  // namespace kalvo::sync
