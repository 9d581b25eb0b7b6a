#include "sync/record_match.h"

#include <bit>
#include <cmath>
#include <unordered_map>

#include "core/due.h"

namespace kalvo::sync {
namespace {

void Put(std::string& key, const void* data, std::size_t n) { key.append(static_cast<const char*>(data), n); }

template <typename T>
void Put(std::string& key, T value) {
    Put(key, &value, sizeof value);
}

void PutText(std::string& key, const std::string& text) {
    Put(key, static_cast<std::uint64_t>(text.size()));
    key += text;
}

void PutDouble(std::string& key, double v) { Put(key, std::bit_cast<std::uint64_t>(v)); }

// A yearly record's day without its year.
std::int32_t YearlessDay(DayNumber day) {
    const CivilDate c = DayToCivil(day);
    return c.month * 100 + c.day;
}

constexpr std::int64_t kDay = 86400;

}  // namespace

std::string ExactKey(const TReminder& r) {
    std::string key;
    Put(key, r.Date);
    PutDouble(key, r.Time);
    PutText(key, r.Text);
    Put(key, r.Notice);
    Put(key, r.NoticeFrom);
    Put(key, r.NoticeNext);
    Put(key, r.Period);
    PutDouble(key, r.NoticeTime);
    PutText(key, r.Picture);
    PutText(key, r.Melody);
    Put(key, r.IsNameDay);
    Put(key, r.IsBirthday);
    Put(key, r.NoticeWeekDay);
    return key;
}

std::string SteadyKey(const TReminder& r) {
    std::string key;
    Put(key, IsOrdinary(r) ? r.Date : YearlessDay(r.Date));
    PutDouble(key, r.Time);
    PutText(key, r.Text);
    Put(key, r.Notice);
    Put(key, r.NoticeFrom);
    Put(key, r.Period);
    // A given alarm keeps its time as the magnitude; -1 stands for none at all.
    PutDouble(key, r.NoticeTime == -1.0 ? -1.0 : std::fabs(r.NoticeTime));
    PutText(key, r.Picture);
    PutText(key, r.Melody);
    Put(key, r.IsNameDay);
    Put(key, r.IsBirthday);
    Put(key, r.NoticeWeekDay);
    return key;
}

std::string DateTimeTextKey(const TReminder& r) {
    std::string key;
    Put(key, r.Date);
    PutDouble(key, r.Time);
    PutText(key, r.Text);
    return key;
}

void PairBy(KeyOf key, const std::vector<const TReminder*>& a, std::vector<std::optional<std::size_t>>& pairOfA,
            const std::vector<const TReminder*>& b, std::vector<bool>& bTaken) {
    // The records still free under each key, first in list order first.
    std::unordered_map<std::string, std::vector<std::size_t>> free;
    for (std::size_t j = b.size(); j-- > 0;)
        if (!bTaken[j] && b[j]) free[key(*b[j])].push_back(j);
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (pairOfA[i] || !a[i]) continue;
        const auto it = free.find(key(*a[i]));
        if (it == free.end() || it->second.empty()) continue;
        pairOfA[i] = it->second.back();
        bTaken[it->second.back()] = true;
        it->second.pop_back();
    }
}

LocalMatch MatchLocal(const std::vector<const TReminder*>& locals, const ReminderList& records,
                      const std::vector<storage::SyncHint>& hints, std::int64_t now) {
    LocalMatch out;
    out.items.resize(locals.size());
    std::vector<const TReminder*> b(records.size());
    std::vector<bool> taken(records.size(), false);
    for (std::size_t j = 0; j < records.size(); ++j) {
        if (records[j].Text == kTimeSignalText) taken[j] = true;
        b[j] = &records[j];
    }
    std::vector<std::optional<std::size_t>> pair(locals.size());
    PairBy(ExactKey, locals, pair, b, taken);

    // Each hint moves one unpaired item that stands where the hint starts, so a chain of them leads an
    // item through every change the program noted.
    std::vector<const TReminder*> current = locals;
    std::vector<std::vector<const TReminder*>> chains(locals.size());
    for (std::size_t i = 0; i < locals.size(); ++i) chains[i].push_back(locals[i]);
    std::vector<std::optional<storage::SyncHint>> ends(locals.size());
    std::unordered_map<std::string, std::vector<std::size_t>> at;
    for (std::size_t i = locals.size(); i-- > 0;)
        if (!pair[i] && locals[i]) at[ExactKey(*locals[i])].push_back(i);
    for (const storage::SyncHint& hint : hints) {
        const auto it = at.find(ExactKey(hint.before));
        if (it == at.end() || it->second.empty()) continue;
        const std::size_t i = it->second.back();
        it->second.pop_back();
        if (hint.kind == storage::HintKind::Acknowledged || hint.kind == storage::HintKind::Archived)
            out.items[i].acknowledged = std::max(out.items[i].acknowledged, hint.at);
        if (hint.after) {
            current[i] = &*hint.after;
            chains[i].push_back(current[i]);
            at[ExactKey(*hint.after)].push_back(i);
            ends[i].reset();
        } else {
            current[i] = nullptr;
            ends[i] = hint;
        }
    }
    PairBy(ExactKey, current, pair, b, taken);
    // A hint whose change never reached the file (its write failed, or a crash came first) leads nowhere:
    // the record stands where the chain last reached the file.
    std::size_t longest = 0;
    for (const auto& c : chains) longest = std::max(longest, c.size());
    for (std::size_t back = 1; back <= longest; ++back) {
        std::vector<const TReminder*> earlier(locals.size(), nullptr);
        for (std::size_t i = 0; i < locals.size(); ++i) {
            const std::size_t skip = current[i] ? back : back - 1;  // the chain's end was tried already
            if (!pair[i] && skip < chains[i].size()) earlier[i] = chains[i][chains[i].size() - 1 - skip];
        }
        PairBy(ExactKey, earlier, pair, b, taken);
    }
    PairBy(SteadyKey, current, pair, b, taken);
    PairBy(DateTimeTextKey, current, pair, b, taken);
    PairBy(SteadyKey, locals, pair, b, taken);

    for (std::size_t i = 0; i < locals.size(); ++i) {
        LocalLink& link = out.items[i];
        if (pair[i]) {
            link.record = pair[i];
        } else if (ends[i]) {
            link.fate = ends[i]->kind == storage::HintKind::Archived ? Fate::Archived : Fate::Deleted;
            if (link.fate == Fate::Archived) link.left = ends[i]->before;
        } else if (locals[i]) {
            // Gone without a word: a reminder whose event has passed went to the archive or was deleted
            // as past; either way its event stays on the server.
            const TReminder& last = current[i] ? *current[i] : *locals[i];
            const bool passed = EventPassed(last, static_cast<DayNumber>(now / kDay),
                                            static_cast<double>(now % kDay) / static_cast<double>(kDay));
            link.fate = passed && IsOrdinary(last) ? Fate::Archived : Fate::Deleted;
            if (link.fate == Fate::Archived) link.left = last;
            if (link.fate == Fate::Archived && link.acknowledged == 0) link.acknowledged = now;
        }
    }
    for (std::size_t j = 0; j < records.size(); ++j)
        if (!taken[j]) out.newRecords.push_back(j);
    return out;
}

}  // namespace kalvo::sync
