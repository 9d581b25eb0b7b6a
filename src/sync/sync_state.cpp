#include "sync/sync_state.h"

#include <charconv>
#include <cstdio>

#include "storage/data_files.h"
#include "storage/file_stamp.h"
#include "storage/record_hex.h"
#include "sync/record_match.h"

namespace kalvo::sync {
namespace {

constexpr std::string_view kMagic = "kalvo-sync 1\n";
constexpr std::string_view kEnd = "end";
constexpr std::uintmax_t kStateLimit = 1024u * 1024u * 1024u;

constexpr std::string_view StateName(ItemState s) {
    switch (s) {
        case ItemState::Created:
            return "created";
        case ItemState::Deleted:
            return "deleted";
        case ItemState::Archived:
            return "archived";
        case ItemState::Foreign:
            return "foreign";
        case ItemState::Synced:
            break;
    }
    return "synced";
}

std::optional<ItemState> StateFrom(std::string_view name) {
    for (ItemState s :
         {ItemState::Synced, ItemState::Created, ItemState::Deleted, ItemState::Archived, ItemState::Foreign})
        if (StateName(s) == name) return s;
    return std::nullopt;
}

std::string Hex64(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

template <typename T>
std::optional<T> Number(std::string_view s, int base = 10) {
    T v{};
    if (s.empty()) return std::nullopt;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

std::uint64_t HashText(std::string_view text) {
    return storage::HashBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

class Writer {
public:
    void Field(std::string_view key, std::string_view value) {
        out_.append(key).append(" ").append(std::to_string(value.size())).append("\n");
        out_.append(value).append("\n");
    }
    std::string Finish() {
        Field(kEnd, Hex64(HashText(out_)));
        return std::move(out_);
    }
    std::string out_{kMagic};
};

// Reads "key length\n<length bytes>\n" fields; every length is checked against what is left.
class Reader {
public:
    explicit Reader(std::string_view text) : all_(text), rest_(text) {}

    bool Next(std::string_view& key, std::string_view& value) {
        const std::size_t eol = rest_.find('\n');
        if (eol == std::string_view::npos || eol > 40) return false;
        const std::string_view head = rest_.substr(0, eol);
        const std::size_t space = head.find(' ');
        if (space == std::string_view::npos || space == 0) return false;
        const auto length = Number<std::size_t>(head.substr(space + 1));
        if (!length) return false;
        const std::string_view after = rest_.substr(eol + 1);
        if (*length >= after.size() || after[*length] != '\n') return false;
        fieldStart_ = static_cast<std::size_t>(rest_.data() - all_.data());
        key = head.substr(0, space);
        value = after.substr(0, *length);
        rest_ = after.substr(*length + 1);
        return true;
    }
    // Everything before the field read last.
    std::string_view Before() const { return all_.substr(0, fieldStart_); }
    bool AtEnd() const { return rest_.empty(); }

private:
    std::string_view all_;
    std::string_view rest_;
    std::size_t fieldStart_ = 0;
};

bool SetRecord(std::optional<TReminder>& slot, std::string_view hex) {
    slot = storage::RecordFromHex(hex);
    return slot.has_value();
}

StateRead Damaged() {
    StateRead r;
    r.status = StateStatus::Damaged;
    return r;
}

// The digest of the agreed snoozes, when nothing waits: a later sync that lists no change, finds the
// reminder file as the items describe it and the same snoozes has nothing to do, without the items.
std::optional<std::uint64_t> Settled(const SyncState& state) {
    if (state.readOnlySince != 0) return std::nullopt;
    std::uint64_t digest = 0;
    for (const SyncItem& i : state.items) {
        if (i.state == ItemState::Created || i.state == ItemState::Deleted || i.sentSinceToken) return std::nullopt;
        if (i.snoozedUntil != 0 && i.local) digest = AddToSnoozeDigest(digest, *i.local, i.snoozedUntil);
    }
    return digest;
}

}  // namespace

std::uint64_t AddToSnoozeDigest(std::uint64_t digest, const TReminder& record, std::int64_t until) {
    return digest + HashText(ExactKey(record) + '\n' + std::to_string(until));
}

std::string EncodeState(const SyncState& state) {
    Writer w;
    w.Field("calendar", state.calendar);
    w.Field("token", state.token);
    w.Field("filehash", Hex64(state.fileHash));
    w.Field("readonly", std::to_string(state.readOnlySince));
    if (const auto settled = Settled(state)) w.Field("settled", Hex64(*settled));
    for (const SyncItem& item : state.items) {
        w.Field("item", "");
        w.Field("uid", item.uid);
        w.Field("href", item.href);
        w.Field("etag", item.etag);
        w.Field("state", StateName(item.state));
        // A record the code page cannot hold never reaches the reminder file, so it cannot be an item's.
        if (item.base)
            if (const auto hex = storage::RecordToHex(*item.base)) w.Field("base", *hex);
        if (item.local)
            if (const auto hex = storage::RecordToHex(*item.local)) w.Field("local", *hex);
        if (!item.serverCopy.empty()) w.Field("copy", item.serverCopy);
        if (item.acknowledged != 0) w.Field("ack", std::to_string(item.acknowledged));
        if (item.snoozedUntil != 0) w.Field("snooze", std::to_string(item.snoozedUntil));
        if (item.sentSinceToken) w.Field("sent", "1");
    }
    return w.Finish();
}

StateRead DecodeState(std::string_view text, StatePart part) {
    if (text.substr(0, kMagic.size()) != kMagic) return Damaged();
    if (part == StatePart::Head) {
        // The last field is the hash of everything before it, in a form of fixed length.
        const std::size_t endField = kEnd.size() + 5 + 16;
        if (text.size() < kMagic.size() + endField) return Damaged();
        const std::string_view last = text.substr(text.size() - endField);
        const std::string_view before = text.substr(0, text.size() - endField);
        if (last != std::string(kEnd) + " 16\n" + Hex64(HashText(before)) + "\n") return Damaged();
    }
    Reader r(text.substr(kMagic.size()));
    StateRead out;
    SyncState& s = out.state;
    SyncItem* item = nullptr;
    std::string_view key, value;
    bool ended = false;
    // The hash covers the magic line too.
    const auto hashedUpTo = [&](const Reader& reader) {
        return HashText(text.substr(0, kMagic.size() + reader.Before().size()));
    };
    while (!ended && r.Next(key, value)) {
        bool ok = true;
        if (key == kEnd) {
            if (value != Hex64(hashedUpTo(r)) || !r.AtEnd()) return Damaged();
            ended = true;
        } else if (key == "item") {
            out.hasItems = true;
            if (part == StatePart::Head) {
                out.status = StateStatus::Ok;
                return out;
            }
            s.items.emplace_back();
            item = &s.items.back();
        } else if (!item) {
            if (key == "calendar") s.calendar = value;
            else if (key == "token") s.token = value;
            else if (key == "filehash") {
                const auto hash = Number<std::uint64_t>(value, 16);
                ok = hash.has_value();
                s.fileHash = hash.value_or(0);
            } else if (key == "readonly") {
                const auto since = Number<std::int64_t>(value);
                ok = since.has_value();
                s.readOnlySince = since.value_or(0);
            } else if (key == "settled") {
                out.settled = Number<std::uint64_t>(value, 16);
                ok = out.settled.has_value();
            }
        } else if (key == "uid") {
            item->uid = value;
        } else if (key == "href") {
            item->href = value;
        } else if (key == "etag") {
            item->etag = value;
        } else if (key == "state") {
            const auto state = StateFrom(value);
            ok = state.has_value();
            item->state = state.value_or(ItemState::Synced);
        } else if (key == "base") {
            ok = SetRecord(item->base, value);
        } else if (key == "local") {
            ok = SetRecord(item->local, value);
        } else if (key == "copy") {
            item->serverCopy = value;
        } else if (key == "ack") {
            const auto ack = Number<std::int64_t>(value);
            ok = ack.has_value();
            item->acknowledged = ack.value_or(0);
        } else if (key == "snooze") {
            const auto until = Number<std::int64_t>(value);
            ok = until.has_value();
            item->snoozedUntil = until.value_or(0);
        } else if (key == "sent") {
            ok = value == "1";
            item->sentSinceToken = ok;
        }
        // Keys of a later version are passed over.
        if (!ok) return Damaged();
    }
    if (!ended) return Damaged();
    out.settled = Settled(s);
    for (const SyncItem& i : s.items)
        if (i.uid.empty() || i.href.empty()) return Damaged();
    out.status = StateStatus::Ok;
    return out;
}

StateRead ReadStateFile(const std::filesystem::path& path, StatePart part) {
    const storage::FileBytes read = storage::ReadFileBytes(path, kStateLimit);
    if (read.outcome == storage::ReadOutcome::Missing) return {};
    if (read.outcome == storage::ReadOutcome::Failed) {
        StateRead failed;
        failed.status = StateStatus::Failed;
        failed.errorCode = read.errorCode;
        return failed;
    }
    return DecodeState(std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()), part);
}

storage::WriteResult WriteStateFile(const std::filesystem::path& path, const SyncState& state,
                                    storage::Durability durability) {
    const std::string text = EncodeState(state);
    return storage::WriteFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), durability);
}

std::filesystem::path KeepStateAside(const std::filesystem::path& path, const LocalMoment& now) {
    const std::filesystem::path aside = storage::DamagedCopyName(path, now);
    std::error_code ec;
    std::filesystem::rename(path, aside, ec);
    return ec ? std::filesystem::path() : aside;
}

}  // namespace kalvo::sync
