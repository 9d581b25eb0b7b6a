// Two Kalvo folders against one server, proven as a whole: seeded random adds, edits, acknowledgements,
// archiving and deletes between syncs converge (both lists equal, each reminder once on the server, UIDs
// unique, every change present or in an archive as a conflict), and a sync stopped after any of its writes,
// as by a crash, is completed by the next one without doubling anything.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "core/due.h"
#include "storage/record_hex.h"
#include "storage/sync_hints.h"
#include "sync_fixture.h"

namespace kalvo::test {
namespace {

using sync::SyncOutcome;

struct Crash {};

// Keeps the books on every text ever given to a reminder, so that a lost change is noticed.
class Ledger {
public:
    void Created(const std::string& text) { created_.insert(text); }
    void Replaced(const std::string& text) { superseded_.insert(text); }

    // Every text is in a list, in an archive (as it was or as a conflict) or was replaced by someone who
    // had seen it.
    void CheckNothingLost(const std::vector<const Machine*>& machines) const {
        std::set<std::string> found;
        for (const Machine* m : machines) {
            for (const TReminder& r : m->List()) found.insert(r.Text);
            for (const TReminder& r : m->Archive())
                found.insert(r.Text.rfind("Konflikt: ", 0) == 0 ? r.Text.substr(10) : r.Text);
        }
        for (const std::string& t : created_) EXPECT_TRUE(found.count(t) || superseded_.count(t)) << "lost: " << t;
    }

private:
    std::set<std::string> created_, superseded_;
};

class ConvergenceTest : public SyncTest {
protected:
    // The lists as multisets of records.
    static std::multiset<std::string> Keys(const ReminderList& list) {
        std::multiset<std::string> out;
        for (const TReminder& r : list) out.insert(*storage::RecordToHex(r));
        return out;
    }

    void CheckConverged(const Machine& a, const Machine& b) {
        EXPECT_EQ(Keys(a.List()), Keys(b.List()));
        // Each reminder once in the list and once on the server, among events still to come.
        std::set<std::string> texts;
        for (const TReminder& r : a.List()) EXPECT_TRUE(texts.insert(r.Text).second) << "twice: " << r.Text;
        std::set<std::string> uids, live;
        storage::ical::MappingOptions o;
        o.now = std::int64_t{a.clock.now.day} * 86400 + a.clock.now.SecondOfDay();
        for (const auto& [href, res] : server.resources) {
            const auto reading = storage::ical::ReadEvent(res.ics, o);
            EXPECT_TRUE(uids.insert(reading.uid).second) << "UID twice: " << reading.uid;
            if (reading.usable && !reading.done) {
                EXPECT_TRUE(live.insert(reading.record.Text).second) << reading.record.Text;
            }
        }
        EXPECT_EQ(live, texts);
        EXPECT_EQ(server.uidConflicts, 0);
        // No conflict copy twice.
        for (const Machine* m : {&a, &b}) {
            std::multiset<std::string> copies;
            for (const TReminder& r : m->Archive())
                if (r.Text.rfind("Konflikt: ", 0) == 0) copies.insert(*storage::RecordToHex(r));
            for (const std::string& c : copies) EXPECT_EQ(copies.count(c), 1u);
        }
    }

    // Syncs both until neither has anything left to do.
    void Settle(Machine& a, Machine& b) {
        for (int i = 0; i < 4; ++i) {
            const auto ra = a.Sync(server);
            const auto rb = b.Sync(server);
            ASSERT_EQ(ra.outcome, SyncOutcome::Done) << ra.failure;
            ASSERT_EQ(rb.outcome, SyncOutcome::Done) << rb.failure;
        }
        const auto ra = a.Sync(server);
        EXPECT_EQ(ra.sent + ra.received + ra.deletedHere + ra.deletedThere, 0) << "A still busy";
    }
};

// One random change through the store, as the program makes it.
void RandomChange(Machine& m, std::mt19937& rng, Ledger& ledger, int& counter, DayNumber day) {
    const std::string id = std::to_string(++counter);
    m.Change([&](storage::ReminderStore& s) {
        ReminderList& list = s.Reminders();
        const int kind = list.empty() ? 0 : static_cast<int>(rng() % 6);
        if (kind == 0) {
            TReminder r =
                Ordinary(day + static_cast<DayNumber>(rng() % 6), At(8 + static_cast<int>(rng() % 10), 0), "r" + id);
            if (rng() % 2) r = WithNotice(r, day, static_cast<std::int32_t>(rng() % 2), At(7, 30), 0);
            list.push_back(r);
            ledger.Created(r.Text);
            return;
        }
        const std::size_t i = rng() % list.size();
        const TReminder before = list[i];
        switch (kind) {
            case 1:
            case 2: {  // an edit of the text, sometimes of the time too
                TReminder after = before;
                after.Text = "e" + id;
                if (rng() % 2) after.Time = At(6 + static_cast<int>(rng() % 12), 30);
                ledger.Created(after.Text);
                ledger.Replaced(before.Text);
                s.Replace(i, after);
                return;
            }
            case 3:  // deleted
                ledger.Replaced(before.Text);
                s.Remove(i);
                return;
            case 4: {  // its alarms acknowledged up to now, as the scheduler does when they are closed
                const LocalMoment now = m.clock.now;
                const Acknowledged a = AcknowledgeAt(before, now.day, now.TimeOfDay());
                if (a.done) {
                    s.Archive().push_back(a.record);
                    s.NoteArchived(before);
                    list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                } else if (!(a.record == before)) {
                    s.NoteReplaced(before, a.record, storage::HintKind::Acknowledged);
                    list[i] = a.record;
                }
                return;
            }
            default: {  // a notice added or changed
                TReminder after = WithNotice(before, day, rpDaily, At(6, static_cast<int>(rng() % 60)));
                after.Text = "n" + id;
                ledger.Created(after.Text);
                ledger.Replaced(before.Text);
                s.Replace(i, after);
                return;
            }
        }
    });
}

TEST_F(ConvergenceTest, RandomChangesOnTwoMachinesConverge) {
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        server = MemoryServer{};
        std::mt19937 rng(seed);
        Machine a{LocalMoment{D, 8, 0, 0}}, b{LocalMoment{D, 8, 0, 0}};
        Ledger ledger;
        int counter = 0;
        for (int round = 0; round < 25; ++round) {
            // Time goes on, so events pass and alarms come.
            const int minutes = static_cast<int>(rng() % 400);
            for (Machine* m : {&a, &b}) {
                const int second = m->clock.now.SecondOfDay() + minutes * 60;
                m->clock.now = LocalMoment::FromSecond(m->clock.now.day + second / 86400, second % 86400);
            }
            for (Machine* m : {&a, &b})
                for (int n = static_cast<int>(rng() % 3); n > 0; --n) RandomChange(*m, rng, ledger, counter, D);
            // Sometimes one of them is offline this round.
            if (rng() % 4 != 0) {
                ASSERT_EQ(a.Sync(server).outcome, SyncOutcome::Done);
            }
            if (rng() % 4 != 0) {
                ASSERT_EQ(b.Sync(server).outcome, SyncOutcome::Done);
            }
            if (rng() % 5 == 0) server.ForgetTokens();
        }
        Settle(a, b);
        CheckConverged(a, b);
        ledger.CheckNothingLost({&a, &b});
    }
}

// A world with changes on both sides waiting: B's sync has edits, a delete, an acknowledgement, an
// archived reminder and a conflict to carry out.
struct Scenario {
    Machine a{LocalMoment{Day(2026, 12, 7), 8, 0, 0}};
    Machine b{LocalMoment{Day(2026, 12, 7), 8, 0, 0}};

    void Prepare(MemoryServer& server, DayNumber d) {
        a.WriteList({Ordinary(d + 1, At(9, 0), "edit"), Ordinary(d + 1, At(10, 0), "delete"),
                     WithNotice(Ordinary(d + 9, At(9, 0), "ack"), d, rpDaily, At(8, 0)), Ordinary(d, At(9, 0), "done"),
                     Ordinary(d + 2, At(9, 0), "both"), Ordinary(d + 3, At(9, 0), "there")});
        a.Sync(server);
        b.Sync(server);
        b.clock.now = LocalMoment{d, 9, 30, 0};
        b.Change([&](storage::ReminderStore& s) {
            s.Replace(Machine::Find(s, "edit"), Ordinary(d + 1, At(9, 0), "edited"));
            s.Remove(Machine::Find(s, "delete"));
            const std::size_t ack = Machine::Find(s, "ack");
            const TReminder acked = AcknowledgeAt(s.Reminders()[ack], d, At(9, 30)).record;
            s.NoteReplaced(s.Reminders()[ack], acked, storage::HintKind::Acknowledged);
            s.Reminders()[ack] = acked;
            const std::size_t done = Machine::Find(s, "done");
            s.Archive().push_back(s.Reminders()[done]);
            s.NoteArchived(s.Reminders()[done]);
            s.Reminders().erase(s.Reminders().begin() + static_cast<std::ptrdiff_t>(done));
            s.Replace(Machine::Find(s, "both"), Ordinary(d + 2, At(9, 0), "both B"));
            s.Reminders().push_back(Ordinary(d + 4, At(9, 0), "new B"));
        });
        a.Change([&](storage::ReminderStore& s) {
            s.Replace(Machine::Find(s, "both"), Ordinary(d + 2, At(9, 0), "both A"));
            s.Replace(Machine::Find(s, "there"), Ordinary(d + 3, At(11, 0), "there A"));
            s.Reminders().push_back(Ordinary(d + 5, At(9, 0), "new A"));
        });
        a.Sync(server);
    }
};

TEST_F(ConvergenceTest, ASyncStoppedAfterAnyWriteIsFinishedByTheNextWithoutDoubles) {
    // How many writes B's sync makes, uninterrupted.
    int writes = 0;
    {
        MemoryServer s;
        Scenario w;
        w.Prepare(s, D);
        w.b.Sync(s, [&](std::string_view) { ++writes; });
    }
    ASSERT_GE(writes, 6);
    for (int stop = 1; stop <= writes; ++stop) {
        SCOPED_TRACE("stopped after write " + std::to_string(stop));
        server = MemoryServer{};
        Scenario w;
        w.Prepare(server, D);
        int n = 0;
        EXPECT_THROW(w.b.Sync(server,
                              [&](std::string_view) {
                                  if (++n == stop) throw Crash{};
                              }),
                     Crash);
        Settle(w.a, w.b);
        CheckConverged(w.a, w.b);
        EXPECT_EQ(Texts(w.a.List()), "edited|both A|there A|new B|new A|ack");
        EXPECT_EQ(w.a.List().back().NoticeNext, D + 1);
        // The conflict is in B's archive once, the archived reminder once.
        EXPECT_EQ(Texts(w.b.Archive()), "done|Konflikt: both B");
        EXPECT_EQ(w.a.Archive().size(), 1u);  // done on B: archived on A without ringing
    }
}

TEST_F(ConvergenceTest, ASeriesFromAnotherProgramComesOneOccurrenceAtATimeAndKeepsItsOverride) {
    const std::string khal =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//PIMUTILS.ORG//NONSGML khal / icalendar //EN\r\n"
        "BEGIN:VEVENT\r\nUID:khal-weekly\r\nSUMMARY:Porada\r\nDTSTART:20261130T100000\r\n"
        "RRULE:FREQ=WEEKLY;BYDAY=MO\r\nEXDATE:20261214T100000\r\nX-KHAL-COLOUR:#00ff00\r\n"
        "DTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:khal-weekly\r\nRECURRENCE-ID:20261221T100000\r\nSUMMARY:Porada neskôr\r\n"
        "DTSTART:20261221T140000\r\nDTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    server.Put("/cal/khal-weekly.ics", khal);
    Machine a{LocalMoment{D, 8, 0, 0}};
    EXPECT_EQ(a.Sync(server).received, 1);
    ASSERT_EQ(a.List().size(), 1u);
    EXPECT_EQ(a.List()[0].Date, D);
    EXPECT_EQ(a.List()[0].Time, At(10, 0));
    // Nothing to send for a reminder only received.
    EXPECT_EQ(a.Sync(server).sent, 0);
    EXPECT_EQ(a.Sync(server).sent, 0);

    // The occurrence fires and is closed: the next one (the 14th is excluded) takes its place.
    a.clock.now = LocalMoment{D, 10, 0, 3};
    a.Change([&](storage::ReminderStore& s) {
        s.Archive().push_back(s.Reminders()[0]);
        s.NoteArchived(s.Reminders()[0]);
        s.Reminders().clear();
    });
    const sync::SyncReport r = a.Sync(server);
    EXPECT_EQ(r.sent, 1);
    ASSERT_EQ(a.List().size(), 1u);
    EXPECT_EQ(a.List()[0].Date, D + 14);
    const std::string& stored = server.resources.at("/cal/khal-weekly.ics").ics;
    for (const char* kept : {"EXDATE:20261214T100000", "RECURRENCE-ID:20261221T100000", "X-KHAL-COLOUR:#00ff00",
                             "RRULE:FREQ=WEEKLY;BYDAY=MO", "X-MOZ-LASTACK:20261207T090003Z"})
        EXPECT_NE(stored.find(kept), std::string::npos) << kept << "\n" << stored;
    EXPECT_EQ(a.Sync(server).sent, 0);
}

}  // namespace
}  // namespace kalvo::test
