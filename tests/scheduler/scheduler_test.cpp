#include "scheduler/scheduler.h"

#include <algorithm>

#include "core/due.h"

#include "scheduler_fixture.h"

namespace kalvo::test {
namespace {

using scheduler::Alarm;
using Strings = std::vector<std::string>;

TEST_F(SchedulerTest, IdleTicksTouchNoFileAndCallNothing) {
    Start({Ordinary(D + 1, At(9, 0))});
    std::filesystem::remove(folder / "eva.dat");
    Ticks(Key(D, 8, 0, 0), Key(D, 9, 0, 0));
    EXPECT_TRUE(host.events.empty());
    EXPECT_FALSE(folder.Exists("eva.dat"));  // nothing was saved
    EXPECT_TRUE(sound.sounds.empty());

    Start({});
    TickAt(D, 10, 0, 0);  // empty list, signal off: nothing at all
    EXPECT_TRUE(host.events.empty());
}

TEST_F(SchedulerTest, IdleTicksLeaveTheStoreUnchangedAndLookOnlyAtTodaysRecords) {
    settings.LatenessLimitOn = 1;
    settings.LatenessLimitHours = 2;
    Start({Ordinary(D + 1, At(9, 0), "zajtra"), Ordinary(D + 400, At(9, 0), "o rok")});
    const std::uint64_t count = store.ChangeCount();
    Ticks(Key(D, 8, 0, 0), Key(D, 8, 10, 0));
    EXPECT_EQ(store.ChangeCount(), count);  // what may be due today stays known between the ticks
    EXPECT_TRUE(host.alarms.empty());
    // Past midnight the next day's record is among them.
    Ticks(Key(D, 23, 59, 58), Key(D + 1, 9, 0, 0));
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(host.alarms[0].alarm.lines, Strings{"zajtra"});
}

TEST_F(SchedulerTest, ARecordChangedInTheListBetweenTicksFiresWithoutASave) {
    Start({Ordinary(D + 30, At(9, 0), "presunutá"), Ordinary(D + 40, At(9, 0), "iná")});
    TickAt(D, 8, 0, 0);
    // Changed in place, as a window changes it before its save: the next tick sees it.
    store.Reminders()[0].Date = D;
    TickAt(D, 9, 0, 0);
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(host.alarms[0].alarm.lines, Strings{"presunutá"});
    // A reminder added to the list's end and one whose notice series is moved up to today.
    host.alarms.clear();
    store.Reminders().push_back(Ordinary(D, At(9, 30), "pridaná"));
    TickAt(D, 9, 15, 0);
    store.Reminders()[0] = WithNotice(store.Reminders()[0], D, rpDaily, At(9, 20));
    TickAt(D, 9, 20, 0);
    TickAt(D, 9, 30, 0);
    ASSERT_EQ(host.alarms.size(), 2u);
    EXPECT_EQ(host.alarms[0].alarm.lines, Strings{"iná"});
    EXPECT_EQ(host.alarms[1].alarm.lines, Strings{"pridaná"});
}

TEST_F(SchedulerTest, AReminderFiresAtItsSecondAndIsRemoved) {
    Start({Ordinary(D, At(9, 0), "Zubár"), Ordinary(D + 1, At(9, 0), "zajtra")});
    host.onAlarm = [&](const Alarm&) {  // Timer runs while the pop-up is open
        sched->BlinkTick();
        sched->BlinkTick();
        sched->BlinkTick();
    };
    TickAt(D, 8, 59, 59);
    EXPECT_TRUE(host.alarms.empty());
    TickAt(D, 9, 0, 0);
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(host.alarms[0].alarm,
              (Alarm{"Dátum: 7.12.2026       Čas: 9:00:00", {"Zubár"}, "", "sound.wav", false, true}));
    EXPECT_EQ(sound.sounds, (std::vector<FakeSound::Sound>{{"sound.wav", SoundMode::Async}}));
    EXPECT_EQ(host.events, (Strings{"TestTimer off", "Timer on", "alarm", "tray 1", "tray 0", "tray 1", "week",
                                    "TestTimer on", "Timer off", "tray 0"}));
    EXPECT_EQ(sched->TrayImage(), 0);
    EXPECT_EQ(FileList(), (ReminderList{Ordinary(D + 1, At(9, 0), "zajtra")}));
    EXPECT_EQ(store.Reminders(), FileList());
    EXPECT_FALSE(folder.Exists("eva_old.dat"));  // old reminders are deleted by default
}

TEST_F(SchedulerTest, AMelodyThatCannotBePlayedStillLeavesTheAlarmOnScreen) {
    sound.plays = false;
    Start({Ordinary(D, At(9, 0), "Zubár")});
    TickAt(D, 9, 0, 0);
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(host.alarms[0].alarm.sound, "sound.wav");
    EXPECT_EQ(sound.sounds, (std::vector<FakeSound::Sound>{{"sound.wav", SoundMode::Async}}));
    EXPECT_TRUE(FileList().empty());
}

TEST_F(SchedulerTest, AReminderDatedInThePastFiresAtTheFirstTickAndGoesToTheArchive) {
    settings.DeleteOldReminders = 0;
    TReminder old = WithNotice(Ordinary(D - 30, At(23, 0), "dávno"), D - 40, rpWeekly, At(8, 0), 2);
    Start({old});
    TickAt(D, 8, 0, 0);
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(host.alarms[0].alarm.header, "Dátum: 7.11.2026       Čas: 23:00:00");
    EXPECT_TRUE(FileList().empty());
    // The archive holds the record as it was when the pop-up closed: notice series moved on, not marked.
    TReminder archived = old;
    archived.NoticeNext = NextWeekDay(D, 2);
    EXPECT_EQ(ArchiveFile(), ReminderList{archived});
    EXPECT_EQ(store.Archive(), ReminderList{archived});
}

TEST_F(SchedulerTest, RemindersDueTogetherFireInListOrder) {
    // Each removal moves the next record into the place just shown: it comes next, in the same tick.
    Start({Ordinary(D, At(9, 0), "a"), Ordinary(D, At(9, 0), "b"), Ordinary(D, At(9, 0), "c"),
           Ordinary(D, At(9, 0), "d")});
    Ticks(Key(D, 9, 0, 0), Key(D, 9, 0, 5));
    EXPECT_EQ(AlarmTimes(), (Strings{"0 09:00:00", "0 09:00:00", "0 09:00:00", "0 09:00:00"}));
    ASSERT_EQ(host.alarms.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(host.alarms[i].alarm.lines, Strings{std::string(1, static_cast<char>('a' + i))});
    EXPECT_TRUE(FileList().empty());

    // Mixed: a name day that moves on to next year stays in its place between two that leave.
    host.alarms.clear();
    settings.MoveToNextYear = 1;
    Start({Ordinary(D, At(9, 0), "a"), NameDay(D, At(9, 0), D, At(9, 0)), Ordinary(D, At(9, 0), "c")});
    TickAt(D, 9, 0, 0);
    ASSERT_EQ(host.alarms.size(), 3u);
    EXPECT_EQ(host.alarms[0].alarm.lines, Strings{"a"});
    EXPECT_EQ(host.alarms[2].alarm.lines, Strings{"c"});

    // Records that stay in the list all fire in the same tick, in order.
    host.alarms.clear();
    Start({WithNotice(Ordinary(D + 9, At(9, 0), "x"), D, rpDaily, At(10, 0)),
           WithNotice(Ordinary(D + 9, At(8, 0), "y"), D, rpDaily, At(10, 0))});
    TickAt(D, 10, 0, 0);
    EXPECT_EQ(AlarmTimes(), (Strings{"0 10:00:00", "0 10:00:00"}));
    EXPECT_EQ(host.alarms[0].alarm.lines, Strings{"x"});
    EXPECT_EQ(host.alarms[1].alarm.lines, Strings{"y"});
}

TEST_F(SchedulerTest, DailySeriesCaughtUpInTheMorningFiresAgainAtItsTimeButNotAfterIt) {
    const TReminder r = WithNotice(Ordinary(D + 5, At(12, 0), "porada"), D - 3, rpDaily, At(9, 0));
    SetTime(D, 7, 30, 0);
    Start({r});
    Ticks(Key(D, 7, 30, 0), Key(D + 1, 9, 0, 0));
    EXPECT_EQ(AlarmTimes(), (Strings{"0 07:30:00", "0 09:00:00", "1 09:00:00"}));
    EXPECT_EQ(FileList()[0].NoticeNext, D + 2);
    EXPECT_EQ(FileList()[0].NoticeTime, At(9, 0));

    host.alarms.clear();
    SetTime(D, 10, 0, 0);
    Start({r});
    Ticks(Key(D, 10, 0, 0), Key(D + 1, 9, 0, 0));
    EXPECT_EQ(AlarmTimes(), (Strings{"0 10:00:00", "1 09:00:00"}));
}

TEST_F(SchedulerTest, ExtraAlarmBeforeTheEventThenTheEventItself) {
    // Notices on the event day at 9:00, event at 15:00; the blank period (4) gives one notice only.
    TReminder r = WithNotice(Ordinary(D, At(15, 0), "let"), D, 4, At(9, 0));
    Start({r});
    Ticks(Key(D, 8, 0, 0), Key(D, 16, 0, 0));
    EXPECT_EQ(AlarmTimes(), (Strings{"0 09:00:00", "0 15:00:00"}));
    EXPECT_EQ(host.alarms[0].alarm.header, "Dátum: 7.12.2026       Čas: 15:00:00");
    EXPECT_TRUE(FileList().empty());

    // After the extra alarm the record waits with the given mark.
    Start({r});
    Ticks(Key(D, 9, 0, 0), Key(D, 9, 0, 1));
    ASSERT_EQ(FileList().size(), 1u);
    EXPECT_EQ(FileList()[0].NoticeTime, -At(9, 0));
    EXPECT_EQ(FileList()[0].NoticeNext, 0);
}

TEST_F(SchedulerTest, NameDayMovesToNextYearOrIsRemoved) {
    const TReminder nameDay = NameDay(D, At(12, 0), D, At(8, 0));
    const TReminder later = Ordinary(D + 3, At(9, 0), "neskôr");
    settings.MoveToNextYear = 1;
    Start({nameDay, later});
    Ticks(Key(D, 7, 0, 0), Key(D, 13, 0, 0));
    EXPECT_EQ(AlarmTimes(), (Strings{"0 08:00:00", "0 12:00:00"}));
    TReminder moved = nameDay;
    moved.Date = Day(2027, 12, 7);
    moved.NoticeTime = -At(8, 0);
    EXPECT_EQ(FileList(), (ReminderList{moved, later}));  // it keeps its place until a sorted save

    settings.MoveToNextYear = 0;
    host.alarms.clear();
    Start({nameDay, later});
    Ticks(Key(D, 7, 0, 0), Key(D, 13, 0, 0));
    EXPECT_EQ(AlarmTimes(), (Strings{"0 08:00:00", "0 12:00:00"}));
    EXPECT_EQ(FileList(), ReminderList{later});
}

TEST_F(SchedulerTest, PictureAndSoundFallBackSilentlyWhenTheirFilesAreMissing) {
    folder.Write("obr.jpg", {1});
    folder.Write("zvuk.wav", {1});
    const std::string pic = (folder / "obr.jpg").string(), wav = (folder / "zvuk.wav").string();
    const std::string missing = (folder / "nie.wav").string();
    TReminder own = Ordinary(D, At(9, 0), "vlastné");
    own.Picture = pic;
    own.Melody = wav;
    TReminder gone = Ordinary(D, At(9, 0), "chýba");
    gone.Picture = missing;
    gone.Melody = missing;
    const TReminder standard = Ordinary(D + 1, At(9, 0), "štandard");

    settings.StandardPicture = pic;
    settings.StandardMelody = missing;
    Start({own, gone, standard});
    Ticks(Key(D, 9, 0, 0), Key(D, 9, 0, 1));
    ASSERT_EQ(host.alarms.size(), 2u);
    EXPECT_EQ(host.alarms[0].alarm.picture, pic);
    EXPECT_EQ(host.alarms[0].alarm.sound, wav);
    EXPECT_EQ(host.alarms[1].alarm.picture, "");
    EXPECT_EQ(host.alarms[1].alarm.sound, "");
    TickAt(D + 1, 9, 0, 0);
    EXPECT_EQ(host.alarms[2].alarm.picture, pic);  // the standard picture
    EXPECT_EQ(host.alarms[2].alarm.sound, "");     // the standard melody is missing
    EXPECT_EQ(sound.sounds.size(), 1u);

    settings.StandardPicture = "Štandardný";
    settings.StandardMelody = wav;
    Start({standard});
    TickAt(D + 1, 9, 0, 0);
    EXPECT_EQ(host.alarms.back().alarm.picture, "");
    EXPECT_EQ(host.alarms.back().alarm.sound, wav);
}

TEST_F(SchedulerTest, HourlySignalOverAListUsesTheFirstRecordAndChangesNothing) {
    settings.TimeSignalInterval = tsHourly;
    folder.Write("a.wav", {1});
    // Its weekly notice is due today at 11:00; the signal must not move it on.
    TReminder first = WithNotice(Ordinary(D + 2, At(9, 0), "prvá"), D, rpWeekly, At(11, 0), 0);
    first.Melody = (folder / "a.wav").string();
    Start({first, Ordinary(D + 3, At(9, 0), "druhá")});
    std::filesystem::remove(folder / "eva.dat");
    Ticks(Key(D, 9, 59, 59), Key(D, 10, 0, 1));
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(
        host.alarms[0].alarm,
        (Alarm{"Čas", {" ", "Časové znamenie !!!  Dátum: 7.12.2026       Čas: 10:00:00"}, "", first.Melody, true}));
    EXPECT_EQ(host.events, (Strings{"TestTimer off", "Timer on", "alarm", "TestTimer on", "Timer off", "tray 0"}));
    EXPECT_FALSE(folder.Exists("eva.dat"));  // nothing saved
    EXPECT_EQ(store.Reminders()[0], first);
}

TEST_F(SchedulerTest, SignalOnAnEmptyListFiresAsAReminderOfItsOwnAndLeavesNothing) {
    settings.TimeSignalInterval = tsHourly;
    settings.DeleteOldReminders = 0;
    Start({});
    Ticks(Key(D, 9, 59, 59), Key(D, 10, 0, 5));
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(host.alarms[0].alarm,
              (Alarm{"Dátum: 7.12.2026       Čas: 10:00:00", {"Časové znamenie !!!"}, "", "sound.wav", false}));
    EXPECT_TRUE(store.Reminders().empty());
    EXPECT_EQ(folder.Read("eva.dat").size(), 0u);
    EXPECT_TRUE(ArchiveFile().empty());  // never archived
}

TEST_F(SchedulerTest, EachSignalCodeOverADay) {
    struct Case {
        std::int32_t code;
        double at;
        Strings times;
    };
    const std::vector<Case> cases = {
        {tsOff, -1.0, {}},
        {tsHalfHour,
         -1.0,
         {"0 09:30:00", "0 10:00:00", "0 10:30:00", "0 11:00:00", "0 11:30:00", "0 12:00:00", "0 12:30:00"}},
        {tsHourly, -1.0, {"0 10:00:00", "0 11:00:00", "0 12:00:00"}},
        {tsTwoHours, -1.0, {"0 11:00:00"}},  // started at 9:xx
        {tsNoon, -1.0, {"0 12:00:00"}},
        {tsAtTime, At(11, 45, 30), {"0 11:45:00"}},
        {tsAtTime, -1.0, {}},
        {7, -1.0, {}},  // not a code
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        settings.TimeSignalInterval = c.code;
        settings.TimeSignalAt = c.at;
        host.alarms.clear();
        SetTime(D, 9, 30, 0);
        Start({Ordinary(D + 1, At(9, 0))});
        Ticks(Key(D, 9, 30, 0), Key(D, 12, 59, 59));
        EXPECT_EQ(AlarmTimes(), c.times);
    }
}

TEST_F(SchedulerTest, TwoHourSignalCountsFromTheStartHourAndKeepsItsRhythm) {
    settings.TimeSignalInterval = tsTwoHours;
    SetTime(D, 21, 30, 0);
    Start({Ordinary(D + 5, At(9, 0))});
    EXPECT_EQ(sched->State().LastSignalHour, 21);
    Ticks(Key(D, 21, 30, 0), Key(D + 1, 2, 59, 30));
    // No tick at all during 3:00 (a pop-up kept the timer stopped): the rhythm goes on at 5:00.
    Ticks(Key(D + 1, 3, 1, 0), Key(D + 1, 5, 30, 0));
    EXPECT_EQ(AlarmTimes(), (Strings{"0 23:00:00", "1 01:00:00", "1 05:00:00"}));
    EXPECT_EQ(sched->State().LastSignalHour, 5);
}

TEST_F(SchedulerTest, LateTicksLoseNoSignalAndNeverGiveItTwice) {
    settings.TimeSignalInterval = tsHourly;
    Start({Ordinary(D + 5, At(9, 0))});
    TickAt(D, 10, 0, 5);  // a first tick ever after second 0: no signal
    TickAt(D, 10, 59, 59);
    TickAt(D, 11, 0, 1);  // the timer skipped second 0
    TickAt(D, 11, 0, 2);
    TickAt(D, 11, 59, 59);
    TickAt(D, 12, 0, 0);
    TickAt(D, 12, 0, 0);  // two ticks within one second
    EXPECT_EQ(AlarmTimes(), (Strings{"0 11:00:01", "0 12:00:00"}));
}

TEST_F(SchedulerTest, ShutdownOrderComesFirstAndIsNotLostByALateTick) {
    host.order = {true, D, 22, 0, 30};
    Start({Ordinary(D, At(22, 0, 30), "naraz")});
    TickAt(D, 22, 0, 29);
    EXPECT_TRUE(host.events.empty());
    TickAt(D, 22, 0, 30);
    EXPECT_EQ(host.events, (Strings{"TestTimer off", "countdown", "TestTimer on", "TestTimer off", "Timer on", "alarm",
                                    "week", "TestTimer on", "Timer off", "tray 0"}));

    // Shut down: the scheduler is not started again by the countdown.
    host.events.clear();
    host.order = {true, D, 22, 30, 0};
    host.cancelCountdown = false;
    TickAt(D, 22, 30, 59);
    EXPECT_EQ(host.events, (Strings{"TestTimer off", "countdown"}));

    // An order in a minute that had no tick is taken by the next tick; one that had passed already when
    // it was given is not.
    host.events.clear();
    host.order = {true, D, 23, 0, 0};
    TickAt(D, 22, 59, 50);
    TickAt(D, 23, 2, 10);
    EXPECT_EQ(host.events, (Strings{"TestTimer off", "countdown"}));
    host.events.clear();
    host.order = {true, D, 23, 0, 0};
    TickAt(D, 23, 2, 11);
    host.order = {true, D - 1, 23, 2, 12};
    TickAt(D, 23, 2, 12);
    EXPECT_TRUE(host.events.empty());
}

TEST_F(SchedulerTest, TicksWhileAnAlarmIsShownDoNothing) {
    settings.TimeSignalInterval = tsHourly;
    host.order = {true, D, 9, 0, 0};
    host.cancelCountdown = true;
    Start({Ordinary(D - 1, At(9, 0), "a"), Ordinary(D + 1, At(9, 0), "b")});
    int nested = 0;
    host.onAlarm = [&](const Alarm&) {
        // The day overview restarted TestTimer while the pop-up is open.
        EXPECT_TRUE(sched->Busy());
        for (int s = 1; s <= 3; ++s) {
            ++nested;
            TickAt(D, 9, 0, s);
        }
    };
    TickAt(D, 8, 59, 59);
    ASSERT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(nested, 3);
    host.onAlarm = nullptr;
    EXPECT_FALSE(sched->Busy());
    // Not lost: the signal and the order of 9:00 come with the first tick after the pop-up.
    TickAt(D, 9, 0, 4);
    EXPECT_EQ(host.alarms.size(), 2u);
    EXPECT_TRUE(host.alarms[1].alarm.timeSignal);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "countdown"), 1);
}

TEST_F(SchedulerTest, AnEditWhileThePopUpIsOpenKeepsTheAftercareOnTheFiredRecord) {
    const TReminder a = Ordinary(D, At(9, 0), "a"), b = Ordinary(D + 1, At(8, 0), "b");
    const TReminder c = Ordinary(D + 2, At(8, 0), "c");
    Start({a, b, c});
    bool edited = false;
    host.onAlarm = [&](const Alarm&) {
        if (edited) return;
        edited = true;
        // The editor adds a record before it and saves with the sort.
        store.Reminders().push_back(Ordinary(D - 5, At(8, 0), "nová"));
        store.Commit(true);
    };
    TickAt(D, 9, 0, 0);
    ASSERT_GE(host.alarms.size(), 1u);
    EXPECT_EQ(host.alarms[0].alarm.lines, Strings{"a"});
    // "a" is gone, not the record that took its place; the new one, past already, fires in its turn.
    const ReminderList left = FileList();
    EXPECT_EQ(std::count_if(left.begin(), left.end(), [](const TReminder& r) { return r.Text == "a"; }), 0);
    EXPECT_NE(std::find(left.begin(), left.end(), b), left.end());
    EXPECT_NE(std::find(left.begin(), left.end(), c), left.end());

    // Deleted by the user while shown: nothing else is touched.
    host.alarms.clear();
    Start({a, b});
    host.onAlarm = [&](const Alarm&) {
        store.Reminders().erase(store.Reminders().begin());
        store.Commit(true);
    };
    TickAt(D, 9, 0, 0);
    EXPECT_EQ(FileList(), ReminderList{b});
}

TEST_F(SchedulerTest, AFailedSaveKeepsTheChangeInMemorySoNothingFiresTwice) {
    Start({WithNotice(Ordinary(D + 3, At(9, 0), "a"), D, rpWeekly, At(9, 0), 0)});
    // A folder where the file should be makes every save fail.
    std::filesystem::remove(folder / "eva.dat");
    std::filesystem::create_directory(folder / "eva.dat");
    Ticks(Key(D, 9, 0, 0), Key(D, 9, 0, 10));
    EXPECT_EQ(host.alarms.size(), 1u);
    EXPECT_EQ(dialogs.Count("error"), 1);
    EXPECT_EQ(store.Reminders()[0].NoticeNext, D + 7);
}

TEST_F(SchedulerTest, WithASyncAccountEveryAcknowledgementIsNotedBeforeTheFileIsWritten) {
    folder.Write("eva.sync.ini", {});
    const TReminder weekly = WithNotice(Ordinary(D + 3, At(9, 0), "a"), D, rpWeekly, At(9, 0), 0);
    const TReminder today = Ordinary(D, At(10, 0), "b");
    const TReminder nameDay = NameDay(D, At(12, 0), D, At(11, 0));
    settings.MoveToNextYear = 1;
    Start({weekly, today, nameDay});
    Ticks(Key(D, 9, 0, 0), Key(D, 12, 0, 0));
    ASSERT_EQ(host.alarms.size(), 4u);
    const auto hints = storage::ReadHintsFile(folder / "eva.sync.hints").decoded.hints;
    ASSERT_EQ(hints.size(), 4u);
    // The notice moved on: from the record as the file held it to the record as it is now.
    EXPECT_EQ(hints[0].kind, storage::HintKind::Acknowledged);
    EXPECT_EQ(hints[0].before, weekly);
    EXPECT_EQ(hints[0].after, FileList()[0]);
    EXPECT_EQ(hints[0].at, Key(D, 9, 0, 0));
    EXPECT_EQ(hints[1].kind, storage::HintKind::Archived);
    EXPECT_EQ(hints[1].before, today);
    EXPECT_EQ(hints[1].at, Key(D, 10, 0, 0));
    // Its notice given, then the yearly move of the name day: acknowledgements too, one after the other.
    EXPECT_EQ(hints[2].kind, storage::HintKind::Acknowledged);
    EXPECT_EQ(hints[2].before, nameDay);
    EXPECT_EQ(hints[2].after->NoticeTime, -At(11, 0));
    EXPECT_EQ(hints[3].kind, storage::HintKind::Acknowledged);
    EXPECT_EQ(hints[3].before, *hints[2].after);
    EXPECT_EQ(hints[3].after->Date, Day(2027, 12, 7));
    EXPECT_EQ(*hints[3].after, FileList()[1]);
}

TEST_F(SchedulerTest, LateAlarmsSentToTheArchiveAreNotedToo) {
    folder.Write("eva.sync.ini", {});
    settings.LatenessLimitOn = 1;
    settings.LatenessLimitHours = 1;
    const TReminder missed = Ordinary(D - 2, At(9, 0), "a");
    Start({missed});
    TickAt(D, 8, 0, 0);
    const auto hints = storage::ReadHintsFile(folder / "eva.sync.hints").decoded.hints;
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].kind, storage::HintKind::Archived);
    EXPECT_EQ(hints[0].before, missed);
}

}  // namespace
}  // namespace kalvo::test
