#!/usr/bin/env python3
"""Kalvo among other programs, on a session bus of its own (dbus-run-session) and under Xvfb with a
StatusNotifier watcher written for the test (sni_watcher.py) as the tray:

- a killed holder of the folder's lock blocks neither kalvo-cli nor the next start of the program;
  kalvo-cli processes started together with no program running all land; a live holder makes a writer
  give up with a Slovak message;
- the interface is introspectable and matches dbus/sk.kalvo.Kalvo1.xml; calls with wrong types or absurd
  values get an error reply and change nothing;
- 500 `kalvo-cli add` (half through the program, half on the file under the lock while the program
  runs) and reminders added in the main window's editor meanwhile all end up in the file exactly once;
- the tray icon's tooltip carries today's and tomorrow's names, and its secondary (middle) activation
  slides out the name-day notice."""

import collections
import datetime
import hashlib
import json
import os
import shutil
import signal
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ET

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def skip(why):
    print(why + ": skipped")
    sys.exit(77)


try:
    from gi.repository import Gio, GLib
except ImportError:
    # A Python of its own (pyenv, a venv) may lack the system's bindings.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    skip("python3-gi is not installed")

for tool in ("Xvfb", "xdotool", "dbus-run-session"):
    if shutil.which(tool) is None:
        skip(tool + " is not installed")
desktop.own_session_bus("KALVO_BUS_TEST_SESSION")

BIN = sys.argv[1]
ARTIFACTS = sys.argv[2]
SERVICE, PATH, IFACE = "sk.kalvo.Kalvo", "/sk/kalvo/Kalvo", "sk.kalvo.Kalvo1"
ADDS = 500

work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "bus")
cli = os.path.join(app, "kalvo-cli")
user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
user_file = os.path.join(app, user + ".dat")
# The overview stays open for ten minutes, so the scheduler does not run and nothing added here fires.
desktop.write_setup(app, delete_old=1, slide_names=1, overview_seconds=600)

procs = []
try:
    display = desktop.start_xvfb(procs)
except AssertionError:
    desktop.clean_up(procs, work)
    raise
env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", KALVO_SHUTDOWN_COMMAND="true")
no_bus = dict(env, DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(work, "no-bus"))


def start(args, **kw):
    kw.setdefault("stdout", subprocess.DEVNULL)
    p = subprocess.Popen(args, env=kw.pop("env", env), stderr=subprocess.DEVNULL, **kw)
    procs.append(p)
    return p


def run(*args, environ=None, check=True):
    return subprocess.run(list(args), env=environ or env, capture_output=True, text=True, check=check)


def wait_for(what, predicate, timeout):
    return desktop.wait_for(what, predicate, timeout,
                            lambda: run("import", "-window", "root", os.path.join(shots, "failed.png"), check=False))


def window(name, size):
    return next((w for w in desktop.windows(env, name) if (w[3], w[4]) == size), None)


def click(w, x, y):
    desktop.click(env, w, x, y, settle=0.1, after=0.2)


def add(date, clock, text, environ=None):
    return run(cli, "add", date, clock, text, environ=environ, check=False)


def texts():
    out = run(cli, "decode", user_file).stdout
    return [r["Text"] for r in json.loads(out)["records"]]


def digest():
    with open(user_file, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def call(method, signature, args, service=SERVICE, path=PATH, iface=IFACE):
    """The reply's values, or the error's D-Bus name and message."""
    try:
        reply = bus.call_sync(service, path, iface, method, GLib.Variant(signature, args) if signature else None,
                              None, Gio.DBusCallFlags.NO_AUTO_START, 20000, None)
        return ("ok", reply.unpack())
    except GLib.Error as e:
        return (Gio.DBusError.get_remote_error(e) or "?", e.message)


def program_runs():
    return call("Identity", None, None)[0] == "ok"


try:
    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0, 20)
    watcher = subprocess.Popen([sys.executable, os.path.join(HERE, "sni_watcher.py")], env=env, stdout=subprocess.PIPE,
                               text=True)
    procs.append(watcher)
    expect(watcher.stdout.readline().strip() == "ready")

    # A holder of the lock killed in the middle: the lock goes with it.
    holder = subprocess.Popen([sys.executable, "-c", "import fcntl,sys,time\n"
                               "f=open(sys.argv[1],'a'); fcntl.flock(f, fcntl.LOCK_EX); print('held', flush=True)\n"
                               "time.sleep(600)", os.path.join(app, ".kalvo.lock")], stdout=subprocess.PIPE, text=True)
    expect(holder.stdout.readline().strip() == "held")
    given_up = add("1.1.2030", "8:00", "nie", environ=dict(no_bus, KALVO_LOCK_WAIT_MS="300"))
    expect(given_up.returncode == 1 and "iný program Kalvo" in given_up.stderr, given_up)
    expect(not os.path.exists(user_file))
    holder.send_signal(signal.SIGKILL)
    holder.wait()

    # kalvo-cli processes started at the same moment, no program running: every one lands.
    together = [subprocess.Popen([cli, "add", "1.1.2030", "8:%02d" % i, "spolu %d" % i], env=no_bus)
                for i in range(12)]
    expect(all(p.wait() == 0 for p in together))
    expect(sorted(texts()) == sorted("spolu %d" % i for i in range(12)), texts())

    # The next start of the program is not blocked either.
    kalvo = start([os.path.join(app, "kalvo")], cwd=app)
    wait_for("the program on the bus", program_runs, 30)
    expect(call("Identity", None, None)[1] == (app, user))

    # The interface as shipped.
    xml = call("Introspect", None, None, iface="org.freedesktop.DBus.Introspectable")[1][0]

    def methods(root):
        iface = next(i for i in root.iter("interface") if i.get("name") == IFACE)
        # In and out arguments apart: Qt lists the out ones first.
        return {m.get("name"): [[a.get("type") for a in m.iter("arg") if a.get("direction", "in") == d]
                                for d in ("in", "out")] for m in iface.iter("method")}

    shipped = methods(ET.parse(os.path.join(HERE, "..", "..", "dbus", "sk.kalvo.Kalvo1.xml")).getroot())
    expect(methods(ET.fromstring(xml)) == shipped, (methods(ET.fromstring(xml)), shipped))
    expect("sk.kalvo.Kalvo1" in run("gdbus", "introspect", "--session", "-d", SERVICE, "-o", PATH).stdout)

    # Wrong types and absurd values: an error reply each, and the file as it was.
    before = digest()
    wrong_types = [("AddReminder", "(iii)", (1, 2, 3)), ("AddReminder", "(ss)", ("1.1.2030", "8:00")),
                   ("ListDay", "(i)", (20300101,)), ("Snooze", "(s)", ("5",)), ("ShowToday", "(s)", ("x",))]
    for method, signature, args in wrong_types:
        name, _ = call(method, signature, args)
        expect(name in ("org.freedesktop.DBus.Error.UnknownMethod", "org.freedesktop.DBus.Error.InvalidArgs"),
            (method, signature, name))
    absurd = [("31.2.2030", "8:00", "x"), ("1.1.2030", "24:00", "x"), ("1.1.2030", "8:60", "x"),
              ("0.1.2030", "8:00", "x"), ("1.1.99999", "8:00", "x"), ("1.1.2030", "-1:00", "x"),
              ("1.1.2030", "8:00", ""), ("1.1.2030", "8:00", "x" * 100000), ("1.1.2030", "8:00", "dva\nriadky"),
              ("1.1.2030", "8:00", "zmaž\x7f"), ("1.1.2030", "8:00", "日本"), ("", "", ""), ("1.1.2030 ", "8:00", "x")]
    for args in absurd:
        name, message = call("AddReminder", "(sss)", args)
        expect(name == "sk.kalvo.Kalvo1.Error.InvalidArgument" and message, (args, name, message))
    notices = [("2.1.2030", "1.1.2030", "denne", "", ""),
               ("1.1.2030", "1.1.2030", "týždenne", "", ""), ("1.1.2030", "1.1.2030", "denne", "", "pondelok"),
               ("1.1.2030", "1.1.2030", "hodinove", "", ""), ("1.1.2030", "1.1.2030", "denne", "25:00", ""),
               ("1.1.2030", "", "denne", "", "")]
    for start_day, event, period, at, weekday in notices:
        name, _ = call("AddReminderWithNotice", "(sssssss)", (event, "8:00", "x", start_day, period, at, weekday))
        expect(name == "sk.kalvo.Kalvo1.Error.InvalidArgument", (start_day, event, period, at, weekday, name))
    for minutes in (0, 100000):
        expect(call("Snooze", "(u)", (minutes,))[0] == "sk.kalvo.Kalvo1.Error.InvalidArgument")
    expect(call("Snooze", "(u)", (5,))[0] == "sk.kalvo.Kalvo1.Error.NoAlarm")
    expect(call("Acknowledge", None, None)[0] == "sk.kalvo.Kalvo1.Error.NoAlarm")
    expect(call("ListDay", "(s)", ("30.2.2030",))[0] == "sk.kalvo.Kalvo1.Error.InvalidArgument")
    bad_cli = add("1.13.2030", "8:00", "x")
    expect(bad_cli.returncode == 2 and "Neplatný dátum" in bad_cli.stderr, bad_cli)
    expect(digest() == before)

    # A day's reminders as structured data.
    expect(call("AddReminderWithNotice", "(sssssss)", ("3.1.2030", "9:15", "s upozornením", "1.1.2030", "týždenne",
                                                       "7:00", "streda"))[0] == "ok")
    expect(call("ListDay", "(s)", ("3.1.2030",)) ==
        ("ok", ([("3.1.2030", "9:15:00", "s upozornením", "reminder", True, "1.1.2030", "týždenne", "7:00:00")],)))
    listed = json.loads(run(cli, "list", "--day", "3.1.2030").stdout)
    expect(listed["reminders"][0]["text"] == "s upozornením", listed)

    # 500 reminders from kalvo-cli: half through the program, half on the file under the lock while the
    # program runs and takes them in, and a few added meanwhile in the main window's editor.
    failures = []

    def writer(prefix, environ):
        for i in range(ADDS // 2):
            done = add("10.1.2030", "%d:%02d" % (i // 60 % 24, i % 60), "%s %03d" % (prefix, i), environ)
            if done.returncode != 0:
                failures.append((prefix, i, done.stderr))

    threads = [threading.Thread(target=writer, args=("bus", env)), threading.Thread(target=writer, args=("file", no_bus))]
    started = time.time()
    for t in threads:
        t.start()
    expect(call("ShowMainWindow", None, None)[0] == "ok")
    main = wait_for("the main window", lambda: window("Kalvo", (604, 319)), 10)
    edited = []
    for n in range(3):
        click(main, 541, 170)  # "Pridať"
        editor = wait_for("the editor", lambda: window("^Pripomienka$", (488, 290)), 10)
        click(editor, 200, 115)  # the text box
        run("xdotool", "type", "--delay", "10", "okno %d" % n)
        click(editor, 441, 247)  # "Zapísať"
        wait_for("the editor to close", lambda: window("^Pripomienka$", (488, 290)) is None, 10)
        edited.append("okno %d" % n)
    for t in threads:
        t.join()
    elapsed = time.time() - started
    expect(not failures, failures[:5])

    expected = ["bus %03d" % i for i in range(ADDS // 2)] + ["file %03d" % i for i in range(ADDS // 2)]

    def settled():
        listed = call("ListDay", "(s)", ("10.1.2030",))[1][0]
        return len(listed) == ADDS and sorted(e[2] for e in listed) == sorted(expected)

    wait_for("the program to take in every outside change", settled, 20)
    counts = collections.Counter(texts())
    expect(all(counts[t] == 1 for t in expected + edited),
           [(t, counts[t]) for t in expected + edited if counts[t] != 1])
    expect(sum(counts.values()) == ADDS + 12 + 1 + len(edited), sum(counts.values()))
    print("%d reminders from kalvo-cli and %d from the editor in %.1f s" % (ADDS, len(edited), elapsed))
    run("import", "-window", "root", os.path.join(shots, "after-500.png"), check=False)

    # The StatusNotifier tray: the names in the tooltip, the notice on the middle button.
    item = watcher.stdout.readline().split()
    expect(item[0] == "item", item)
    service = item[2] if not item[2].startswith("/") else item[1]
    tip = bus.call_sync(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                        GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "ToolTip")), None,
                        Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
    tip_text = tip[2] + "\n" + tip[3]
    today = datetime.date.today()
    for day, caption in ((today, "Dnes"), (today + datetime.timedelta(days=1), "Zajtra")):
        names = json.loads(run(cli, "names", "%d.%d" % (day.day, day.month)).stdout)["names"]
        expect("%s: %s" % (caption, names) in tip_text, (tip_text, names))
    expect(window("^Meniny$", (182, 53)) is None)
    bus.call_sync(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "SecondaryActivate",
                  GLib.Variant("(ii)", (0, 0)), None, Gio.DBusCallFlags.NONE, 5000, None)
    wait_for("the name-day notice", lambda: window("^Meniny$", (182, 53)), 10)
    run("import", "-window", "root", os.path.join(shots, "notice-on-middle-button.png"), check=False)

    kalvo.terminate()
    kalvo.wait(timeout=10)
    print("bus test passed; screenshots in", shots)
finally:
    desktop.clean_up(procs, work)
