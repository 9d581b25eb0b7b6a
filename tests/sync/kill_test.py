#!/usr/bin/env python3
"""A sync killed (SIGKILL) at random moments, a few hundred times, against a real server: after each kill
the files the sync writes are whole (the reminder file, the archive, the sync state and its hints read as
the next sync reads them), and the next sync, left to finish, doubles nothing and loses nothing. Between
the kills the folder changes as a user changes it (adds, edits, deletes, alarms acknowledged) and another
Kalvo folder adds and deletes reminders of its own, so that the killed syncs send, receive and archive.

    kill_test.py radicale|xandikos KALVO_CLI SYNC_DRIVER

KALVO_SYNC_KILLS sets the number of kills (default 150), KALVO_SYNC_SEED the seed. Exit 77 when the
server is not installed.
"""

import collections
import datetime
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import servers  # noqa: E402
import sync_clients  # noqa: E402
from sync_clients import Kalvo, Tools  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402


class Run:
    def __init__(self, kind, tools, seed, kills, folder):
        self.kind = kind
        self.tools = tools
        self.rng = random.Random(seed)
        self.kills = kills
        self.folder = folder
        self.counter = 0
        self.first_day = datetime.date.today() + datetime.timedelta(days=1)
        self.acked_until = datetime.datetime.combine(self.first_day, datetime.time(0))
        # What the lists must hold once a sync has finished: A's own reminders (live), B's, and A's that
        # went to the archive (their events stay on the server).
        self.mine, self.theirs, self.archived = set(), set(), set()
        self.moments = collections.Counter()  # whether the sync was killed or finished first
        self.lines = []  # what happened, shown when a check fails

    def text(self, prefix):
        self.counter += 1
        return "%s%d" % (prefix, self.counter)

    def day(self):
        return self.first_day + datetime.timedelta(days=self.rng.randrange(0, 8))

    def time(self):
        return "%02d:%02d" % (self.rng.randrange(8, 20), self.rng.choice([0, 20, 40]))

    def change_here(self, a):
        op = self.rng.choice(["add", "add", "edit", "delete", "ack"]) if self.mine else "add"
        if op == "add":
            text = self.text("a")
            notice = self.first_day - datetime.timedelta(days=1) if self.rng.random() < 0.3 else None
            a.add(self.day(), self.time(), text, notice)
            self.mine.add(text)
        elif op == "edit":
            old = self.rng.choice(sorted(self.mine))
            new = self.text("a")
            a.edit(old, new, self.time() if self.rng.random() < 0.3 else None)
            self.mine.discard(old)
            self.mine.add(new)
        elif op == "delete":
            old = self.rng.choice(sorted(self.mine))
            a.delete(old)
            self.mine.discard(old)
        else:
            before = set(a.texts())
            end = self.acked_until + datetime.timedelta(hours=self.rng.randrange(2, 10))
            a.acknowledge(self.acked_until, end)
            self.acked_until = end + datetime.timedelta(seconds=1)
            gone = before - set(a.texts())  # B's reminders included: they are acknowledged here
            self.mine -= gone
            self.theirs -= gone
            self.archived |= gone
            self.lines.append("archived: %s" % sorted(gone))

    def change_there(self, b):
        if self.theirs and self.rng.random() < 0.4:
            old = self.rng.choice(sorted(self.theirs))
            b.delete(old)
            self.theirs.discard(old)
        else:
            text = self.text("b")
            b.add(self.day(), self.time(), text)
            self.theirs.add(text)
        b.sync()

    def killed_sync(self, a, longest):
        process = subprocess.Popen(a.sync_command(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   env=self.tools.env)
        time.sleep(self.rng.uniform(0, longest))
        process.send_signal(signal.SIGKILL)
        output, _ = process.communicate()
        self.lines.append("a sync killed: %s" % (output.strip() or b"before its end").decode())
        self.moments["finished first" if output.strip() else "killed"] += 1
        found = json.loads(a.driver("check").stdout)
        expect(all(found[f] in ("ok", "missing") for f in ("reminders", "archive", "hints", "state")), found)

    def check_whole(self, a, server):
        """After a finished sync: A holds exactly the reminders it should, each once on the server."""
        expect(sorted(a.texts()) == sorted(self.mine | self.theirs),
            "A holds %s, expected %s" % (sorted(a.texts()), sorted(self.mine | self.theirs)))
        archive = collections.Counter(r["Text"] for r in a.archive())
        expect(all(n == 1 for n in archive.values()), "twice in the archive: %s" % archive)
        expect(self.archived <= set(archive), "lost from the archive: %s" % sorted(self.archived - set(archive)))
        files = server.files()
        uids = collections.Counter()
        summaries = collections.Counter()
        for text in files.values():
            found = sync_clients.masters(text)
            expect(len(found) == 1)
            uids[sync_clients.prop(found[0], "UID")] += 1
            summaries[sync_clients.summary(text)] += 1
        expect(all(n == 1 for n in uids.values()), "UIDs twice: %s" % uids)
        doubled = [t for t, n in summaries.items() if n > 1]
        expect(not doubled, "twice on the server: %s" % doubled)
        # What went to the archive stays on the server when it was there (it never went, when it ended
        # before a sync).
        live, there = self.mine | self.theirs, set(summaries)
        expect(live <= there <= live | self.archived, "the server holds %s, and lacks %s" % (
            sorted(there - live - self.archived), sorted(live - there)))

    def run(self):
        with servers.running(self.kind, auth="basic" if self.kind == "radicale" else None) as server:
            a = Kalvo(self.tools, os.path.join(self.folder, "a"), "a", self.lines.append)
            b = Kalvo(self.tools, os.path.join(self.folder, "b"), "b", self.lines.append)
            a.setup(server)
            b.setup(server)
            # How long a sync with some work takes here, process start included: the kills fall within it.
            durations = []
            for _ in range(5):
                self.change_here(a)
                self.change_there(b)
                started = time.monotonic()
                a.sync()
                durations.append(time.monotonic() - started)
            longest = 1.2 * sorted(durations)[len(durations) // 2]
            b.sync()
            for n in range(self.kills):
                for _ in range(self.rng.randrange(1, 4)):
                    self.change_here(a)
                if self.rng.random() < 0.3:
                    self.change_there(b)
                self.killed_sync(a, longest)
                if self.rng.random() < 0.3:
                    self.killed_sync(a, longest)  # killed again while it mends what the last one left
                report = a.sync()
                expect(not any("poškoden" in notice for notice in report["notices"]), report)
                self.check_whole(a, server)
            print("%d kills within %.0f ms of the start: %s" % (self.kills, 1000 * longest, dict(self.moments)))


def main():
    kind, cli, driver = sys.argv[1:4]
    seed = int(os.environ.get("KALVO_SYNC_SEED") or int(time.time()) % 100000)
    kills = int(os.environ.get("KALVO_SYNC_KILLS") or 150)
    print("%s: seed %d, %d kills (KALVO_SYNC_SEED, KALVO_SYNC_KILLS)" % (kind, seed, kills), flush=True)
    folder = tempfile.mkdtemp(prefix="kalvo-kill-")
    started = time.monotonic()
    run = Run(kind, Tools(cli, driver), seed, kills, folder)
    try:
        run.run()
    except servers.Missing as missing:
        print("skipped: %s" % missing)
        sys.exit(77)
    except BaseException:
        print("\n".join(run.lines))
        raise
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("done in %.1f s" % (time.monotonic() - started))


if __name__ == "__main__":
    main()
