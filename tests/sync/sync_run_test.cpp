// Whole syncs of Kalvo folders against a strict server in memory: changes travel both ways, nothing is
// doubled, conflicts keep both versions, and the protocol's failures end well.

#include "sync/sync_run.h"

#include <gtest/gtest.h>

#include "core/due.h"
#include "storage/folder_lock.h"
#include "storage/sync_hints.h"
#include "sync_fixture.h"

namespace kalvo::test {
namespace {

using sync::ServerStatus;
using sync::SyncOutcome;

class SyncRunTest : public SyncTest {
protected:
    Machine a{LocalMoment{D, 8, 0, 0}};
    Machine b{LocalMoment{D, 8, 5, 0}};
    const TReminder dentist = Ordinary(D + 2, At(9, 0), "Zubár");
    const TReminder weekly = WithNotice(Ordinary(D + 20, At(15, 0), "Porada"), D, rpWeekly, At(8, 0), 0);
};

TEST_F(SyncRunTest, AFirstSyncSendsEverythingAndASyncWithNothingToDoOnlyAsks) {
    a.WriteList({dentist, weekly, dentist});
    const sync::SyncReport first = a.Sync(server);
    EXPECT_EQ(first.outcome, SyncOutcome::Done) << first.failure;
    EXPECT_EQ(first.sent, 3);
    EXPECT_EQ(server.resources.size(), 3u);
    EXPECT_EQ(ServerTexts(server), "Porada|Zubár|Zubár");
    EXPECT_EQ(server.uidConflicts, 0);
    EXPECT_EQ(a.State().items.size(), 3u);

    // The first sync afterwards takes the token that follows its own uploads; then there is nothing to do:
    // one request, no file written.
    EXPECT_EQ(a.Sync(server).sent, 0);
    const auto stateBefore = a.dir.Read("eva.sync");
    int writes = 0;
    const sync::SyncReport idle = a.Sync(server, [&](std::string_view) { ++writes; });
    EXPECT_EQ(idle.requests, 1);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(idle.sent + idle.received, 0);
    EXPECT_EQ(a.dir.Read("eva.sync"), stateBefore);
    EXPECT_FALSE(a.dir.Exists("eva.sync.hints"));
}

// A sync that finds the head of the state file settled, no change listed and the same reminder file
// stops before it reads the items; whatever changed is still seen.
TEST_F(SyncRunTest, AfterASettledSyncEveryKindOfChangeIsStillSeen) {
    a.WriteList({dentist, weekly});
    a.Sync(server);
    b.Sync(server);
    const auto settle = [&](Machine& m) {
        for (int n = 0; n < 3 && !sync::ReadStateFile(m.Files().SyncStateFile(), sync::StatePart::Head).settled; ++n)
            m.Sync(server);
        ASSERT_TRUE(sync::ReadStateFile(m.Files().SyncStateFile(), sync::StatePart::Head).settled);
        EXPECT_EQ(m.Sync(server).requests, 1);
    };
    settle(a);
    settle(b);

    const std::int64_t until = std::int64_t{D + 2} * 86400 + 9 * 3600 + 600;
    a.Change([&](storage::ReminderStore& s) {
        s.Snoozes().push_back({until, storage::SnoozeKind::Event, s.Reminders()[0]});
        s.SaveSnoozes();
    });
    EXPECT_EQ(a.Sync(server).sent, 1) << "a snooze put here";
    settle(a);
    a.Change([&](storage::ReminderStore& s) {
        s.Snoozes().clear();
        s.SaveSnoozes();
    });
    EXPECT_EQ(a.Sync(server).sent, 1) << "a snooze ended here";
    settle(a);
    // The same record put off again: the same pair as agreed before, yet not as agreed now.
    a.Change([&](storage::ReminderStore& s) {
        s.Snoozes().push_back({until, storage::SnoozeKind::Event, s.Reminders()[0]});
        s.SaveSnoozes();
    });
    EXPECT_EQ(a.Sync(server).sent, 1);
    settle(a);

    a.Change([&](storage::ReminderStore& s) { s.Remove(Machine::Find(s, "Porada")); });
    EXPECT_EQ(a.Sync(server).deletedThere, 1) << "a change of the reminder file";
    settle(a);
    const sync::SyncReport fromA = b.Sync(server);
    EXPECT_EQ(fromA.deletedHere, 1) << "a change on the server";
    EXPECT_EQ(Texts(b.List()), "Zubár");
    EXPECT_EQ(storage::ReadSnoozeFile(b.Files().SnoozeFile()).decoded.entries.size(), 1u);
}

TEST_F(SyncRunTest, AddsEditsAndDeletesTravelBothWays) {
    a.WriteList({dentist, weekly});
    a.Sync(server);
    EXPECT_EQ(b.Sync(server).received, 2);
    EXPECT_EQ(b.List(), a.List());

    // B edits the text of one (a hint follows it), A deletes the other.
    b.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[Machine::Find(s, "Zubár")];
        r.Text = "Zubár, Nám. SNP 3";
        r.Time = At(10, 30);
        s.Replace(Machine::Find(s, "Zubár"), r);
    });
    a.Change([&](storage::ReminderStore& s) { s.Remove(Machine::Find(s, "Porada")); });
    const sync::SyncReport fromB = b.Sync(server);
    EXPECT_EQ(fromB.sent, 1);
    const sync::SyncReport fromA = a.Sync(server);
    EXPECT_EQ(fromA.deletedThere, 1);
    EXPECT_EQ(fromA.received, 1);
    EXPECT_EQ(b.Sync(server).deletedHere, 1);
    EXPECT_EQ(Texts(a.List()), "Zubár, Nám. SNP 3");
    EXPECT_EQ(b.List(), a.List());
    EXPECT_EQ(server.resources.size(), 1u);
    // An edit is an edit: the event kept its UID.
    EXPECT_EQ(a.State().items.at(0).uid, b.State().items.at(0).uid);
}

TEST_F(SyncRunTest, AFolderSetUpWithACopyOfAnothersFileAddsNothing) {
    a.WriteList({dentist, weekly, dentist});
    a.Sync(server);
    b.WriteList(a.List());
    const sync::SyncReport r = b.Sync(server);
    EXPECT_EQ(r.outcome, SyncOutcome::Done) << r.failure;
    EXPECT_EQ(r.sent, 0);
    EXPECT_EQ(r.received, 0);
    EXPECT_EQ(server.resources.size(), 3u);
    EXPECT_EQ(b.List(), a.List());
    EXPECT_EQ(b.State().items.size(), 3u);
    // Even an older copy: what alarms moved on since is taken, nothing doubled.
    Machine c{LocalMoment{D, 9, 0, 0}};
    c.WriteList({dentist, weekly, dentist});
    a.Change([&](storage::ReminderStore& s) {
        const std::size_t i = Machine::Find(s, "Porada");
        s.NoteReplaced(s.Reminders()[i], AcknowledgeAt(s.Reminders()[i], D, At(8, 0)).record,
                       storage::HintKind::Acknowledged);
        s.Reminders()[i] = AcknowledgeAt(s.Reminders()[i], D, At(8, 0)).record;
    });
    a.Sync(server);
    c.Sync(server);
    EXPECT_EQ(server.resources.size(), 3u);
    EXPECT_EQ(c.List(), a.List());
}

TEST_F(SyncRunTest, TheSameFieldEditedOnBothSidesKeepsTheServersAndArchivesTheOther) {
    a.WriteList({dentist});
    a.Sync(server);
    b.Sync(server);
    a.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[0];
        r.Text = "Zubár A";
        s.Replace(0, r);
    });
    b.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[0];
        r.Text = "Zubár B";
        r.Melody = "C:\\b.wav";  // only here: kept
        s.Replace(0, r);
    });
    a.Sync(server);
    const sync::SyncReport r = b.Sync(server);
    EXPECT_EQ(r.conflicts, 1);
    ASSERT_EQ(r.notices.size(), 1u);
    EXPECT_NE(r.notices[0].find("Konflikt: "), std::string::npos);
    ASSERT_EQ(b.List().size(), 1u);
    EXPECT_EQ(b.List()[0].Text, "Zubár A");
    EXPECT_EQ(b.List()[0].Melody, "C:\\b.wav");
    EXPECT_EQ(Texts(b.Archive()), "Konflikt: Zubár B");
    a.Sync(server);
    EXPECT_EQ(a.List(), b.List());
    // Told once: the next sync has no conflict left.
    EXPECT_EQ(b.Sync(server).conflicts, 0);
    EXPECT_EQ(b.Archive().size(), 1u);
}

TEST_F(SyncRunTest, AcknowledgementsOnBothMachinesConvergeWithoutConflict) {
    a.WriteList({weekly});
    a.Sync(server);
    b.Sync(server);
    const auto ack = [&](Machine& m, DayNumber day) {
        m.Change([&](storage::ReminderStore& s) {
            const TReminder before = s.Reminders()[0];
            const TReminder after = AcknowledgeAt(before, day, At(8, 0)).record;
            s.NoteReplaced(before, after, storage::HintKind::Acknowledged);
            s.Reminders()[0] = after;
        });
    };
    ack(a, D);
    ack(b, D);
    ack(b, D + 7);
    a.Sync(server);
    const sync::SyncReport r = b.Sync(server);
    EXPECT_EQ(r.conflicts, 0);
    a.Sync(server);
    EXPECT_EQ(a.List(), b.List());
    EXPECT_EQ(a.List()[0].NoticeNext, D + 14);
}

TEST_F(SyncRunTest, AOneOffReminderClosedOnOneMachineIsArchivedOnTheOtherWithoutRinging) {
    a.WriteList({dentist});
    a.Sync(server);
    b.Sync(server);
    // A's scheduler fired it and the user closed the strip.
    a.clock.now = LocalMoment{D + 2, 9, 0, 5};
    a.Change([&](storage::ReminderStore& s) {
        s.Archive().push_back(s.Reminders()[0]);
        s.NoteArchived(s.Reminders()[0]);
        s.Reminders().clear();
    });
    EXPECT_EQ(a.Sync(server).deletedThere, 0);
    // The event stays on the server, acknowledged, as other calendars keep their history.
    ASSERT_EQ(server.resources.size(), 1u);
    EXPECT_NE(server.resources.begin()->second.ics.find("ACKNOWLEDGED:20261209T080005Z"), std::string::npos)
        << server.resources.begin()->second.ics;
    b.clock.now = LocalMoment{D + 2, 8, 59, 0};
    const sync::SyncReport r = b.Sync(server);
    EXPECT_TRUE(b.List().empty());
    EXPECT_EQ(b.Archive(), ReminderList{dentist});
    ASSERT_EQ(r.acknowledged.size(), 1u);
    EXPECT_EQ(r.acknowledged[0].before, dentist);
    EXPECT_FALSE(r.acknowledged[0].after);
    // Never downloaded as new again.
    EXPECT_EQ(b.Sync(server).received, 0);
    EXPECT_EQ(a.Sync(server).received, 0);
    EXPECT_TRUE(a.List().empty());
}

// Edited, then closed before any sync: the event takes the edit with the acknowledgement, so the other
// machine archives what this one did.
TEST_F(SyncRunTest, AnEditBeforeTheAlarmClosedGoesToTheServerWithIt) {
    a.WriteList({dentist});
    a.Sync(server);
    b.Sync(server);
    TReminder edited = dentist;
    edited.Text = "Zubár o deviatej";
    a.Change([&](storage::ReminderStore& s) { s.Replace(0, edited); });
    a.clock.now = LocalMoment{D + 2, 9, 0, 5};
    a.Change([&](storage::ReminderStore& s) {
        s.Archive().push_back(s.Reminders()[0]);
        s.NoteArchived(s.Reminders()[0]);
        s.Reminders().clear();
    });
    EXPECT_EQ(a.Sync(server).sent, 1);
    EXPECT_EQ(ServerTexts(server), "Zubár o deviatej");
    b.clock.now = LocalMoment{D + 2, 8, 59, 0};
    b.Sync(server);
    EXPECT_TRUE(b.List().empty());
    EXPECT_EQ(b.Archive(), ReminderList{edited});
    EXPECT_EQ(a.Sync(server).sent, 0);
}

// A reminder that stands for one occurrence of another program's series, moved here once its alarm had
// come: that occurrence moves on the server, as an override every program reads, and the series stays.
TEST_F(SyncRunTest, AnOccurrenceOfAnotherProgramsSeriesMovedHereMovesOnTheServer) {
    server.Put("/cal/weekly.ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\nBEGIN:VEVENT\r\nUID:weekly-1\r\n"
               "SUMMARY:Porada\r\nDTSTART;TZID=Europe/Bratislava:20261130T100000\r\n"
               "DTEND;TZID=Europe/Bratislava:20261130T110000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO\r\n"
               "DTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(a.Sync(server).received, 1);
    a.clock.now = LocalMoment{D, 10, 0, 30};
    a.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders().at(0);
        EXPECT_EQ(r.Time, At(10, 0));
        r.Time = At(11, 0);
        s.Replace(0, r);
    });
    const sync::SyncReport moved = a.Sync(server);
    EXPECT_EQ(moved.sent, 1);
    std::string stored = server.resources.at("/cal/weekly.ics").ics;
    for (std::size_t at; (at = stored.find("\r\n ")) != std::string::npos;) stored.erase(at, 3);
    for (const char* line :
         {"DTSTART;TZID=Europe/Bratislava:20261130T100000", "RRULE:FREQ=WEEKLY;BYDAY=MO",
          "RECURRENCE-ID;TZID=Europe/Bratislava:20261207T100000", "DTSTART;TZID=Europe/Bratislava:20261207T110000",
          "DTEND;TZID=Europe/Bratislava:20261207T120000"})
        EXPECT_NE(stored.find(line), std::string::npos) << line << "\n" << stored;
    EXPECT_EQ(stored.find("20261214"), std::string::npos) << stored;

    // Nothing to send afterwards, no conflict, and the reminder stays where it was moved.
    const sync::SyncReport again = a.Sync(server);
    EXPECT_EQ(again.sent + again.received + again.conflicts, 0);
    ASSERT_EQ(a.List().size(), 1u);
    EXPECT_EQ(a.List()[0].Date, D);
    EXPECT_EQ(a.List()[0].Time, At(11, 0));
    EXPECT_TRUE(a.Archive().empty());
    b.clock.now = LocalMoment{D, 10, 1, 0};
    EXPECT_EQ(b.Sync(server).received, 1);
    EXPECT_EQ(b.List(), a.List());

    // Closed at its new time, the series goes on with next week's occurrence.
    a.clock.now = LocalMoment{D, 11, 0, 5};
    a.Change([&](storage::ReminderStore& s) {
        s.Archive().push_back(s.Reminders()[0]);
        s.NoteArchived(s.Reminders()[0]);
        s.Reminders().clear();
    });
    EXPECT_EQ(a.Sync(server).sent, 1);
    ASSERT_EQ(a.List().size(), 1u);
    EXPECT_EQ(a.List()[0].Date, D + 7);
    EXPECT_EQ(a.List()[0].Time, At(10, 0));
}
TEST_F(SyncRunTest, DeleteAgainstEditKeepsTheEdit) {
    a.WriteList({dentist, weekly});
    a.Sync(server);
    b.Sync(server);
    // Deleted here, edited there: the edit is kept.
    a.Change([&](storage::ReminderStore& s) { s.Remove(Machine::Find(s, "Zubár")); });
    b.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[Machine::Find(s, "Zubár")];
        r.Text = "Zubár zmenený";
        s.Replace(Machine::Find(s, "Zubár"), r);
    });
    // Edited here, deleted there: created again.
    a.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[Machine::Find(s, "Porada")];
        r.Text = "Porada zmenená";
        s.Replace(Machine::Find(s, "Porada"), r);
    });
    b.Change([&](storage::ReminderStore& s) { s.Remove(Machine::Find(s, "Porada")); });
    b.Sync(server);
    a.Sync(server);
    b.Sync(server);
    EXPECT_EQ(Texts(a.List()), "Zubár zmenený|Porada zmenená");
    EXPECT_EQ(b.List(), a.List());
    EXPECT_EQ(ServerTexts(server), "Porada zmenená|Zubár zmenený");
    EXPECT_EQ(server.uidConflicts, 0);
}

TEST_F(SyncRunTest, AForgottenTokenMeansAFullListingWithoutDuplicates) {
    a.WriteList({dentist, weekly});
    a.Sync(server);
    b.Sync(server);
    a.Add(Ordinary(D + 5, At(7, 0), "nový"));
    a.Sync(server);
    server.ForgetTokens();
    const sync::SyncReport r = b.Sync(server);
    EXPECT_EQ(r.outcome, SyncOutcome::Done) << r.failure;
    EXPECT_EQ(r.received, 1);
    EXPECT_EQ(r.sent, 0);
    EXPECT_EQ(b.List(), a.List());
    EXPECT_EQ(server.resources.size(), 3u);
    // And without sync-collection at all.
    server.noSyncCollection = true;
    a.Change([&](storage::ReminderStore& s) { s.Remove(Machine::Find(s, "nový")); });
    a.Sync(server);
    b.Sync(server);
    EXPECT_EQ(b.List(), a.List());
    EXPECT_EQ(server.resources.size(), 2u);
}

TEST_F(SyncRunTest, AnEventChangedJustBeforeTheUploadIsFetchedAndMergedNeverOverwritten) {
    a.WriteList({dentist});
    a.Sync(server);
    b.Sync(server);
    a.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[0];
        r.Time = At(11, 0);
        s.Replace(0, r);
    });
    b.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[0];
        r.Text = "Zubár B";
        s.Replace(0, r);
    });
    // A's upload goes out, and B's arrives between B's listing and its upload: a 412.
    server.beforeWrite = [&](const std::string& op, const std::string&) {
        if (op != "update") return;
        server.beforeWrite = nullptr;
        EXPECT_EQ(a.Sync(server).sent, 1);
    };
    const sync::SyncReport r = b.Sync(server);
    EXPECT_EQ(r.outcome, SyncOutcome::Done) << r.failure;
    EXPECT_EQ(r.conflicts, 0);
    a.Sync(server);
    ASSERT_EQ(a.List().size(), 1u);
    EXPECT_EQ(a.List()[0].Text, "Zubár B");
    EXPECT_EQ(a.List()[0].Time, At(11, 0));
    EXPECT_EQ(b.List(), a.List());
}

TEST_F(SyncRunTest, ACreateWhoseAnswerWasLostIsLookedForNotSentTwice) {
    a.WriteList({dentist});
    server.faults.push_back({"create", "", ServerStatus::Uncertain, /*applied=*/true});
    const sync::SyncReport r = a.Sync(server);
    EXPECT_EQ(server.resources.size(), 1u);
    EXPECT_EQ(server.uidConflicts, 0);
    a.Sync(server);
    EXPECT_EQ(server.resources.size(), 1u);
    EXPECT_EQ(a.State().items.size(), 1u);
    EXPECT_EQ(a.State().items[0].state, sync::ItemState::Synced);
    (void)r;
    // Lost before it reached the server: sent at the next sync.
    Machine c{LocalMoment{D, 8, 0, 0}};
    c.WriteList({weekly});
    server.faults.push_back({"create", "", ServerStatus::Uncertain, /*applied=*/false});
    EXPECT_TRUE(c.Sync(server).again);
    EXPECT_EQ(server.resources.size(), 1u);  // the meeting is not there yet
    c.Sync(server);
    EXPECT_EQ(ServerTexts(server), "Porada|Zubár");
}

TEST_F(SyncRunTest, AnUploadAnsweredWithoutAnETagIsFetchedAgain) {
    server.noEtags = true;
    server.rewrite = [](const std::string& ics) {
        std::string out = ics;
        out.insert(out.find("END:VEVENT"), "X-SERVER-NOTE:normalised\r\n");
        return out;
    };
    a.WriteList({dentist});
    a.Sync(server);
    ASSERT_EQ(a.State().items.size(), 1u);
    EXPECT_NE(a.State().items[0].serverCopy.find("X-SERVER-NOTE"), std::string::npos);
    EXPECT_FALSE(a.State().items[0].etag.empty());
    // Nothing to do afterwards.
    EXPECT_EQ(a.Sync(server).requests, 1);
}

TEST_F(SyncRunTest, AReadOnlyCalendarIsToldOnceAndNotRetriedUntilTheNextDay) {
    a.WriteList({dentist});
    a.Sync(server);
    b.Sync(server);
    server.readOnly = true;
    a.Add(Ordinary(D + 3, At(7, 0), "nový"));
    sync::SyncReport r = a.Sync(server);
    ASSERT_EQ(r.notices.size(), 1u);
    EXPECT_NE(r.notices[0].find("len na čítanie"), std::string::npos);
    const int writesTried = server.requests;
    r = a.Sync(server);
    EXPECT_TRUE(r.notices.empty());
    EXPECT_EQ(server.requests, writesTried + 1);  // only the listing
    // Changes from the server still come in.
    server.readOnly = false;
    b.Add(Ordinary(D + 4, At(7, 0), "od B"));
    b.Sync(server);
    EXPECT_EQ(a.Sync(server).received, 1);
    a.clock.now = LocalMoment{D + 1, 9, 0, 0};
    EXPECT_EQ(a.Sync(server).sent, 1);
    EXPECT_EQ(ServerTexts(server), "Zubár|nový|od B");
}

TEST_F(SyncRunTest, AFileChangedDuringTheSyncIsMergedNotOverwritten) {
    a.WriteList({dentist, weekly});
    a.Sync(server);
    b.Sync(server);
    b.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[Machine::Find(s, "Zubár")];
        r.Text = "Zubár od B";
        s.Replace(Machine::Find(s, "Zubár"), r);
    });
    b.Sync(server);
    a.Add(Ordinary(D + 9, At(7, 0), "pred"));
    // While A's sync is on the network, the program adds a record and edits another one.
    server.beforeWrite = [&](const std::string&, const std::string&) {
        server.beforeWrite = nullptr;
        a.Change([&](storage::ReminderStore& s) {
            s.Reminders().push_back(Ordinary(D + 10, At(7, 0), "počas"));
            TReminder r = s.Reminders()[Machine::Find(s, "Porada")];
            r.Melody = "C:\\m.wav";
            s.Replace(Machine::Find(s, "Porada"), r);
        });
    };
    const sync::SyncReport r = a.Sync(server);
    EXPECT_TRUE(r.again);
    EXPECT_EQ(Texts(a.List()), "Zubár od B|pred|počas|Porada");
    a.Sync(server);
    b.Sync(server);
    EXPECT_EQ(b.List(), a.List());
    EXPECT_EQ(server.resources.size(), 4u);
    EXPECT_EQ(a.List().back().Melody, "C:\\m.wav");
}

TEST_F(SyncRunTest, ASnoozeIsSharedAndFollowsItsRecord) {
    a.WriteList({dentist});
    a.Sync(server);
    b.Sync(server);
    const std::int64_t until = std::int64_t{D + 2} * 86400 + 9 * 3600 + 600;
    a.Change([&](storage::ReminderStore& s) {
        s.Snoozes().push_back({until, storage::SnoozeKind::Event, s.Reminders()[0]});
        s.SaveSnoozes();
    });
    EXPECT_EQ(a.Sync(server).sent, 1);
    EXPECT_NE(server.resources.begin()->second.ics.find("X-MOZ-SNOOZE-TIME:20261209T081000Z"), std::string::npos);
    b.Sync(server);
    auto snoozes = storage::ReadSnoozeFile(b.Files().SnoozeFile()).decoded.entries;
    ASSERT_EQ(snoozes.size(), 1u);
    EXPECT_EQ(snoozes[0].until, until);
    EXPECT_EQ(snoozes[0].record, b.List()[0]);
    // Edited on A: the snooze on B follows the record it belongs to.
    a.Change([&](storage::ReminderStore& s) {
        TReminder r = s.Reminders()[0];
        r.Text = "Zubár, čakáreň 3";
        s.Replace(0, r);
        s.Snoozes()[0].record = r;
        s.SaveSnoozes();
    });
    a.Sync(server);
    b.Sync(server);
    snoozes = storage::ReadSnoozeFile(b.Files().SnoozeFile()).decoded.entries;
    ASSERT_EQ(snoozes.size(), 1u);
    EXPECT_EQ(snoozes[0].record.Text, "Zubár, čakáreň 3");
    // Put off no longer on B: nor on A.
    b.Change([&](storage::ReminderStore& s) {
        s.Snoozes().clear();
        s.SaveSnoozes();
    });
    b.Sync(server);
    a.Sync(server);
    EXPECT_FALSE(a.dir.Exists("eva.snooze"));
    EXPECT_EQ(server.resources.begin()->second.ics.find("SNOOZE"), std::string::npos);
}

TEST_F(SyncRunTest, OneSyncOfTheSameFilesAtATime) {
    a.WriteList({dentist});
    const storage::FileLock running(a.Files().SyncLockFile(), std::chrono::milliseconds(0));
    ASSERT_TRUE(running);
    const sync::SyncReport r = a.Sync(server);
    EXPECT_EQ(r.outcome, SyncOutcome::Busy);
    EXPECT_FALSE(r.failure.empty());
    EXPECT_TRUE(server.resources.empty());
}

TEST_F(SyncRunTest, AServerThatCannotBeReachedChangesNothing) {
    a.WriteList({dentist});
    server.faults.push_back({"list", "", ServerStatus::Unreachable, false});
    const sync::SyncReport r = a.Sync(server);
    EXPECT_EQ(r.outcome, SyncOutcome::Failed);
    EXPECT_FALSE(r.failure.empty());
    EXPECT_FALSE(a.dir.Exists("eva.sync"));
    EXPECT_EQ(a.Sync(server).sent, 1);
}

TEST_F(SyncRunTest, ADamagedStateFileStartsOverWithoutDuplicates) {
    a.WriteList({dentist, weekly});
    a.Sync(server);
    a.dir.Write("eva.sync", {'x', 'y'});
    const sync::SyncReport r = a.Sync(server);
    EXPECT_EQ(r.outcome, SyncOutcome::Done) << r.failure;
    EXPECT_EQ(r.sent, 0);
    EXPECT_EQ(r.notices.size(), 1u);
    EXPECT_EQ(server.resources.size(), 2u);
    EXPECT_EQ(a.State().items.size(), 2u);
}

}  // namespace
}  // namespace kalvo::test
