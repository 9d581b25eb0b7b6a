#include "core/same_reminder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace kalvo {
namespace {

TReminder Sample() {
    TReminder r;
    r.Date = 45000;
    r.Time = 0.5;
    r.Text = "Zubár";
    r.Notice = 1;
    r.NoticeFrom = 44990;
    r.NoticeNext = 44995;
    r.Period = rpWeekly;
    r.NoticeTime = 0.25;
    r.Picture = "a.jpg";
    r.Melody = "b.wav";
    r.IsNameDay = 0;
    r.IsBirthday = 0;
    r.NoticeWeekDay = 3;
    return r;
}

struct FieldChange {
    std::string name;
    std::function<void(TReminder&)> change;
    bool scheduler;  // a field the scheduler writes: NoticeNext, NoticeTime, Date
};

// One change per field of TReminder; the binding below stops compiling when a field is added, so the
// list has to grow with it.
std::vector<FieldChange> EveryField() {
    [[maybe_unused]] const auto& [f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13] = TReminder{};
    return {
        {"Date", [](TReminder& r) { r.Date += 1; }, true},
        {"Time", [](TReminder& r) { r.Time += 0.01; }, false},
        {"Text", [](TReminder& r) { r.Text += "!"; }, false},
        {"Notice", [](TReminder& r) { r.Notice = 0; }, false},
        {"NoticeFrom", [](TReminder& r) { r.NoticeFrom += 1; }, false},
        {"NoticeNext", [](TReminder& r) { r.NoticeNext += 7; }, true},
        {"Period", [](TReminder& r) { r.Period = rpDaily; }, false},
        {"NoticeTime", [](TReminder& r) { r.NoticeTime = -r.NoticeTime; }, true},
        {"Picture", [](TReminder& r) { r.Picture = "c.jpg"; }, false},
        {"Melody", [](TReminder& r) { r.Melody = "d.wav"; }, false},
        {"IsNameDay", [](TReminder& r) { r.IsNameDay = 1; }, false},
        {"IsBirthday", [](TReminder& r) { r.IsBirthday = 1; }, false},
        {"NoticeWeekDay", [](TReminder& r) { r.NoticeWeekDay = 4; }, false},
    };
}

TEST(SameReminder, EveryFieldCountsAndTheEditorsLeaveOutOnlyWhatTheSchedulerWrites) {
    const TReminder a = Sample();
    for (const FieldChange& f : EveryField()) {
        TReminder b = a;
        f.change(b);
        EXPECT_FALSE(SameRecord(a, b)) << f.name;
        const bool notices = f.name == "NoticeNext" || f.name == "NoticeTime";
        EXPECT_EQ(SameEditedReminder(a, b), notices) << f.name;
        EXPECT_EQ(SameEditedEntry(a, b), f.scheduler) << f.name;
    }
}

TEST(SameReminder, ARecordWithANanIsItselfButNotAnotherNan) {
    TReminder a = Sample();
    a.Time = std::nan("1");
    EXPECT_TRUE(SameRecord(a, a));
    EXPECT_TRUE(SameEditedReminder(a, a));
    TReminder b = a;
    b.Time = std::nan("2");
    EXPECT_FALSE(SameRecord(a, b));
}

}  // namespace
}  // namespace kalvo
