// settings, names, find and week: the settings file, the name-day calendar and the week view without
// any window.

#include <cerrno>
#include <iostream>
#include <regex>

#include "cli/cli_context.h"
#include "core/row_mapping.h"
#include "core/text_locale.h"
#include "core/week_view.h"
#include "namedays/name_calendar.h"
#include "platform/system_paths.h"
#include "storage/file_io.h"
#include "storage/reminder_scan.h"
#include "storage/settings_file.h"

namespace kalvo::cli {
namespace {

// A read refused for its size comes back without an error code.
std::string ErrorText(int code) { return storage::DescribeError(code ? code : EFBIG); }

// The calendar named by --calendar, else DIR/calend.dat; without --dir the program's own copy, wherever
// it was installed.
std::filesystem::path CalendarPath(Context& ctx) {
    const std::string option = TakeOption(ctx.args, "--calendar");
    if (!option.empty()) return storage::PathFromUtf8(option);
    const std::filesystem::path inDir = ctx.Dir() / "calend.dat";
    if (!ctx.dirOption.empty() || storage::FileExists(inDir)) return inDir;
    const std::filesystem::path installed = FindAssetBeside(ExecutablePath().parent_path(), "calend.dat");
    return installed.empty() ? inDir : installed;
}

struct Calendar {
    namedays::NameCalendar entries;
    namedays::CalendarStatus status = namedays::CalendarStatus::Ok;
};

// A calendar that cannot be opened ends the command; one that is damaged gives what could be read, a
// word on stderr and its status in the output.
Calendar ReadCalendar(const std::filesystem::path& path) {
    Calendar calendar;
    calendar.status = namedays::LoadNameCalendar(path, calendar.entries).status;
    const std::string shown = storage::Utf8FromPath(path);
    if (calendar.status == namedays::CalendarStatus::Missing)
        throw CliError(kFileError, shown + ": kalendár mien neexistuje");
    const std::string problem = namedays::ProblemText(calendar.status);
    if (calendar.status == namedays::CalendarStatus::Unreadable)
        throw CliError(kFileError, shown + ": kalendár mien sa nedá otvoriť (" + problem + ")");
    if (!problem.empty())
        std::cerr << "kalvo-cli: " << shown << ": kalendár mien sa nedá prečítať celý (" << problem
                  << "); mená z neho môžu chýbať\n";
    return calendar;
}

}  // namespace

int Settings(Context& ctx) {
    std::filesystem::path file;
    if (!ctx.args.empty() && ctx.args.front().rfind("--", 0) != 0)
        file = storage::PathFromUtf8(TakePositional(ctx.args, "SÚBOR"));
    ExpectNoMore(ctx.args);
    if (file.empty()) file = ctx.Dir() / "setup.dat";
    TSettings s;
    storage::SettingsLoad load;
    const storage::FileBytes read = storage::ReadFileBytes(file, 64u * 1024u * 1024u);
    if (read.outcome == storage::ReadOutcome::Failed)
        throw CliError(kFileError,
                       storage::Utf8FromPath(file) + ": súbor sa nedá prečítať (" + ErrorText(read.errorCode) + ")");
    if (read.outcome == storage::ReadOutcome::Ok) load = storage::DecodeSettings(read.bytes, s);
    Json out;
    out["status"] = std::string(storage::StatusName(load.status));
    out["version"] = load.version ? Json(*load.version) : Json(nullptr);
    out["StandardMelody"] = s.StandardMelody;
    out["TimeSignalInterval"] = s.TimeSignalInterval;
    out["TimeSignalAt"] = s.TimeSignalAt;
    out["DeleteOldReminders"] = s.DeleteOldReminders;
    out["SlideNameWindow"] = s.SlideNameWindow;
    out["AnimateWindows"] = s.AnimateWindows;
    out["StandardPicture"] = s.StandardPicture;
    out["MainPicture"] = s.MainPicture;
    out["MoveToNextYear"] = s.MoveToNextYear;
    out["OverviewSeconds"] = s.OverviewSeconds;
    PrintJson(out);
    return kDone;
}

int Names(Context& ctx) {
    const std::filesystem::path calendarPath = CalendarPath(ctx);
    const std::string dayMonth = TakePositional(ctx.args, "D.M");
    ExpectNoMore(ctx.args);
    static const std::regex form(R"((\d{1,2})\.(\d{1,2})\.?)");
    std::smatch m;
    if (!std::regex_match(dayMonth, m, form))
        throw CliError(kUsageError, "Namiesto „" + dayMonth + "“ sa očakáva deň a mesiac v tvare D.M.");
    const int day = std::stoi(m[1]), month = std::stoi(m[2]);
    // A leap year, so that 29.2 is a day of the calendar.
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(2000, month))
        throw CliError(kUsageError, "Taký deň v roku neexistuje: „" + dayMonth + "“.");
    const Calendar calendar = ReadCalendar(calendarPath);
    const namedays::DayTexts texts = namedays::NamesOfDay(calendar.entries, day, month);
    Json out;
    out["names"] = texts.names;
    out["holiday"] = texts.holiday;
    out["status"] = std::string(namedays::StatusName(calendar.status));
    PrintJson(out);
    return kDone;
}

int Find(Context& ctx) {
    const std::filesystem::path calendarPath = CalendarPath(ctx);
    const std::string name = TakePositional(ctx.args, "MENO");
    ExpectNoMore(ctx.args);
    const Calendar calendar = ReadCalendar(calendarPath);
    const auto match = namedays::FindNameDay(calendar.entries, name);
    Json out;
    out["found"] = match.has_value();
    out["day"] = match ? Json(match->Day) : Json(nullptr);
    out["month"] = match ? Json(match->Month) : Json(nullptr);
    out["name"] = match ? Json(match->name) : Json(nullptr);
    out["status"] = std::string(namedays::StatusName(calendar.status));
    PrintJson(out);
    return kDone;
}

int Week(Context& ctx) {
    const std::string dayText = TakeOption(ctx.args, "--day");
    if (dayText.empty()) throw CliError(kUsageError, "Príkaz week potrebuje --day RRRR-MM-DD.");
    const std::string file = TakePositional(ctx.args, "SÚBOR");
    ExpectNoMore(ctx.args);
    const DayNumber day = ParseDay(dayText);
    const storage::FileSnapshot read = ReadRemindersOrFail(file);
    // Only the reminders that belong to a day of the week are decoded; the rest are passed over in the
    // file's bytes.
    const DayNumber first = MondayOf(day), last = ClampDay(static_cast<std::int64_t>(first) + 6);
    auto within = [&](DayNumber d) { return d >= first && d <= last; };
    ReminderList list;
    for (storage::ReminderScan scan(read.Bytes()); scan.Next();) {
        const TReminder& r = scan.Current().fields;
        // A day holds a reminder on its event or next notice, or on a step of a repeating series between.
        if (!within(r.Date) && !within(r.NoticeNext) &&
            !(IsRepeating(r.Period) && r.NoticeNext < last && r.Date > first))
            continue;
        for (int k = 0; k < 7; ++k) {
            if (WeekMembership(r, ClampDay(static_cast<std::int64_t>(first) + k)) == DayMembership::None) continue;
            list.push_back(storage::Materialize(scan.Current()));
            break;
        }
    }
    const TextLocale loc = TextLocale::Slovak();
    // Today's outline is no part of the output, so the day itself stands in for today.
    const WeekSummary week = ShowWeek(list, day, day, loc);
    Json days = Json::array();
    for (const WeekDayCell& cell : week.days) {
        Json rows = Json::array();
        for (const DayRow& row : WeekDayRows(list, cell.date, loc)) rows.push_back(row.text);
        Json d;
        d["date"] = FormatDay(cell.date);
        d["count"] = cell.count;
        d["rows"] = std::move(rows);
        days.push_back(std::move(d));
    }
    Json out;
    out["month"] = week.month;
    out["days"] = std::move(days);
    PrintJson(out);
    return kDone;
}

}  // namespace kalvo::cli
