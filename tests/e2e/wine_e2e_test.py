#!/usr/bin/env python3
"""kalvo.exe as a Slovak Windows user meets it, under Wine on Xvfb with trayer as the notification area,
from a fresh portable folder: the day overview, the tray icon, the name-day notice sliding out when the
mouse passes over the icon, a reminder written a minute ahead by kalvo-cli.exe (under the folder's lock)
firing its alarm strip above the task bar, "Odložiť" putting it off and the alarm coming back, "Zatvoriť"
archiving it (both files decoded by kalvo-cli.exe), start at log-on switched on in the settings (the Run
value appears in Wine's registry) and off again, the end from the tray menu, and the end of the Windows
session ending the program. Screenshots of every step go to the artifacts. The real shut-down is never
reached: no step asks for it.
    wine_e2e_test.py BIN_DIR ARTIFACTS WINE WINESERVER"""

import datetime
import json
import os
import subprocess
import sys
import time

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

BIN, ARTIFACTS, WINE, WINESERVER = sys.argv[1:5]
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
STRIP = (473, 82)
OVERVIEW = (513, 246)

desktop.require("Xvfb", "trayer", "xdotool", "import")

work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "wine", files=("kalvo.exe", "kalvo-cli.exe", "calend.dat",
                                                                       "sound.wav"))
desktop.write_setup(app, delete_old=0, slide_names=1, overview_seconds=0)
prefix = desktop.wine_prefix(work, os.path.join(os.path.dirname(BIN.rstrip("/")), "wineprefix"), WINE)
procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                          KALVO_STARTUP_WAIT_MS="0", LANG="sk_SK.UTF-8")
step_no = [0]


def run(*args, check=True, stdin=None, timeout=60):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, input=stdin,
                          timeout=timeout)


def wine(*args, check=True, stdin=None):
    return run(WINE, *args, check=check, stdin=stdin)


def shot(name):
    step_no[0] += 1
    run("import", "-window", "root", os.path.join(shots, "%02d-%s.png" % (step_no[0], name)), check=False)


def wait_for(what, predicate, timeout=30):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed-" + what.replace(" ", "-")))


def window(name, size):
    return next((w for w in desktop.windows(env, name) if (w[3], w[4]) == size), None)


def tray_icon():
    """Wine's own explorer.exe docks the program's icon into trayer, as a small window inside the panel at
    the bottom of the screen."""
    return next((w for w in desktop.windows(env, "explorer.exe", "--class") if w[3] <= 64 and w[4] <= 64 and
                 w[2] >= 800 - 40), None)


def click(w, x, y, button=1):
    desktop.click(env, w, x, y, button, settle=0.3)


def keys(*names):
    desktop.keys(env, *names, pause=0.2)


def answer_yes():
    """"Áno" in the program's question. Without a window manager nothing gives the box the keyboard, so
    the test focuses it first; the button is the first of the two at the box's bottom right."""
    box = wait_for("the question", lambda: next(iter(desktop.windows(env, "^Kalvo$")), None))
    time.sleep(0.5)
    shot("question")
    run("xdotool", "windowfocus", "--sync", box[0], check=False)
    click(box, box[3] - 130, box[4] - 22)


def end_from_tray(icon):
    click(icon, icon[3] // 2, icon[4] // 2, button=3)
    time.sleep(0.5)
    keys("Up", "Return")  # "Zatvoriť", the menu's last item
    answer_yes()


def records(name):
    """The records of a file in the portable folder, as kalvo-cli.exe decodes them."""
    path = os.path.join(app, name)
    if not os.path.exists(path):
        return []
    return json.loads(wine(os.path.join(app, "kalvo-cli.exe"), "decode", "Z:" + path.replace("/", "\\")).stdout)[
        "records"]


def run_value():
    r = wine("reg", "query", RUN_KEY, "/v", "kalvo.exe", check=False)
    return r.stdout if r.returncode == 0 and "kalvo.exe" in r.stdout else None


def start_kalvo():
    p = subprocess.Popen([WINE, os.path.join(app, "kalvo.exe")], cwd=app, env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    procs.append(p)
    return p


def strip_at_rest():
    """The alarm strip once it has slid into its place at the right, above the task bar."""
    w = window("^Pripomienka$", STRIP)
    return w if w and w[1] + STRIP[0] <= 1280 - 2 and w[2] + STRIP[1] <= 800 else None


try:
    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
    procs.append(subprocess.Popen(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                   "--width", "120", "--height", "32", "--SetDockType", "true",
                                   "--SetPartialStrut", "true"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    time.sleep(1)
    user = wine("cmd", "/c", "echo %USERNAME%").stdout.strip()

    # First start in an empty portable folder: the overview, then the tray icon.
    kalvo = start_kalvo()
    overview = wait_for("the overview", lambda: window("Naplánované pripomienky", OVERVIEW), 90)
    wait_for("the reminder file beside the program", lambda: os.path.exists(os.path.join(app, user + ".dat")))
    shot("overview")
    click(overview, 452, 228)  # "Zatvoriť"
    wait_for("the overview to close", lambda: window("Naplánované pripomienky", OVERVIEW) is None)
    icon = wait_for("the tray icon", tray_icon)
    shot("tray-icon")

    # The mouse passing over the icon slides the day's names out above it; the tray menu puts them away.
    for x, y in ((4, 6), (10, 12), (15, 20)):
        run("xdotool", "mousemove", "--sync", str(icon[1] + x), str(icon[2] + y))
        time.sleep(0.3)
    notice = wait_for("the name-day notice", lambda: next(iter(desktop.windows(env, "^Meniny$")), None), 20)
    expect(notice[2] + notice[4] <= icon[2] and notice[1] + notice[3] >= 1280 - 200, (notice, icon))
    shot("name-notice")
    click(icon, icon[3] // 2, icon[4] // 2, button=3)
    wait_for("the notice to go", lambda: not desktop.windows(env, "^Meniny$"), 10)
    keys("Escape")

    # A reminder a minute ahead, written by kalvo-cli.exe under the folder's lock while the program runs.
    due = (datetime.datetime.now() + datetime.timedelta(minutes=1)).replace(second=0, microsecond=0)
    wine(os.path.join(app, "kalvo-cli.exe"), "add", "%d.%d.%d" % (due.day, due.month, due.year),
         due.strftime("%H:%M"), "Zubár o minútu")
    expect([r["Text"] for r in records(user + ".dat")] == ["Zubár o minútu"])
    with open(os.path.join(app, user + ".dat"), "rb") as f:
        written = f.read()

    # The alarm slides in above the task bar; "Odložiť" > "o 5 minút" puts it off.
    alarm = wait_for("the alarm strip", strip_at_rest, 150)
    shot("alarm")
    click(alarm, 309 + 30, 7)  # "Odložiť"
    time.sleep(0.5)
    shot("snooze-menu")
    keys("Down", "Return")  # "o 5 minút"
    wait_for("the strip to close", lambda: window("^Pripomienka$", STRIP) is None)
    snooze_file = os.path.join(app, user + ".snooze")
    expect(os.path.exists(snooze_file))
    with open(os.path.join(app, user + ".dat"), "rb") as f:
        expect(f.read() == written, "a snoozed reminder keeps the file's bytes")
    shot("snoozed")

    # It comes back: the program is ended, the snooze's moment moved to now, and the next start shows it.
    end_from_tray(icon)
    expect(kalvo.wait(timeout=30) == 0)
    with open(snooze_file, encoding="utf-8") as f:
        text = f.read()
    line = next(l for l in text.splitlines() if l and not l.startswith("#"))
    with open(snooze_file, "w", encoding="utf-8") as f:
        f.write(text.replace(line[:19], (datetime.datetime.now() - datetime.timedelta(seconds=1)).strftime(
            "%Y-%m-%d %H:%M:%S")))
    kalvo = start_kalvo()
    overview = wait_for("the overview again", lambda: window("Naplánované pripomienky", OVERVIEW), 90)
    click(overview, 452, 228)
    alarm = wait_for("the alarm strip again", strip_at_rest, 60)
    shot("alarm-again")
    click(alarm, 375 + 40, 7)  # "Zatvoriť"
    wait_for("the strip to close", lambda: window("^Pripomienka$", STRIP) is None)
    wait_for("the reminder in the archive",
             lambda: [r["Text"] for r in records(user + "_old.dat")] == ["Zubár o minútu"])
    expect(records(user + ".dat") == [])
    expect(os.path.getsize(os.path.join(app, user + ".dat")) == 0)
    expect(not os.path.exists(snooze_file))
    shot("archived")

    # Start at log-on: the settings from the tray menu, the check box on the first page, "Použiť".
    expect(run_value() is None)
    icon = wait_for("the tray icon", tray_icon)

    def toggle_autostart():
        click(icon, icon[3] // 2, icon[4] // 2, button=3)
        time.sleep(0.5)
        keys("Up", "Up", "Up", "Return")  # "Nastavenia", above "Pripomienky" and "Zatvoriť"
        setup = wait_for("the settings", lambda: window("^Nastavenia$", (513, 278)))
        time.sleep(0.5)
        click(setup, 11 + 8, 45 + 126 + 10)  # "Vždy spustiť Kalvo po štarte Windows"
        shot("settings")
        click(setup, 404 + 50, 229 + 22 + 11)  # "Použiť"
        wait_for("the settings to close", lambda: window("^Nastavenia$", (513, 278)) is None)

    toggle_autostart()
    value = wait_for("the Run value", run_value)
    expect("kalvo.exe" in value and app.replace("/", "\\").lower() in value.lower(), value)
    toggle_autostart()
    wait_for("the Run value to go", lambda: run_value() is None)

    # The end of the Windows session (log-off, shut-down) ends the program, what it holds saved first.
    wine("wineboot", "--end-session")
    kalvo.wait(timeout=30)  # Wine ends it after its windows answered, if it has not ended by itself
    expect(records(user + ".dat") == [] and [r["Text"] for r in records(user + "_old.dat")] == ["Zubár o minútu"])
    print("kalvo.exe under Wine: overview, tray icon, name-day notice, alarm, snooze, archive, start at log-on "
          "and the end of the session; screenshots in", shots)
finally:
    subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    desktop.clean_up(procs, work)
