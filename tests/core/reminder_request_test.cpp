#include "core/reminder_request.h"

#include <gtest/gtest.h>

#include "support/builders.h"

namespace kalvo {
namespace {

using test::At;
using test::Day;

TEST(ReminderRequestTest, DatesAndTimesAsScriptsWriteThem) {
    EXPECT_EQ(ParseDayText("29.2.2028"), Day(2028, 2, 29));
    EXPECT_EQ(ParseDayText("09.01.2030"), Day(2030, 1, 9));
    for (const char* bad : {"29.2.2027", "1.1.30", "1.1.1899", "1.1.10000", "1.1.2030.", "+1.1.2030", "1. 1.2030", ""})
        EXPECT_FALSE(ParseDayText(bad)) << bad;
    EXPECT_EQ(ParseTimeText("7:05"), At(7, 5));
    EXPECT_EQ(ParseTimeText("23:59:59"), At(23, 59, 59));
    for (const char* bad : {"7:5", "7", "24:00", "7:05:5", "7:05:60", " 7:05", "7:05:00:00", "-1:00"})
        EXPECT_FALSE(ParseTimeText(bad)) << bad;
}

TEST(ReminderRequestTest, ANoticeIsStoredAsTheEditorStoresIt) {
    ReminderRequest q{"10.1.2030", "9:15", "Porada", "3.1.2030", "týždenne", "", "štvrtok"};
    const BuiltReminder weekly = BuildReminder(q);
    ASSERT_TRUE(weekly.reminder) << weekly.error;
    const TReminder& r = *weekly.reminder;
    EXPECT_EQ(r.Notice, 1);
    EXPECT_EQ(r.NoticeFrom, Day(2030, 1, 3));
    EXPECT_EQ(r.NoticeNext, r.NoticeFrom);
    EXPECT_EQ(r.Period, rpWeekly);
    EXPECT_EQ(r.NoticeTime, At(9, 15));  // the reminder's own time when none is given
    EXPECT_EQ(r.NoticeWeekDay, 3);
    EXPECT_TRUE(IsOrdinary(r));

    const BuiltReminder plain = BuildReminder(ReminderRequest{"10.1.2030", "9:15", "Zubár", {}, {}, {}, {}});
    ASSERT_TRUE(plain.reminder);
    EXPECT_EQ(*plain.reminder, test::Ordinary(Day(2030, 1, 10), At(9, 15), "Zubár"));

    q.period = "bez opakovania";  // the editor's blank period: one notice
    q.weekDay.clear();
    EXPECT_EQ(BuildReminder(q).reminder->Period, 4);
    q.noticeFrom = "11.1.2030";
    EXPECT_NE(BuildReminder(q).error.find("po dni pripomienky"), std::string::npos);
}

TEST(ReminderRequestTest, RefusalsSayWhatIsWrongWithTheValue) {
    auto error = [](std::string date, std::string text, std::string from = {}) {
        return BuildReminder(ReminderRequest{std::move(date), "9:00", std::move(text), std::move(from), {}, {}, {}})
            .error;
    };
    EXPECT_EQ(error("29.2.2027", "x"), "Dátum \"29.2.2027\" neexistuje: február 2027 má len 28 dní.");
    EXPECT_EQ(error("29.2.27", "x"), "Neplatný dátum \"29.2.27\" (očakáva sa D.M.RRRR).");
    EXPECT_EQ(error("32.1.2027", "x"), "Neplatný dátum \"32.1.2027\" (očakáva sa D.M.RRRR).");
    EXPECT_EQ(error("5.5.2027", "x", "31.4.2027"),
              "Začiatok upozornení \"31.4.2027\" neexistuje: apríl 2027 má len 30 dní.");
    EXPECT_EQ(DayTextError("30.2.2028"), "Dátum \"30.2.2028\" neexistuje: február 2028 má len 29 dní.");
    // Every character the file cannot hold is named, each once.
    EXPECT_EQ(error("1.1.2030", "Test 😀 Ωmega 😀"),
              "Text pripomienky obsahuje znaky, ktoré sa do súboru nedajú uložiť: „😀“, „Ω“.");
    // The length is counted in characters, the same as the editor counts them.
    EXPECT_TRUE(BuildReminder(ReminderRequest{"1.1.2030",
                                              "9:00",
                                              [] {
                                                  std::string s;
                                                  for (std::size_t i = 0; i < kMaxTextLength; ++i) s += "ľ";
                                                  return s;
                                              }(),
                                              {},
                                              {},
                                              {},
                                              {}})
                    .reminder);
    EXPECT_EQ(error("1.1.2030", std::string(kMaxTextLength + 206, 'a')),
              "Text pripomienky môže mať najviac 1000 znakov, tento ich má 1206.");
    // Control characters, DEL and the C1 ones among them, even where the code page has a byte for them.
    EXPECT_EQ(error("1.1.2030", "dva\nriadky"), "Text pripomienky nesmie obsahovať riadiaci znak (U+000A).");
    EXPECT_EQ(error("1.1.2030", "zmaž\x7f"), "Text pripomienky nesmie obsahovať riadiaci znak (U+007F).");
    EXPECT_EQ(error("1.1.2030", "a\u0081b"), "Text pripomienky nesmie obsahovať riadiaci znak (U+0081).");
    EXPECT_EQ(error("1.1.2030", "\ttab"), "Text pripomienky nesmie obsahovať riadiaci znak (U+0009).");
}

TEST(ReminderRequestTest, DayEntriesNameKindsAndPeriods) {
    TReminder single = test::WithNotice(test::Ordinary(Day(2030, 1, 10), At(8, 0), "a"), Day(2030, 1, 1), 4, At(7, 0));
    const ReminderList list{single, test::Ordinary(Day(2030, 1, 11), At(8, 0), "b"),
                            test::NameDay(Day(2030, 1, 10), At(0, 0), Day(2030, 1, 9), At(9, 0)),
                            test::NameDay(Day(2030, 1, 10), At(0, 0), Day(2030, 1, 9), At(9, 0), true)};
    const std::vector<DayEntry> day = DayEntries(list, Day(2030, 1, 10));
    ASSERT_EQ(day.size(), 3u);
    EXPECT_EQ(day[0].date, "10.1.2030");
    EXPECT_EQ(day[0].time, "8:00:00");
    EXPECT_EQ(day[0].period, "bez opakovania");
    EXPECT_EQ(day[0].noticeTime, "7:00:00");
    EXPECT_EQ(day[1].kind, "nameday");
    EXPECT_EQ(day[2].kind, "birthday");
}

TEST(ReminderRequestTest, ScriptsNameRemindersByDateTimeAndText) {
    const ReminderList list{
        test::Ordinary(Day(2030, 1, 10), At(9, 15), "Zubár"), test::Ordinary(Day(2030, 1, 10), At(9, 15, 30), "Zubár"),
        test::Ordinary(Day(2030, 1, 10), At(9, 15), "zubár"), test::Ordinary(Day(2030, 1, 11), At(9, 15), "Zubár"),
        test::Ordinary(Day(2030, 1, 10), At(9, 15), "Zubár")};
    // The minute takes in every second of it; with seconds only that second counts.
    EXPECT_EQ(FindReminders(list, "10.1.2030", "9:15", "Zubár").indices, (std::vector<std::size_t>{0, 1, 4}));
    EXPECT_EQ(FindReminders(list, "10.01.2030", "09:15:30", "Zubár").indices, (std::vector<std::size_t>{1}));
    EXPECT_EQ(FindReminders(list, "10.1.2030", "9:15:00", "Zubár").indices, (std::vector<std::size_t>{0, 4}));
    EXPECT_TRUE(FindReminders(list, "10.1.2030", "9:16", "Zubár").indices.empty());
    EXPECT_TRUE(FindReminders(list, "10.1.2030", "9:15", "Zubár ").indices.empty());

    const ReminderLookup badDay = FindReminders(list, "31.2.2030", "9:15", "Zubár");
    EXPECT_TRUE(badDay.indices.empty());
    EXPECT_NE(badDay.error.find("február 2030 má len 28 dní"), std::string::npos) << badDay.error;
    EXPECT_EQ(FindReminders(list, "10.1.2030", "9.15", "Zubár").error,
              "Neplatný čas \"9.15\" (očakáva sa HH:MM alebo HH:MM:SS).");
}

}  // namespace
}  // namespace kalvo
