#include "core/zorad.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

namespace kalvo {
namespace {

// Counts over positions 0..n-1 with prefix sums and "k-th free slot" search.
class Fenwick {
public:
    explicit Fenwick(std::size_t n) : tree_(n + 1, 0) {}
    void Add(std::size_t pos, int delta) {
        for (std::size_t i = pos + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
    }
    // Sum over positions [0, pos).
    int Prefix(std::size_t pos) const {
        int s = 0;
        for (std::size_t i = pos; i > 0; i -= i & (~i + 1)) s += tree_[i];
        return s;
    }
    // Smallest position whose prefix sum (inclusive) exceeds k; positions hold 0 or 1.
    std::size_t FindKth(int k) const {
        std::size_t pos = 0;
        std::size_t step = 1;
        while (step * 2 < tree_.size()) step *= 2;
        for (; step > 0; step /= 2) {
            if (pos + step < tree_.size() && tree_[pos + step] <= k) {
                pos += step;
                k -= tree_[pos];
            }
        }
        return pos;
    }

private:
    std::vector<int> tree_;
};

// The arrangement that "for i, for j >= i: if key[j] < key[i] swap" leaves, as indices into `keys`.
//
// Step i puts the first occurrence of the smallest remaining key at position i; the elements it passes
// on the way move one place along the chain of decreasing keys. Seen from one group of equal keys v,
// only the elements below v matter: every smaller element that the scan meets while the group's
// leading run stands in front of it moves the first member of that run to the run's end. So the
// group's final order is: start with the run before the first smaller element, rotate it by one for
// every smaller element, and append each following run of the group as it is reached. Larger keys
// never change it. That gives the exact result in O(n log n) instead of the passes' O(n^2).
template <class Key>
std::vector<std::size_t> ExchangeOrder(const std::vector<Key>& keys) {
    const std::size_t n = keys.size();
    std::vector<std::size_t> byKey(n);
    std::iota(byKey.begin(), byKey.end(), std::size_t{0});
    std::sort(byKey.begin(), byKey.end(), [&](std::size_t a, std::size_t b) {
        if (keys[a] < keys[b]) return true;
        if (keys[b] < keys[a]) return false;
        return a < b;
    });

    Fenwick smaller(n);  // positions of the keys below the current group
    int smallerTotal = 0;
    std::vector<std::size_t> result;
    result.reserve(n);
    std::vector<std::size_t> inserts;

    for (std::size_t b = 0; b < n;) {
        std::size_t e = b + 1;
        while (e < n && !(keys[byKey[b]] < keys[byKey[e]])) ++e;
        const std::size_t g = e - b;
        if (g == 1) {
            result.push_back(byKey[b]);
        } else {
            // The run is kept as a physical sequence P read from offset o; rotating moves o and appending
            // inserts at o. The insert positions are replayed backwards to place every member.
            inserts.clear();
            std::size_t size = 0;
            std::size_t offset = 0;
            int before = 0;
            for (std::size_t k = b; k < e; ++k) {
                const int here = smaller.Prefix(byKey[k]);
                if (k > b) offset = (offset + static_cast<std::size_t>(here - before)) % size;
                before = here;
                inserts.push_back(offset);
                ++offset;
                ++size;
            }
            offset = (offset + static_cast<std::size_t>(smallerTotal - before)) % size;

            Fenwick free(g);
            for (std::size_t s = 0; s < g; ++s) free.Add(s, 1);
            std::vector<std::size_t> physical(g);
            for (std::size_t k = g; k-- > 0;) {
                const std::size_t slot = free.FindKth(static_cast<int>(inserts[k]));
                physical[slot] = byKey[b + k];
                free.Add(slot, -1);
            }
            for (std::size_t s = 0; s < g; ++s) result.push_back(physical[(offset + s) % g]);
        }
        for (std::size_t k = b; k < e; ++k) smaller.Add(byKey[k], 1);
        smallerTotal += static_cast<int>(g);
        b = e;
    }
    return result;
}

// The second pass within one date: a NaN time compares false with everything, so such a record never
// moves and a scan that starts on it changes nothing. The others are ordered as if it were not there.
void OrderSameDate(std::vector<std::size_t>& order, std::size_t begin, std::size_t end, const ReminderList& list) {
    std::vector<std::size_t> movable;
    std::vector<double> times;
    for (std::size_t p = begin; p < end; ++p) {
        if (std::isnan(list[order[p]].Time)) continue;
        movable.push_back(p);
        times.push_back(list[order[p]].Time);
    }
    const std::vector<std::size_t> arranged = ExchangeOrder(times);
    std::vector<std::size_t> records(movable.size());
    for (std::size_t k = 0; k < movable.size(); ++k) records[k] = order[movable[arranged[k]]];
    for (std::size_t k = 0; k < movable.size(); ++k) order[movable[k]] = records[k];
}

bool KeyLess(const TReminder& a, const TReminder& b) { return a.Date != b.Date ? a.Date < b.Date : a.Time < b.Time; }

// The common cases, in one pass: a list already in order, or one with a single record added at its end.
// Without NaN times and equal keys the passes give the plain ascending order (see below), so the added
// record only has to be moved into its place. False, with the list untouched, for anything else.
bool OrderedButTheLast(ReminderList& list) {
    const std::size_t n = list.size();
    for (const TReminder& r : list)
        if (std::isnan(r.Time)) return false;
    for (std::size_t k = 1; k + 1 < n; ++k)
        if (!KeyLess(list[k - 1], list[k])) return false;
    const TReminder& last = list[n - 1];
    if (KeyLess(list[n - 2], last)) return true;
    const auto at = std::lower_bound(list.begin(), list.end() - 1, last, KeyLess);
    if (!KeyLess(last, *at)) return false;  // an equal key: the passes decide
    std::rotate(at, list.end() - 1, list.end());
    return true;
}

}  // namespace

void Zorad(ReminderList& list) {
    const std::size_t n = list.size();
    if (n < 2) return;
    if (OrderedButTheLast(list)) return;

    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});

    // Sorting compact keys rather than the records keeps the common case cache-friendly.
    struct Key {
        DayNumber date;
        double time;
        std::size_t index;
    };
    std::vector<Key> keys(n);
    bool ties = false;
    for (std::size_t k = 0; k < n; ++k) {
        keys[k] = Key{list[k].Date, list[k].Time, k};
        ties = ties || std::isnan(list[k].Time);
    }
    if (!ties) {
        std::sort(keys.begin(), keys.end(),
                  [](const Key& a, const Key& b) { return a.date != b.date ? a.date < b.date : a.time < b.time; });
        for (std::size_t p = 1; p < n && !ties; ++p)
            ties = keys[p - 1].date == keys[p].date && keys[p - 1].time == keys[p].time;
        for (std::size_t p = 0; p < n; ++p) order[p] = keys[p].index;
    }

    if (ties) {
        // Without ties the passes give the plain ascending order computed above; with ties their exact
        // effect decides the order of equal records.
        std::vector<DayNumber> dates(n);
        for (std::size_t k = 0; k < n; ++k) dates[k] = list[k].Date;
        order = ExchangeOrder(dates);
        // The second pass only exchanges records of the same date, which now stand together.
        for (std::size_t b = 0; b < n;) {
            std::size_t e = b + 1;
            while (e < n && list[order[e]].Date == list[order[b]].Date) ++e;
            if (e - b > 1) OrderSameDate(order, b, e, list);
            b = e;
        }
    }

    ReminderList sorted;
    sorted.reserve(n);
    for (std::size_t k : order) sorted.push_back(std::move(list[k]));
    list = std::move(sorted);
}

}  // namespace kalvo
