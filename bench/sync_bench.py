#!/usr/bin/env python3
"""A whole sync of many reminders as a user runs it: `kalvo-cli sync` against Radicale and Xandikos on
loopback, and vdirsyncer on the same calendar in the same run. Each figure is the wall time of the command
(the program's start included) and the requests the server got, counted by a pass-through proxy that
stands in front of the server for both clients alike.

With N reminders already on the server (put into its storage, as another Kalvo would have left them):
- the first sync of a folder holding the same N reminders (a copied file, a reinstalled machine): every
  event is matched, nothing is sent;
- the first sync of a new, empty folder, which receives all N, beside vdirsyncer's first sync, which
  fetches all N into a folder of its own;
- a sync with nothing to do (the median of --repeat), for Kalvo and for vdirsyncer, and the server's own
  answer to the one request such a sync makes, sent directly: the floor no client gets below;
- a sync after one reminder was added.
And, on an empty calendar, a first sync that sends --upload reminders (one PUT each; both servers take
longer for each PUT the fuller the calendar is), beside vdirsyncer sending as many events.

    bench/sync_bench.py BUILD_DIR [--reminders 10000] [--upload 200] [--server radicale|xandikos]...
                        [--repeat 5]
"""

import argparse
import datetime
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sync"))
import fault_proxy  # noqa: E402
import servers  # noqa: E402

DAY_ZERO = datetime.date(1899, 12, 30)
USER = "bench"


def reminders(count):
    """Reminders spread over the next year, a few with a yearly notice, as the editor stores them."""
    start = datetime.date.today() + datetime.timedelta(days=1)
    records = []
    for i in range(count):
        day = start + datetime.timedelta(days=i % 365)
        yearly = i % 10 == 0
        records.append({"Date": (day - DAY_ZERO).days, "Time": ((8 + i % 12) * 60 + i % 60) / 1440.0,
                        "Text": "Pripomienka číslo %d" % i, "Notice": 1 if yearly else 0,
                        "NoticeFrom": (day - DAY_ZERO).days - 7 if yearly else 0,
                        "NoticeNext": (day - DAY_ZERO).days - 7 if yearly else 0, "Period": 3 if yearly else -1,
                        "NoticeTime": 9 / 24.0 if yearly else -1.0, "Picture": "", "Melody": "", "IsNameDay": 0,
                        "IsBirthday": 0, "NoticeWeekDay": -1})
    return {"records": records}


class Kalvo:
    def __init__(self, cli, folder):
        self.cli, self.folder = cli, folder
        self.out = []
        self.env = dict(os.environ, TZ="Europe/Bratislava", LANG="C.UTF-8", DBUS_SESSION_BUS_ADDRESS="disabled:")

    def run(self, *args, stdin=None):
        p = subprocess.run([self.cli, "--dir", self.folder, "--user", USER, *args], input=stdin, env=self.env,
                           capture_output=True, text=True, timeout=7200)
        if p.returncode != 0:
            raise RuntimeError("kalvo-cli %s: %s" % (args[0], p.stderr.strip()))
        return p.stdout

    def sync_token(self):
        """The collection's token as the last sync left it in the side file ("token LENGTH" then the value)."""
        with open(os.path.join(self.folder, USER + ".sync"), "rb") as f:
            for line in f:
                if line.startswith(b"token "):
                    return f.read(int(line.split()[1])).decode()
        raise RuntimeError("no sync token in the side file")


class Vdirsyncer:
    def __init__(self, work, calendar, user, password):
        self.config = os.path.join(work, "vdirsyncer.conf")
        self.local = local = os.path.join(work, "vdir")
        os.makedirs(local)
        with open(self.config, "w") as f:
            f.write('[general]\nstatus_path = "%s"\n\n[pair kalvo]\na = "local"\nb = "remote"\ncollections = null\n\n'
                    '[storage local]\ntype = "filesystem"\npath = "%s"\nfileext = ".ics"\n\n'
                    '[storage remote]\ntype = "caldav"\nurl = "%s"\n'
                    % (os.path.join(work, "vdir-status"), local, calendar))
            if user:
                f.write('username = "%s"\npassword = "%s"\n' % (user, password))

    def run(self, *args):
        p = subprocess.run(["vdirsyncer", "-c", self.config, *args], input="y\n" * 4, capture_output=True, text=True,
                           timeout=7200)
        if p.returncode != 0:
            raise RuntimeError("vdirsyncer %s: %s" % (args[0], p.stderr.strip()))

    def sync(self):
        self.run("sync")


def measured(proxy, call):
    proxy.reset()
    started = time.monotonic()
    call()
    return (time.monotonic() - started) * 1000, proxy.count()


def timed(call):
    started = time.monotonic()
    call()
    return (time.monotonic() - started) * 1000, 1


def sync_listing(token):
    return ('<?xml version="1.0" encoding="utf-8"?><d:sync-collection xmlns:d="DAV:"><d:sync-token>%s'
            '</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>'
            % token).encode()


def median(samples):
    return statistics.median(ms for ms, _ in samples), max(n for _, n in samples)


def split_events(ics):
    """An exported calendar as one calendar per event, named by its UID."""
    head, _, rest = ics.partition("BEGIN:VEVENT")
    head = head.replace("\r\n", "\n")
    events = {}
    for block in ("BEGIN:VEVENT" + rest).split("BEGIN:VEVENT")[1:]:
        block = "BEGIN:VEVENT" + block.split("END:VEVENT")[0] + "END:VEVENT\n"
        uid = next(line[4:].strip() for line in block.splitlines() if line.startswith("UID:"))
        events[uid.replace("@", "-") + ".ics"] = (head + block + "END:VCALENDAR\n").replace("\n", "\r\n")
    return events


class Setup:
    """A server with a proxy in front, and the folders of one measurement."""

    def __init__(self, kind, work, kalvo_cli):
        self.kind, self.work, self.cli = kind, work, kalvo_cli
        self.running = servers.running(kind, auth="basic")
        self.server = self.running.__enter__()
        self.proxy = fault_proxy.FaultProxy(self.server.base)
        self.proxy.timeout = 3600  # a listing of 10,000 events takes the server its time
        self.calendar = self.server.calendar.replace(self.server.base, self.proxy.base)

    def close(self):
        self.proxy.stop()
        self.running.__exit__(None, None, None)

    def kalvo(self, name, records=None):
        k = Kalvo(self.cli, os.path.join(self.work, name))
        os.makedirs(k.folder)
        k.run("encode", os.path.join(k.folder, USER + ".dat"), stdin=json.dumps(records or {"records": []}))
        s = self.server
        k.run("sync-setup", self.calendar,
              *(["--login", s.user, "--password-command", "echo " + s.password] if s.user else []))
        return k

    def vdirsyncer(self, name, events=None):
        v = Vdirsyncer(os.path.join(self.work, name), self.calendar, self.server.user, self.server.password)
        for file_name, text in (events or {}).items():
            with open(os.path.join(v.local, file_name), "w", encoding="utf-8", newline="") as f:
                f.write(text)
        v.run("discover")
        return v


def bench(kind, args, kalvo_cli):
    def row(client, step, figures):
        print("| %s | %s | %s | %.0f | %d |" % (kind, client, step, figures[0], figures[1]), flush=True)

    work = tempfile.mkdtemp(prefix="kalvo-sync-bench-")
    try:
        records = reminders(args.reminders)
        source = Kalvo(kalvo_cli, os.path.join(work, "source"))
        os.makedirs(source.folder)
        source.run("encode", os.path.join(source.folder, USER + ".dat"), stdin=json.dumps(records))
        source.run("export-ics", os.path.join(work, "all.ics"))
        with open(os.path.join(work, "all.ics"), encoding="utf-8") as f:
            events = split_events(f.read())

        full = Setup(kind, os.path.join(work, "full"), kalvo_cli)
        try:
            full.server.seed(events)
            # The server's own first read of what was put into its storage is nobody's sync.
            full.server.request("PROPFIND", full.server.calendar, headers={"Depth": "1"}, timeout=3600)
            copy = full.kalvo("copy", records)
            figures = measured(full.proxy, lambda: copy.out.append(copy.run("sync")))
            row("kalvo-cli", "first sync, the same %d here (sent %d)"
                % (args.reminders, json.loads(copy.out[-1])["sent"]), figures)
            fresh = full.kalvo("fresh")
            figures = measured(full.proxy, lambda: fresh.out.append(fresh.run("sync")))
            row("kalvo-cli", "first sync, empty folder (received %d)" % json.loads(fresh.out[-1])["received"],
                figures)
            vdir = full.vdirsyncer("vdir")
            row("vdirsyncer", "first sync, empty folder (fetched %d)" % args.reminders, measured(full.proxy, vdir.sync))
            row("kalvo-cli", "nothing to do",
                median([measured(full.proxy, lambda: copy.run("sync")) for _ in range(args.repeat)]))
            row("vdirsyncer", "nothing to do", median([measured(full.proxy, vdir.sync) for _ in range(args.repeat)]))
            # The least any client waits for: the server's answer to that sync's one request, sent directly.
            listing = sync_listing(copy.sync_token())
            row("the server alone", "the same listing, one request",
                median([timed(lambda: full.server.request("REPORT", full.server.calendar, listing,
                                                          {"Depth": "1", "Content-Type": "application/xml"}))
                        for _ in range(args.repeat)]))
            day = datetime.date.today() + datetime.timedelta(days=3)
            copy.run("add", "%d.%d.%d" % (day.day, day.month, day.year), "12:00", "Jedna zmena")
            row("kalvo-cli", "one reminder added", measured(full.proxy, lambda: copy.run("sync")))
            side = os.path.getsize(os.path.join(copy.folder, USER + ".sync"))
            print("| %s | kalvo-cli | side file with %d reminders: %.1f MB | | |" % (kind, args.reminders, side / 1e6),
                  flush=True)
        finally:
            full.close()

        if args.upload:
            empty = Setup(kind, os.path.join(work, "empty"), kalvo_cli)
            try:
                sender = empty.kalvo("sender", reminders(args.upload))
                row("kalvo-cli", "first sync, %d sent to an empty calendar" % args.upload,
                    measured(empty.proxy, lambda: sender.run("sync")))
            finally:
                empty.close()
            empty = Setup(kind, os.path.join(work, "empty-vdir"), kalvo_cli)
            try:
                few = dict(list(events.items())[:args.upload])
                vdir = empty.vdirsyncer("vdir", few)
                row("vdirsyncer", "first sync, %d sent to an empty calendar" % len(few),
                    measured(empty.proxy, vdir.sync))
            finally:
                empty.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--reminders", type=int, default=10000)
    parser.add_argument("--upload", type=int, default=200)
    parser.add_argument("--server", action="append", choices=["radicale", "xandikos"])
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    kalvo_cli = os.path.join(args.build_dir, "bin", "kalvo-cli")
    if shutil.which("vdirsyncer") is None:
        print("vdirsyncer is not installed", file=sys.stderr)
        return 1
    print("Wall time of each command in ms (nothing to do: the median of %d), requests the server got\n"
          % args.repeat)
    print("| server | client | sync | ms | requests |\n|---|---|---|---|---|")
    for kind in args.server or ["radicale", "xandikos"]:
        bench(kind, args, kalvo_cli)
    return 0


if __name__ == "__main__":
    sys.exit(main())
