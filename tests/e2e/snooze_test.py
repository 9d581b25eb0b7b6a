#!/usr/bin/env python3
"""An alarm put off in the real program survives a kill. Under Xvfb with trayer as the tray and a session
bus of its own, the alarm strip of a reminder that is due comes up and "Odložiť" > "o 5 minút" is chosen
with the mouse and the keyboard; the program is killed with SIGKILL, the reminder file is found untouched
and the snooze on disk. When its moment has come (the test moves the moment in the file instead of waiting
five minutes) the next start shows the alarm again, and "Zatvoriť" archives the reminder and ends the
snooze."""

import datetime
import hashlib
import json
import os
import signal
import subprocess
import sys

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

desktop.require("Xvfb", "trayer", "xdotool", "dbus-run-session", "import")
desktop.own_session_bus("KALVO_SNOOZE_TEST_SESSION")

BIN, ARTIFACTS = sys.argv[1], sys.argv[2]
work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "snooze")
cli = os.path.join(app, "kalvo-cli")
user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
user_file = os.path.join(app, user + ".dat")
snooze_file = os.path.join(app, user + ".snooze")
# The archive is kept; the overview closes at once, so the scheduler starts with the program.
desktop.write_setup(app, delete_old=0, slide_names=0, overview_seconds=0)

procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", KALVO_SHUTDOWN_COMMAND="true")
STRIP = (473, 82)


def run(*args, check=True, stdin=None):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, input=stdin)


def shot(name):
    run("import", "-window", "root", os.path.join(shots, name + ".png"), check=False)


def wait_for(what, predicate, timeout=20):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed"))


def strip():
    return next((w for w in desktop.windows(env, "^Pripomienka$") if (w[3], w[4]) == STRIP), None)


def strip_at_rest():
    """The strip once it has slid in to its place at the right edge of the screen."""
    w = strip()
    return w if w and w[1] + STRIP[0] <= 1280 - 2 else None


def click(w, x, y):
    desktop.click(env, w, x, y, settle=0, after=0)


def records(name):
    path = os.path.join(app, name)
    return json.loads(run(cli, "decode", path).stdout)["records"] if os.path.exists(path) else []


def digest():
    with open(user_file, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def start():
    p = subprocess.Popen([os.path.join(app, "kalvo")], cwd=app, env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    procs.append(p)
    return p


try:
    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
    # A notification area, so the program lives in the tray and its main window stays hidden.
    procs.append(subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                   "120", "--height", "32"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    # A reminder whose minute has just passed: it is due at the first tick.
    now = datetime.datetime.now()
    due = now - datetime.timedelta(minutes=1)
    day = (due.date() - datetime.date(1899, 12, 30)).days
    fraction = (due.hour * 3600 + due.minute * 60) / 86400.0
    record = {"Date": day, "Time": fraction, "Text": "Zubár, odložiteľný", "Notice": 0, "NoticeFrom": 0,
              "NoticeNext": 0, "Period": -1, "NoticeTime": -1.0, "Picture": "", "Melody": "", "IsNameDay": 0,
              "IsBirthday": 0, "NoticeWeekDay": -1}
    run(cli, "encode", user_file, stdin=json.dumps({"records": [record]}))
    before = digest()

    kalvo = start()
    alarm = wait_for("the alarm strip at rest", strip_at_rest)
    shot("1-alarm")
    click(alarm, 309 + 30, 7)  # "Odložiť"
    run("xdotool", "key", "Down")
    shot("2-menu")
    run("xdotool", "key", "Return")  # the first item, "o 5 minút"
    wait_for("the strip to close", lambda: strip() is None)
    expect(os.path.exists(snooze_file))
    with open(snooze_file, encoding="utf-8") as f:
        line = next(l for l in f if not l.startswith("#"))
    until = datetime.datetime.strptime(line[:19], "%Y-%m-%d %H:%M:%S")
    expect(datetime.timedelta(minutes=4) <= until - now <= datetime.timedelta(minutes=6), (until, now))
    expect(line.split("\t")[1] == "event")

    # Killed: nothing but the files is left, and the reminder in them is as it was.
    kalvo.send_signal(signal.SIGKILL)
    kalvo.wait()
    expect(digest() == before)
    expect([r["Text"] for r in records(user + ".dat")] == ["Zubár, odložiteľný"])
    expect(records(user + "_old.dat") == [])

    # Its moment has come: the next start brings the alarm back, and closing it archives the reminder.
    with open(snooze_file, encoding="utf-8") as f:
        text = f.read()
    with open(snooze_file, "w", encoding="utf-8") as f:
        f.write(text.replace(line[:19], (datetime.datetime.now() - datetime.timedelta(seconds=1)).strftime(
            "%Y-%m-%d %H:%M:%S")))
    kalvo = start()
    alarm = wait_for("the alarm strip again", strip_at_rest)
    shot("3-again")
    click(alarm, 375 + 40, 7)  # "Zatvoriť"
    wait_for("the strip to close", lambda: strip() is None)
    wait_for("the reminder in the archive", lambda: [r["Text"] for r in records(user + "_old.dat")] ==
             ["Zubár, odložiteľný"])
    expect(records(user + ".dat") == [])
    expect(not os.path.exists(snooze_file))
    kalvo.send_signal(signal.SIGTERM)
    kalvo.wait()
    print("an alarm put off, killed and brought back by the next start")
finally:
    desktop.clean_up(procs, work)
