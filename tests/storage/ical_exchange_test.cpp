// iCalendar export and import: Kalvo → .ics → Kalvo gives back every field, exported files pass libical's
// own validation, files in the styles of real producers import with their alarms, and bad files end with
// a Slovak message and no reminders.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>

#include "core/clock.h"
#include "core/reminder_request.h"
#include "storage/file_io.h"
#include "storage/ical/ical_exchange.h"
#include "storage/reminder_file.h"
#include "support/builders.h"
#include "support/local_zone.h"
#include "support/temp_folder.h"

namespace kalvo::storage::ical {
namespace {

using test::At;
using test::Day;

using Zone = test::LocalZone;

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// The file's logical lines: folds joined again.
std::string Unfolded(std::string text) {
    for (std::size_t pos; (pos = text.find("\r\n ")) != std::string::npos;) text.erase(pos, 3);
    return text;
}

std::vector<std::uint8_t> FileBytes(const char* name) {
    std::ifstream in(std::string(KALVO_ICAL_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ImportOptions On(DayNumber today) {
    ImportOptions o;
    o.today = today;
    // A clock that stands still: only the bound of candidates can end an expansion, whatever the machine.
    o.limits.steadyNow = [] { return std::chrono::steady_clock::time_point{}; };
    return o;
}

ExportOptions Fixed() {
    ExportOptions o;
    o.stampUtc = 1796112000;  // 2026-12-01 08:00:00 UTC
    o.attachExistingFilesOnly = false;
    return o;
}

// A picture and a melody of the system's own kind of path, and the file URIs other programs read them as.
#ifdef _WIN32
constexpr const char* kPicture = "C:\\Users\\jana\\Obrázky\\stromček, 2026; nový.png";
constexpr const char* kPictureUri = "file:///C:/Users/jana/Obr%C3%A1zky/strom%C4%8Dek%2C%202026%3B%20nov%C3%BD.png";
constexpr const char* kMelody = "\\\\server\\Hudba\\zvonček 100%.wav";
constexpr const char* kMelodyUri = "file://server/Hudba/zvon%C4%8Dek%20100%25.wav";
#else
constexpr const char* kPicture = "/home/jana/Obrázky/stromček, 2026; nový.png";
constexpr const char* kPictureUri = "file:///home/jana/Obr%C3%A1zky/strom%C4%8Dek%2C%202026%3B%20nov%C3%BD.png";
constexpr const char* kMelody = "/home/jana/Hudba/zvonček 100%.wav";
constexpr const char* kMelodyUri = "file:///home/jana/Hudba/zvon%C4%8Dek%20100%25.wav";
#endif

// A list that uses every field in the ways the program and damaged old files fill them.
ReminderList EveryField() {
    using namespace test;
    ReminderList l;
    l.push_back(WithNotice(Ordinary(Day(2026, 12, 24), At(18, 0), "Vianoce – štedrý večer ľščťžýáíéô"),
                           Day(2026, 12, 19), rpDaily, At(9, 0)));
    l.back().Picture = kPicture;
    l.back().Melody = kMelody;
    l.push_back(WithNotice(Ordinary(Day(2027, 1, 23), TimeFraction(8, 25, 0), "Riadok 1\nriadok 2, a; b\\c\r\nkoniec"),
                           Day(2026, 12, 24), rpWeekly, At(7, 12), 2));
    l.back().NoticeNext = Day(2026, 12, 30);
    l.back().NoticeTime = -At(7, 12);  // the extra alarm has been given
    l.push_back(WithNotice(Ordinary(Day(2027, 3, 31), At(10, 30, 15), "Mesačne od 31."), Day(2027, 1, 31), rpMonthly,
                           At(6, 0)));
    l.push_back(WithNotice(Ordinary(Day(2030, 6, 1), At(23, 59, 59), "Ročne"), Day(2027, 6, 1), rpYearly, At(12, 0)));
    l.push_back(WithNotice(Ordinary(Day(2027, 2, 2), At(9, 0), "Prázdna perióda"), Day(2027, 2, 1), 4, 0.0));
    l.push_back(Ordinary(Day(2027, 5, 5), 0.0, ""));  // empty text at midnight, no notice
    l.push_back(NameDay(Day(2027, 1, 13), At(12, 0), Day(2027, 1, 12), At(8, 0)));
    l.push_back(NameDay(Day(2027, 4, 12), At(0, 0), Day(2027, 4, 12), At(7, 30), true));
    TReminder both = NameDay(Day(2027, 8, 8), At(8, 8), Day(2027, 8, 1), -At(9, 0));
    both.IsNameDay = 2;  // any non-zero byte counts; kept as read
    both.IsBirthday = 1;
    l.push_back(both);
    // Values only a damaged or foreign file has: a time with whole days, NaN, the undefined code-page bytes.
    TReminder odd = Ordinary(Day(2027, 9, 9), 1.25, std::string("C1 \xC2\x81\xC2\x83 znaky a tabulátor\t"));
    odd.NoticeTime = std::numeric_limits<double>::quiet_NaN();
    odd.Notice = 7;
    odd.Period = 42;
    odd.NoticeWeekDay = 99;
    odd.NoticeFrom = -5;
    l.push_back(odd);
    l.push_back(Ordinary(Day(2027, 10, 10), At(10, 10),
                         "Veľmi dlhý text pripomienky, ktorý sa v súbore iCalendar musí zalomiť na viac riadkov, "
                         "lebo riadok smie mať najviac 75 bajtov: ľščťžýáíé ĽŠČŤŽÝÁÍÉ äôúň"));
    return l;
}

ReminderList Imported(const ImportResult& r) {
    ReminderList out;
    for (const ImportedEvent& e : r.events) out.push_back(e.reminder);
    return out;
}

TEST(ICalExport, RoundTripGivesBackEveryFieldByteForByte) {
    const Zone zone("Europe/Bratislava");
    const ReminderList original = EveryField();
    const ExportResult exported = ExportICalendar(original, Fixed());
    ASSERT_TRUE(exported.leftOut.empty());
    // Imported long after every date: Kalvo's own events come back as they were, past or not.
    const ImportResult back = ImportICalendar(Bytes(exported.text), On(Day(2035, 1, 1)));
    ASSERT_EQ(back.status, ImportStatus::Ok) << back.problem;
    EXPECT_TRUE(back.refused.empty());
    ASSERT_EQ(back.events.size(), original.size());
    for (const ImportedEvent& e : back.events) EXPECT_TRUE(e.notes.empty()) << e.label;
    // Compared as the reminder file stores them, so NaN and every raw byte count.
    EXPECT_EQ(*EncodeReminderFile(Imported(back)), *EncodeReminderFile(original));
}

TEST(ICalExport, RoundTripDoesNotDependOnTheTimeZone) {
    const ReminderList original = EveryField();
    std::string text;
    {
        const Zone zone("America/New_York");
        text = ExportICalendar(original, Fixed()).text;
    }
    const Zone zone("Asia/Tokyo");
    const ImportResult back = ImportICalendar(Bytes(text), On(Day(2035, 1, 1)));
    EXPECT_EQ(*EncodeReminderFile(Imported(back)), *EncodeReminderFile(original));
}

TEST(ICalExport, PassesLibicalsValidation) {
    const Zone zone("Europe/Bratislava");
    const ExportResult exported = ExportICalendar(EveryField(), Fixed());
    std::string details;
    EXPECT_EQ(ValidationProblems(exported.text, &details), 0) << details << exported.text;
    // An empty list is a valid calendar too.
    EXPECT_EQ(ValidationProblems(ExportICalendar({}, Fixed()).text), 0);
    // The check itself finds faults: an event without DTSTAMP and UID breaks METHOD:PUBLISH.
    const std::string broken =
        "BEGIN:VCALENDAR\r\nPRODID:x\r\nVERSION:2.0\r\nMETHOD:PUBLISH\r\nBEGIN:VEVENT\r\nDTSTART:20270101T100000\r\n"
        "END:VEVENT\r\nEND:VCALENDAR\r\n";
    EXPECT_GT(ValidationProblems(broken), 0);
}

TEST(ICalExport, WritesFoldedCrlfLinesAndTheStandardForms) {
    const Zone zone("Europe/Bratislava");
    const std::string text = ExportICalendar(EveryField(), Fixed()).text;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends with CRLF";
        EXPECT_LE(end - start, 75u) << text.substr(start, end - start);
        EXPECT_EQ(text.substr(start, end - start).find('\n'), std::string::npos);
        start = end + 2;
    }
    EXPECT_NE(text.find("\r\n "), std::string::npos) << "the long text is folded";
    const std::string logical = Unfolded(text);
    // Floating local time: no TZID, no Z, no VTIMEZONE.
    EXPECT_NE(logical.find("DTSTART:20261224T180000\r\n"), std::string::npos);
    EXPECT_EQ(text.find("TZID"), std::string::npos);
    EXPECT_EQ(text.find("VTIMEZONE"), std::string::npos);
    // Name days and birthdays recur every year.
    EXPECT_NE(logical.find("RRULE:FREQ=YEARLY"), std::string::npos);
    EXPECT_NE(logical.find("CATEGORIES:Meniny"), std::string::npos);
    EXPECT_NE(logical.find("CATEGORIES:Narodeniny"), std::string::npos);
    // The daily series 19.12.-23.12. at 9:00 and the extra alarm of 24.12. at 9:00: one alarm repeated.
    EXPECT_NE(logical.find("TRIGGER:-P5DT9H\r\nREPEAT:5\r\nDURATION:P1D\r\n"), std::string::npos) << text;
    // Pictures and melodies as file URIs.
    EXPECT_NE(logical.find(std::string("ATTACH;FMTTYPE=image/png:") + kPictureUri), std::string::npos) << logical;
    EXPECT_NE(logical.find(std::string("ATTACH;FMTTYPE=audio/wav:") + kMelodyUri), std::string::npos) << logical;
}

// Another program's file names a picture on this computer by its URI.
TEST(ICalImport, TakesAnAttachedPictureThatIsOnThisComputer) {
    const test::TempFolder folder;
    folder.Write("moj obrazok.png", {1, 2, 3});
    const std::string path = storage::Utf8FromPath(folder / "moj obrazok.png");
    std::string uri = "file://" + path;
#ifdef _WIN32
    std::replace(uri.begin(), uri.end(), '\\', '/');
    uri.insert(7, "/");  // file:///C:/...
#endif
    uri.replace(uri.find(' '), 1, "%20");
    const ImportResult r = ImportICalendar(Bytes("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:p\r\n"
                                                 "DTSTART:20270301T100000\r\nSUMMARY:S obrázkom\r\nATTACH:" +
                                                 uri + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"),
                                           On(Day(2027, 1, 1)));
    ASSERT_EQ(r.events.size(), 1u) << ImportSummary(r.refused, {});
    EXPECT_EQ(r.events[0].reminder.Picture, path) << uri;
    EXPECT_TRUE(r.events[0].notes.empty()) << r.events[0].notes.front();
}

TEST(ICalExport, AttachesOnlyFilesThatExist) {
    const test::TempFolder folder;
    folder.Write("obrazok.png", {1, 2, 3});
    TReminder r = test::Ordinary(Day(2027, 1, 1), At(10, 0));
    r.Picture = (folder / "obrazok.png").string();
    r.Melody = (folder / "chyba.wav").string();
    ExportOptions o = Fixed();
    o.attachExistingFilesOnly = true;
    const std::string text = ExportICalendar({r}, o).text;
    EXPECT_NE(Unfolded(text).find("ATTACH;FMTTYPE=image/png:file://"), std::string::npos);
    EXPECT_EQ(text.find("audio/"), std::string::npos);
    // The missing melody still comes back to Kalvo.
    const ImportResult back = ImportICalendar(Bytes(text), On(Day(2026, 1, 1)));
    ASSERT_EQ(back.events.size(), 1u);
    EXPECT_EQ(back.events[0].reminder, r);
}

TEST(ICalExport, LeavesOutDatesICalendarCannotHold) {
    const ExportResult r =
        ExportICalendar({test::Ordinary(Day(2027, 1, 1), 0.5), test::Ordinary(Day(3001, 1, 1), 0.5),
                         test::Ordinary(Day(3000, 12, 31), 0.5), test::Ordinary(Day(0, 12, 31), 0.5)},
                        Fixed());
    EXPECT_EQ(r.leftOut, (std::vector<std::size_t>{1, 3}));
    EXPECT_NE(r.text.find("DTSTART:30001231T120000"), std::string::npos);
    EXPECT_EQ(ValidationProblems(r.text), 0);
}

TEST(ICalImport, AnEventMovedInAnotherProgramIsReadFromItsStandardProperties) {
    const Zone zone("Europe/Bratislava");
    TReminder r =
        test::WithNotice(test::Ordinary(Day(2027, 2, 10), At(10, 0), "Porada"), Day(2027, 2, 9), 4, At(10, 0));
    std::string text = ExportICalendar({r}, Fixed()).text;
    const std::string from = "DTSTART:20270210T100000", to = "DTSTART:20270211T110000";
    text.replace(text.find(from), from.size(), to);
    const ImportResult back = ImportICalendar(Bytes(text), On(Day(2027, 1, 1)));
    ASSERT_EQ(back.events.size(), 1u);
    const TReminder& got = back.events[0].reminder;
    EXPECT_EQ(got.Date, Day(2027, 2, 11));
    EXPECT_EQ(got.Time, At(11, 0));
    EXPECT_EQ(got.NoticeFrom, Day(2027, 2, 10));  // the alarm moved with the event: one day before
    EXPECT_EQ(got.NoticeTime, At(11, 0));
}

// ---------------------------------------------------------------------------------------------------------
// Files in the styles of real producers (tests/storage/ical).

const TReminder* Find(const ImportResult& r, std::string_view textStart) {
    for (const ImportedEvent& e : r.events)
        if (e.reminder.Text.rfind(textStart, 0) == 0) return &e.reminder;
    return nullptr;
}

TEST(ICalImport, ThunderbirdWithVtimezoneFoldedLinesAndAlarms) {
    const Zone zone("Europe/Bratislava");
    const ImportResult r = ImportICalendar(FileBytes("thunderbird.ics"), On(Day(2027, 1, 1)));
    ASSERT_EQ(r.status, ImportStatus::Ok) << r.problem;
    EXPECT_TRUE(r.refused.empty());
    ASSERT_EQ(r.events.size(), 2u);
    const TReminder* dentist = Find(r, "Zubár");
    ASSERT_NE(dentist, nullptr);
    // The folded summary, cut inside a two-byte letter, is whole again.
    EXPECT_EQ(dentist->Text, "Zubár – kontrola u MUDr. Ďuricovej, prízemie vľavo, číslo dverí 12 (čakáreň č. 3)");
    EXPECT_EQ(dentist->Date, Day(2027, 3, 15));
    EXPECT_EQ(dentist->Time, At(14, 0));
    EXPECT_EQ(dentist->Notice, 1);
    EXPECT_EQ(dentist->NoticeFrom, Day(2027, 3, 15));  // TRIGGER -PT15M
    EXPECT_EQ(dentist->NoticeNext, Day(2027, 3, 15));
    EXPECT_EQ(dentist->NoticeTime, At(13, 45));
    EXPECT_EQ(dentist->Period, 4);
    // A weekly meeting: its next Monday from today, a one-time reminder, said so.
    const TReminder* meeting = Find(r, "Pondelková");
    ASSERT_NE(meeting, nullptr);
    EXPECT_EQ(meeting->Date, Day(2027, 1, 4));
    EXPECT_EQ(meeting->Time, At(10, 0));
    EXPECT_EQ(meeting->NoticeTime, At(9, 50));
    const std::string summary = ImportSummary(r.refused, {&r.events[0], &r.events[1]});
    EXPECT_NE(summary.find("Pri 1 udalosti sa nedalo prevziať všetko"), std::string::npos) << summary;
    EXPECT_NE(summary.find("prevzatý je len najbližší termín 4.1.2027"), std::string::npos) << summary;
}

TEST(ICalImport, TheSameZonedEventInAnotherLocalZone) {
    const Zone zone("UTC");
    const ImportResult r = ImportICalendar(FileBytes("thunderbird.ics"), On(Day(2027, 1, 1)));
    const TReminder* dentist = Find(r, "Zubár");
    ASSERT_NE(dentist, nullptr);
    EXPECT_EQ(dentist->Time, At(13, 0));  // 14:00 CET is 13:00 UTC
    EXPECT_EQ(dentist->NoticeTime, At(12, 45));
}

// Zoned and UTC times around the changes of summer time, in the zones' own rules and the local ones:
// names without a VTIMEZONE in the file come from the zone data Kalvo has (on Windows compiled in).
TEST(ICalImport, ZonedTimesAroundSummerTimeChangesReadAsTheLocalClockDoes) {
    const Zone zone("Europe/Bratislava");
    const auto event = [](const char* summary, const char* start) {
        return std::string("BEGIN:VEVENT\r\nUID:") + summary + "\r\nDTSTART" + start + "\r\nSUMMARY:" + summary +
               "\r\nEND:VEVENT\r\n";
    };
    const std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" +
        // 28.3.2027 at 2:00 the clocks go forward to 3:00: 2:30 is never read and stands for 3:30.
        event("Jar", ";TZID=Europe/Bratislava:20270328T023000") +
        // 31.10.2027 at 3:00 the clocks go back to 2:00: 2:30 is read twice, an hour apart.
        event("Jesen pred", ":20271031T003000Z") + event("Jesen po", ":20271031T013000Z") +
        event("Jesen neskor", ":20271031T023000Z") +
        // New York's clocks go forward on 14.3.2027, two weeks before Bratislava's: 3:30 EDT is 8:30 CET;
        // on 7.11.2027, a week after, 1:30 comes twice: the first is summer time, 6:30 CET.
        event("New York jar", ";TZID=America/New_York:20270314T023000") +
        event("New York jesen", ";TZID=America/New_York:20271107T013000") +
        // The forms libical's own zone names take in other programs' files.
        event("Praha", ";TZID=/freeassociation.sourceforge.net/Europe/Prague:20270701T120000") +
        event("Praha citadel", ";TZID=/citadel.org/20220930_1/Europe/Prague:20270702T120000") +
        event("Praha tzfile", ";TZID=/freeassociation.sourceforge.net/Tzfile/Europe/Prague:20270703T120000") +
        "END:VCALENDAR\r\n";
    const ImportResult r = ImportICalendar(Bytes(text), On(Day(2027, 1, 1)));
    ASSERT_EQ(r.status, ImportStatus::Ok) << r.problem;
    EXPECT_TRUE(r.refused.empty()) << ImportSummary(r.refused, {});
    const std::pair<const char*, std::pair<DayNumber, double>> expected[] = {
        {"Jar", {Day(2027, 3, 28), At(3, 30)}},          {"Jesen pred", {Day(2027, 10, 31), At(2, 30)}},
        {"Jesen po", {Day(2027, 10, 31), At(2, 30)}},    {"Jesen neskor", {Day(2027, 10, 31), At(3, 30)}},
        {"New York jar", {Day(2027, 3, 14), At(8, 30)}}, {"New York jesen", {Day(2027, 11, 7), At(6, 30)}},
        {"Praha", {Day(2027, 7, 1), At(12, 0)}},         {"Praha citadel", {Day(2027, 7, 2), At(12, 0)}},
        {"Praha tzfile", {Day(2027, 7, 3), At(12, 0)}},
    };
    ASSERT_EQ(r.events.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& [summary, when] = expected[i];
        EXPECT_EQ(r.events[i].reminder.Text, summary);
        EXPECT_EQ(std::make_pair(r.events[i].reminder.Date, r.events[i].reminder.Time), when) << summary;
    }
}

// A yearly event that began before 1970, which the Windows C runtime cannot convert by itself.
TEST(ICalImport, ZonedYearlyEventFromBefore1970) {
    const Zone zone("Europe/Bratislava");
    const ImportResult r = ImportICalendar(
        Bytes("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:o\r\n"
              "DTSTART;TZID=Europe/Bratislava:19650312T090000\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Narodeniny otca\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n"),
        On(Day(2027, 1, 1)));
    ASSERT_EQ(r.status, ImportStatus::Ok) << r.problem;
    ASSERT_EQ(r.events.size(), 1u) << ImportSummary(r.refused, {});
    EXPECT_EQ(r.events[0].label, "„Narodeniny otca“ (12.3.1965)");
    EXPECT_EQ(r.events[0].reminder.IsBirthday, 1);
    EXPECT_EQ(r.events[0].reminder.Date, Day(2027, 3, 12));
    EXPECT_EQ(r.events[0].reminder.Time, At(9, 0));
}

TEST(ICalImport, GoogleWithUtcTimesAllDayYearlyBirthdayCancelledAndPast) {
    const Zone zone("Europe/Bratislava");
    const ImportResult r = ImportICalendar(FileBytes("google.ics"), On(Day(2027, 1, 1)));
    ASSERT_EQ(r.status, ImportStatus::Ok) << r.problem;
    ASSERT_EQ(r.events.size(), 2u);
    const TReminder* tax = Find(r, "Odovzdať");
    ASSERT_NE(tax, nullptr);
    EXPECT_EQ(tax->Text, "Odovzdať daňové priznanie – nezabudnúť podpísať všetky strany a priložiť potvrdenie");
    EXPECT_EQ(tax->Date, Day(2027, 6, 1));
    EXPECT_EQ(tax->Time, At(8, 30));               // 06:30Z in summer time
    EXPECT_EQ(tax->NoticeFrom, Day(2027, 5, 31));  // -P1D; the -PT30M alarm cannot be taken as well
    EXPECT_EQ(tax->NoticeTime, At(8, 30));
    const TReminder* birthday = Find(r, "Narodeniny");
    ASSERT_NE(birthday, nullptr);
    EXPECT_EQ(birthday->IsBirthday, 1);
    EXPECT_EQ(birthday->IsNameDay, 0);
    EXPECT_EQ(birthday->Date, Day(2027, 4, 12));  // the next one of a yearly event from 1980
    EXPECT_EQ(birthday->Time, 0.0);               // all day
    EXPECT_EQ(birthday->Notice, 1);
    EXPECT_EQ(birthday->Period, rpNone);
    EXPECT_EQ(birthday->NoticeFrom, Day(2027, 4, 11));  // -PT15H: 9:00 the day before
    EXPECT_EQ(birthday->NoticeNext, birthday->NoticeFrom);
    EXPECT_EQ(birthday->NoticeTime, At(9, 0));
    ASSERT_EQ(r.refused.size(), 2u);
    EXPECT_EQ(r.refused[0].reason, "je zrušená");
    EXPECT_EQ(r.refused[1].reason, "už minula");
    const std::string summary = ImportSummary(r.refused, {&r.events[0], &r.events[1]});
    EXPECT_EQ(summary.rfind("2 udalosti sa nedali prevziať:\n• „Koncert (zrušený)“ (15.1.2027): je zrušená\n", 0), 0u)
        << summary;
    EXPECT_NE(summary.find("ďalšie pripomenutie sa nedalo prevziať"), std::string::npos) << summary;
}

TEST(ICalImport, OutlookWithWindowsZoneNamesAndEventsKalvoCannotTake) {
    const Zone zone("Europe/Bratislava");
    const ImportResult r = ImportICalendar(FileBytes("outlook.ics"), On(Day(2027, 1, 1)));
    ASSERT_EQ(r.status, ImportStatus::Ok) << r.problem;
    ASSERT_EQ(r.events.size(), 2u);
    const TReminder* meeting = Find(r, "Porada");
    ASSERT_NE(meeting, nullptr);
    EXPECT_EQ(meeting->Date, Day(2027, 2, 10));
    EXPECT_EQ(meeting->Time, At(10, 0));
    EXPECT_EQ(meeting->NoticeTime, At(9, 45));
    // Text that Windows-1250 cannot hold: the nearest letter, or "?", and the summary says so.
    const TReminder* odd = Find(r, "Stretnutie");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->Text, "Stretnutie s Oysteinom v Łódźi ?");
    EXPECT_TRUE(EncodeCp1250(odd->Text).has_value());
    ASSERT_EQ(r.refused.size(), 3u);
    EXPECT_EQ(r.refused[0].reason, "neznáme časové pásmo „Mars/Olympus_Mons“ (chýba jeho VTIMEZONE)");
    EXPECT_EQ(r.refused[1].reason, "nemá začiatok (DTSTART) alebo sa jej začiatok nedá prečítať");
    EXPECT_EQ(r.refused[2].reason, "je úloha (VTODO), nie udalosť");
    const std::string summary = ImportSummary(r.refused, {&r.events[0], &r.events[1]});
    EXPECT_EQ(summary.rfind("3 udalosti sa nedali prevziať:\n", 0), 0u) << summary;
    EXPECT_NE(summary.find("Ø (U+00D8) → O, 😀 (U+1F600) → ?"), std::string::npos) << summary;
}

TEST(ICalImport, PlainLineEndsAbsoluteTriggerAndARepeatingAlarm) {
    const Zone zone("Europe/Bratislava");
    const ImportResult r = ImportICalendar(FileBytes("apple_lf.ics"), On(Day(2027, 1, 1)));
    ASSERT_EQ(r.status, ImportStatus::Ok) << r.problem;
    ASSERT_EQ(r.events.size(), 2u);
    const TReminder* bill = Find(r, "Zaplatiť");
    ASSERT_NE(bill, nullptr);
    EXPECT_EQ(bill->Date, Day(2027, 3, 1));
    EXPECT_EQ(bill->Time, 0.0);
    EXPECT_EQ(bill->NoticeFrom, Day(2027, 2, 27));  // 08:00Z is 09:00 in Bratislava
    EXPECT_EQ(bill->NoticeTime, At(9, 0));
    // TZID without VTIMEZONE: the system's zone of that name. -P3D repeated daily: a daily series.
    const TReminder* flight = Find(r, "Odlet");
    ASSERT_NE(flight, nullptr);
    EXPECT_EQ(flight->Date, Day(2027, 1, 20));
    EXPECT_EQ(flight->Time, At(7, 30));
    EXPECT_EQ(flight->Period, rpDaily);
    EXPECT_EQ(flight->NoticeFrom, Day(2027, 1, 17));
    EXPECT_EQ(flight->NoticeTime, At(7, 30));
    for (const ImportedEvent& e : r.events) EXPECT_TRUE(e.notes.empty()) << e.label;
}

TEST(ICalImport, YearlyEventAlreadyThisYearGoesToNextYear) {
    const Zone zone("Europe/Bratislava");
    const ImportResult r = ImportICalendar(FileBytes("google.ics"), On(Day(2027, 4, 13)));
    const TReminder* birthday = Find(r, "Narodeniny");
    ASSERT_NE(birthday, nullptr);
    EXPECT_EQ(birthday->Date, Day(2028, 4, 12));
}

// ---------------------------------------------------------------------------------------------------------
// Bad input: a Slovak message and nothing to take.

ImportResult Import(std::string_view text) { return ImportICalendar(Bytes(text), On(Day(2027, 1, 1))); }

TEST(ICalImport, BadFilesEndWithASlovakMessage) {
    EXPECT_EQ(Import("").status, ImportStatus::NotICalendar);
    EXPECT_EQ(Import("Dobrý deň\n").status, ImportStatus::NotICalendar);
    const ImportResult kvl =
        ImportICalendar(std::vector<std::uint8_t>{0x0A, 0xD7, 0xA3, 0x70, 0x3D, 0x0A, 0x00, 0x40}, On(Day(2027, 1, 1)));
    EXPECT_EQ(kvl.status, ImportStatus::NotICalendar);
    EXPECT_EQ(kvl.problem, "Súbor nie je vo formáte iCalendar (nezačína riadkom BEGIN:VCALENDAR).");

    const std::string whole =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART:20270101T100000\r\n"
        "SUMMARY:A\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const ImportResult truncated = Import(whole.substr(0, whole.size() / 2));
    EXPECT_EQ(truncated.status, ImportStatus::Truncated);
    EXPECT_EQ(truncated.problem, "Súbor je neúplný: chýba koniec kalendára (END:VCALENDAR).");
    EXPECT_TRUE(truncated.events.empty());

    std::string binary = whole;
    binary.insert(40, std::string("\0\x01\xFF", 3));
    const ImportResult bin = Import(binary);
    EXPECT_EQ(bin.status, ImportStatus::Binary);
    EXPECT_NE(bin.problem.find("binárne"), std::string::npos);

    std::string huge = whole;
    huge.resize(kMaxIcsBytes + 1, ' ');
    const ImportResult big = Import(huge);
    EXPECT_EQ(big.status, ImportStatus::TooLarge);
    EXPECT_NE(big.problem.find("príliš veľký"), std::string::npos);

    // Not a calendar inside: libical gives something else than VCALENDAR.
    // END before BEGIN: libical skips the line and leaves an empty calendar, which offers nothing.
    const ImportResult empty = Import("BEGIN:VCALENDAR\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(empty.status, ImportStatus::Ok);
    EXPECT_TRUE(empty.events.empty());
    EXPECT_TRUE(empty.refused.empty());
}

TEST(ICalImport, MalformedPropertiesRefuseTheirEventOnly) {
    const ImportResult r = Import(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
        "BEGIN:VEVENT\r\nDTSTART:2027XX01T100000\r\nSUMMARY:Zlý dátum\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270230T100000\r\nSUMMARY:Tridsiateho februára\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270105T100000\r\nRRULE:FREQ=SOMETIMES\r\nSUMMARY:Zlé opakovanie\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270105T100000\r\nSUMMARY:Dobrá\r\nBEGIN:VALARM\r\nTRIGGER:nikdy\r\n"
        "END:VALARM\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n");
    ASSERT_EQ(r.status, ImportStatus::Ok);
    // A start that cannot be read, or a day the calendar does not have, refuses the event; a property
    // that cannot be read is left out and said so.
    ASSERT_EQ(r.refused.size(), 2u);
    EXPECT_EQ(r.refused[0].label, "„Zlý dátum“");
    EXPECT_EQ(r.refused[1].reason, "jej začiatok (DTSTART) sa nedá prečítať");
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0].reminder.Text, "Zlé opakovanie");
    EXPECT_EQ(r.events[0].notes, std::vector<std::string>{"jeden jej údaj sa nedal prečítať a vynechal sa"});
    EXPECT_EQ(r.events[1].reminder.Text, "Dobrá");
    EXPECT_EQ(r.events[1].reminder.Notice, 0);
    EXPECT_EQ(r.events[1].notes, std::vector<std::string>{"jeden jej údaj sa nedal prečítať a vynechal sa"});
}

TEST(ICalImport, EndlessAndPastRecurrences) {
    const ImportResult r = Import(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20200101T100000\r\nRRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:Skončená\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:19000101T000000\r\nRRULE:FREQ=SECONDLY\r\nSUMMARY:Každú sekundu\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20260101T100000\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=15\r\nEXDATE:20270115T100000\r\n"
        "SUMMARY:Mesačná\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n");
    ASSERT_EQ(r.status, ImportStatus::Ok);
    ASSERT_EQ(r.refused.size(), 2u);
    EXPECT_EQ(r.refused[0].reason, "všetky jej termíny už minuli");
    EXPECT_EQ(r.refused[1].reason, "jej opakovanie (RRULE) sa nedá vypočítať");
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].reminder.Date, Day(2027, 2, 15));  // 15.1. is excluded
}

TEST(ICalImport, TextsAreTakenAsTheEditorTakesThemAndTheSummarySaysWhatChanged) {
    const Zone zone("UTC");
    std::string longText;
    for (int i = 0; i < 2000; ++i) longText += "ľ";
    const ImportResult r = Import(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270105T100000\r\nSUMMARY:Prvý riadok\\nDruhý\\tkoniec\\n\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270105T100000\r\nSUMMARY:" +
        longText +
        "\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270105T100000\r\nSUMMARY:Zvonček\x7f\x01!\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270105T100000\r\nDESCRIPTION:Len popis\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20270105T110000\r\nSUMMARY: \\n \r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n");
    ASSERT_EQ(r.status, ImportStatus::Ok);
    ASSERT_EQ(r.events.size(), 4u);
    EXPECT_EQ(r.events[0].reminder.Text, "Prvý riadok Druhý koniec");
    EXPECT_EQ(r.events[0].notes,
              std::vector<std::string>{"zalomenia riadkov a tabulátory v texte sa nahradili medzerami"});
    std::string kept;
    for (int i = 0; i < 1000; ++i) kept += "ľ";
    EXPECT_EQ(r.events[1].reminder.Text, kept);
    EXPECT_EQ(r.events[1].notes, std::vector<std::string>{"text mal 2000 znakov, prevzalo sa prvých 1000"});
    EXPECT_EQ(r.events[2].reminder.Text, "Zvonček!");
    EXPECT_EQ(r.events[2].notes, std::vector<std::string>{"riadiace znaky v texte sa vynechali"});
    EXPECT_EQ(r.events[3].reminder.Text, "Len popis");
    EXPECT_TRUE(r.events[3].notes.empty());
    ASSERT_EQ(r.refused.size(), 1u);
    EXPECT_EQ(r.refused[0].label, "„(bez názvu)“ (5.1.2027)");
    EXPECT_EQ(r.refused[0].reason, "nemá názov (SUMMARY) ani popis (DESCRIPTION)");
    // Every text taken passes the checks of kalvo-cli add and D-Bus.
    for (const ImportedEvent& e : r.events) {
        const BuiltReminder built = BuildReminder({"5.1.2027", "10:00", e.reminder.Text, {}, {}, {}, {}});
        EXPECT_TRUE(built.reminder.has_value()) << built.error;
    }
    std::vector<const ImportedEvent*> taken;
    for (const ImportedEvent& e : r.events) taken.push_back(&e);
    const std::string summary = ImportSummary(r.refused, taken);
    EXPECT_NE(summary.find("„(bez názvu)“ (5.1.2027): nemá názov (SUMMARY) ani popis (DESCRIPTION)"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Pri 3 udalostiach"), std::string::npos) << summary;
    EXPECT_NE(summary.find("text mal 2000 znakov, prevzalo sa prvých 1000"), std::string::npos) << summary;
}

TEST(ICalImport, SummaryUsesSlovakPluralForms) {
    EXPECT_EQ(RefusedCountText(1), "1 udalosť sa nedala prevziať");
    EXPECT_EQ(RefusedCountText(2), "2 udalosti sa nedali prevziať");
    EXPECT_EQ(RefusedCountText(3), "3 udalosti sa nedali prevziať");
    EXPECT_EQ(RefusedCountText(4), "4 udalosti sa nedali prevziať");
    EXPECT_EQ(RefusedCountText(5), "5 udalostí sa nedalo prevziať");
    EXPECT_EQ(RefusedCountText(22), "22 udalostí sa nedalo prevziať");
    EXPECT_EQ(ImportSummary({}, {}), "");
    EXPECT_EQ(ImportSummary({{"„A“", "už minula"}}, {}), "1 udalosť sa nedala prevziať:\n• „A“: už minula");
    ImportedEvent a{{}, "„B“", {"x"}}, b{{}, "„C“", {"y", "z"}};
    EXPECT_EQ(ImportSummary({}, {&a, &b}), "Pri 2 udalostiach sa nedalo prevziať všetko:\n• „B“: x\n• „C“: y, z");
}

TEST(ICalImport, RecognisesICalendarFiles) {
    EXPECT_TRUE(LooksLikeICalendar(Bytes("\xEF\xBB\xBF\r\n begin:vcalendar\r\n")));
    EXPECT_FALSE(LooksLikeICalendar(Bytes("BEGIN:VEVENT")));
    EXPECT_TRUE(HasICalendarExtension("kalendar.ICS"));
    EXPECT_TRUE(HasICalendarExtension("/a.b/c.ical"));
    EXPECT_FALSE(HasICalendarExtension("sada.kvl"));
    EXPECT_FALSE(HasICalendarExtension("ics"));
}

}  // namespace
}  // namespace kalvo::storage::ical
