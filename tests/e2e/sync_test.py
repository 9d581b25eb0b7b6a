#!/usr/bin/env python3
"""The program syncing with a real Radicale, beside kalvo-cli working on another folder that stands for a
second computer. Under Xvfb with trayer as the tray and a session bus of its own:

- the start's sync brings what the other computer sent, and the program's list shows it at once;
- a change made in the program reaches the server some seconds later by itself;
- `kalvo-cli sync` for the program's folder goes through the program (D-Bus Sync) and its counts;
- a reminder deleted on the other computer leaves the program's list;
- an alarm strip on screen closes when its reminder is acknowledged on the other computer, and the
  reminder goes to the archive without ringing again;
- the program talks to the server through the fault proxy: an upload whose answer was lost (a 500 after
  it went through) is not sent twice, and a refused password is told in Slovak until it is accepted again;
- with the server gone, `kalvo-cli sync` says why in Slovak and the program goes on."""

import datetime
import json
import os
import subprocess
import sys
import time

import desktop

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "sync"))
import fault_proxy  # noqa: E402
import servers  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

desktop.require("Xvfb", "trayer", "xdotool", "dbus-run-session", "import", "radicale")
desktop.own_session_bus("KALVO_SYNC_TEST_SESSION")

BIN, ARTIFACTS = sys.argv[1], sys.argv[2]
work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "sync")
other = os.path.join(work, "other")  # the other computer's folder
os.makedirs(other)
cli = os.path.join(app, "kalvo-cli")
user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
# The archive is kept; the overview closes at once, so the scheduler starts with the program.
desktop.write_setup(app, delete_old=0, slide_names=0, overview_seconds=0)
desktop.write_setup(other, delete_old=0, slide_names=0, overview_seconds=0)

procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", KALVO_SHUTDOWN_COMMAND="true", TZ="UTC")
STRIP = (473, 82)


def run(*args, check=True, stdin=None):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, input=stdin)


def here(*args, check=True):
    """kalvo-cli for the program's folder: through the program while it runs."""
    return run(cli, "--dir", app, "--user", user, *args, check=check)


def there(*args, check=True):
    """kalvo-cli for the other computer's folder, which no program keeps."""
    return run(cli, "--dir", other, "--user", user, *args, check=check)


def counts(p):
    expect(p.returncode == 0, p.stderr)
    return json.loads(p.stdout)


def texts(folder, name):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        return []
    return [r["Text"] for r in json.loads(run(cli, "decode", path).stdout)["records"]]


def listed(day):
    """The day's reminders as the running program holds them (kalvo-cli list asks it over D-Bus)."""
    p = here("list", "--day", day.strftime("%-d.%-m.%Y"), check=False)
    return [r["text"] for r in json.loads(p.stdout)["reminders"]] if p.returncode == 0 else None


def shot(name):
    run("import", "-window", "root", os.path.join(shots, name + ".png"), check=False)


def wait_for(what, predicate, timeout=20):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed"))


def strip():
    return next((w for w in desktop.windows(env, "^Pripomienka$") if (w[3], w[4]) == STRIP), None)


def strip_at_rest():
    w = strip()
    return w if w and w[1] + STRIP[0] <= 1280 - 2 else None


def record_due(moment, text):
    day = (moment.date() - datetime.date(1899, 12, 30)).days
    return {"Date": day, "Time": (moment.hour * 3600 + moment.minute * 60) / 86400.0, "Text": text, "Notice": 0,
            "NoticeFrom": 0, "NoticeNext": 0, "Period": -1, "NoticeTime": -1.0, "Picture": "", "Melody": "",
            "IsNameDay": 0, "IsBirthday": 0, "NoticeWeekDay": -1}


try:
    with servers.running("radicale", auth="basic") as server:
        proxy = fault_proxy.FaultProxy(server.base)  # the program's way to the server
        login = ["--login", server.user, "--password-command", "echo " + server.password]
        for folder, calendar in ((here, server.calendar.replace(server.base, proxy.base)), (there, server.calendar)):
            found = counts(folder("sync-setup", calendar, *login))
            expect(found == {"calendar": calendar, "name": "Kalendár"}, found)

        tomorrow = datetime.datetime.utcnow().date() + datetime.timedelta(days=1)
        there("add", tomorrow.strftime("%-d.%-m.%Y"), "10:00", "Z druhého počítača")
        expect(counts(there("sync"))["sent"] == 1)

        # Not a first start (which would keep the overview open): the user's file exists, empty.
        run(cli, "encode", os.path.join(app, user + ".dat"), stdin=json.dumps({"records": []}))
        wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
        procs.append(subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                                       "--width", "120", "--height", "32"], env=env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL))
        procs.append(subprocess.Popen([os.path.join(app, "kalvo")], cwd=app, env=env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL))

        # The start's sync brought it, and the program took it in.
        wait_for("the other computer's reminder in the program", lambda: listed(tomorrow) == ["Z druhého počítača"])

        # A change in the program goes out by itself some seconds later.
        here("add", tomorrow.strftime("%-d.%-m.%Y"), "11:00", "Z programu")
        wait_for("the program's change on the server", lambda: len(server.files()) == 2, 30)
        expect(counts(there("sync")) == {"sent": 0, "received": 1, "deleted_here": 0, "deleted_there": 0,
                                         "conflicts": 0})

        # The answer to the program's upload is lost after the upload went through: the program looks
        # before it sends again, and the server holds the event once.
        later = tomorrow + datetime.timedelta(days=1)
        proxy.add("500-after", method="PUT")
        here("add", later.strftime("%-d.%-m.%Y"), "12:00", "Odpoveď sa stratila")
        wait_for("the upload with the lost answer", lambda: len(server.files()) == 3 and not proxy.faults, 30)
        expect(counts(here("sync"))["sent"] == 0)
        expect(len(server.files()) == 3)
        here("delete", later.strftime("%-d.%-m.%Y"), "12:00", "Odpoveď sa stratila")
        wait_for("the delete on the server", lambda: len(server.files()) == 2, 30)

        # Deleted on the other computer; kalvo-cli sync for the program's folder asks the program.
        there("delete", tomorrow.strftime("%-d.%-m.%Y"), "10:00", "Z druhého počítača")
        expect(counts(there("sync"))["deleted_there"] == 1)
        expect(counts(here("sync")) == {"sent": 0, "received": 0, "deleted_here": 1, "deleted_there": 0,
                                        "conflicts": 0})
        expect(listed(tomorrow) == ["Z programu"])
        expect(texts(app, user + ".dat") == ["Z programu"])

        # An alarm on screen here, acknowledged on the other computer: the strip closes.
        due = datetime.datetime.utcnow().replace(second=0, microsecond=0) - datetime.timedelta(minutes=1)
        there("add", due.strftime("%-d.%-m.%Y"), due.strftime("%H:%M"), "Porada")
        expect(counts(there("sync"))["sent"] == 1)
        expect(counts(here("sync"))["received"] == 1)
        wait_for("the alarm strip", strip_at_rest)
        shot("1-alarm")
        shown = there("simulate", "--from", due.strftime("%Y-%m-%d %H:%M:%S"), "--to",
                      (due + datetime.timedelta(seconds=1)).strftime("%Y-%m-%d %H:%M:%S")).stdout
        expect("Porada" in shown, shown)
        expect(texts(other, user + "_old.dat") == ["Porada"])
        expect(counts(there("sync"))["sent"] == 1)
        here("sync")
        wait_for("the strip to close", lambda: strip() is None, 10)
        shot("2-closed")
        wait_for("the reminder in the archive", lambda: texts(app, user + "_old.dat") == ["Porada"])
        expect("Porada" not in texts(app, user + ".dat"))
        time.sleep(2)  # a few ticks: it does not ring again
        expect(strip() is None)

        # The password refused: told in Slovak, until the server takes it again.
        proxy.add("401", times=-1)
        refused = here("sync", check=False)
        expect(refused.returncode == 1 and "odmietol prihlasovacie meno alebo heslo" in refused.stderr, refused)
        proxy.reset()
        expect(counts(here("sync"))["conflicts"] == 0)

        # The server gone: told in Slovak, and the program answers on.
        proxy.stop()
        server.stop()
        failed = here("sync", check=False)
        expect(failed.returncode == 1 and "kalvo-cli: " in failed.stderr, failed)
        expect(listed(tomorrow) == ["Z programu"])
        print("the program synced with Radicale beside kalvo-cli in another folder")
finally:
    desktop.clean_up(procs, work)
