#include "storage/snooze_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <system_error>

#include "core/datetime.h"
#include "storage/record_hex.h"

namespace kalvo::storage {
namespace {

constexpr std::string_view kHeader = "# Kalvo: odložené pripomienky";
constexpr std::uintmax_t kSnoozeLimit = 4u * 1024u * 1024u;  // thousands of entries; more is not a snooze file
constexpr std::int64_t kDay = 86400;

std::string_view KindName(SnoozeKind kind) { return kind == SnoozeKind::Notice ? "notice" : "event"; }

std::optional<int> Digits(std::string_view s) {
    int v = 0;
    if (s.empty()) return std::nullopt;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<PendingSnooze> DecodeLine(std::string_view line) {
    const std::size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos) return std::nullopt;
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) return std::nullopt;
    PendingSnooze entry;
    const auto until = ParseSnoozeMoment(line.substr(0, tab1));
    if (!until) return std::nullopt;
    entry.until = *until;
    const std::string_view kind = line.substr(tab1 + 1, tab2 - tab1 - 1);
    if (kind == "event") entry.kind = SnoozeKind::Event;
    else if (kind == "notice") entry.kind = SnoozeKind::Notice;
    else return std::nullopt;
    auto record = RecordFromHex(line.substr(tab2 + 1));
    if (!record) return std::nullopt;
    entry.record = std::move(*record);
    return entry;
}

}  // namespace

std::string FormatSnoozeMoment(std::int64_t moment) {
    std::int64_t day = moment / kDay, second = moment % kDay;
    if (second < 0) {
        second += kDay;
        --day;
    }
    const CivilDate c = DayToCivil(day);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(c.year), c.month, c.day,
                  static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return buf;
}

std::optional<std::int64_t> ParseSnoozeMoment(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto y = Digits(text.substr(0, 4)), mo = Digits(text.substr(5, 2)), d = Digits(text.substr(8, 2));
    const auto h = Digits(text.substr(11, 2)), mi = Digits(text.substr(14, 2)), s = Digits(text.substr(17, 2));
    if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
    if (*mo < 1 || *mo > 12 || *d < 1 || *d > DaysInMonth(*y, *mo) || *h > 23 || *mi > 59 || *s > 59)
        return std::nullopt;
    return CivilToDay(*y, *mo, *d) * kDay + (*h * 60 + *mi) * 60 + *s;
}

DecodedSnoozes DecodeSnoozes(std::string_view text) {
    DecodedSnoozes out;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (auto entry = DecodeLine(line)) out.entries.push_back(std::move(*entry));
        else ++out.damagedLines;
    }
    return out;
}

std::optional<std::string> EncodeSnoozes(const std::vector<PendingSnooze>& entries) {
    std::string text(kHeader);
    text += '\n';
    for (const PendingSnooze& e : entries) {
        const auto hex = RecordToHex(e.record);
        if (!hex) return std::nullopt;
        text += FormatSnoozeMoment(e.until);
        text += '\t';
        text += KindName(e.kind);
        text += '\t';
        text += *hex;
        text += '\n';
    }
    return text;
}

std::vector<PendingSnooze> MergeSnoozes(const std::vector<PendingSnooze>& base, const std::vector<PendingSnooze>& mine,
                                        const std::vector<PendingSnooze>& theirs) {
    const auto in = [](const std::vector<PendingSnooze>& list, const PendingSnooze& e) {
        return std::find(list.begin(), list.end(), e) != list.end();
    };
    std::vector<PendingSnooze> merged;
    for (const PendingSnooze& e : mine)
        if (in(theirs, e) || !in(base, e)) merged.push_back(e);
    for (const PendingSnooze& e : theirs) {
        if (in(base, e) || in(merged, e)) continue;
        // A reminder put off anew on both sides is put off once, until the later moment, as the sync
        // decides it; a notice's snoozes stay apart.
        const auto same = std::find_if(merged.begin(), merged.end(), [&](const PendingSnooze& m) {
            return e.kind == SnoozeKind::Event && m.kind == SnoozeKind::Event && m.record == e.record && !in(base, m);
        });
        if (same != merged.end()) same->until = std::max(same->until, e.until);
        else merged.push_back(e);
    }
    return merged;
}

SnoozeRead ReadSnoozeFile(const std::filesystem::path& path) {
    FileBytes read = ReadFileBytes(path, kSnoozeLimit);
    SnoozeRead out;
    out.outcome = read.outcome;
    out.errorCode = read.errorCode;
    if (read.outcome == ReadOutcome::Ok)
        out.decoded =
            DecodeSnoozes(std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()));
    out.bytes = std::move(read.bytes);
    return out;
}

WriteResult WriteSnoozeFile(const std::filesystem::path& path, const std::vector<PendingSnooze>& entries,
                            Durability durability) {
    if (entries.empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return ec ? WriteResult{false, ec.value()} : WriteResult{};
    }
    const auto text = EncodeSnoozes(entries);
    if (!text) return WriteResult{false, 0};
    const auto* data = reinterpret_cast<const std::uint8_t*>(text->data());
    return WriteFileAtomically(path, std::span<const std::uint8_t>(data, text->size()), durability);
}

}  // namespace kalvo::storage
