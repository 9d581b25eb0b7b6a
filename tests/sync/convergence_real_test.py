#!/usr/bin/env python3
"""Two Kalvo folders and a third-party client (vdirsyncer with khal) on one collection of a real server,
proven as a whole: seeded random adds, edits, acknowledgements and deletes, with syncs in between, end
with both Kalvo lists equal, each reminder once on the server, unique UIDs, and every change in a list or
in an archive (as a conflict when it lost one, each conflict told). Checked against the server's own
storage. Then a folder set up with a copy of one of the reminder files adds nothing to the server.

    convergence_real_test.py radicale|xandikos KALVO_CLI SYNC_DRIVER

KALVO_SYNC_SEED picks the seed (else one from the clock, printed), KALVO_SYNC_STEPS the number of steps
(default 40; CI keeps it small, a longer run is a knob away). Exit 77 when a program is missing.
"""

import collections
import datetime
import os
import random
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import servers  # noqa: E402
import sync_clients  # noqa: E402
from sync_clients import Kalvo, ThirdParty, Tools  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

CONFLICT = "Konflikt: "


class Ledger:
    """Every text a reminder was given, and those someone who had seen them replaced or removed."""

    def __init__(self):
        self.created = set()
        self.gone = set()

    def check(self, kalvos, server):
        # An event acknowledged on one machine while another program renamed it keeps the new name on the
        # server, among the calendar's past events, and the archive the name it had when its alarm closed.
        found = {sync_clients.summary(text) for text in server.files().values()}
        for k in kalvos:
            found.update(r["Text"] for r in k.records())
            for r in k.archive():
                text = r["Text"]
                found.add(text[len(CONFLICT):] if text.startswith(CONFLICT) else text)
        lost = sorted(t for t in self.created if t not in found and t not in self.gone)
        expect(not lost, "lost: %s" % lost)


class Scenario:
    def __init__(self, kind, tools, seed, steps, folder):
        self.kind = kind
        self.rng = random.Random(seed)
        self.steps = steps
        self.tools = tools
        self.folder = folder
        self.ledger = Ledger()
        self.counter = 0
        # Reminders live a few days ahead; alarms are acknowledged in virtual time from tomorrow on.
        self.first_day = datetime.date.today() + datetime.timedelta(days=1)
        self.acked_until = {}
        self.lines = []  # what happened, shown when a check fails

    def log(self, line):
        self.lines.append(line)

    def text(self, prefix):
        self.counter += 1
        return "%s%d ž" % (prefix, self.counter) if self.counter % 3 == 0 else "%s%d" % (prefix, self.counter)

    def day(self):
        return self.first_day + datetime.timedelta(days=self.rng.randrange(0, 10))

    def kalvo_step(self, k):
        texts = k.texts()
        op = self.rng.choice(["add", "add", "edit", "edit", "ack", "delete", "sync"]) if texts else "add"
        if op == "add":
            text = self.text("%s-" % k.name)
            day = self.day()
            notice = self.first_day - datetime.timedelta(days=1) if self.rng.random() < 0.4 else None
            k.add(day, "%02d:%02d" % (self.rng.randrange(8, 19), self.rng.choice([0, 15, 30, 45])), text, notice)
            self.ledger.created.add(text)
        elif op == "edit":
            old = self.rng.choice(texts)
            new = self.text("%s-e" % k.name)
            time_ = "%02d:%02d" % (self.rng.randrange(7, 20), 5) if self.rng.random() < 0.3 else None
            k.edit(old, new, time_)
            self.ledger.created.add(new)
            self.ledger.gone.add(old)
        elif op == "ack":
            start = self.acked_until.get(k.name, datetime.datetime.combine(self.first_day, datetime.time(0)))
            end = start + datetime.timedelta(hours=self.rng.randrange(1, 12))
            k.acknowledge(start, end)
            self.acked_until[k.name] = end + datetime.timedelta(seconds=1)
        elif op == "delete":
            old = self.rng.choice(texts)
            k.delete(old)
            self.ledger.gone.add(old)
        if op == "sync" or self.rng.random() < 0.5:
            k.sync()

    def third_step(self, third):
        third.sync()
        live = {name: text for name, text in third.files().items()
                if "ACKNOWLEDGED" not in text and "X-MOZ-LASTACK" not in text}
        op = self.rng.choice(["new", "new", "edit", "delete"]) if live else "new"
        if op == "delete" and len(third.files()) == 1:
            op = "edit"  # vdirsyncer refuses to empty a side at once
        if op == "new":
            text = self.text("k-")
            start = datetime.datetime.combine(self.day(), datetime.time(self.rng.randrange(8, 19), 0))
            zone = self.rng.choice([None, None, "Europe/London"])
            repeat = "weekly" if self.rng.random() < 0.2 else None
            third.new(start, text, zone, repeat)
            self.log("third new %s %s %s %s" % (start, text, zone, repeat))
            self.ledger.created.add(text)
        else:
            name = self.rng.choice(sorted(live))
            old = sync_clients.summary(live[name])
            if op == "edit":
                new = self.text("k-e")
                third.rewrite(name, lambda t: re.sub(r"(?m)^SUMMARY:.*$", "SUMMARY:" + new, t, count=1))
                self.log("third edit %s -> %s" % (old, new))
                self.ledger.created.add(new)
            else:
                third.remove(name)
                self.log("third delete %s" % old)
            self.ledger.gone.add(old)
        third.sync()

    def settle(self, kalvos, third):
        for _ in range(6):
            busy = False
            for k in kalvos:
                r = k.sync()
                busy = busy or any(r[key] for key in ("sent", "received", "deleted_here", "deleted_there"))
            third.sync()
            if not busy:
                return
        raise AssertionError("the syncs did not settle")

    def run(self):
        with servers.running(self.kind, auth="basic" if self.kind == "radicale" else None) as server:
            a = Kalvo(self.tools, os.path.join(self.folder, "a"), "a", self.log)
            b = Kalvo(self.tools, os.path.join(self.folder, "b"), "b", self.log)
            third = ThirdParty(self.tools, os.path.join(self.folder, "third"), server)
            for k in (a, b):
                k.setup(server)
            for _ in range(self.steps):
                actor = self.rng.choice([a, a, b, b, third])
                if actor is third:
                    self.third_step(third)
                else:
                    self.kalvo_step(actor)
            self.settle([a, b], third)
            check_converged(server, [a, b], third)
            print("%d reminders, %d events on the server, archives %d and %d, conflicts %d and %d" %
                  (len(a.records()), len(server.files()), len(a.archive()), len(b.archive()), a.conflicts,
                   b.conflicts), flush=True)
            self.ledger.check([a, b], server)
            # Nothing left to do: one listing, nothing sent.
            quiet = a.sync()
            expect(quiet["sent"] == 0 and quiet["requests"] <= 3, quiet)
            check_copied_folder(self.tools, server, a, os.path.join(self.folder, "c"))


def check_converged(server, kalvos, third):
    a = kalvos[0]
    for k in kalvos[1:]:
        mine, theirs = sorted(map(repr, a.records())), sorted(map(repr, k.records()))
        expect(mine == theirs, "the lists differ:\n%s\n%s" % ([r for r in mine if r not in theirs],
                                                              [r for r in theirs if r not in mine]))
    files = server.files()
    uids = collections.Counter()
    summaries = collections.Counter()
    for name, text in files.items():
        found = sync_clients.masters(text)
        expect(len(found) == 1, "%s holds %d events" % (name, len(found)))
        uids[sync_clients.prop(found[0], "UID")] += 1
        summaries[sync_clients.summary(text)] += 1
    expect(all(n == 1 for n in uids.values()), "UIDs twice: %s" % [u for u, n in uids.items() if n > 1])
    for text in a.texts():
        expect(summaries[text] == 1, "%r is %d times on the server" % (text, summaries[text]))
    archived = {r["Text"] for k in kalvos for r in k.archive()}
    listed = set(a.texts())
    for name, text in files.items():
        s = sync_clients.summary(text)
        expect(s in listed or s in archived or "ACKNOWLEDGED" in text or "X-MOZ-LASTACK" in text,
            "%s (%r) is on the server, live, and in no list:\n%s" % (name, s, text))
    expect(sorted(third.files()) == sorted(files), "vdirsyncer's folder differs from the server")
    # Each conflict the syncs told of is one copy in the archive of that folder.
    for k in kalvos:
        copies = [r for r in k.archive() if r["Text"].startswith(CONFLICT)]
        expect(len(copies) == k.conflicts, "%s: %d conflicts told, %d copies" % (k.name, k.conflicts, len(copies)))


def check_copied_folder(tools, server, source, folder):
    """A new folder with a copy of another's reminder file pairs everything with the events there."""
    before = server.files()
    c = Kalvo(tools, folder, "c")
    shutil.copy(source.path(sync_clients.USER + ".dat"), c.path(sync_clients.USER + ".dat"))
    c.setup(server)
    r = c.sync()
    expect(r["sent"] == 0 and r["deleted_there"] == 0, r)
    expect(server.files() == before, "the copied folder changed the server")
    expect(sorted(map(repr, c.records())) == sorted(map(repr, source.records())))
    r = source.sync()
    expect(r["sent"] + r["received"] == 0, r)


def main():
    kind, cli, driver = sys.argv[1:4]
    seed = int(os.environ.get("KALVO_SYNC_SEED") or int(time.time()) % 100000)
    steps = int(os.environ.get("KALVO_SYNC_STEPS") or 40)
    print("%s: seed %d, %d steps (KALVO_SYNC_SEED, KALVO_SYNC_STEPS)" % (kind, seed, steps), flush=True)
    folder = tempfile.mkdtemp(prefix="kalvo-converge-")
    started = time.monotonic()
    scenario = Scenario(kind, Tools(cli, driver), seed, steps, folder)
    try:
        scenario.run()
    except (servers.Missing, sync_clients.Skip) as missing:
        print("skipped: %s" % missing)
        sys.exit(77)
    except BaseException:
        print("\n".join(scenario.lines))
        raise
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("converged in %.1f s" % (time.monotonic() - started))


if __name__ == "__main__":
    main()
