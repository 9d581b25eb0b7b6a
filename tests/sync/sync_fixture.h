#pragma once
// Kalvo folders with a sync account, each with its own clock, synced against one calendar server.

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>

#include "memory_server.h"
#include "storage/reminder_file.h"
#include "storage/reminder_store.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/local_zone.h"
#include "support/temp_folder.h"
#include "sync/sync_run.h"
#include "sync/sync_state.h"

namespace kalvo::test {

inline constexpr const char* kCalendar = "/cal/";

// One Kalvo: a data folder with an account, the program's way of changing records (the store, which
// notes hints) and a sync.
class Machine {
public:
    explicit Machine(LocalMoment now) {
        clock.now = now;
        dir.Write("eva.sync.ini", {});
    }

    storage::DataFiles Files() const { return {dir.Path(), "eva"}; }

    ReminderList List() const { return Decode("eva.dat"); }
    ReminderList Archive() const { return Decode("eva_old.dat"); }
    void WriteList(const ReminderList& list) const { dir.Write("eva.dat", *storage::EncodeReminderFile(list)); }

    // Changes the list as the program does, through the store and its hints.
    void Change(const std::function<void(storage::ReminderStore&)>& change) {
        storage::ReminderStore store(Files(), dialogs, clock, storage::Durability::NoFlush);
        store.OpenUserFile();
        store.OpenArchive();
        store.OpenSnoozes();
        change(store);
        store.Commit();
        store.SaveArchive();
    }
    void Add(const TReminder& r) {
        Change([&](storage::ReminderStore& s) { s.Reminders().push_back(r); });
    }
    // The index of the one record with this text.
    static std::size_t Find(const storage::ReminderStore& s, const std::string& text) {
        for (std::size_t i = 0; i < s.Reminders().size(); ++i)
            if (s.Reminders()[i].Text == text) return i;
        ADD_FAILURE() << "no record " << text;
        return 0;
    }

    sync::SyncReport Sync(sync::CalendarServer& server, std::function<void(std::string_view)> afterWrite = {}) {
        sync::SyncRequest q;
        q.files = Files();
        q.calendar = kCalendar;
        q.clock = &clock;
        q.durability = storage::Durability::NoFlush;
        q.utcNow = [] { return std::int64_t{1796112000}; };
        q.afterWrite = std::move(afterWrite);
        return sync::RunSync(q, server);
    }

    sync::SyncState State() const { return sync::ReadStateFile(dir / "eva.sync").state; }

    TempFolder dir;
    FakeClock clock;
    FakeDialogs dialogs;

private:
    ReminderList Decode(const std::string& name) const {
        return dir.Exists(name) ? storage::DecodeReminderFile(dir.Read(name)).records : ReminderList{};
    }
};

// Every sync test pins the local time zone.
class SyncTest : public ::testing::Test {
protected:
    static std::string Texts(const ReminderList& list) {
        std::string out;
        for (const TReminder& r : list) out += (out.empty() ? "" : "|") + r.Text;
        return out;
    }
    // The records of the server's events, as Kalvo reads them, by text.
    std::string ServerTexts(const MemoryServer& on) const {
        std::vector<std::string> texts;
        storage::ical::MappingOptions o;
        o.now = std::int64_t{D} * 86400;
        for (const auto& [href, r] : on.resources) texts.push_back(storage::ical::ReadEvent(r.ics, o).record.Text);
        std::sort(texts.begin(), texts.end());
        std::string out;
        for (const std::string& t : texts) out += (out.empty() ? "" : "|") + t;
        return out;
    }

    const DayNumber D = Day(2026, 12, 7);
    MemoryServer server;

private:
    LocalZone zone_{"Europe/Bratislava"};
};

}  // namespace kalvo::test
