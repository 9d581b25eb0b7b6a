#!/usr/bin/env python3
"""A change the reminder file would not take is not lost at the end. Under Xvfb with a session bus of its
own and no notification area (so the main window is on screen), a folder stands where the user's file
was: kalvo-cli's add through the bus is refused with SaveFailed at once while the message waits on screen;
"Ukončiť" then asks what becomes of the change, the folder is taken away, and "Skúsiť znova" saves the
reminder and ends the program."""

import json
import os
import subprocess
import sys
import time

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

desktop.require("Xvfb", "xdotool", "dbus-run-session", "import")
desktop.own_session_bus("KALVO_UNSAVED_TEST_SESSION")

BIN, ARTIFACTS = sys.argv[1], sys.argv[2]
work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "unsaved")
cli = os.path.join(app, "kalvo-cli")
user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
user_file = os.path.join(app, user + ".dat")
desktop.write_setup(app, delete_old=0, slide_names=0, overview_seconds=0)

procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", KALVO_SHUTDOWN_COMMAND="true")
MAIN = (604, 319)


def run(*args, check=True):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check)


def shot(name):
    run("import", "-window", "root", os.path.join(shots, name + ".png"), check=False)


def wait_for(what, predicate, timeout=20):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed"))


def main_window():
    return next((w for w in desktop.windows(env, "kalvo", "--class") if (w[3], w[4]) == MAIN), None)


def message_box():
    """A box of the program titled "Kalvo" that is not its main window."""
    return next((w for w in desktop.windows(env, "^Kalvo$") if (w[3], w[4]) != MAIN), None)


def click(w, x, y):
    desktop.click(env, w, x, y, after=0)


def answered(box):
    """Return on the box (its default button), and the box gone. Without a window manager nothing gives
    the box the keyboard, so the test focuses it first."""
    run("xdotool", "windowfocus", "--sync", box[0], check=False)
    time.sleep(0.3)
    run("xdotool", "key", "Return")
    wait_for("the box to close", lambda: message_box() is None)


try:
    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
    kalvo = subprocess.Popen([os.path.join(app, "kalvo")], cwd=app, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    procs.append(kalvo)
    # Without a tray the main window comes up; the overview closes by itself (0 s).
    # The bus is up before any window shows.
    main = wait_for("the main window", main_window, 40)
    os.remove(user_file)
    os.mkdir(user_file)

    started = time.monotonic()
    added = run(cli, "add", "1.1.2030", "8:00", "Nestratiť ma", check=False)
    took = time.monotonic() - started
    expect(added.returncode != 0 and "zostáva v pamäti programu" in added.stderr, added)
    expect(took < 10, "the caller waited %.1f s" % took)
    box = wait_for("the failure on screen", message_box)
    shot("1-save-failed")
    answered(box)

    click(main, 363 + 50, 290 + 10)  # "Ukončiť"
    question = wait_for("the question at the end", message_box)
    shot("2-question")
    expect(kalvo.poll() is None)
    os.rmdir(user_file)
    click(question, 65, question[4] - 18)  # "Skúsiť znova", the first of the buttons
    expect(kalvo.wait(timeout=10) == 0)
    records = json.loads(run(cli, "decode", user_file).stdout)["records"]
    expect([r["Text"] for r in records] == ["Nestratiť ma"], records)
    print("unsaved-change run passed; screenshots in", shots)
finally:
    desktop.clean_up(procs, work)
