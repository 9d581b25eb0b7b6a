#include "storage/sync_hints.h"

#include <system_error>

#include "storage/record_hex.h"
#include "storage/snooze_file.h"

namespace kalvo::storage {
namespace {

constexpr std::string_view kHeader = "# Kalvo: zmeny pripomienok od poslednej synchronizácie";
constexpr std::uintmax_t kHintsLimit = 8u * 1024u * 1024u;

constexpr std::string_view KindName(HintKind kind) {
    switch (kind) {
        case HintKind::Acknowledged:
            return "ack";
        case HintKind::Deleted:
            return "delete";
        case HintKind::Archived:
            return "archive";
        case HintKind::Edited:
            break;
    }
    return "edit";
}

std::optional<HintKind> KindFrom(std::string_view name) {
    for (HintKind k : {HintKind::Edited, HintKind::Acknowledged, HintKind::Deleted, HintKind::Archived})
        if (KindName(k) == name) return k;
    return std::nullopt;
}

bool HasAfter(HintKind kind) { return kind == HintKind::Edited || kind == HintKind::Acknowledged; }

// The fields of a line split at its tabs.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t tab = line.find('\t');
        out.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return out;
        line.remove_prefix(tab + 1);
    }
}

std::optional<SyncHint> DecodeLine(std::string_view line) {
    const std::vector<std::string_view> f = Fields(line);
    if (f.size() != 4) return std::nullopt;
    SyncHint hint;
    const auto kind = KindFrom(f[0]);
    const auto at = ParseSnoozeMoment(f[1]);
    auto before = RecordFromHex(f[2]);
    if (!kind || !at || !before) return std::nullopt;
    hint.kind = *kind;
    hint.at = *at;
    hint.before = std::move(*before);
    if (HasAfter(hint.kind)) {
        hint.after = RecordFromHex(f[3]);
        if (!hint.after) return std::nullopt;
    } else if (f[3] != "-") {
        return std::nullopt;
    }
    return hint;
}

std::string_view AsText(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

DecodedHints DecodeHints(std::string_view text) {
    DecodedHints out;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        // A line without its end was cut short while it was written.
        if (eol == std::string_view::npos) {
            ++out.damagedLines;
            break;
        }
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (auto hint = DecodeLine(line)) out.hints.push_back(std::move(*hint));
        else ++out.damagedLines;
    }
    return out;
}

std::optional<std::string> EncodeHints(const std::vector<SyncHint>& hints) {
    std::string text(kHeader);
    text += '\n';
    for (const SyncHint& h : hints) {
        const auto before = RecordToHex(h.before);
        const auto after = h.after && HasAfter(h.kind) ? RecordToHex(*h.after) : std::optional<std::string>("-");
        if (!before || !after || (HasAfter(h.kind) && !h.after)) return std::nullopt;
        text.append(KindName(h.kind)).append("\t").append(FormatSnoozeMoment(h.at)).append("\t");
        text.append(*before).append("\t").append(*after).append("\n");
    }
    return text;
}

HintsRead ReadHintsFile(const std::filesystem::path& path) {
    const FileBytes read = ReadFileBytes(path, kHintsLimit);
    HintsRead out;
    out.outcome = read.outcome;
    out.errorCode = read.errorCode;
    if (read.outcome == ReadOutcome::Ok) out.decoded = DecodeHints(AsText(read.bytes));
    return out;
}

WriteResult AppendHints(const std::filesystem::path& path, const std::vector<SyncHint>& hints, Durability durability) {
    if (hints.empty()) return {};
    const FileBytes read = ReadFileBytes(path, kHintsLimit);
    if (read.outcome == ReadOutcome::Failed) return {false, read.errorCode};
    auto added = EncodeHints(hints);
    if (!added) return {false, 0};
    std::string text(AsText(read.bytes));
    // What a cut write left unfinished is not continued by the next line.
    if (!text.empty() && text.back() != '\n')
        text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    if (text.empty()) text = std::move(*added);
    else text += added->substr(added->find('\n') + 1);
    if (text.size() > kHintsLimit) return {};
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    return WriteFileAtomically(path, std::span<const std::uint8_t>(data, text.size()), durability);
}

WriteResult ClearHints(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return ec ? WriteResult{false, ec.value()} : WriteResult{};
}

}  // namespace kalvo::storage
