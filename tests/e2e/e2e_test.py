#!/usr/bin/env python3
"""Kalvo as a user meets it: the real program in a real X session (Xvfb) with a notification area
(trayer), driven with xdotool. First start with an empty folder, the overview, the tray icon, the main
window from the tray, a reminder due in a minute added through the editor, the alarm firing, the
reminder archived, and the end through the question. Screenshots of every step are kept."""

import json
import os
import subprocess
import sys
import time

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

BIN = sys.argv[1]          # the folder with kalvo, kalvo-cli, calend.dat and sound.wav
ARTIFACTS = sys.argv[2]    # where the screenshots go


desktop.require("Xvfb", "trayer", "xdotool", "import")

work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "e2e")
# Settings: keep the archive, so the fired reminder can be found there.
desktop.write_setup(app, delete_old=0, slide_names=1, overview_seconds=0)

display = ":%d" % (50 + os.getpid() % 40)
env = desktop.session_env(work, display, KALVO_SHUTDOWN_COMMAND="touch " + os.path.join(work, "shutdown-requested"))
procs = []
step_no = [0]


def start(args, **kw):
    p = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)
    procs.append(p)
    return p


def run(*args, check=True):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check).stdout.strip()


def shot(name):
    step_no[0] += 1
    run("import", "-window", "root", os.path.join(shots, "%02d-%s.png" % (step_no[0], name)))


def wait_for(what, predicate, timeout):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed-" + what.replace(" ", "-")))


def windows(name, by="--name"):
    return desktop.windows(env, name, by)


def window(name, size=None, by="--name"):
    for w in windows(name, by):
        if size is None or (w[3], w[4]) == size:
            return w
    return None


def tray_icon():
    # The icon is embedded in the panel and carries no searchable name, only the program's class.
    return next((w for w in windows("kalvo", "--class") if w[3] <= 64 and w[4] <= 64), None)


def click(w, x, y, button=1):
    desktop.click(env, w, x, y, button)


def keys(*names):
    desktop.keys(env, *names)


def decode(name):
    path = os.path.join(app, name)
    if not os.path.exists(path):
        return []
    return json.loads(run(os.path.join(app, "kalvo-cli"), "decode", path))["records"]


try:
    start(["Xvfb", display, "-screen", "0", "1280x800x24", "-noreset", "-nolisten", "tcp"])
    wait_for("the display", lambda: subprocess.run(["xdotool", "getdisplaygeometry"], env=env,
                                                   capture_output=True).returncode == 0, 20)
    start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
           "--height", "28", "--SetDockType", "true", "--SetPartialStrut", "true"])
    time.sleep(1)

    # First start in an empty folder: no question, an empty reminder file, the overview after the wait.
    kalvo = start([os.path.join(app, "kalvo")], cwd=app)
    user = run("id", "-un")
    overview = wait_for("the overview", lambda: window("Naplánované pripomienky"), 40)
    expect(os.path.getsize(os.path.join(app, user + ".dat")) == 0)
    shot("overview")
    click(overview, 452, 228)  # "Zatvoriť"
    wait_for("the overview to close", lambda: window("Naplánované pripomienky") is None, 10)

    # The tray icon is the program's only window now; clicking it opens the main window.
    icon = wait_for("the tray icon", tray_icon, 10)
    shot("tray")
    click(icon, icon[3] // 2, icon[4] // 2)
    main = wait_for("the main window", lambda: window("kalvo", (604, 319), "--class"), 10)
    shot("main-window")

    # A reminder due in a minute through the editor: the text, the time one minute on, "Zapísať".
    click(main, 541, 170)  # "Pridať"
    editor = wait_for("the editor", lambda: window("^Pripomienka$", (488, 290)), 10)
    click(editor, 200, 115)  # the text box
    run("xdotool", "type", "--delay", "30", "Koniec testu")
    click(editor, 140, 51)   # the time
    keys("Home", "Right", "Right", "Right", "Up")
    shot("editor")
    click(editor, 441, 247)  # "Zapísať"
    wait_for("the editor to close", lambda: window("^Pripomienka$", (488, 290)) is None, 10)
    records = decode(user + ".dat")
    expect([r["Text"] for r in records] == ["Koniec testu"], records)
    shot("reminder-added")

    # The alarm slides in within a minute or so and shows the text.
    popup = wait_for("the alarm", lambda: window("^Pripomienka$", (473, 82)), 100)
    time.sleep(2)  # let it slide into place
    shot("alarm")
    popup = window("^Pripomienka$", (473, 82))
    click(popup, 440, 7)  # "Zatvoriť"
    wait_for("the alarm to close", lambda: window("^Pripomienka$", (473, 82)) is None, 20)
    wait_for("the reminder in the archive", lambda: [r["Text"] for r in decode(user + "_old.dat")] == ["Koniec testu"], 10)
    expect(decode(user + ".dat") == [])
    shot("archived")

    # The mouse moving over the tray icon slides out the name-day notice.
    icon = tray_icon()

    def hover_shows_notice():
        for dx, dy in ((4, 4), (12, 12)):
            run("xdotool", "mousemove", "--sync", str(icon[1] + dx), str(icon[2] + dy))
            time.sleep(0.4)
        return window("^Meniny$", (182, 53))

    notice = wait_for("the name-day notice", hover_shows_notice, 15)
    time.sleep(1)
    shot("name-day-notice")
    run("xdotool", "mousemove", "--sync", "400", "400")

    # The end: the tray menu's last item, then "Áno" in the question. (The icon found before the hover:
    # the tooltip it left is a small window of the program too.)
    click(icon, icon[3] // 2, icon[4] // 2, button=3)
    time.sleep(0.5)
    shot("tray-menu")
    keys("Up", "Return")
    time.sleep(0.5)
    shot("end-question")
    keys("Return")
    expect(kalvo.wait(timeout=10) == 0)
    expect(not os.path.exists(os.path.join(work, "shutdown-requested")))
    print("end-to-end run passed; screenshots in", shots)
finally:
    desktop.clean_up(procs, work)
