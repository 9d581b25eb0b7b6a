// Recurring events on import: the next occurrence from the present moment on, found under a bound of
// candidates and of time, so that a rule that never matches is refused by name instead of holding the
// import (and the program) for ever.

#include <gtest/gtest.h>

#include <string>

#include "storage/ical/ical_exchange.h"
#include "support/builders.h"
#include "support/local_zone.h"

namespace kalvo::storage::ical {
namespace {

using test::At;
using test::Day;
using Steady = std::chrono::steady_clock;

std::string Calendar(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//SK\r\n" + events + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& summary, const std::string& start, const std::string& rule = {}) {
    return "BEGIN:VEVENT\r\nUID:" + summary + "\r\nDTSTART:" + start + "\r\n" +
           (rule.empty() ? "" : "RRULE:" + rule + "\r\n") + "SUMMARY:" + summary + "\r\nEND:VEVENT\r\n";
}

const std::string kImpossible = "FREQ=SECONDLY;BYSECOND=1;BYMINUTE=1;BYHOUR=1;BYMONTH=2;BYMONTHDAY=30";

// A steady clock that moves by `step` each time it is read.
struct FakeSteady {
    explicit FakeSteady(std::chrono::milliseconds s) : step(s) {}
    Steady::time_point operator()() {
        ++reads;
        return now += step;
    }
    std::chrono::milliseconds step;
    Steady::time_point now{};
    int reads = 0;
};

ImportOptions Now(DayNumber day, int h, int m, FakeSteady* clock = nullptr) {
    ImportOptions o;
    o.today = day;
    o.secondOfDay = (h * 60 + m) * 60;
    if (clock) o.limits.steadyNow = std::ref(*clock);
    return o;
}

ImportResult Import(const std::string& events, const ImportOptions& o) {
    const std::string text = Calendar(events);
    return ImportICalendar(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), o);
}

const ImportedEvent* Taken(const ImportResult& r, const std::string& text) {
    for (const ImportedEvent& e : r.events)
        if (e.reminder.Text == text) return &e;
    return nullptr;
}

TEST(ICalRecurrence, ARuleThatNeverMatchesIsRefusedByNameAndTheRestIsTaken) {
    FakeSteady still(std::chrono::milliseconds(0));  // only the bound of candidates can end it
    const ImportResult r =
        Import(Event("Nikdy", "19000101T000000", kImpossible) + Event("Denne", "20261101T080000", "FREQ=DAILY"),
               Now(Day(2027, 1, 1), 9, 38, &still));
    ASSERT_EQ(r.status, ImportStatus::Ok);
    ASSERT_EQ(r.refused.size(), 1u);
    EXPECT_EQ(r.refused[0].label, "„Nikdy“ (1.1.1900)");
    EXPECT_EQ(r.refused[0].reason, "jej opakovanie (RRULE) sa nedá vypočítať v rozumnom čase");
    ASSERT_NE(Taken(r, "Denne"), nullptr);
    EXPECT_EQ(
        ImportSummary(r.refused, {}),
        "1 udalosť sa nedala prevziať:\n• „Nikdy“ (1.1.1900): jej opakovanie (RRULE) sa nedá vypočítať v rozumnom čase");
}

TEST(ICalRecurrence, TheTimeBudgetEndsEachEventAndTheWholeImport) {
    ImportOptions o = Now(Day(2027, 1, 1), 9, 38);
    o.limits.candidates = ~std::uint64_t{0};  // only time can end it
    FakeSteady slow(std::chrono::milliseconds(300));
    o.limits.steadyNow = std::ref(slow);
    const ImportResult one = Import(Event("Nikdy", "19000101T000000", kImpossible), o);
    ASSERT_EQ(one.refused.size(), 1u);
    EXPECT_EQ(one.refused[0].reason, "jej opakovanie (RRULE) sa nedá vypočítať v rozumnom čase");
    EXPECT_LE(slow.reads, 8);  // a second of 300 ms readings, and the reads that set the deadlines

    // Ten such events share the import's five seconds; an event after that is not walked at all.
    std::string many;
    for (int i = 0; i < 10; ++i) many += Event("Nikdy " + std::to_string(i), "19000101T000000", kImpossible);
    slow.reads = 0;
    const ImportResult all = Import(many + Event("Denne", "20261101T080000", "FREQ=DAILY"), o);
    EXPECT_EQ(all.refused.size(), 11u);
    EXPECT_LE(slow.reads, 60);
}

TEST(ICalRecurrence, ARepeatingEventGivesItsNextOccurrenceAfterThePresentMoment) {
    const DayNumber today = Day(2027, 1, 1);
    const ImportResult r = Import(Event("Denne", "20261101T080000", "FREQ=DAILY") + Event("Rano", "20270101T070000") +
                                      Event("Neskor", "20270101T100000"),
                                  Now(today, 9, 38));
    const ImportedEvent* daily = Taken(r, "Denne");
    ASSERT_NE(daily, nullptr);
    EXPECT_EQ(daily->reminder.Date, today + 1);  // today's 8:00 has passed
    EXPECT_DOUBLE_EQ(daily->reminder.Time, At(8, 0));
    ASSERT_NE(Taken(r, "Neskor"), nullptr);
    ASSERT_EQ(r.refused.size(), 1u);
    EXPECT_EQ(r.refused[0].label, "„Rano“ (1.1.2027)");
    EXPECT_EQ(r.refused[0].reason, "už minula");

    // From the start of the day (the day alone given), today's occurrence is still to come.
    const ImportResult early = Import(Event("Denne", "20261101T080000", "FREQ=DAILY"), Now(today, 0, 0));
    ASSERT_EQ(early.events.size(), 1u);
    EXPECT_EQ(early.events[0].reminder.Date, today);
}

// Rules whose next occurrence is easy to count by hand, across the windows the walk uses.
TEST(ICalRecurrence, StepsAndCountsAreKeptAcrossWindows) {
    struct Case {
        const char* start;
        const char* rule;
        DayNumber day;
        double time;
    };
    const DayNumber d = Day(2027, 1, 1);
    const Case cases[] = {
        // Noon is 756 hours after the start; the next fifth hour is the 760th.
        {"20261201T000000", "FREQ=HOURLY;INTERVAL=5", d, At(16, 0)},
        // Noon is 2160 minutes after the start; the next seventh minute is the 2163rd.
        {"20261231T000000", "FREQ=MINUTELY;INTERVAL=7;COUNT=10000", d, At(12, 3)},
        {"20200101T080000", "FREQ=DAILY;BYHOUR=8,20", d, At(20, 0)},
        {"20261229T103000", "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,SA", Day(2027, 1, 2), At(10, 30)},
        // Every 13 seconds from midnight: 12:00 is second 43200 = 3323·13 + 1, so 12:00:12 comes next.
        {"20270101T000000", "FREQ=SECONDLY;INTERVAL=13", d, At(12, 0, 12)},
        // A birthday counted from 1900: its 128th and last occurrence is in 2027.
        {"19000305T000000", "FREQ=YEARLY;COUNT=128", Day(2027, 3, 5), 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const ImportResult r = Import(Event("E", c.start, c.rule), Now(d, 12, 0));
        ASSERT_EQ(r.events.size(), 1u);
        EXPECT_EQ(r.events[0].reminder.Date, c.day);
        EXPECT_NEAR(r.events[0].reminder.Time, c.time, 1e-9);
    }
    const ImportResult over = Import(
        Event("E", "19000305T000000", "FREQ=YEARLY;COUNT=127") + Event("F", "20260101T000000", "FREQ=SECONDLY;COUNT=5"),
        Now(d, 12, 0));
    ASSERT_EQ(over.refused.size(), 2u);
    EXPECT_EQ(over.refused[0].reason, "všetky jej termíny už minuli");
    EXPECT_EQ(over.refused[1].reason, "všetky jej termíny už minuli");
}

// An event with the given lines between its UID and its SUMMARY.
std::string EventWith(const std::string& summary, const std::vector<std::string>& lines) {
    std::string e = "BEGIN:VEVENT\r\nUID:" + summary + "\r\n";
    for (const std::string& l : lines) e += l + "\r\n";
    return e + "SUMMARY:" + summary + "\r\nEND:VEVENT\r\n";
}

TEST(ICalRecurrence, RdateRruleAndExdateTogetherGiveTheNextOccurrence) {
    const test::LocalZone zone("Europe/Bratislava");
    const DayNumber today = Day(2027, 1, 1);  // a Friday
    const ImportResult r = Import(
        // The start has passed; the dates to come are only in RDATE, in no order.
        EventWith("Len RDATE", {"DTSTART:20261201T100000", "RDATE:20261215T100000,20270110T100000,20270105T100000"}) +
            // Every Monday (the next is 4.1.), and once on Saturday 2.1., which comes first.
            EventWith("Týždenne a v sobotu",
                      {"DTSTART:20261207T080000", "RRULE:FREQ=WEEKLY", "RDATE:20270102T120000"}) +
            // The next Monday and the extra day are both excluded.
            EventWith("S výnimkami", {"DTSTART:20261207T080000", "RRULE:FREQ=WEEKLY", "RDATE;VALUE=DATE:20270102",
                                      "EXDATE:20270104T080000", "EXDATE;VALUE=DATE:20270102"}) +
            // A yearly rule with an extra date is no birthday: the extra date comes first.
            EventWith("Ročne a navyše",
                      {"DTSTART;VALUE=DATE:19900305", "RRULE:FREQ=YEARLY", "RDATE;VALUE=DATE:20270201"}) +
            // Extra dates in their own zone: noon in London is 13:00 here.
            EventWith("V Londýne", {"DTSTART;TZID=Europe/London:20261201T100000",
                                    "RDATE;TZID=Europe/London:20270103T120000", "RDATE:20270104T120000Z"}) +
            EventWith("Všetko minulo", {"DTSTART:20261201T100000", "RDATE:20261202T100000"}),
        Now(today, 9, 38));
    ASSERT_EQ(r.status, ImportStatus::Ok);
    struct Expected {
        const char* text;
        DayNumber day;
        double time;
        const char* note;
    };
    const Expected expected[] = {
        {"Len RDATE", Day(2027, 1, 5), At(10, 0),
         "má viac termínov (RDATE); prevzatý je len najbližší termín 5.1.2027"},
        {"Týždenne a v sobotu", Day(2027, 1, 2), At(12, 0),
         "opakuje sa a má aj ďalšie termíny (RDATE); prevzatý je len najbližší termín 2.1.2027"},
        {"S výnimkami", Day(2027, 1, 11), At(8, 0),
         "opakuje sa a má aj ďalšie termíny (RDATE); prevzatý je len najbližší termín 11.1.2027"},
        {"Ročne a navyše", Day(2027, 2, 1), 0.0,
         "opakuje sa a má aj ďalšie termíny (RDATE); prevzatý je len najbližší termín 1.2.2027"},
        {"V Londýne", Day(2027, 1, 3), At(13, 0),
         "má viac termínov (RDATE); prevzatý je len najbližší termín 3.1.2027"},
    };
    ASSERT_EQ(r.events.size(), std::size(expected));
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.text);
        const ImportedEvent* taken = Taken(r, e.text);
        ASSERT_NE(taken, nullptr);
        EXPECT_EQ(taken->reminder.Date, e.day);
        EXPECT_NEAR(taken->reminder.Time, e.time, 1e-9);
        EXPECT_EQ(taken->reminder.IsBirthday, 0);
        EXPECT_EQ(taken->notes, std::vector<std::string>{e.note});
    }
    ASSERT_EQ(r.refused.size(), 1u);
    EXPECT_EQ(r.refused[0].label, "„Všetko minulo“ (1.12.2026)");
    EXPECT_EQ(r.refused[0].reason, "všetky jej termíny už minuli");
}

}  // namespace
}  // namespace kalvo::storage::ical
