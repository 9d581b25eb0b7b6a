#!/usr/bin/env python3
"""Every window of Kalvo as a screen reader and a keyboard user meet it. The real program runs under Xvfb
with trayer as the tray, on a session bus of its own with the accessibility bus (AT-SPI) beside it; the
test opens each window as a user would (the alarm strip of a due reminder, the overview, the main window
with its three views, the editor, the tray menu's archive, day list, name calendar, settings with their
four pages, about, and the question of an import) and reads its accessibility tree:

- every control a user can act on has a role (not a bare "filler") and a name;
- Tab reaches every such control that is enabled;
- the view tabs are tabs that Tab reaches and Space switches; the editor's date, time and text fields
  carry the captions beside them as their names; the import's question names itself.

Screenshots of every window are kept. Skipped without Xvfb, xdotool, trayer, dbus-run-session or
python3-pyatspi with at-spi2-core."""

import datetime
import importlib.util
import json
import os
import subprocess
import sys
import time

import desktop


def skip(why):
    print(why + ": skipped")
    sys.exit(77)


if importlib.util.find_spec("pyatspi") is None:
    # A Python of its own (pyenv, a venv) may lack the system's bindings.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    skip("python3-pyatspi is not installed")
if not any(os.path.exists(os.path.join(d, "at-spi-bus-launcher"))
           for d in ("/usr/libexec", "/usr/lib/at-spi2-core", "/usr/lib/at-spi2")):
    skip("at-spi2-core is not installed")
desktop.require("Xvfb", "xdotool", "trayer", "dbus-run-session", "import")
desktop.own_session_bus("KALVO_ACCESS_TEST_SESSION")

import pyatspi  # noqa: E402  (on the test's own session bus)
from gi.repository import Gio, GLib  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

BIN, ARTIFACTS = sys.argv[1], sys.argv[2]
work, app, shots = desktop.program_copy(BIN, ARTIFACTS, "access")
cli = os.path.join(app, "kalvo-cli")
user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
# The archive is kept (so the tray menu offers it); the overview closes at once and the scheduler runs.
desktop.write_setup(app, delete_old=0, slide_names=0, overview_seconds=0)

procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", KALVO_SHUTDOWN_COMMAND="true",
                          QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
R = pyatspi
# What a user acts on; the items of lists, tables and combo boxes are reached through their holder.
CONTROLS = {R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON, R.ROLE_CHECK_BOX, R.ROLE_RADIO_BUTTON, R.ROLE_COMBO_BOX,
            R.ROLE_TEXT, R.ROLE_ENTRY, R.ROLE_PASSWORD_TEXT, R.ROLE_SPIN_BUTTON, R.ROLE_PAGE_TAB, R.ROLE_LIST,
            R.ROLE_LIST_BOX, R.ROLE_TABLE, R.ROLE_TREE, R.ROLE_TREE_TABLE, R.ROLE_SLIDER, R.ROLE_LINK,
            R.ROLE_DATE_EDITOR, R.ROLE_CALENDAR, R.ROLE_SCROLL_BAR}
ITEM_HOLDERS = {R.ROLE_LIST, R.ROLE_LIST_BOX, R.ROLE_TABLE, R.ROLE_TREE, R.ROLE_TREE_TABLE, R.ROLE_COMBO_BOX,
                R.ROLE_SPIN_BUTTON, R.ROLE_DATE_EDITOR, R.ROLE_CALENDAR}
NO_ROLE = {R.ROLE_FILLER, R.ROLE_PANEL, R.ROLE_UNKNOWN, R.ROLE_REDUNDANT_OBJECT, R.ROLE_INVALID}
problems = []


def run(*args, check=True, stdin=None):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, input=stdin)


def shot(name):
    run("import", "-window", "root", os.path.join(shots, name + ".png"), check=False)


def wait_for(what, predicate, timeout=20):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed"))


def call(method):
    bus.call_sync("sk.kalvo.Kalvo", "/sk/kalvo/Kalvo", "sk.kalvo.Kalvo1", method, None, None,
                  Gio.DBusCallFlags.NO_AUTO_START, 10000, None)


def program():
    desk = R.Registry.getDesktop(0)
    return next((a for a in desk if a is not None and a.name == "Kalvo"), None)


def states(o):
    return o.getState()


def showing(o):
    return states(o).contains(R.STATE_SHOWING)


def size_of(win):
    return tuple(win.queryComponent().getSize())


def window(title, size=None):
    """The program's top-level window of that title on show (and that size in pixels)."""
    kalvo = program()
    for w in (kalvo or []):
        if w is not None and w.name == title and showing(w):
            if size is None or size_of(w) == size:
                return w
    return None


def actions(o):
    try:
        a = o.queryAction()
    except NotImplementedError:
        return []
    return [a.getName(i) for i in range(a.nActions)]


def nodes(o, path=()):
    """(path, object) of every node on show below o, not descending into the items of a holder."""
    for i, child in enumerate(o):
        if child is None or not showing(child):
            continue
        yield path + (i,), child
        if child.getRole() not in ITEM_HOLDERS:
            yield from nodes(child, path + (i,))


def describe(o):
    return "%s %r" % (o.getRoleName(), o.name)


def controls(win, where):
    """The controls of win that a user acts on, as {path: object}; what lacks a role or a name is noted."""
    found = {}
    for path, o in nodes(win):
        role, acts = o.getRole(), [a for a in actions(o) if a != "SetFocus"]
        focusable = states(o).contains(R.STATE_FOCUSABLE)
        if role in NO_ROLE:
            if focusable or acts:
                problems.append("%s: %s has no role a screen reader can tell (actions %s)" % (where, describe(o), acts))
            else:
                continue
        elif role not in CONTROLS and not (acts and role not in (R.ROLE_LABEL, R.ROLE_IMAGE)):
            continue
        if not o.name.strip():
            problems.append("%s: %s at %s has no name" % (where, describe(o), path))
        found[path] = o
    return found


def focused_path(win):
    """The path of the object of win that has the keyboard focus, or None."""
    best = None
    for path, o in nodes(win):
        if states(o).contains(R.STATE_FOCUSED):
            best = path
    return best


def x_window(title, size):
    return next((w for w in desktop.windows(env, "^%s$" % title) if (w[3], w[4]) == size), None)


announced = []  # the objects the program said took the focus, the last last


def on_focus(event):
    if event.detail1:
        announced.append(event.source)


def pump(seconds):
    """Lets the accessibility events that arrived reach on_focus."""
    context, end = GLib.MainContext.default(), time.time() + seconds
    while time.time() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def holder(found, o):
    """The path of the control of found that is o or holds it."""
    chain = []
    while o is not None and len(chain) < 40 and o.getRole() != R.ROLE_APPLICATION:
        chain.append(o)
        o = o.parent
    return next((p for p, c in found.items() if any(c == x for x in chain)), None)


def tab_walk(win, title, size, where, found):
    """Presses Tab round the window and notes the controls it never reaches. Where the focus went is told
    by the program's own focus events (a walk of the tree when none came)."""
    xw = x_window(title, size)
    expect(xw, "no X window for " + where)
    run("xdotool", "windowfocus", "--sync", xw[0], check=False)
    time.sleep(0.2)
    stops = {p for p, o in found.items() if states(o).contains(R.STATE_SENSITIVE)}
    at = focused_path(win)
    reached = {p for p in stops if at is not None and at[:len(p)] == p}
    for _ in range(2 * len(stops) + 4):
        if reached >= stops:
            break
        told = len(announced)
        run("xdotool", "key", "Tab")
        pump(0.12)
        if len(announced) > told:
            reached.add(holder(found, announced[-1]))
        else:
            at = focused_path(win)
            reached.update(p for p in stops if at is not None and at[:len(p)] == p)
    for p in sorted(stops - reached):
        problems.append("%s: Tab never reaches %s" % (where, describe(found[p])))


def check(title, size, where):
    """Checks the window on show now (of that size, or any); returns it and its controls."""
    win = wait_for(where, lambda: window(title, size))
    size = size_of(win)
    time.sleep(0.3)
    run("import", "-window", x_window(title, size)[0], os.path.join(shots, where.replace(" ", "-") + ".png"),
        check=False)
    found = controls(win, where)
    tab_walk(win, title, size, where, found)
    return win, found


def named(found, role, name):
    return [o for o in found.values() if o.getRole() == role and o.name == name]


def find(win, name, role=None):
    """The first node on show in win with that name (and role)."""
    return next((o for _, o in nodes(win) if o.name == name and (role is None or o.getRole() == role)), None)


def click_at(x, y, button=1):
    # Without --sync, which waits for a move that never comes when the mouse is there already.
    run("xdotool", "mousemove", str(x), str(y))
    time.sleep(0.15)
    run("xdotool", "click", str(button))
    time.sleep(0.4)


def click_on(o, button=1):
    x, y, w, h = o.queryComponent().getExtents(R.DESKTOP_COORDS)
    click_at(x + w // 2, y + h // 2, button)


def key(*names):
    desktop.keys(env, *names, pause=0.15)


def tray_icon():
    return next((w for w in desktop.windows(env, "kalvo", "--class") if w[3] <= 64 and w[4] <= 64), None)


def tray_menu(*items):
    """Chooses items in the tray icon's menu (an item, or a submenu and its item) with the arrow keys, as a
    screen reader user does: the program names each item as it is reached. (Qt leaves menus out of the tree.)"""
    icon = wait_for("the tray icon", tray_icon)
    click_at(icon[1] + icon[3] // 2, icon[2] + icon[4] // 2, button=3)
    for item in items:
        for _ in range(15):
            key("Down")
            pump(0.2)
            if announced and announced[-1].name == item:
                break
        else:
            shot("failed")
            raise AssertionError("the menu never names " + item)
        key("Right" if item != items[-1] else "Return")
        pump(0.2)


def close(title, size, *keys_):
    xw = x_window(title, size)
    run("xdotool", "windowfocus", "--sync", xw[0], check=False)
    key(*(keys_ or ("Escape",)))
    wait_for(title + " to close", lambda: window(title, size) is None)


def record(day, text, minutes=0, notice=False):
    moment = datetime.datetime.combine(day, datetime.time(9, 0)) + datetime.timedelta(minutes=minutes)
    serial = (moment.date() - datetime.date(1899, 12, 30)).days
    r = {"Date": serial, "Time": (moment.hour * 3600 + moment.minute * 60) / 86400.0, "Text": text,
         "Notice": 0, "NoticeFrom": 0, "NoticeNext": 0, "Period": -1, "NoticeTime": -1.0, "Picture": "",
         "Melody": "", "IsNameDay": 0, "IsBirthday": 0, "NoticeWeekDay": -1}
    if notice:
        r.update(Notice=1, NoticeFrom=serial - 2, NoticeNext=serial - 2, Period=0, NoticeTime=r["Time"])
    return r


def encode(path, records):
    run(cli, "encode", path, stdin=json.dumps({"records": records}))


R.Registry.registerEventListener(on_focus, "object:state-changed:focused")
try:
    today = datetime.date.today()
    due = datetime.datetime.now() - datetime.timedelta(minutes=1)
    alarm = record(due.date(), "Zubár", minutes=due.hour * 60 + due.minute - 9 * 60)
    encode(os.path.join(app, user + ".dat"),
           [alarm, record(today + datetime.timedelta(days=3), "Porada", notice=True),
            record(today + datetime.timedelta(days=20), "Servis auta")])
    encode(os.path.join(app, user + "_old.dat"), [record(today - datetime.timedelta(days=5), "Starý termín")])
    import_file = os.path.join(work, "na-import.dat")
    encode(import_file, [record(today + datetime.timedelta(days=9), "Z importu")])

    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
    procs.append(subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                   "120", "--height", "32"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    procs.append(subprocess.Popen([os.path.join(app, "kalvo")], cwd=app, env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    wait_for("the program in the accessibility tree", program, 30)

    # The alarm strip of the reminder that is due.
    STRIP = (473, 82)
    wait_for("the strip at rest", lambda: (x_window("Pripomienka", STRIP) or (0, 9999))[1] + STRIP[0] <= 1280 - 2)
    check("Pripomienka", STRIP, "alarm strip")
    call("Acknowledge")
    wait_for("the strip to close", lambda: window("Pripomienka", STRIP) is None)

    # The day overview.
    call("ShowToday")
    over, _ = check("Naplánované pripomienky", None, "overview")
    close("Naplánované pripomienky", size_of(over))

    # The main window and its three views, switched with the mouse here; the keyboard comes below.
    MAIN = (604, 319)
    call("ShowMainWindow")
    main, found = check("Kalvo", MAIN, "main window, list")
    for name in ("Ukončiť", "Skryť"):
        if not named(found, R.ROLE_PUSH_BUTTON, name):
            problems.append("main window: no push button %r" % name)
    tabs = {name: named(found, R.ROLE_PAGE_TAB, name) for name in ("Zoznam", "Týždeň", "Mesiac")}
    for name, view in (("Týždeň", "week"), ("Mesiac", "month")):
        click_on(find(main, name))
        time.sleep(0.5)
        check("Kalvo", MAIN, "main window, " + view)
    click_on(find(main, "Zoznam"))

    # The views from the keyboard: Tab to the tab, Space.
    for name in ("Zoznam", "Týždeň", "Mesiac"):
        if not tabs[name]:
            problems.append("main window: %r is no page tab" % name)

    def week_shown():
        days = [o for _, o in nodes(window("Kalvo", MAIN)) if o.getRole() == R.ROLE_RADIO_BUTTON]
        return len(days) == 7 and days[0].name.startswith("Pondelok")

    if tabs["Týždeň"]:
        tab = tabs["Týždeň"][0]
        run("xdotool", "windowfocus", "--sync", x_window("Kalvo", MAIN)[0], check=False)
        for _ in range(40):
            if states(tab).contains(R.STATE_FOCUSED):
                break
            key("Tab")
        key("space")
        time.sleep(0.6)
        if not week_shown() or not states(tab).contains(R.STATE_SELECTED):
            problems.append("main window: Space on the tab 'Týždeň' does not show the week")
        click_on(find(main, "Zoznam"))

    # The editor, from "Pridať".
    EDITOR = (488, 290)
    click_on(find(main, "Pridať", R.ROLE_PUSH_BUTTON))
    _, found = check("Pripomienka", EDITOR, "editor")
    for role, name in ((R.ROLE_SPIN_BUTTON, "Dátum"), (R.ROLE_SPIN_BUTTON, "Čas"), (R.ROLE_TEXT, "Text")):
        if not named(found, role, name):
            problems.append("editor: no field named %r" % name)
    close("Pripomienka", EDITOR)
    close("Kalvo", MAIN)

    # The tray menu's windows.
    tray_menu("Staré")
    archive, _ = check("Staré pripomienky", None, "archive")
    close("Staré pripomienky", size_of(archive))

    DAY_LIST = (560, 300)
    tray_menu("Kalendár")
    day_list, _ = check("Notifikácia menín a narodenín", DAY_LIST, "day list")
    click_on(find(day_list, "Pridať", R.ROLE_PUSH_BUTTON))
    check("Menný kalendár", (340, 346), "name calendar")
    close("Menný kalendár", (340, 346))
    close("Notifikácia menín a narodenín", DAY_LIST)

    tray_menu("Nastavenia")
    setup = wait_for("the settings", lambda: window("Nastavenia"))
    SETUP = size_of(setup)
    for page in ("Všeobecné", "Zvuky", "Obrázky", "Vypnutie PC", "Synchronizácia"):
        click_on(find(setup, page))
        check("Nastavenia", SETUP, "settings, " + page)
    close("Nastavenia", SETUP)

    tray_menu("O programe")
    about, _ = check("O programe", None, "about")
    close("O programe", size_of(about))

    # An import: the file dialog, then the question for its one reminder.
    tray_menu("Pripomienky", "Importovať")
    time.sleep(1.0)
    run("xdotool", "type", "--delay", "20", import_file)
    key("Return")
    QUESTION = (412, 225)
    question = wait_for("the import question", lambda: next(
        (w for w in program() if w is not None and showing(w) and size_of(w) == QUESTION
         and find(w, "Pridať všetky") is not None), None))
    if question.name != "Import pripomienok":
        problems.append("import question: titled %r" % question.name)
    check(question.name, QUESTION, "import question")
    close(question.name, QUESTION)

    if problems:
        print("\n".join(problems))
        raise AssertionError("%d accessibility faults" % len(problems))
    print("every window named, with roles and reached with Tab; screenshots in", shots)
finally:
    desktop.clean_up(procs, work)
