#include "core/reminder_request.h"

#include <array>
#include <charconv>
#include <string_view>

#include "core/cp1250.h"
#include "core/text_locale.h"

namespace kalvo {
namespace {

constexpr std::array<std::string_view, 5> kPeriods{"denne", "týždenne", "mesačne", "ročne", "bez opakovania"};
constexpr std::array<std::string_view, 7> kWeekDays{"pondelok", "utorok", "streda", "štvrtok",
                                                    "piatok",   "sobota", "nedeľa"};
constexpr std::size_t kMaxText = 1000;  // bytes; far more than the editor's box shows

// Digits only, at most `width` of them, within [low, high].
std::optional<int> Number(std::string_view s, std::size_t width, int low, int high) {
    if (s.empty() || s.size() > width) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value < low || value > high) return std::nullopt;
    return value;
}

std::vector<std::string_view> Split(std::string_view s, char by) {
    std::vector<std::string_view> parts;
    for (std::size_t from = 0;;) {
        const std::size_t at = s.find(by, from);
        parts.push_back(s.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos) return parts;
        from = at + 1;
    }
}

template <std::size_t N>
int IndexOf(const std::array<std::string_view, N>& words, std::string_view word) {
    for (std::size_t i = 0; i < N; ++i)
        if (words[i] == word) return static_cast<int>(i);
    return -1;
}

BuiltReminder Refuse(std::string why) { return BuiltReminder{std::nullopt, std::move(why)}; }

}  // namespace

std::optional<DayNumber> ParseDayText(const std::string& text) {
    const auto parts = Split(text, '.');
    if (parts.size() != 3) return std::nullopt;
    const auto day = Number(parts[0], 2, 1, 31), month = Number(parts[1], 2, 1, 12), year = Number(parts[2], 4, 1900, 9999);
    if (!day || !month || !year || parts[2].size() != 4 || *day > DaysInMonth(*year, *month)) return std::nullopt;
    return ClampDay(CivilToDay(*year, *month, *day));
}

std::optional<double> ParseTimeText(const std::string& text) {
    const auto parts = Split(text, ':');
    if (parts.size() < 2 || parts.size() > 3 || parts[1].size() != 2) return std::nullopt;
    const auto hour = Number(parts[0], 2, 0, 23), minute = Number(parts[1], 2, 0, 59);
    int second = 0;
    if (parts.size() == 3) {
        const auto s = parts[2].size() == 2 ? Number(parts[2], 2, 0, 59) : std::nullopt;
        if (!s) return std::nullopt;
        second = *s;
    }
    if (!hour || !minute) return std::nullopt;
    return TimeFraction(*hour, *minute, second);
}

BuiltReminder BuildReminder(const ReminderRequest& q) {
    TReminder r;
    const auto date = ParseDayText(q.date);
    if (!date) return Refuse("Neplatný dátum \"" + q.date + "\" (očakáva sa D.M.RRRR).");
    const auto time = ParseTimeText(q.time);
    if (!time) return Refuse("Neplatný čas \"" + q.time + "\" (očakáva sa HH:MM).");
    r.Date = *date;
    r.Time = *time;
    if (q.text.empty()) return Refuse("Text pripomienky je prázdny.");
    if (q.text.size() > kMaxText) return Refuse("Text pripomienky je dlhší ako " + std::to_string(kMaxText) + " bajtov.");
    for (const char c : q.text) {
        if (static_cast<unsigned char>(c) < 0x20) return Refuse("Text pripomienky obsahuje riadiaci znak.");
    }
    if (!EncodeCp1250(q.text)) return Refuse("Text pripomienky obsahuje znak, ktorý sa nedá uložiť.");
    r.Text = q.text;
    if (q.noticeFrom.empty()) {
        if (!q.period.empty() || !q.noticeTime.empty() || !q.weekDay.empty())
            return Refuse("Periódu, čas a deň upozornenia možno zadať len so začiatkom upozornení.");
        return BuiltReminder{r, {}};
    }
    const auto from = ParseDayText(q.noticeFrom);
    if (!from) return Refuse("Neplatný začiatok upozornení \"" + q.noticeFrom + "\" (očakáva sa D.M.RRRR).");
    if (*from > r.Date) return Refuse("Upozornenia nemôžu začínať po dni pripomienky.");
    const int period = q.period.empty() ? rpDaily : IndexOf(kPeriods, q.period);
    if (period < 0) return Refuse("Neznáma perióda \"" + q.period + "\" (denne, týždenne, mesačne, ročne, bez opakovania).");
    const auto noticeTime = q.noticeTime.empty() ? time : ParseTimeText(q.noticeTime);
    if (!noticeTime) return Refuse("Neplatný čas upozornenia \"" + q.noticeTime + "\" (očakáva sa HH:MM).");
    const int weekDay = q.weekDay.empty() ? -1 : IndexOf(kWeekDays, q.weekDay);
    if (!q.weekDay.empty() && weekDay < 0) return Refuse("Neznámy deň \"" + q.weekDay + "\" (pondelok ... nedeľa).");
    if ((period == rpWeekly) != (weekDay >= 0))
        return Refuse("Deň upozornenia sa zadáva práve pri perióde týždenne.");
    r.Notice = 1;
    r.NoticeFrom = r.NoticeNext = *from;
    r.Period = period;  // 4 is the editor's blank entry: a single notice
    r.NoticeTime = *noticeTime;
    r.NoticeWeekDay = weekDay;
    return BuiltReminder{r, {}};
}

std::vector<DayEntry> DayEntries(const ReminderList& list, DayNumber day) {
    const TextLocale loc = TextLocale::Slovak();
    std::vector<DayEntry> entries;
    for (const TReminder& r : list) {
        if (r.Date != day) continue;
        DayEntry e;
        e.date = ShortDate(loc, r.Date);
        e.time = LongTime(loc, r.Time);
        e.text = r.Text;
        const TReminderKind kind = KindOf(r);
        e.kind = kind == TReminderKind::rkNameDay ? "nameday" : kind == TReminderKind::rkBirthday ? "birthday" : "reminder";
        e.notice = r.Notice != 0;
        if (e.notice) {
            e.noticeFrom = ShortDate(loc, r.NoticeFrom);
            e.period = r.Period >= 0 && r.Period < static_cast<int>(kPeriods.size())
                           ? std::string(kPeriods[static_cast<std::size_t>(r.Period)])
                           : std::string(kPeriods.back());
            if (r.NoticeTime >= 0) e.noticeTime = LongTime(loc, r.NoticeTime);
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace kalvo
