// iCalendar export: one VEVENT per reminder, with alarms for its notices and the X-KALVO- record.

#include "storage/ical/ical_exchange.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <libical/ical.h>

#include "core/datetime.h"
#include "core/due.h"
#include "storage/file_io.h"
#include "storage/ical/ical_parts.h"

namespace kalvo::storage::ical {
namespace parts {

constexpr const char* kProdId = "-//Kalvo//Kalvo pripomienky//SK";

std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

void AddX(icalcomponent* ev, const char* name, const std::string& value) {
    icalproperty* p = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(ev, p);
}

std::string MimeOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
    if (ext == ".png") return "image/png";
    if (ext == ".bmp") return "image/bmp";
    if (ext == ".gif") return "image/gif";
    if (ext == ".svg") return "image/svg+xml";
    if (ext == ".ico") return "image/vnd.microsoft.icon";
    if (ext == ".emf") return "image/emf";
    if (ext == ".wmf") return "image/wmf";
    if (ext == ".wav") return "audio/wav";
    if (ext == ".mp3") return "audio/mpeg";
    if (ext == ".ogg") return "audio/ogg";
    return {};
}

// RFC 8089: /home/jana/a.png is file:///home/jana/a.png; on Windows C:\Users\a.png is file:///C:/Users/a.png
// and \\server\share\a.png is file://server/share/a.png.
std::string FileUri(const std::string& utf8Path) {
#ifdef _WIN32
    const auto forward = [](std::string s) {
        std::replace(s.begin(), s.end(), '\\', '/');
        return s;
    };
    // A share's path is whole already (and libstdc++ would take its server for a folder).
    if (const std::string share = forward(utf8Path); share.rfind("//", 0) == 0) return "file:" + PercentEncode(share);
#endif
    std::error_code ec;
    std::filesystem::path p = PathFromUtf8(utf8Path);
    if (!p.is_absolute()) p = std::filesystem::absolute(p, ec);
    const std::string path = Utf8FromPath(p.lexically_normal());
#ifdef _WIN32
    if (const std::string drive = forward(path); drive.size() >= 2 && drive[1] == ':')
        return "file:///" + drive.substr(0, 2) + PercentEncode(drive.substr(2));
#endif
    return "file://" + PercentEncode(path);
}

void AddAttach(icalcomponent* ev, const std::string& path, bool picture, const ExportOptions& options) {
    if (path.empty()) return;
    std::error_code ec;
    if (options.attachExistingFilesOnly && !std::filesystem::is_regular_file(PathFromUtf8(path), ec)) return;
    const std::string uri = FileUri(path);
    icalattach* a = icalattach_new_from_url(uri.c_str());
    icalproperty* p = icalproperty_new_attach(a);
    icalattach_unref(a);
    std::string mime = MimeOf(PathFromUtf8(path));
    if (mime.empty()) mime = picture ? "image/x-unknown" : "audio/x-unknown";
    icalproperty_add_parameter(p, icalparameter_new_fmttype(mime.c_str()));
    icalcomponent_add_property(ev, p);
}

// One display alarm at `offset` seconds from the start, optionally repeated `repeat` more times
// every `every` seconds.
void AddAlarm(icalcomponent* ev, std::int64_t offset, int repeat, std::int64_t every, const std::string& text) {
    if (offset < -0x7fffffffLL || offset > 0x7fffffffLL) return;
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(alarm, icalproperty_new_description(text.empty() ? "Kalvo" : text.c_str()));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(static_cast<int>(offset));
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    if (repeat > 0) {
        icalcomponent_add_property(alarm, icalproperty_new_repeat(repeat));
        icalcomponent_add_property(alarm,
                                   icalproperty_new_duration(icaldurationtype_from_int(static_cast<int>(every))));
    }
    icalcomponent_add_component(ev, alarm);
}

// The moments (as seconds from the event's start) at which Kalvo gives the reminder's notices and the
// extra alarm of the event day, as far as RFC 5545 alarms can list them.
std::vector<std::int64_t> NoticeMoments(const TReminder& r, std::int64_t start) {
    std::vector<std::int64_t> out;
    if (r.Notice == 0) return out;
    if (!IsOrdinary(r)) {
        if (r.NoticeFrom != 0 && r.NoticeTime > 0) out.push_back(r.NoticeFrom * kDay + SecondsOf(r.NoticeTime) - start);
        return out;
    }
    // Rule 5 of the due test fires at the notice time when it is positive, else from the start of the day.
    const std::int64_t noticeSecond = r.NoticeTime > 0 ? SecondsOf(r.NoticeTime) : 0;
    const std::int64_t eventSecond = SecondsOf(r.Time);
    constexpr std::size_t kMaxNotices = 4000;
    if (r.NoticeNext != 0) {
        DayNumber x = r.NoticeNext;
        for (std::size_t n = 0; n < kMaxNotices; ++n) {
            if (x > r.Date || (x == r.Date && noticeSecond >= eventSecond)) break;
            out.push_back(std::int64_t{x} * kDay + noticeSecond - start);
            if (!IsRepeating(r.Period)) break;
            DayNumber next = x;
            switch (r.Period) {
                case rpDaily:
                    next = x + 1;
                    break;
                case rpWeekly:
                    next = NextWeekDay(x, r.NoticeWeekDay);
                    break;
                case rpMonthly:
                    next = MonthStep(x, r.NoticeFrom);
                    break;
                default:
                    next = YearStep(x);
                    break;
            }
            if (next <= x) break;
            x = next;
        }
    }
    // The extra alarm of the event day ("Pripomenúť aj"), when it comes before the event itself.
    if (r.NoticeTime > 0 && noticeSecond < eventSecond) {
        const std::int64_t extra = std::int64_t{r.Date} * kDay + noticeSecond - start;
        if (std::find(out.begin(), out.end(), extra) == out.end()) out.push_back(extra);
    }
    std::sort(out.begin(), out.end());
    return out;
}

void AddNoticeAlarms(icalcomponent* ev, const TReminder& r, std::int64_t start) {
    const std::vector<std::int64_t> moments = NoticeMoments(r, start);
    constexpr std::size_t kMaxAlarms = 120;
    std::size_t alarms = 0;
    for (std::size_t i = 0; i < moments.size() && alarms < kMaxAlarms; ++alarms) {
        // A run of equal steps of a day or a week becomes one alarm with REPEAT and DURATION.
        std::size_t j = i + 1;
        std::int64_t step = 0;
        if (j < moments.size() && (moments[j] - moments[i] == kDay || moments[j] - moments[i] == 7 * kDay)) {
            step = moments[j] - moments[i];
            while (j < moments.size() && moments[j] - moments[j - 1] == step) ++j;
        }
        AddAlarm(ev, moments[i], static_cast<int>(j - i - 1), step, r.Text);
        i = j;
    }
}

std::string Uid(const TReminder& r, std::size_t index) {
    // FNV-1a over the fields, so the same reminder gets the same UID in every export.
    std::uint64_t h = 1469598103934665603ULL;
    auto mix = [&](const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t k = 0; k < n; ++k) h = (h ^ b[k]) * 1099511628211ULL;
    };
    mix(&r.Date, sizeof r.Date);
    mix(&r.Time, sizeof r.Time);
    mix(r.Text.data(), r.Text.size());
    mix(&r.NoticeFrom, sizeof r.NoticeFrom);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%016" PRIx64 "-%zu@kalvo", h, index);
    return buf;
}

Wall StartOf(const TReminder& r) { return Wall{r.Date, SecondsOf(r.Time)}; }

// SUMMARY keeps the text exactly unless libical's escaping changes it (a carriage return, say).
bool SummaryKeeps(const std::string& text) {
    if (text.empty()) return false;
    icalproperty* p = icalproperty_new_summary(text.c_str());
    const std::string line = OwnedString(icalproperty_as_ical_string_r(p));
    icalproperty_free(p);
    icalproperty* back = icalproperty_new_from_string(line.c_str());
    bool same = false;
    if (back) {
        const char* v = icalproperty_get_summary(back);
        same = v && text == v;
        icalproperty_free(back);
    }
    return same;
}

icalcomponent* EventOf(const TReminder& r, const std::string& uid, const ExportOptions& options) {
    icalcomponent* ev = icalcomponent_new_vevent();
    const Wall start = StartOf(r);
    icalcomponent_add_property(ev, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(
        ev, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(static_cast<std::time_t>(options.stampUtc), 0,
                                                                   icaltimezone_get_utc_timezone())));
    icalcomponent_add_property(ev, icalproperty_new_dtstart(FloatingTime(start)));
    // An empty text has no SUMMARY value of its own; X-KALVO-TEXT gives it back.
    icalcomponent_add_property(ev, icalproperty_new_summary(r.Text.empty() ? "(bez textu)" : r.Text.c_str()));
    if (!IsOrdinary(r)) {
        icalcomponent_add_property(
            ev, icalproperty_new_categories(KindOf(r) == TReminderKind::rkNameDay ? "Meniny" : "Narodeniny"));
        icalrecurrencetype yearly;
        icalrecurrencetype_clear(&yearly);
        yearly.freq = ICAL_YEARLY_RECURRENCE;
        icalcomponent_add_property(ev, icalproperty_new_rrule(yearly));
    }
    AddAttach(ev, r.Picture, true, options);
    AddAttach(ev, r.Melody, false, options);
    AddNoticeAlarms(ev, r, start.Total());
    AddKalvoRecord(ev, r, options.exactText);
    return ev;
}

void AddKalvoRecord(icalcomponent* ev, const TReminder& r, bool exactText) {
    // What the standard properties cannot say exactly, for Kalvo's own import.
    // (Its value begins with "=", so that an empty text is no empty property, which libical refuses.)
    if (exactText || !SummaryKeeps(r.Text)) AddX(ev, "X-KALVO-TEXT", "=" + PercentEncode(r.Text));
    AddX(ev, "X-KALVO-DATE", std::to_string(r.Date));
    AddX(ev, "X-KALVO-TIME", Number(r.Time));
    AddX(ev, "X-KALVO-NOTICE", std::to_string(r.Notice));
    AddX(ev, "X-KALVO-NOTICE-FROM", std::to_string(r.NoticeFrom));
    AddX(ev, "X-KALVO-NOTICE-NEXT", std::to_string(r.NoticeNext));
    AddX(ev, "X-KALVO-PERIOD", std::to_string(r.Period));
    AddX(ev, "X-KALVO-NOTICE-TIME", Number(r.NoticeTime));
    if (!r.Picture.empty()) AddX(ev, "X-KALVO-PICTURE", PercentEncode(r.Picture));
    if (!r.Melody.empty()) AddX(ev, "X-KALVO-MELODY", PercentEncode(r.Melody));
    AddX(ev, "X-KALVO-NAMEDAY", std::to_string(r.IsNameDay));
    AddX(ev, "X-KALVO-BIRTHDAY", std::to_string(r.IsBirthday));
    AddX(ev, "X-KALVO-WEEKDAY", std::to_string(r.NoticeWeekDay));
}

}  // namespace parts

using namespace parts;

ExportResult ExportICalendar(const ReminderList& records, const ExportOptions& options) {
    QuietLibical();
    ExportResult result;
    Component cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid(kProdId));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    // No METHOD: a calendar file (RFC 5545), not an iTIP message; PUBLISH would also require an ORGANIZER.
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!YearFits(records[i].Date)) {
            result.leftOut.push_back(i);
            continue;
        }
        icalcomponent_add_component(cal.get(), EventOf(records[i], Uid(records[i], i), options));
    }
    result.text = OwnedString(icalcomponent_as_ical_string_r(cal.get()));
    return result;
}

}  // namespace kalvo::storage::ical
