#include "core/reminder_request.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "core/cp1250.h"
#include "core/text_locale.h"

namespace kalvo {
namespace {

constexpr std::array<std::string_view, 5> kPeriods{"denne", "týždenne", "mesačne", "ročne", "bez opakovania"};
constexpr std::array<std::string_view, 7> kWeekDays{"pondelok", "utorok", "streda", "štvrtok",
                                                    "piatok",   "sobota", "nedeľa"};

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

// Every character of `utf8` that the file cannot hold, each once, in the order they come.
std::string Unstorable(std::string_view utf8) {
    std::string out;
    std::vector<char32_t> seen;
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        const bool ok = NextCodePoint(utf8, pos, c);
        if (ok && c != 0 && Cp1250CanHold(c)) continue;
        if (!ok) c = 0xFFFD;
        if (std::find(seen.begin(), seen.end(), c) != seen.end()) continue;
        seen.push_back(c);
        if (!out.empty()) out += ", ";
        out += "„";
        AppendUtf8(out, c);
        out += "“";
    }
    return out;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

std::string DayTextError(const std::string& text, const std::string& what) {
    const auto parts = Split(text, '.');
    if (parts.size() == 3 && parts[2].size() == 4) {
        const auto day = Number(parts[0], 2, 1, 31), month = Number(parts[1], 2, 1, 12),
                   year = Number(parts[2], 4, 1900, 9999);
        if (day && month && year && *day > DaysInMonth(*year, *month))
            return UpperFirstCp1250(what) + " \"" + text +
                   "\" neexistuje: " + TextLocale::Slovak().longMonthNames[static_cast<std::size_t>(*month - 1)] + " " +
                   std::to_string(*year) + " má len " + std::to_string(DaysInMonth(*year, *month)) + " dní.";
    }
    return "Neplatný " + what + " \"" + text + "\" (očakáva sa D.M.RRRR).";
}

std::optional<DayNumber> ParseDayText(const std::string& text) {
    const auto parts = Split(text, '.');
    if (parts.size() != 3) return std::nullopt;
    const auto day = Number(parts[0], 2, 1, 31), month = Number(parts[1], 2, 1, 12),
               year = Number(parts[2], 4, 1900, 9999);
    if (!day || !month || !year || parts[2].size() != 4 || *day > DaysInMonth(*year, *month)) return std::nullopt;
    return ClampDay(CivilToDay(*year, *month, *day));
}

ReminderLookup FindReminders(const ReminderList& list, const std::string& date, const std::string& time,
                             const std::string& text) {
    ReminderLookup found;
    const auto day = ParseDayText(date);
    if (!day) {
        found.error = DayTextError(date, "dátum");
        return found;
    }
    const auto moment = ParseTimeText(time);
    if (!moment) {
        found.error = "Neplatný čas \"" + time + "\" (očakáva sa HH:MM alebo HH:MM:SS).";
        return found;
    }
    const bool wholeMinute = Split(time, ':').size() == 2;
    const TimeParts wanted = SplitTime(*moment);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const TReminder& r = list[i];
        if (r.Date != *day || r.Text != text) continue;
        const TimeParts t = SplitTime(r.Time);
        if (t.hour == wanted.hour && t.minute == wanted.minute && (wholeMinute || t.second == wanted.second))
            found.indices.push_back(i);
    }
    return found;
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
    if (!date) return Refuse(DayTextError(q.date, "dátum"));
    const auto time = ParseTimeText(q.time);
    if (!time) return Refuse("Neplatný čas \"" + q.time + "\" (očakáva sa HH:MM).");
    r.Date = *date;
    r.Time = *time;
    if (q.text.empty()) return Refuse("Text pripomienky je prázdny.");
    if (const std::size_t length = CharacterCount(q.text); length > kMaxTextLength)
        return Refuse("Text pripomienky môže mať najviac " + std::to_string(kMaxTextLength) + " znakov, tento ich má " +
                      std::to_string(length) + ".");
    for (std::size_t pos = 0; pos < q.text.size();) {
        char32_t c = 0;
        if (NextCodePoint(q.text, pos, c) && IsControlCharacter(c)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            return Refuse("Text pripomienky nesmie obsahovať riadiaci znak (" + std::string(code) + ").");
        }
    }
    if (const std::string bad = Unstorable(q.text); !bad.empty())
        return Refuse("Text pripomienky obsahuje znaky, ktoré sa do súboru nedajú uložiť: " + bad + ".");
    r.Text = q.text;
    if (q.noticeFrom.empty()) {
        if (!q.period.empty() || !q.noticeTime.empty() || !q.weekDay.empty())
            return Refuse("Periódu, čas a deň upozornenia možno zadať len so začiatkom upozornení.");
        return BuiltReminder{r, {}};
    }
    const auto from = ParseDayText(q.noticeFrom);
    if (!from) return Refuse(DayTextError(q.noticeFrom, "začiatok upozornení"));
    if (*from > r.Date) return Refuse("Upozornenia nemôžu začínať po dni pripomienky.");
    const int period = q.period.empty() ? rpDaily : IndexOf(kPeriods, q.period);
    if (period < 0)
        return Refuse("Neznáma perióda \"" + q.period + "\" (denne, týždenne, mesačne, ročne, bez opakovania).");
    const auto noticeTime = q.noticeTime.empty() ? time : ParseTimeText(q.noticeTime);
    if (!noticeTime) return Refuse("Neplatný čas upozornenia \"" + q.noticeTime + "\" (očakáva sa HH:MM).");
    const int weekDay = q.weekDay.empty() ? -1 : IndexOf(kWeekDays, q.weekDay);
    if (!q.weekDay.empty() && weekDay < 0) return Refuse("Neznámy deň \"" + q.weekDay + "\" (pondelok ... nedeľa).");
    if ((period == rpWeekly) != (weekDay >= 0)) return Refuse("Deň upozornenia sa zadáva práve pri perióde týždenne.");
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
        e.kind = kind == TReminderKind::rkNameDay    ? "nameday"
                 : kind == TReminderKind::rkBirthday ? "birthday"
                                                     : "reminder";
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
