// Reminders as events on a calendar server: Kalvo to Kalvo is lossless, another program's changes are taken
// only where it made them, patching keeps what Kalvo does not know, and acknowledgements and snoozes are
// written so that every program sees them.

#include "storage/ical/event_mapping.h"

#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

#include "core/due.h"
#include "storage/ical/ical_exchange.h"
#include "support/builders.h"
#include "support/local_zone.h"

namespace kalvo::storage::ical {
namespace {

using test::At;
using test::Day;
using test::NameDay;
using test::Ordinary;
using test::WithNotice;

constexpr std::int64_t kDaySeconds = 86400;
const DayNumber D = Day(2026, 12, 7);  // a Monday

std::int64_t Moment(DayNumber day, int h, int m, int s = 0) { return day * kDaySeconds + (h * 60 + m) * 60 + s; }

// Unfolded lines, so that a property can be looked for whole.
std::string Unfolded(std::string text) {
    for (std::size_t pos; (pos = text.find("\r\n ")) != std::string::npos;) text.erase(pos, 3);
    return text;
}

bool Has(const std::string& ics, const std::string& line) { return Unfolded(ics).find(line) != std::string::npos; }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    text = Unfolded(text);
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class MappingTest : public ::testing::Test {
protected:
    MappingTest() {
        options.now = Moment(D, 8, 0);
        options.stampUtc = 1796112000;  // 2026-12-01 08:00:00 UTC
        options.limits.steadyNow = [] { return std::chrono::steady_clock::time_point{}; };
    }

    EventReading Read(const std::string& ics) const { return ReadEvent(ics, options); }

    test::LocalZone zone_{"Europe/Bratislava"};
    MappingOptions options;
};

TEST_F(MappingTest, KalvoToKalvoIsLosslessAndTheEventIsValid) {
    TReminder odd =
        WithNotice(Ordinary(D + 10, At(9, 30, 15), "Riadok\r\ndruhý; „úvodzovky“, čiarka"), D + 1, rpMonthly, At(8, 0));
    odd.NoticeNext = D + 4;  // moved on by alarms
    odd.Picture = "C:\\obr\\zub.bmp";
    const std::vector<TReminder> records{
        Ordinary(D + 1, At(18, 0), "Štedrý večer"),
        Ordinary(D + 1, At(18, 0), ""),
        odd,
        WithNotice(Ordinary(D + 3, At(15, 0), "týždenne"), D, rpWeekly, -At(7, 0), 2),
        NameDay(Day(2027, 3, 19), At(12, 0), Day(2027, 3, 18), At(8, 0)),
        NameDay(Day(2027, 5, 2), At(7, 0), Day(2027, 5, 2), At(6, 0), /*birthday=*/true),
    };
    for (const TReminder& r : records) {
        const std::string ics = NewEvent(r, "uid-1", {}, options);
        EXPECT_EQ(ValidationProblems(ics), 0) << ics;
        const EventReading back = Read(ics);
        ASSERT_TRUE(back.usable) << back.problem << "\n" << ics;
        EXPECT_EQ(back.uid, "uid-1");
        EXPECT_EQ(back.record, r) << ics;
        EXPECT_EQ(back.kalvo, r);
        EXPECT_FALSE(back.done);
        EXPECT_FALSE(back.series);
        // Phones ring at the reminder's own moment too.
        EXPECT_TRUE(Has(ics, "TRIGGER:PT0S")) << ics;
    }
}

TEST_F(MappingTest, AnotherProgramsChangesAreTakenOnlyWhereItMadeThem) {
    const TReminder r = WithNotice(Ordinary(D + 10, At(9, 0), "Zubár"), D + 8, rpDaily, At(8, 0));
    const std::string ics = NewEvent(r, "u", {}, options);

    EventReading back = Read(Replaced(ics, "SUMMARY:Zubár", "SUMMARY:Zubár 🦷 o desiatej"));
    EXPECT_EQ(back.record.Text, "Zubár ? o desiatej");  // what Windows-1250 cannot hold becomes '?'
    EXPECT_EQ(back.record.Date, r.Date);
    EXPECT_EQ(back.record.NoticeFrom, r.NoticeFrom);
    EXPECT_EQ(back.record.Period, rpDaily);

    back = Read(Replaced(ics, "DTSTART:20261217T090000", "DTSTART;TZID=Europe/Bratislava:20261218T100000"));
    EXPECT_EQ(back.record.Date, D + 11);
    EXPECT_EQ(back.record.Time, At(10, 0));
    EXPECT_EQ(back.record.Text, "Zubár");
    // The notices keep their distance from the event: another program moves the alarms with it.
    EXPECT_EQ(back.record.NoticeFrom, D + 9);

    // An alarm moved: the notices as import reads them.
    back = Read(Replaced(ics, "TRIGGER:-P2DT1H", "TRIGGER:-P1DT1H"));
    EXPECT_EQ(back.record.NoticeFrom, D + 9);
    EXPECT_EQ(back.record.Text, "Zubár");

    // Nothing changed, whatever the server did to the layout of the text.
    back = Read(Replaced(ics, "SUMMARY:Zubár", "SUMMARY;LANGUAGE=sk:Zubár"));
    EXPECT_EQ(back.record, r);
}

// As khal writes an event: a time zone, an emoji, properties of its own, an override of one occurrence
// (the 14th at 13:00 instead of 10:00) and an excluded one.
const std::string kKhalSeries =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//PIMUTILS.ORG//NONSGML khal / icalendar //EN\r\n"
    "BEGIN:VTIMEZONE\r\nTZID:Europe/Bratislava\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\n"
    "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
    "BEGIN:VEVENT\r\nUID:khal-1@example.org\r\nSUMMARY:Porada 🚀\r\n"
    "DTSTART;TZID=Europe/Bratislava:20261130T100000\r\nDTEND;TZID=Europe/Bratislava:20261130T110000\r\n"
    "RRULE:FREQ=WEEKLY;BYDAY=MO\r\nEXDATE;TZID=Europe/Bratislava:20261207T100000\r\n"
    "X-KHAL-COLOUR:#ff0000\r\nCATEGORIES:Práca\r\nATTENDEE;CN=Jana:mailto:jana@example.org\r\n"
    "DTSTAMP:20261120T080000Z\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT10M\r\nDESCRIPTION:Porada\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:khal-1@example.org\r\nRECURRENCE-ID;TZID=Europe/Bratislava:20261214T100000\r\n"
    "SUMMARY:Porada presunutá\r\nDTSTART;TZID=Europe/Bratislava:20261214T130000\r\n"
    "DTEND;TZID=Europe/Bratislava:20261214T140000\r\nDTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\n"
    "END:VCALENDAR\r\n";

TEST_F(MappingTest, PatchingAnAcknowledgementKeepsEverythingKalvoDoesNotKnow) {
    const std::string& khal = kKhalSeries;
    const EventReading first = Read(khal);
    ASSERT_TRUE(first.usable) << first.problem;
    EXPECT_TRUE(first.series);
    EXPECT_FALSE(first.kalvo);
    // The 7th is excluded: the next occurrence from now is the 14th, which comes at 13:00 as its override says.
    EXPECT_EQ(first.record.Date, D + 7);
    EXPECT_EQ(first.record.Time, At(13, 0));
    EXPECT_EQ(first.record.Text, "Porada presunutá");

    // Kalvo acknowledges that occurrence.
    const TReminder acked = AcknowledgeAt(first.record, D + 7, At(13, 0)).record;
    const EventMarks marks{Moment(D + 7, 13, 0, 5), 0};
    const auto patched = PatchEvent(khal, first.record, acked, marks, options);
    ASSERT_TRUE(patched);
    for (const char* kept :
         {"TZID:Europe/Bratislava", "SUMMARY:Porada 🚀", "X-KHAL-COLOUR:#ff0000", "CATEGORIES:Práca",
          "ATTENDEE;CN=Jana:mailto:jana@example.org", "EXDATE;TZID=Europe/Bratislava:20261207T100000",
          "RECURRENCE-ID;TZID=Europe/Bratislava:20261214T100000", "SUMMARY:Porada presunutá",
          "DTSTART;TZID=Europe/Bratislava:20261130T100000", "RRULE:FREQ=WEEKLY;BYDAY=MO", "TRIGGER:-PT10M"})
        EXPECT_TRUE(Has(*patched, kept)) << kept << "\n" << *patched;
    // Every program sees the acknowledgement.
    EXPECT_TRUE(Has(*patched, "X-MOZ-LASTACK:20261214T120005Z")) << *patched;
    EXPECT_TRUE(Has(*patched, "ACKNOWLEDGED:20261214T120005Z")) << *patched;
    EXPECT_TRUE(Has(*patched, "X-KALVO-ACK:2026-12-14 13:00:05")) << *patched;

    // One occurrence acknowledged never archives the series: the next one follows.
    const EventReading again = Read(*patched);
    ASSERT_TRUE(again.usable) << again.problem;
    EXPECT_FALSE(again.done);
    EXPECT_TRUE(again.series);
    EXPECT_EQ(again.record.Date, D + 14);
    EXPECT_EQ(again.record.Text, "Porada ?");
}

// Kalvo follows a series one occurrence at a time: moving the reminder moves that occurrence alone, as an
// override every program reads, and the series goes on as it was after it.
TEST_F(MappingTest, MovingAnOccurrenceOfASeriesWritesAnOverrideOfIt) {
    const std::string series = Replaced(kKhalSeries, "EXDATE;TZID=Europe/Bratislava:20261207T100000\r\n", "");
    const EventReading first = Read(series);
    ASSERT_TRUE(first.usable) << first.problem;
    EXPECT_EQ(first.record.Date, D);
    EXPECT_EQ(first.record.Time, At(10, 0));
    TReminder moved = first.record;
    moved.Time = At(15, 30);
    moved.Text = "Porada poobede";
    const auto patched = PatchEvent(series, first.record, moved, {}, options);
    ASSERT_TRUE(patched);
    for (const char* kept :
         {"DTSTART;TZID=Europe/Bratislava:20261130T100000", "RRULE:FREQ=WEEKLY;BYDAY=MO",
          "RECURRENCE-ID;TZID=Europe/Bratislava:20261207T100000", "DTSTART;TZID=Europe/Bratislava:20261207T153000",
          "SUMMARY:Porada poobede", "RECURRENCE-ID;TZID=Europe/Bratislava:20261214T100000", "SUMMARY:Porada presunutá"})
        EXPECT_TRUE(Has(*patched, kept)) << kept << "\n" << *patched;
    const EventReading back = Read(*patched);
    EXPECT_EQ(back.record, moved);
    EXPECT_TRUE(back.series);

    // Moved once more, the same override moves.
    TReminder later = moved;
    later.Time = At(16, 0);
    const auto again = PatchEvent(*patched, back.record, later, {}, options);
    ASSERT_TRUE(again);
    EXPECT_EQ(Read(*again).record, later);
    const std::string text = Unfolded(*again);
    EXPECT_EQ(text.find("RECURRENCE-ID;TZID=Europe/Bratislava:20261207T100000"),
              text.rfind("RECURRENCE-ID;TZID=Europe/Bratislava:20261207T100000"))
        << *again;

    // Moved past the next occurrence, it is still the one Kalvo follows; once acknowledged, the series goes
    // on from there, the other override included.
    TReminder far = later;
    far.Date = D + 8;
    const auto beyond = PatchEvent(*again, later, far, {}, options);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(Read(*beyond).record, far);
    const auto acked = PatchEvent(*beyond, far, far, {Moment(D + 8, 16, 0, 1), 0}, options);
    ASSERT_TRUE(acked);
    const EventReading next = Read(*acked);
    EXPECT_EQ(next.record.Date, D + 14);
    EXPECT_EQ(next.record.Time, At(10, 0));
    EXPECT_EQ(next.record.Text, "Porada poobede");
    EXPECT_FALSE(next.done);
}

// In the hour the clocks go back (25 October 2026, 02:00-03:00 twice) a daily series written in UTC comes
// at 02:30 local time either in summer time (00:30Z) or in winter time (01:30Z): the override of a moved
// occurrence must name the instant the occurrence has, not the other 02:30.
TEST_F(MappingTest, AnOverrideInTheRepeatedHourNamesItsOwnOccurrence) {
    const DayNumber change = Day(2026, 10, 25);
    options.now = Moment(change, 0, 0);
    for (const char* utc : {"003000", "013000"}) {
        const std::string series = std::string(
                                       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\nBEGIN:VEVENT\r\n"
                                       "UID:utc-1\r\nSUMMARY:Zálohovanie\r\nDTSTART:20261020T") +
                                   utc + "Z\r\nRRULE:FREQ=DAILY\r\nDTSTAMP:20261001T080000Z\r\nEND:VEVENT\r\n" +
                                   "END:VCALENDAR\r\n";
        const EventReading first = Read(series);
        ASSERT_TRUE(first.usable && first.series) << first.problem;
        ASSERT_EQ(std::tuple(first.record.Date, first.record.Time), std::tuple(change, At(2, 30))) << utc;
        TReminder moved = first.record;
        moved.Time = At(10, 0);
        const auto patched = PatchEvent(series, first.record, moved, {}, options);
        ASSERT_TRUE(patched);
        EXPECT_TRUE(Has(*patched, std::string("RECURRENCE-ID:20261025T") + utc + "Z")) << *patched;
        EXPECT_EQ(Read(*patched).record, moved) << *patched;
        // The same override made by another program: that occurrence is where it moved, no longer at 02:30.
        const EventReading theirs = Read(
            Replaced(series, "END:VCALENDAR",
                     std::string("BEGIN:VEVENT\r\nUID:utc-1\r\nRECURRENCE-ID:20261025T") + utc +
                         "Z\r\nSUMMARY:Zálohovanie neskôr\r\nDTSTART:20261025T090000Z\r\nDTSTAMP:20261001T080000Z\r\n"
                         "END:VEVENT\r\nEND:VCALENDAR"));
        EXPECT_EQ(std::tuple(theirs.record.Date, theirs.record.Time, theirs.record.Text),
                  std::tuple(change, At(10, 0), std::string("Zálohovanie neskôr")))
            << utc;
    }
}

// Another program changed single occurrences of a series: the next one is where its override puts it, a
// cancelled one is skipped, and one whose override changes only its text keeps its time.
TEST_F(MappingTest, TheNextOccurrenceIsWhereTheOverridesPutIt) {
    const std::string series = Replaced(kKhalSeries, "EXDATE;TZID=Europe/Bratislava:20261207T100000\r\n", "");
    const auto with = [&](const std::string& override) {
        return Replaced(series, "END:VCALENDAR",
                        "BEGIN:VEVENT\r\nUID:khal-1@example.org\r\n" + override +
                            "DTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\nEND:VCALENDAR");
    };
    const auto next = [&](const std::string& ics) {
        const EventReading r = Read(ics);
        EXPECT_TRUE(r.usable && r.series) << r.problem;
        return std::tuple(r.record.Date, r.record.Time, r.record.Text);
    };
    EXPECT_EQ(next(with("RECURRENCE-ID;TZID=Europe/Bratislava:20261207T100000\r\nSUMMARY:Porada s hosťom\r\n"
                        "DTSTART;TZID=Europe/Bratislava:20261207T100000\r\n")),
              std::tuple(D, At(10, 0), std::string("Porada s hosťom")));
    EXPECT_EQ(next(with("RECURRENCE-ID;TZID=Europe/Bratislava:20261207T100000\r\nSTATUS:CANCELLED\r\n"
                        "DTSTART;TZID=Europe/Bratislava:20261207T100000\r\n")),
              std::tuple(D + 7, At(13, 0), std::string("Porada presunutá")));
    EXPECT_EQ(next(with("RECURRENCE-ID:20261207T090000Z\r\nSUMMARY:Porada skôr\r\n"
                        "DTSTART;TZID=Europe/Bratislava:20261207T083000\r\n")),
              std::tuple(D, At(8, 30), std::string("Porada skôr")));
    // A past occurrence moved to this week comes before this week's own.
    EXPECT_EQ(next(with("RECURRENCE-ID;TZID=Europe/Bratislava:20261130T100000\r\nSUMMARY:Porada odložená\r\n"
                        "DTSTART;TZID=Europe/Bratislava:20261207T090000\r\n")),
              std::tuple(D, At(9, 0), std::string("Porada odložená")));
    // One day of an all-day series given a time of its own.
    EXPECT_EQ(next("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\nBEGIN:VEVENT\r\nUID:d-1\r\n"
                   "SUMMARY:Upratovanie\r\nDTSTART;VALUE=DATE:20261130\r\nRRULE:FREQ=WEEKLY\r\n"
                   "DTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:d-1\r\n"
                   "RECURRENCE-ID;VALUE=DATE:20261214\r\nSUMMARY:Upratovanie večer\r\n"
                   "DTSTART;TZID=Europe/Bratislava:20261214T170000\r\nDTSTAMP:20261120T080000Z\r\n"
                   "END:VEVENT\r\nEND:VCALENDAR\r\n"),
              std::tuple(D + 7, At(17, 0), std::string("Upratovanie večer")));
}

// A moved event keeps the form its times were written in: a zone's time keeps its TZID, also one the
// file does not describe, and becomes that zone's reading of the new moment, its end likewise; a day
// stays a day while no time of its own is given.
TEST_F(MappingTest, AMovedEventKeepsTheFormOfItsTimes) {
    const auto event = [](const std::string& times) {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\nBEGIN:VEVENT\r\nUID:e-1\r\n"
               "SUMMARY:Hovor\r\n" +
               times + "DTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    const auto moved = [&](const std::string& ics, DayNumber date, double time) {
        const EventReading first = Read(ics);
        EXPECT_TRUE(first.usable) << first.problem;
        TReminder r = first.record;
        r.Date = date;
        r.Time = time;
        const std::string patched = PatchEvent(ics, first.record, r, {}, options).value_or("");
        EXPECT_EQ(Read(patched).record, r) << patched;
        return patched;
    };

    // London is an hour behind; the next Monday's occurrence moves to Tuesday 12:30 here.
    const std::string london = event(
        "DTSTART;TZID=Europe/London:20261130T090000\r\nDTEND;TZID=Europe/London:20261130T093000\r\n"
        "RRULE:FREQ=WEEKLY;BYDAY=MO\r\n");
    EXPECT_EQ(Read(london).record.Time, At(10, 0));
    std::string patched = moved(london, D + 1, At(12, 30));
    for (const char* line :
         {"DTSTART;TZID=Europe/London:20261130T090000", "RECURRENCE-ID;TZID=Europe/London:20261207T090000",
          "DTSTART;TZID=Europe/London:20261208T113000", "DTEND;TZID=Europe/London:20261208T120000"})
        EXPECT_TRUE(Has(patched, line)) << line << "\n" << patched;

    const std::string allDay = event("DTSTART;VALUE=DATE:20261210\r\nDTEND;VALUE=DATE:20261211\r\n");
    patched = moved(allDay, D + 5, At(0, 0));
    EXPECT_TRUE(Has(patched, "DTSTART;VALUE=DATE:20261212")) << patched;
    EXPECT_TRUE(Has(patched, "DTEND;VALUE=DATE:20261213")) << patched;
    patched = moved(allDay, D + 5, At(9, 0));
    EXPECT_TRUE(Has(patched, "DTSTART:20261212T090000")) << patched;
}

TEST_F(MappingTest, TheYearlyMoveOfANameDayIsAnAcknowledgementNotANewStart) {
    const TReminder name = NameDay(D, At(12, 0), D - 1, At(8, 0));
    const std::string ics = NewEvent(name, "n", {}, options);
    const Acknowledged moved = AcknowledgeAt(name, D, At(12, 0));
    ASSERT_FALSE(moved.done);
    const auto patched = PatchEvent(ics, name, moved.record, {Moment(D, 12, 0), 0}, options);
    ASSERT_TRUE(patched);
    EXPECT_TRUE(Has(*patched, "DTSTART:20261207T120000")) << *patched;
    EXPECT_TRUE(Has(*patched, "RRULE:FREQ=YEARLY")) << *patched;
    EXPECT_TRUE(Has(*patched, "X-KALVO-DATE:" + std::to_string(Day(2027, 12, 7)))) << *patched;
    options.now = Moment(D, 13, 0);
    const EventReading back = Read(*patched);
    ASSERT_TRUE(back.usable) << back.problem;
    EXPECT_EQ(back.record, moved.record);
    EXPECT_FALSE(back.done);
    EXPECT_FALSE(back.series);
    // A year later nothing of it reads as changed.
    options.now = Moment(D + 300, 13, 0);
    EXPECT_EQ(Read(*patched).record, moved.record);
}

TEST_F(MappingTest, AnAlarmDismissedOnAPhoneIsAcknowledgedHere) {
    const TReminder r = WithNotice(Ordinary(D + 2, At(15, 0), "Zubár"), D + 1, 4, At(9, 0));
    const std::string ics = NewEvent(r, "u", {}, options);
    // The phone dismissed the notice (RFC 9074).
    std::string phone = Replaced(ics, "TRIGGER:-P1DT6H\r\n", "TRIGGER:-P1DT6H\r\nACKNOWLEDGED:20261208T080100Z\r\n");
    EventReading back = Read(phone);
    EXPECT_FALSE(back.done);
    EXPECT_EQ(back.record.NoticeNext, 0);  // the one notice has been given
    EXPECT_EQ(back.marks.acknowledged, Moment(D + 1, 9, 1));
    // Then the event itself (Thunderbird's way).
    phone = Replaced(phone, "END:VEVENT", "X-MOZ-LASTACK:20261209T140200Z\r\nEND:VEVENT");
    back = Read(phone);
    EXPECT_TRUE(back.done);
    // Kalvo's own acknowledgement of the event says the same.
    EXPECT_TRUE(Read(NewEvent(r, "u", {Moment(D + 2, 15, 0), 0}, options)).done);
    EXPECT_FALSE(Read(NewEvent(r, "u", {Moment(D + 1, 9, 0), 0}, options)).done);
}

TEST_F(MappingTest, ASnoozeIsSharedExactly) {
    const TReminder r = Ordinary(D, At(9, 0), "Zubár");
    const std::string ics = NewEvent(r, "u", {0, Moment(D, 9, 10)}, options);
    EXPECT_TRUE(Has(ics, "X-MOZ-SNOOZE-TIME:20261207T081000Z")) << ics;
    EXPECT_TRUE(Has(ics, "X-KALVO-SNOOZE:2026-12-07 09:10:00")) << ics;
    EXPECT_EQ(Read(ics).marks.snoozedUntil, Moment(D, 9, 10));
    // Another program put it off further.
    EXPECT_EQ(Read(Replaced(ics, "X-MOZ-SNOOZE-TIME:20261207T081000Z", "X-MOZ-SNOOZE-TIME:20261207T083000Z"))
                  .marks.snoozedUntil,
              Moment(D, 9, 30));
    // A snooze that ended is gone from the event.
    const auto done = PatchEvent(ics, r, r, {Moment(D, 9, 10), 0}, options);
    ASSERT_TRUE(done);
    EXPECT_FALSE(Has(*done, "SNOOZE"));
}

TEST_F(MappingTest, AKalvoChangeMovesTheEventAndKeepsItsLength) {
    const std::string thunderbird =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Mozilla.org//EN\r\nBEGIN:VEVENT\r\nUID:tb-1\r\n"
        "SUMMARY:Obed\r\nDTSTART:20261210T120000Z\r\nDTEND:20261210T130000Z\r\nX-MOZ-GENERATION:3\r\n"
        "DTSTAMP:20261120T080000Z\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
        "END:VEVENT\r\nEND:VCALENDAR\r\n";
    const EventReading first = Read(thunderbird);
    ASSERT_TRUE(first.usable);
    EXPECT_EQ(first.record.Time, At(13, 0));  // UTC in local time
    TReminder edited = first.record;
    edited.Date = D + 4;
    edited.Time = At(12, 30);
    edited.Text = "Obed s Janou";
    const auto patched = PatchEvent(thunderbird, first.record, edited, {}, options);
    ASSERT_TRUE(patched);
    // Still in UTC, as it was written.
    EXPECT_TRUE(Has(*patched, "DTSTART:20261211T113000Z")) << *patched;
    EXPECT_TRUE(Has(*patched, "DTEND:20261211T123000Z")) << *patched;
    EXPECT_TRUE(Has(*patched, "SUMMARY:Obed s Janou")) << *patched;
    EXPECT_TRUE(Has(*patched, "SEQUENCE:1")) << *patched;
    EXPECT_TRUE(Has(*patched, "X-MOZ-GENERATION:3")) << *patched;
    // The notice stays on its day and time: another program's alarm read as it is written anew.
    EXPECT_FALSE(Has(*patched, "TRIGGER:-PT15M")) << *patched;
    EXPECT_TRUE(Has(*patched, "TRIGGER:-PT23H45M")) << *patched;
    const EventReading back = Read(*patched);
    EXPECT_EQ(back.record, edited);
}

TEST_F(MappingTest, WhatIsNoReminderSaysWhy) {
    const std::string todo =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VTODO\r\nUID:t-1\r\nSUMMARY:Úloha\r\n"
        "DTSTAMP:20261120T080000Z\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
    EventReading r = Read(todo);
    EXPECT_FALSE(r.usable);
    EXPECT_EQ(r.uid, "t-1");
    EXPECT_EQ(EventUid(todo), "t-1");
    const std::string cancelled = Replaced(NewEvent(Ordinary(D + 1, At(9, 0), "a"), "c", {}, options), "END:VEVENT",
                                           "STATUS:CANCELLED\r\nEND:VEVENT");
    r = Read(cancelled);
    EXPECT_FALSE(r.usable);
    EXPECT_EQ(r.uid, "c");
    EXPECT_EQ(r.problem, "je zrušená");
    EXPECT_FALSE(Read("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n").usable);
    EXPECT_FALSE(Read(std::string("\0\0", 2)).usable);
    EXPECT_FALSE(PatchEvent(todo, Ordinary(D, 0), Ordinary(D, 0), {}, options));
}

TEST_F(MappingTest, APastOneOffEventIsStillReadForTheSyncToDecide) {
    const std::string past = NewEvent(Ordinary(D - 3, At(9, 0), "minulý týždeň"), "p", {}, options);
    const EventReading r = Read(past);
    EXPECT_TRUE(r.usable);
    EXPECT_FALSE(r.done);
    EXPECT_EQ(r.record.Date, D - 3);
}

}  // namespace
}  // namespace kalvo::storage::ical
