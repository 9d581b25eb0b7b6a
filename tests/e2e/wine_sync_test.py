#!/usr/bin/env python3
"""The calendar sync of the Windows programs under Wine, against a real Radicale on loopback (started here, on
the build machine; Wine reaches its port), with two portable folders that stand for two computers:

- folder A holds only kalvo-cli.exe: sync-setup takes the password (with Slovak letters) on standard input
  and keeps it in the Windows Credential Manager (Wine's), a reminder with Slovak letters goes to the server
  with `sync`, whose counts are those of Linux, and the server's own storage holds the event once, whole;
  a password command (cmd's echo) gives the same password, letters and all;
- folder B is set up by kalvo-cli.exe without a password (the Credential Manager has it); kalvo.exe started
  there takes A's reminder in with the sync at its start, and a reminder that kalvo-cli.exe adds beside the
  running program (no D-Bus on Windows: the program sees the changed file) reaches the server by itself;
  kalvo-cli.exe's own sync of B meanwhile takes turns with the program by the user's sync lock;
- the settings page "Synchronizácia" shows the account and the last sync (a screenshot in the artifacts);
- kalvo.exe --quit ends the program.
    wine_sync_test.py BIN_DIR ARTIFACTS WINE WINESERVER"""

import datetime
import json
import os
import shutil
import subprocess
import sys
import time

import desktop
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "sync"))
import servers  # noqa: E402
sys.path.insert(0, os.path.join(HERE, "..", "pysupport"))
from expect import expect  # noqa: E402

BIN, ARTIFACTS, WINE, WINESERVER = sys.argv[1:5]
SETTINGS = (513, 278)
FIRST = "Ťažká úloha – päť žltých ďatelín"  # written on computer A
SECOND = "Z Bratislavy: čučoriedky a ľad"   # added beside the running program on computer B
PASSWORD = "čaj-s-medom-5"  # a password with Slovak letters reaches the server as they are
NOTHING = {"sent": 0, "received": 0, "deleted_here": 0, "deleted_there": 0, "conflicts": 0}

desktop.require("Xvfb", "trayer", "xdotool", "import", "radicale")

work, b, shots = desktop.program_copy(BIN, ARTIFACTS, "wine-sync", files=("kalvo.exe", "kalvo-cli.exe",
                                                                          "calend.dat", "sound.wav"))
a = os.path.join(work, "a")
os.makedirs(a)
shutil.copy2(os.path.join(BIN, "kalvo-cli.exe"), a)
for folder in (a, b):
    desktop.write_setup(folder, delete_old=0, slide_names=0, overview_seconds=0)
prefix = desktop.wine_prefix(work, os.path.join(os.path.dirname(BIN.rstrip("/")), "wineprefix"), WINE)
procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                          KALVO_STARTUP_WAIT_MS="0", LANG="sk_SK.UTF-8", TZ="Europe/Bratislava")


def run(*args, check=True, stdin=None, timeout=60):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, input=stdin,
                          timeout=timeout)


def cli(folder, *args, stdin=None):
    """kalvo-cli.exe of a portable folder (its data lie beside it); its JSON answer."""
    p = run(WINE, os.path.join(folder, "kalvo-cli.exe"), *args, check=False, stdin=stdin)
    expect(p.returncode == 0, (args, p.returncode, p.stderr))
    return json.loads(p.stdout) if p.stdout.strip() else None


def texts(folder, name):
    path = os.path.join(folder, name)
    if not os.path.exists(path) or os.path.getsize(path) == 0:
        return []
    return [r["Text"] for r in cli(folder, "decode", "Z:" + path.replace("/", "\\"))["records"]]


def summaries(server):
    """The events' texts as the server keeps them (its storage, lines unfolded)."""
    found = []
    for text in server.files().values():
        unfolded = text.replace("\r\n ", "").replace("\n ", "")
        found += [line[len("SUMMARY:"):].rstrip("\r") for line in unfolded.splitlines() if line.startswith("SUMMARY:")]
    return sorted(found)


def shot(name):
    run("import", "-window", "root", os.path.join(shots, name + ".png"), check=False)


def wait_for(what, predicate, timeout=30):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed-" + what.replace(" ", "-")))


def window(name, size):
    return next((w for w in desktop.windows(env, name) if (w[3], w[4]) == size), None)


def tray_icon():
    return next((w for w in desktop.windows(env, "explorer.exe", "--class") if w[3] <= 64 and w[4] <= 64 and
                 w[2] >= 800 - 40), None)


started = time.monotonic()
try:
    # One Wine server and its services for all the steps, so that each program starts at once. They get no
    # output of ours: reading a program's output would wait for them to end.
    for starter in ([WINESERVER, "-p"], [WINE, "wineboot"]):
        subprocess.run(starter, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=120)
    with servers.running("radicale", auth="basic", password=PASSWORD) as server:
        user = run(WINE, "cmd", "/c", "echo %USERNAME%").stdout.strip()
        tomorrow = datetime.date.today() + datetime.timedelta(days=1)
        day = "%d.%d.%d" % (tomorrow.day, tomorrow.month, tomorrow.year)

        # Computer A: the password through standard input into the Credential Manager, a reminder, a sync.
        found = cli(a, "sync-setup", server.calendar, "--login", server.user, "--password-stdin",
                    stdin=server.password + "\n")
        expect(found == {"calendar": server.calendar, "name": "Kalendár"}, found)
        account = open(os.path.join(a, user + ".sync.ini"), encoding="utf-8").read()
        expect(server.password not in account, "the password stays out of the account's file")
        cli(a, "add", day, "10:00", FIRST)
        expect(cli(a, "sync") == dict(NOTHING, sent=1))
        expect(len(server.files()) == 1 and summaries(server) == [FIRST], server.files())
        expect(cli(a, "sync") == NOTHING)
        # The password printed by a command instead (cmd's echo, in the console's letters), from then on.
        expect(cli(a, "sync-setup", server.calendar, "--login", server.user, "--password-command",
                   "echo " + PASSWORD) == found)

        # Computer B: the same calendar, the password already in the Credential Manager.
        expect(cli(b, "sync-setup", server.calendar, "--login", server.user) == found)
        cli(b, "encode", "Z:" + os.path.join(b, user + ".dat").replace("/", "\\"), stdin='{"records": []}')

        wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
        procs.append(subprocess.Popen(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                       "--width", "120", "--height", "32", "--SetDockType", "true",
                                       "--SetPartialStrut", "true"], env=env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL))
        kalvo = subprocess.Popen([WINE, os.path.join(b, "kalvo.exe")], cwd=b, env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        procs.append(kalvo)

        # The sync at the program's start brings A's reminder into B's file.
        wait_for("A's reminder in B's file", lambda: texts(b, user + ".dat") == [FIRST], 60)
        icon = wait_for("the tray icon", tray_icon)

        # kalvo-cli.exe adds beside the running program; the program sees the file change and sends it.
        cli(b, "add", day, "11:00", SECOND)
        wait_for("B's reminder on the server", lambda: len(server.files()) == 2, 40)
        expect(summaries(server) == sorted([FIRST, SECOND]), server.files())
        # kalvo-cli.exe syncing B itself (no program to ask) takes turns with it by the user's sync lock, and
        # finds nothing left to do.
        expect(cli(b, "sync") == NOTHING)
        expect(cli(a, "sync") == dict(NOTHING, received=1))
        expect(sorted(texts(a, user + ".dat")) == sorted([FIRST, SECOND]))

        # The settings from the tray menu, the page "Synchronizácia" (its name at the band's right).
        desktop.click(env, icon, icon[3] // 2, icon[4] // 2, button=3, settle=0.3)
        time.sleep(0.5)
        desktop.keys(env, "Up", "Up", "Up", "Return", pause=0.2)  # "Nastavenia"
        setup = wait_for("the settings", lambda: window("^Nastavenia$", SETTINGS))
        desktop.click(env, setup, 1 + 390 + 58, 17 + 2 + 11)
        time.sleep(1)
        shot("settings-sync")
        desktop.click(env, setup, 298 + 50, 229 + 22 + 11)  # "Zatvoriť"
        wait_for("the settings to close", lambda: window("^Nastavenia$", SETTINGS) is None, 10)

        ended = run(WINE, os.path.join(b, "kalvo.exe"), "--quit", check=False)
        expect(ended.returncode == 0, (ended.returncode, ended.stderr))
        expect(kalvo.wait(timeout=30) == 0)
        expect(sorted(texts(b, user + ".dat")) == sorted([FIRST, SECOND]))
    print("kalvo.exe and kalvo-cli.exe synced with Radicale under Wine in %.0f s; screenshot in %s" %
          (time.monotonic() - started, shots))
finally:
    subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    desktop.clean_up(procs, work)
