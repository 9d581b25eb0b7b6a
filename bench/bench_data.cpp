#include "bench_data.h"

#include <random>

namespace kalvo::bench {

ReminderList MakeList(std::size_t n, DayNumber today, double duplicateShare, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> day(-1800, 1800), second(0, 86399), kind(0, 9), period(-1, 4), weekDay(0, 6);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    ReminderList list;
    list.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        TReminder r;
        if (i > 0 && chance(rng) < duplicateShare) {
            const TReminder& other = list[rng() % list.size()];
            r.Date = other.Date;
            r.Time = other.Time;
        } else {
            r.Date = today + day(rng);
            // Unique keys: the second of the day is spread with the index so no two records tie.
            r.Time = (second(rng) + static_cast<double>(i % 1000) / 1000.0) / 86400.0;
        }
        r.Text = "Stretnutie s klientom č. " + std::to_string(i) + " v zasadačke na treťom poschodí";
        const int k = kind(rng);
        if (k < 4) {
            r.Notice = 1;
            r.NoticeFrom = r.Date - 1 - static_cast<int>(rng() % 60);
            r.NoticeNext = r.NoticeFrom;
            r.Period = period(rng);
            r.NoticeTime = second(rng) / 86400.0;
            r.NoticeWeekDay = r.Period == rpWeekly ? weekDay(rng) : -1;
        } else if (k == 9) {
            r.Notice = 1;
            r.NoticeFrom = r.NoticeNext = r.Date - 1;
            r.NoticeTime = 8.0 / 24.0;
            (rng() % 2 ? r.IsNameDay : r.IsBirthday) = 1;
        }
        if (k == 5) r.Picture = "/home/eva/Obrázky/stretnutie.jpg";
        list.push_back(std::move(r));
    }
    return list;
}

}  // namespace kalvo::bench
