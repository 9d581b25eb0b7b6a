#pragma once
// A scheduler over real files in a temporary folder, a clock the test moves and a host that records
// every window and timer call.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scheduler/scheduler.h"
#include "scheduler/virtual_run.h"
#include "storage/reminder_file.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/fake_sound.h"
#include "support/temp_folder.h"

namespace kalvo::test {

class FakeHost : public scheduler::SchedulerHost {
public:
    struct Shown {
        scheduler::Alarm alarm;
        LocalMoment at;
    };

    void ShowAlarm(const scheduler::Alarm& alarm) override {
        events.push_back("alarm");
        alarms.push_back({alarm, clock ? clock->Now() : LocalMoment{}});
        if (onAlarm) onAlarm(alarm);
    }
    bool ShowShutdownCountdown() override {
        events.push_back("countdown");
        order.ordered = false;  // the window unticks the order
        return cancelCountdown;
    }
    scheduler::ShutdownOrder CurrentShutdownOrder() const override { return order; }
    void RefreshWeekView() override { events.push_back("week"); }
    void SetTestTimerRunning(bool running) override { events.push_back(running ? "TestTimer on" : "TestTimer off"); }
    void SetBlinkTimerRunning(bool running) override { events.push_back(running ? "Timer on" : "Timer off"); }
    void ShowTrayImage(int image) override { events.push_back("tray " + std::to_string(image)); }

    const Clock* clock = nullptr;
    scheduler::ShutdownOrder order;
    bool cancelCountdown = true;
    std::function<void(const scheduler::Alarm&)> onAlarm;
    std::vector<Shown> alarms;
    std::vector<std::string> events;
};

// One program folder with its scheduler, driven by a virtual clock.
struct World {
    World() { host.clock = &clock; }

    static scheduler::SecondKey Key(DayNumber day, int h, int m, int s) {
        return scheduler::KeyOf(LocalMoment{day, h, m, s});
    }
    void SetTime(DayNumber day, int h, int m, int s) { clock.Set(Key(day, h, m, s)); }

    // Writes the user's file, reads it as the program does at start and creates the scheduler at the
    // clock's current moment (its hour starts the two-hourly signal).
    void Start(const ReminderList& list) {
        folder.Write("eva.dat", *storage::EncodeReminderFile(list));
        store.OpenUserFile();
        store.OpenArchive();
        store.OpenSnoozes();
        sched = std::make_unique<scheduler::Scheduler>(clock, settings, store, sound, host, locale);
    }

    void TickAt(DayNumber day, int h, int m, int s) {
        SetTime(day, h, m, s);
        sched->Tick();
    }
    // One tick per second, both ends included; with `skip` the seconds proved idle are passed over.
    void Ticks(scheduler::SecondKey from, scheduler::SecondKey to, bool skip = false) {
        scheduler::RunTicks(*sched, clock, from, to, skip, [] {});
    }

    std::vector<std::uint8_t> File(const std::string& name) const {
        return folder.Exists(name) ? folder.Read(name) : std::vector<std::uint8_t>{};
    }
    ReminderList FileList() const { return storage::DecodeReminderFile(File("eva.dat")).records; }
    ReminderList ArchiveFile() const { return storage::DecodeReminderFile(File("eva_old.dat")).records; }

    TempFolder folder;
    FakeDialogs dialogs;
    scheduler::VirtualClock clock;
    TSettings settings;
    storage::ReminderStore store{storage::DataFiles{folder.Path(), "eva"}, dialogs, clock,
                                 storage::Durability::NoFlush};
    FakeSound sound;
    FakeHost host;
    TextLocale locale = TextLocale::Slovak();
    std::unique_ptr<scheduler::Scheduler> sched;
};

class SchedulerTest : public ::testing::Test, public World {
protected:
    // 7 December 2026 is a Monday.
    const DayNumber D = Day(2026, 12, 7);

    SchedulerTest() { SetTime(D, 8, 0, 0); }

    // "days after D hh:mm:ss" of every alarm shown.
    std::vector<std::string> AlarmTimes() const {
        std::vector<std::string> out;
        for (const auto& a : host.alarms) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%d %02d:%02d:%02d", a.at.day - D, a.at.hour, a.at.minute, a.at.second);
            out.emplace_back(buf);
        }
        return out;
    }
};

}  // namespace kalvo::test
