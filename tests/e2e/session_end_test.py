#!/usr/bin/env python3
"""The program's start and end as the system sees them, under Xvfb with a session bus of its own and no
notification area (so the main window is on screen):
1. A reminder file cut short by five bytes: the message waits on screen for a while and the program
   lives on; the next start finds the same damage, keeps no second copy and says nothing.
2. SIGTERM with a change the file would not take: the program ends at once, the change set aside beside
   the file; the next start asks and takes it back.
3. A second start with another TMPDIR finds the running copy; after SIGKILL the next start comes up."""

import glob
import json
import os
import signal
import subprocess
import sys
import time

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

desktop.require("Xvfb", "xdotool", "dbus-run-session", "import")
desktop.own_session_bus("KALVO_SESSION_END_TEST_SESSION")

BIN, ARTIFACTS = sys.argv[1], sys.argv[2]
work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "session-end")
cli = os.path.join(app, "kalvo-cli")
user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
user_file = os.path.join(app, user + ".dat")
desktop.write_setup(app, delete_old=0, slide_names=0, overview_seconds=0)

procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", KALVO_SHUTDOWN_COMMAND="true")
MAIN = (604, 319)


def run(*args, check=True, **extra):
    return subprocess.run(list(args), env=dict(env, **extra), capture_output=True, text=True, check=check)


def shot(name):
    run("import", "-window", "root", os.path.join(shots, name + ".png"), check=False)


def wait_for(what, predicate, timeout=20):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed-" + what.replace(" ", "-")))


def main_window():
    return next((w for w in desktop.windows(env, "kalvo", "--class") if (w[3], w[4]) == MAIN), None)


def message_box():
    """A box of the program titled "Kalvo" that is not its main window."""
    return next((w for w in desktop.windows(env, "^Kalvo$") if (w[3], w[4]) != MAIN), None)


def answered(box):
    """Return on the box (its default button), and the box gone."""
    run("xdotool", "windowfocus", "--sync", box[0], check=False)
    time.sleep(0.3)
    run("xdotool", "key", "Return")
    wait_for("the box to close", lambda: message_box() is None)


def start(**extra):
    log = open(os.path.join(shots, "kalvo-%d.log" % len(procs)), "w")
    kalvo = subprocess.Popen([os.path.join(app, "kalvo")], cwd=app, env=dict(env, **extra), stdout=log, stderr=log)
    log.close()
    procs.append(kalvo)
    return kalvo


def ended_by_term(kalvo):
    kalvo.send_signal(signal.SIGTERM)
    code = kalvo.wait(timeout=10)
    expect(code == 0, "SIGTERM ended the program with %d" % code)
    wait_for("the main window to go", lambda: main_window() is None)


def texts():
    return [r["Text"] for r in json.loads(run(cli, "decode", user_file).stdout)["records"]]


def copies(tag):
    return glob.glob(os.path.join(app, user + ".dat." + tag + "*"))


try:
    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)

    # 1. A damaged file: told once, kept aside once, and nothing of the half-built program runs meanwhile.
    run(cli, "add", "1.1.2030", "8:00", "Prvá")
    run(cli, "add", "2.1.2030", "8:00", "Druhá")
    with open(user_file, "r+b") as f:
        f.truncate(os.path.getsize(user_file) - 5)
    kalvo = start()
    box = wait_for("the message about the damaged file", message_box, 40)
    shot("1-damaged")
    time.sleep(3)  # the one-second timers had their chance
    expect(kalvo.poll() is None, "the program ended with %s while its message waited" % kalvo.returncode)
    answered(box)
    wait_for("the main window", main_window)
    expect(len(copies("poskodeny-")) == 1, copies("poskodeny-"))
    ended_by_term(kalvo)
    kalvo = start()
    wait_for("the main window", main_window, 40)
    time.sleep(1)
    expect(message_box() is None, "the same damage was told again")
    expect(len(copies("poskodeny-")) == 1, copies("poskodeny-"))
    ended_by_term(kalvo)

    # 2. SIGTERM with a change held in memory: set aside, and taken back at the next start.
    os.remove(user_file)
    kalvo = start()
    wait_for("the main window", main_window, 40)
    os.remove(user_file)  # a folder in its place: every save fails
    os.mkdir(user_file)
    added = run(cli, "add", "1.1.2030", "8:00", "Nestratiť ma", check=False)
    expect(added.returncode != 0 and "zostáva v pamäti programu" in added.stderr, added)
    answered(wait_for("the failure on screen", message_box))
    ended_by_term(kalvo)
    rescued = copies("zachranene-")
    expect([os.path.basename(p) for p in rescued if not p.endswith(".zaklad")], rescued)
    os.rmdir(user_file)
    kalvo = start()
    question = wait_for("the offer of the rescued changes", message_box, 40)
    shot("2-offer")
    answered(question)  # "Áno"
    wait_for("the main window", main_window)
    expect(texts() == ["Nestratiť ma"], texts())
    expect(copies("zachranene-") == [], copies("zachranene-"))

    # 3. Another TMPDIR is no way to a second copy; a killed copy keeps no one out.
    os.makedirs(os.path.join(work, "other-tmp"))
    second = start(TMPDIR=os.path.join(work, "other-tmp"))
    answered(wait_for("the word that Kalvo is running", message_box))
    expect(second.wait(timeout=10) == 0)
    kalvo.kill()
    kalvo.wait()
    kalvo = start()
    wait_for("the main window after a kill", main_window, 40)
    expect(message_box() is None)
    ended_by_term(kalvo)
    print("session-end run passed; screenshots in", shots)
finally:
    desktop.clean_up(procs, work)
