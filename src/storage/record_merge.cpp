#include "storage/record_merge.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <map>
#include <tuple>

namespace kalvo::storage {
namespace {

// Doubles by their bits: a record read back must match itself, NaN included.
auto Key(const TReminder& r) {
    return std::tie(r.Date, r.Text, r.Notice, r.NoticeFrom, r.NoticeNext, r.Period, r.Picture, r.Melody, r.IsNameDay,
                    r.IsBirthday, r.NoticeWeekDay);
}

bool Less(const TReminder& a, const TReminder& b) {
    const auto bitsA = std::pair(std::bit_cast<std::uint64_t>(a.Time), std::bit_cast<std::uint64_t>(a.NoticeTime));
    const auto bitsB = std::pair(std::bit_cast<std::uint64_t>(b.Time), std::bit_cast<std::uint64_t>(b.NoticeTime));
    if (bitsA != bitsB) return bitsA < bitsB;
    return Key(a) < Key(b);
}

struct RecordLess {
    bool operator()(const TReminder* a, const TReminder* b) const { return Less(*a, *b); }
};

using Counts = std::map<const TReminder*, long, RecordLess>;

Counts Count(const ReminderList& list) {
    Counts counts;
    for (const TReminder& r : list) ++counts[&r];
    return counts;
}

long CountOf(const Counts& counts, const TReminder& r) {
    const auto it = counts.find(&r);
    return it == counts.end() ? 0 : it->second;
}

}  // namespace

ReminderList MergeRecords(const ReminderList& base, const ReminderList& mine, const ReminderList& theirs) {
    const Counts inBase = Count(base), inMine = Count(mine), inTheirs = Count(theirs);
    // Per distinct record: copies of theirs to drop because this process removed them (a removal both
    // made counts once), and copies of mine to add because this process added them.
    Counts drop, add;
    for (const auto& [r, m] : inMine) {
        const long b = CountOf(inBase, *r);
        if (m > b) add[r] = m - b;
    }
    for (const auto& [r, b] : inBase) {
        const long m = CountOf(inMine, *r);
        if (m < b) drop[r] = std::max(0L, CountOf(inTheirs, *r) - m);
    }
    ReminderList merged;
    merged.reserve(theirs.size() + mine.size());
    for (const TReminder& r : theirs) {
        const auto it = drop.find(&r);
        if (it != drop.end() && it->second > 0) --it->second;
        else merged.push_back(r);
    }
    for (const TReminder& r : mine) {
        const auto it = add.find(&r);
        if (it == add.end() || it->second == 0) continue;
        --it->second;
        merged.push_back(r);
    }
    return merged;
}

ReminderList MergeRescued(const ReminderList& base, const ReminderList& mine, const ReminderList& current) {
    const Counts inMine = Count(mine), inCurrent = Count(current);
    const ReminderList all = MergeRecords(base, mine, current);
    Counts taken;  // keyed by the records of `all`, which stay where they are
    ReminderList merged;
    for (const TReminder& r : all) {
        if (++taken[&r] <= std::max(CountOf(inMine, r), CountOf(inCurrent, r))) merged.push_back(r);
    }
    return merged;
}

}  // namespace kalvo::storage
