#include "sync/field_merge.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "core/cp1250.h"

namespace kalvo::sync {
namespace {

constexpr std::string_view kConflictPrefix = "Konflikt: ";

bool Same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }
template <typename T>
bool Same(const T& a, const T& b) {
    return a == b;
}

// A field as three-way merge takes it.
template <typename T>
T Pick(const T& base, const T& local, const T& remote, bool& conflict) {
    if (Same(local, base)) return remote;
    if (Same(remote, base) || Same(local, remote)) return local;
    conflict = true;
    return remote;
}

bool Yearly(const TReminder& r) { return !IsOrdinary(r); }

int MonthDay(DayNumber day) {
    const CivilDate c = DayToCivil(day);
    return c.month * 100 + c.day;
}

// A yearly record's day: its move to a later year is the scheduler's; a new day and month is an edit.
DayNumber MergeYearlyDate(DayNumber base, DayNumber local, DayNumber remote, bool& conflict) {
    const bool localEdit = MonthDay(local) != MonthDay(base), remoteEdit = MonthDay(remote) != MonthDay(base);
    if (localEdit && !remoteEdit) return local;
    if (remoteEdit && !localEdit) return remote;
    if (localEdit && MonthDay(local) != MonthDay(remote)) {
        conflict = true;
        return remote;
    }
    return std::max(local, remote);
}

// The notice series as the user set it up; the next notice moves within it.
bool SameSeries(const TReminder& a, const TReminder& b) {
    return a.Notice == b.Notice && a.NoticeFrom == b.NoticeFrom && a.Period == b.Period &&
           a.NoticeWeekDay == b.NoticeWeekDay;
}

// The later of two next notices: a series that has ended (0 with notices on) is past every day.
DayNumber LaterNotice(const TReminder& a, const TReminder& b) {
    const auto rank = [](const TReminder& r) -> std::int64_t {
        return r.Notice != 0 && r.NoticeNext == 0 ? std::numeric_limits<std::int64_t>::max() : r.NoticeNext;
    };
    return rank(a) >= rank(b) ? a.NoticeNext : b.NoticeNext;
}

DayNumber MergeNoticeNext(const TReminder& base, const TReminder& local, const TReminder& remote) {
    const bool localSeries = !SameSeries(local, base), remoteSeries = !SameSeries(remote, base);
    // A series set up anew starts where its side put it.
    if (localSeries && !remoteSeries) return local.NoticeNext;
    if (remoteSeries && !localSeries) return remote.NoticeNext;
    if (localSeries && !SameSeries(local, remote)) return remote.NoticeNext;
    return LaterNotice(local, remote);
}

// A given alarm keeps its time negative; -1 means nothing is left to give.
bool GivenMarkOf(double x, double base) { return x == -1.0 || (x < 0 && Same(x, -std::fabs(base))); }
int GivenStage(double x) { return x == -1.0 ? 2 : (x < 0 ? 1 : 0); }

double MergeNoticeTime(double base, double local, double remote, bool& conflict) {
    if (Same(local, base)) return remote;
    if (Same(remote, base) || Same(local, remote)) return local;
    const bool localGiven = GivenMarkOf(local, base), remoteGiven = GivenMarkOf(remote, base);
    if (localGiven && remoteGiven) return GivenStage(local) >= GivenStage(remote) ? local : remote;
    // A time set anew outweighs the mark of an alarm given at the old one.
    if (localGiven) return remote;
    if (remoteGiven) return local;
    conflict = true;
    return remote;
}

std::string CutToLimit(const std::string& text) {
    std::size_t pos = 0, count = 0;
    char32_t c = 0;
    while (pos < text.size() && count < kMaxTextLength) {
        if (!NextCodePoint(text, pos, c)) ++pos;
        ++count;
    }
    return text.substr(0, pos);
}

std::string Shown(const std::string& text) {
    std::string one;
    std::size_t pos = 0, count = 0;
    char32_t c = 0;
    while (pos < text.size() && count < 60) {
        const std::size_t at = pos;
        if (!NextCodePoint(text, pos, c)) pos = at + 1;
        const std::string_view piece(text.data() + at, pos - at);
        one += piece == "\r" || piece == "\n" || piece == "\t" ? std::string_view(" ") : piece;
        ++count;
    }
    return pos < text.size() ? one + "…" : one;
}

}  // namespace

Merged MergeFields(const TReminder& base, const TReminder& local, const TReminder& remote) {
    Merged m;
    TReminder& r = m.record;
    bool& conflict = m.conflict;
    r.Date = Yearly(base) && Yearly(local) && Yearly(remote)
                 ? MergeYearlyDate(base.Date, local.Date, remote.Date, conflict)
                 : Pick(base.Date, local.Date, remote.Date, conflict);
    r.Time = Pick(base.Time, local.Time, remote.Time, conflict);
    r.Text = Pick(base.Text, local.Text, remote.Text, conflict);
    r.Notice = Pick(base.Notice, local.Notice, remote.Notice, conflict);
    r.NoticeFrom = Pick(base.NoticeFrom, local.NoticeFrom, remote.NoticeFrom, conflict);
    r.Period = Pick(base.Period, local.Period, remote.Period, conflict);
    r.NoticeWeekDay = Pick(base.NoticeWeekDay, local.NoticeWeekDay, remote.NoticeWeekDay, conflict);
    r.NoticeNext = MergeNoticeNext(base, local, remote);
    r.NoticeTime = MergeNoticeTime(base.NoticeTime, local.NoticeTime, remote.NoticeTime, conflict);
    r.Picture = Pick(base.Picture, local.Picture, remote.Picture, conflict);
    r.Melody = Pick(base.Melody, local.Melody, remote.Melody, conflict);
    r.IsNameDay = Pick(base.IsNameDay, local.IsNameDay, remote.IsNameDay, conflict);
    r.IsBirthday = Pick(base.IsBirthday, local.IsBirthday, remote.IsBirthday, conflict);
    return m;
}

TReminder MergeUnbased(const TReminder& local, const TReminder& remote) {
    TReminder r = remote;
    if (SameSeries(local, remote)) r.NoticeNext = LaterNotice(local, remote);
    if (Same(std::fabs(local.NoticeTime), std::fabs(remote.NoticeTime)) || local.NoticeTime == -1.0)
        if (GivenStage(local.NoticeTime) > GivenStage(remote.NoticeTime)) r.NoticeTime = local.NoticeTime;
    if (Yearly(local) && Yearly(remote) && MonthDay(local.Date) == MonthDay(remote.Date))
        r.Date = std::max(local.Date, remote.Date);
    return r;
}

TReminder ConflictCopy(TReminder local) {
    local.Text = CutToLimit(std::string(kConflictPrefix) + local.Text);
    return local;
}

std::string ConflictNotice(const TReminder& local) {
    const CivilDate c = DayToCivil(local.Date);
    const TimeParts t = SplitTime(local.Time);
    char when[64];
    std::snprintf(when, sizeof when, "%d.%d.%lld o %d:%02d", c.day, c.month, static_cast<long long>(c.year), t.hour,
                  t.minute);
    return "Pripomienka „" + Shown(local.Text) + "“ (" + when +
           ") bola zmenená na tomto počítači aj inde naraz. Platí zmena zo servera; vaša verzia je uložená v archíve "
           "s textom začínajúcim „Konflikt: “.";
}

}  // namespace kalvo::sync
