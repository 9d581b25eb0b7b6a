#!/usr/bin/env python3
"""Measures every speed figure of the project in one run on this machine and prints them as a Markdown
table with the aims beside them: the Google Benchmark programs, kalvo-cli simulate, and the tray
program's start-up (with 10,000 and 100,000 reminders), idle CPU and memory with 10,000 reminders under Xvfb. A second table sets kalvo-cli
beside two other agenda programs of Debian (calcurse and remind) on one generated agenda of 100,000
reminders written in each program's own format: day and week agendas timed with hyperfine (medians,
process to process) and peak memory from /usr/bin/time -v. Missing tools are installed with apt-get.

Usage: scripts/benchmarks.py [BUILD_DIR] [--peers-only]   (default build/default, built by scripts/run.sh)"""

import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

arguments = [a for a in sys.argv[1:] if not a.startswith("--")]
peers_only = "--peers-only" in sys.argv[1:]
build = os.path.abspath(arguments[0] if arguments else "build/default")
bindir = os.path.join(build, "bin")
rows = []


def bench(program, pattern):
    out = subprocess.run([os.path.join(bindir, program), "--benchmark_filter=" + pattern, "--benchmark_format=json",
                          "--benchmark_min_time=0.3"], capture_output=True, text=True, check=True,
                         env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    return {b["name"]: b for b in json.loads(out)["benchmarks"]}


def ms(b):
    factor = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1000.0}[b["time_unit"]]
    return b["real_time"] * factor


def add(what, value, aim):
    rows.append((what, value, aim))


core = {} if peers_only else bench("kalvo_bench", ".*")
for name, b in core.items():
    if name.startswith("BM_EncodeReminderFile"):
        add("Encode 100,000 records", "%.0f MB/s" % (b["bytes_per_second"] / 1e6), "≥ 200 MB/s")
    elif name.startswith("BM_DecodeReminderFile"):
        add("Decode 100,000 records", "%.0f MB/s" % (b["bytes_per_second"] / 1e6), "≥ 200 MB/s")
    elif name.startswith("BM_ReminderDueWholeList"):
        add("ReminderDue over 100,000 records", "%.2f ms" % ms(b), "< 2 ms")
    elif name == "BM_Zorad/10000/0":
        add("Zorad 10,000 records, unique keys", "%.1f ms" % ms(b), "< 5 ms")
    elif name == "BM_Zorad/100000/0":
        add("Zorad 100,000 records, unique keys", "%.1f ms" % ms(b), "< 60 ms")
    elif name == "BM_Zorad/10000/10":
        add("Zorad 10,000 records, 10% duplicated keys", "%.1f ms" % ms(b), "report")
    elif name == "BM_Zorad/100000/10":
        add("Zorad 100,000 records, 10% duplicated keys", "%.1f ms" % ms(b), "report")
    elif name == "BM_SaveUnchangedOnDisk/10000":
        add("Save of 10,000 reminders under the folder's lock, file unchanged (no disk flush)", "%.1f ms" % ms(b), "report")
    elif name == "BM_SaveAfterOutsideChange/10000":
        add("The same after another process's save, merged in", "%.1f ms" % ms(b), "report")
    elif name == "BM_ShowWeek/10000":
        add("Week view over 10,000 reminders", "%.2f ms" % ms(b), "< 20 ms")
    elif name == "BM_IdleTickWithSnoozes/10000":
        add("Idle tick, 10,000 reminders, 50 snoozes, lateness limit on", "%.3f ms" % ms(b), "< 1 ms")
    elif name == "BM_IdleTickWithSnoozes/100000":
        add("Idle tick, 100,000 reminders, 50 snoozes, lateness limit on", "%.3f ms" % ms(b), "≤ 1 ms")
    elif name == "BM_IdleTick/10000":
        add("Idle scheduler tick, 10,000 reminders", "%.3f ms" % ms(b), "< 1 ms")
    elif name == "BM_IdleTick/100000":
        add("Idle scheduler tick, 100,000 reminders", "%.3f ms" % ms(b), "≤ 1 ms")
    elif name.startswith("BM_SimulateYear"):
        add("Simulated year of 1,000 reminders (engine)", "%.2f s" % (ms(b) / 1000), "< 10 s")

if not peers_only and os.path.exists(os.path.join(bindir, "kalvo_ui_bench")):
    for name, b in bench("kalvo_ui_bench", "BM_RowsAfterReload|BM_SaveAndReload|BM_ScrollList").items():
        if name == "BM_RowsAfterReload/10000":
            add("Reload 10,000 rows into the list", "%.1f ms" % ms(b), "< 100 ms")
        elif name == "BM_RowsAfterReload/100000":
            add("Reload 100,000 rows into the list", "%.1f ms" % ms(b), "report")
        elif name == "BM_SaveAndReload/10000":
            add("Save and reload 10,000 reminders", "%.1f ms" % ms(b), "report")
        elif name == "BM_SaveAndReload/100000":
            add("Save and reload 100,000 reminders", "%.1f ms" % ms(b), "≤ 100 ms")
        elif name.startswith("BM_ScrollList/100000"):
            add("Full scroll of the 100,000-row list, page by page (offscreen)",
                "%.0f ms for %d pages, slowest page %.1f ms" % (ms(b), b["pages"], b["slowest_page_ms"]),
                "no visible stall: every page < 16 ms")


def reminders(n, today):
    random.seed(7)
    recs = []
    for i in range(n):
        date = today if i < 20 else today + 1 + random.randint(0, 1500)
        recs.append({"Date": date, "Time": 0.99998 if i < 20 else random.randint(0, 86399) / 86400,
                     "Text": "Stretnutie č. %d v zasadačke" % i, "Notice": 0, "NoticeFrom": 0, "NoticeNext": 0,
                     "Period": -1, "NoticeTime": -1.0, "Picture": "", "Melody": "", "IsNameDay": 0,
                     "IsBirthday": 0, "NoticeWeekDay": -1})
    return {"records": recs}


work = tempfile.mkdtemp(prefix="kalvo-bench-")
try:
    for name in ("kalvo", "kalvo-cli", "calend.dat", "sound.wav"):
        if os.path.exists(os.path.join(bindir, name)):
            shutil.copy2(os.path.join(bindir, name), work)
    user = subprocess.run(["id", "-un"], capture_output=True, text=True).stdout.strip()
    today = (time.time() // 86400) + 25569
    listing = json.dumps(reminders(10000, int(today))).encode()
    subprocess.run([os.path.join(work, "kalvo-cli"), "encode", os.path.join(work, user + ".dat")], input=listing,
                   check=True)

    # A year of 1,000 reminders through the command-line simulator, as a user runs it.
    sim = tempfile.mkdtemp(dir=work)
    subprocess.run([os.path.join(work, "kalvo-cli"), "encode", os.path.join(sim, "u.dat")],
                   input=json.dumps({"records": reminders(1000, int(today))["records"]}).encode(), check=True)
    start = time.time()
    subprocess.run([os.path.join(work, "kalvo-cli"), "--dir", sim, "--user", "u", "simulate", "--from",
                    time.strftime("%Y-%m-%d 00:00:00"), "--to", time.strftime("%Y-12-31 23:59:59",
                    time.localtime(time.time() + 365 * 86400))], stdout=subprocess.DEVNULL, check=True)
    add("kalvo-cli simulate, a year of 1,000 reminders", "%.2f s" % (time.time() - start), "< 10 s")

    if not peers_only and shutil.which("Xvfb") and shutil.which("xdotool"):
        display = ":%d" % (90 + os.getpid() % 9)
        env = dict(os.environ, DISPLAY=display, HOME=work, XDG_RUNTIME_DIR=work, QT_QPA_PLATFORM="xcb",
                   KALVO_STARTUP_WAIT_MS="0")
        env.pop("WAYLAND_DISPLAY", None)
        xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.5)
        tray = subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                                 "--height", "28"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        def startup(reminder_count):
            """Milliseconds from the start to the visible overview: the median of three warm starts, and
            the first (cold) one. The program of the last start is left running."""
            listing = json.dumps(reminders(reminder_count, int(today))).encode()
            subprocess.run([os.path.join(work, "kalvo-cli"), "encode", os.path.join(work, user + ".dat")],
                           input=listing, check=True)
            times = []
            for attempt in range(4):
                started = time.time()
                program = subprocess.Popen([os.path.join(work, "kalvo")], cwd=work, env=env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
                # xdotool's own --sync waits half a second between its looks; this looks every 10 ms.
                while subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Naplánované pripomienky"],
                                     env=env, stdout=subprocess.DEVNULL).returncode != 0:
                    time.sleep(0.01)
                times.append((time.time() - started) * 1000)
                if attempt < 3:
                    program.kill()
                    program.wait()
            # The first start pays for cold caches; the figure is the median of the others.
            return sorted(times[1:])[1], times[0], program

        warm, cold, kalvo = startup(100000)
        kalvo.kill()
        kalvo.wait()
        add("Start-up to the overview, 100,000 reminders (without the 10 s wait)", "%.0f ms (cold %.0f ms)" % (warm, cold),
            "≤ 500 ms")
        warm, cold, kalvo = startup(10000)
        add("Start-up to the overview, 10,000 reminders (without the 10 s wait)", "%.0f ms (cold %.0f ms)" % (warm, cold),
            "< 300 ms")
        time.sleep(3)  # the overview closes itself at its first tick; the scheduler runs from then on

        def cpu_ticks():
            with open("/proc/%d/stat" % kalvo.pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            return int(fields[11]) + int(fields[12])

        t0 = cpu_ticks()
        time.sleep(60)
        used = (cpu_ticks() - t0) / os.sysconf("SC_CLK_TCK")
        add("CPU of the idle program over one minute, 10,000 reminders", "%.2f%% of one core" % (used / 60 * 100),
            "< 0.2%")
        with open("/proc/%d/status" % kalvo.pid) as f:
            rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS"))
        add("Resident memory, 10,000 reminders", "%.0f MB" % (rss / 1024), "< 80 MB")
        kalvo.kill()
        tray.kill()
        xvfb.kill()
finally:
    shutil.rmtree(work, ignore_errors=True)

print("| measurement | result | aim |")
print("|---|---|---|")
for what, value, aim in rows:
    print("| %s | %s | %s |" % (what, value, aim))


# Side by side with calcurse and remind: the same agenda in each program's format.
def ensure_tools():
    wanted = {"calcurse": "calcurse", "remind": "remind", "hyperfine": "hyperfine", "/usr/bin/time": "time"}
    missing = [package for tool, package in wanted.items() if not shutil.which(tool)]
    if missing:
        subprocess.run(["apt-get", "install", "-y", "-q"] + missing, stdout=subprocess.DEVNULL)
        if any(not shutil.which(tool) for tool in wanted):
            subprocess.run(["apt-get", "update", "-q"], stdout=subprocess.DEVNULL)
            subprocess.run(["apt-get", "install", "-y", "-q"] + missing, stdout=subprocess.DEVNULL)
    return all(shutil.which(tool) for tool in wanted)


def agenda(n, first_day):
    """n reminders at whole minutes: twenty on the first day, the rest over the next four years."""
    random.seed(11)
    items = []
    for i in range(n):
        day = first_day if i < 20 else first_day + 1 + random.randint(0, 1500)
        minute = random.randint(0, 24 * 60 - 1)
        items.append((day, minute, "Stretnutie č. %d v zasadačke" % i))
    return items


def civil(day):
    return time.gmtime((day - 25569) * 86400)


def write_agendas(folder, items):
    """kalvo: <folder>/u.dat; calcurse: <folder>/calcurse/apts; remind: <folder>/agenda.rem."""
    records = [{"Date": d, "Time": m / 1440, "Text": text, "Notice": 0, "NoticeFrom": 0, "NoticeNext": 0,
                "Period": -1, "NoticeTime": -1.0, "Picture": "", "Melody": "", "IsNameDay": 0, "IsBirthday": 0,
                "NoticeWeekDay": -1} for d, m, text in items]
    subprocess.run([os.path.join(bindir, "kalvo-cli"), "encode", os.path.join(folder, "u.dat")],
                   input=json.dumps({"records": records}).encode(), check=True)
    os.makedirs(os.path.join(folder, "calcurse"))
    # calcurse inserts every appointment into a sorted list; from a file in descending order each
    # insertion is at the head (an ascending one would take it minutes).
    with open(os.path.join(folder, "calcurse", "apts"), "w", encoding="utf-8") as f:
        for d, m, text in sorted(items, reverse=True):
            stamp = time.strftime("%m/%d/%Y", civil(d)) + " @ %02d:%02d" % (m // 60, m % 60)
            f.write("%s -> %s |%s\n" % (stamp, stamp, text))
    with open(os.path.join(folder, "agenda.rem"), "w", encoding="utf-8") as f:
        for d, m, text in items:
            f.write("REM %s AT %02d:%02d MSG %s\n" % (time.strftime("%d %b %Y", civil(d)), m // 60, m % 60, text))


def hyperfine(commands, folder):
    out = os.path.join(folder, "hyperfine.json")
    subprocess.run(["hyperfine", "-N", "--style", "none", "--warmup", "3", "--runs", "15", "--export-json", out]
                   + [c for _, c in commands], cwd=folder, check=True, stdout=subprocess.DEVNULL,
                   env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS="disabled:"))
    with open(out) as f:
        results = json.load(f)["results"]
    return {name: r["median"] * 1000 for (name, _), r in zip(commands, results)}


def peak_mb(command, folder):
    err = subprocess.run(["/usr/bin/time", "-v"] + command, cwd=folder, capture_output=True, text=True,
                         env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS="disabled:")).stderr
    return next(int(line.split(":")[1]) for line in err.splitlines() if "Maximum resident" in line) / 1024


if ensure_tools():
    import shlex
    peers = tempfile.mkdtemp(prefix="kalvo-peers-")
    try:
        first = int(time.time() // 86400) + 25569
        monday = first - time.gmtime((first - 25569) * 86400).tm_wday
        cli = os.path.join(bindir, "kalvo-cli")
        side = []
        for n in (100000, 1000):
            folder = os.path.join(peers, str(n))
            os.makedirs(folder)
            write_agendas(folder, agenda(n, first))
            iso, slash = time.strftime("%Y-%m-%d", civil(first)), time.strftime("%m/%d/%Y", civil(monday))
            dotted = "%d.%d.%d" % (civil(first).tm_mday, civil(first).tm_mon, civil(first).tm_year)
            commands = {
                "kalvo week": [cli, "week", "u.dat", "--day", iso],
                "kalvo day": [cli, "--dir", folder, "--user", "u", "list", "--day", dotted],
                "kalvo due": [cli, "due", "u.dat", "--at", iso + " 12:00:00"],
                "calcurse week": ["calcurse", "-C", "calcurse", "-D", "calcurse", "-Q", "--from", slash, "--days", "7"],
                "calcurse day": ["calcurse", "-C", "calcurse", "-D", "calcurse", "-Q", "--from",
                                 time.strftime("%m/%d/%Y", civil(first)), "--days", "1"],
                "remind week": ["remind", "-q", "-g", "-s+1", "agenda.rem", time.strftime("%Y-%m-%d", civil(monday))],
                "remind day": ["remind", "-q", "-g", "agenda.rem", iso],
            }
            for argv in commands.values():  # calcurse writes its configuration on its first run
                subprocess.run(argv, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            times = hyperfine([(k, " ".join(shlex.quote(a) for a in v)) for k, v in commands.items()], folder)
            memory = {k: peak_mb(v, folder) for k, v in commands.items()} if n == 100000 else {}
            side.append((n, times, memory))
        print()
        print("| reminders, command | kalvo-cli | calcurse | remind | calcurse / kalvo | remind / kalvo | aim |")
        print("|---|---:|---:|---:|---:|---:|---|")
        for n, times, memory in side:
            label = "{:,}".format(n)
            for what, aim in (("week", "≤ 17 ms" if n == 100000 else "≤ 3 ms"), ("day", "≤ 15 ms" if n == 100000 else "≤ 3 ms")):
                k, c, r = times["kalvo " + what], times["calcurse " + what], times["remind " + what]
                print("| %s, %s agenda | %.1f ms | %.1f ms | %.1f ms | %.1f× | %.1f× | %s |" % (label, what, k, c, r, c / k, r / k, aim))
            print("| %s, kalvo-cli due | %.1f ms | | | | | %s |" % (label, times["kalvo due"], "≤ 17 ms" if n == 100000 else "≤ 3 ms"))
            if memory:
                for what in ("week", "day"):
                    k, c, r = memory["kalvo " + what], memory["calcurse " + what], memory["remind " + what]
                    print("| %s, %s agenda, peak memory | %.1f MB | %.1f MB | %.1f MB | %.1f× | %.1f× | ≤ calcurse |"
                          % (label, what, k, c, r, c / k, r / k))
    finally:
        shutil.rmtree(peers, ignore_errors=True)
else:
    print("\n(calcurse, remind, hyperfine or time could not be installed: no side-by-side table)")
