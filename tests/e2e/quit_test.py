#!/usr/bin/env python3
"""`kalvo --quit`, as the Windows installer uses it, on the real program under Xvfb (a session bus of its
own, no notification area): nothing running says so; a program whose message waits for the user answers
at once that it cannot end now and runs on; otherwise it ends as its "Ukončiť" does, without that
question, but a change only in memory is still put to the user and saved before the end."""

import json
import os
import subprocess
import sys
import time

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

desktop.require("Xvfb", "xdotool", "dbus-run-session", "import")
desktop.own_session_bus("KALVO_QUIT_TEST_SESSION")

BIN, ARTIFACTS = sys.argv[1], sys.argv[2]
ENDED, NONE_RUNNING, STILL_RUNNING = 0, 1, 2
work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "quit")
kalvo_exe, cli = os.path.join(app, "kalvo"), os.path.join(app, "kalvo-cli")
user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
user_file = os.path.join(app, user + ".dat")
desktop.write_setup(app, delete_old=0, slide_names=0, overview_seconds=0)

procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", KALVO_SHUTDOWN_COMMAND="true")
MAIN = (604, 319)


def run(*args, check=True):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, timeout=60)


def quit_running():
    return run(kalvo_exe, "--quit", check=False).returncode


def shot(name):
    run("import", "-window", "root", os.path.join(shots, name + ".png"), check=False)


def wait_for(what, predicate, timeout=20):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed"))


def main_window():
    return next((w for w in desktop.windows(env, "kalvo", "--class") if (w[3], w[4]) == MAIN), None)


def message_box():
    return next((w for w in desktop.windows(env, "^Kalvo$") if (w[3], w[4]) != MAIN), None)


try:
    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
    expect(quit_running() == NONE_RUNNING)
    kalvo = subprocess.Popen([kalvo_exe], cwd=app, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(kalvo)
    wait_for("the main window", main_window, 40)

    # A save that fails leaves its message on screen: the program cannot end now, and says so at once.
    os.remove(user_file)
    os.mkdir(user_file)
    run(cli, "add", "1.1.2030", "8:00", "Nestratiť ma", check=False)
    box = wait_for("the failure on screen", message_box)
    started = time.monotonic()
    expect(quit_running() == STILL_RUNNING)
    expect(time.monotonic() - started < 10)
    expect(kalvo.poll() is None)
    run("xdotool", "windowfocus", "--sync", box[0], check=False)
    time.sleep(0.3)
    run("xdotool", "key", "Return")
    wait_for("the box to close", lambda: message_box() is None)

    # The request ends the program without "Naozaj si želáte ukončiť program?", but the change that is
    # only in memory is put to the user first, and saved.
    asking = subprocess.Popen([kalvo_exe, "--quit"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(asking)
    question = wait_for("the question about the change", message_box)
    shot("unsaved-question")
    expect(kalvo.poll() is None and asking.poll() is None)
    os.rmdir(user_file)
    desktop.click(env, question, 65, question[4] - 18, after=0)  # "Skúsiť znova"
    expect(kalvo.wait(timeout=20) == 0)
    expect(asking.wait(timeout=20) == ENDED)
    records = json.loads(run(cli, "decode", user_file).stdout)["records"]
    expect([r["Text"] for r in records] == ["Nestratiť ma"], records)
    expect(quit_running() == NONE_RUNNING)
    print("kalvo --quit: none running, busy, ended with the change saved; screenshots in", shots)
finally:
    desktop.clean_up(procs, work)
