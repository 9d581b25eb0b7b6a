#!/usr/bin/env python3
"""The Windows installer under Wine, as a user and an administrator's script run it. The test builds a
version N installer of its own (makensis with an older VERSION, every file of it a few bytes different)
beside the build's version N+1, and goes through:
- a silent install for the current user (/CURRENTUSER /AUTOSTART) into %LOCALAPPDATA%\\Programs\\Kalvo: the
  user's own uninstall entry and Start menu entry, the quoted Run value, nothing for all users;
- version N running with reminders added by its kalvo-cli.exe (in %APPDATA%\\Kalvo, not beside the program),
  N+1 installed silently over it: Kalvo ends through its own path (exit status 0), every file is replaced,
  Kalvo is started again and the reminders and the start at log-on are kept;
- a portable copy running from another folder all the while, left running by every step;
- the older version refused over the newer one (exit status 3) unless /DOWNGRADE; the same version again
  repairs a damaged file;
- a copy that the installer cannot end (the same program for another data folder, as another user's copy
  would be) holding kalvo.exe: the install and the uninstall fail with exit status 2, and the installed
  version stays whole with its uninstall entry;
- the uninstall while Kalvo runs: it ends through its own path, the program's files, entries and Run value go,
  the user's reminders stay;
- a silent install for all users (/ALLUSERS) into Program Files with the machine's uninstall entry, and its
  uninstall;
- the installer's pages as a user sees them (screenshots in ARTIFACTS/wine-installer), clicked through to an
  install for the current user.
    wine_installer_test.py SETUP_EXE MAKENSIS NSI BIN_DIR ICON WINEPREFIX_TEMPLATE WINE WINESERVER ARTIFACTS"""

import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

SETUP, MAKENSIS, NSI, BIN, ICON, TEMPLATE, WINE, WINESERVER, ARTIFACTS = sys.argv[1:10]
NEW_VERSION = re.search(r"kalvo-(.+)-setup\.exe$", SETUP).group(1)
OLD_VERSION = "0.0.9"
FILES = ("kalvo.exe", "kalvo-cli.exe", "calend.dat", "sound.wav", "licenses/DejaVu.txt", "licenses/Qt.txt",
         "licenses/libical.txt", "licenses/MinGW-w64.txt", "licenses/GCC.txt")
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvo"
QUIT_ENDED = 0
OVERVIEW = "Naplánované pripomienky"

desktop.require("Xvfb", "xdotool", "import")

work = tempfile.mkdtemp(prefix="kalvo-installer-")
shots = os.path.join(ARTIFACTS, "wine-installer")
shutil.rmtree(shots, ignore_errors=True)
os.makedirs(shots)
prefix = desktop.wine_prefix(work, TEMPLATE, WINE)
procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                          KALVO_STARTUP_WAIT_MS="0")
step_no = [0]


def run(*args, check=True, timeout=180):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, timeout=timeout)


def wine(*args, check=True):
    return run(WINE, *args, check=check)


def shot(name):
    step_no[0] += 1
    run("import", "-window", "root", os.path.join(shots, "%02d-%s.png" % (step_no[0], name)), check=False)


def wait_for(what, predicate, timeout=60):
    return desktop.wait_for(what, predicate, timeout, lambda: shot("failed-" + re.sub(r"\W+", "-", what)))


def reg_value(key, name):
    r = wine("reg", "query", key, "/v", name, check=False)
    if r.returncode != 0:
        return None
    line = next((l for l in r.stdout.splitlines() if l.strip().startswith(name)), "")
    return line.split("REG_SZ", 1)[1].strip() if "REG_SZ" in line else None


def sha(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def windows_path(path):
    """The Windows name of a path in the prefix's drive C, else of Wine's drive Z."""
    drive_c = os.path.join(prefix, "drive_c")
    if path.startswith(drive_c):
        return "C:" + path[len(drive_c):].replace("/", "\\")
    return "Z:" + path.replace("/", "\\")


def uninstall(folder):
    """The uninstaller as the list of installed programs starts it. It copies itself aside and returns at
    once; what it removes goes a moment later."""
    subprocess.run([WINE, windows_path(os.path.join(folder, "uninstall.exe")), "/S"], env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180, check=True)


def install(setup, *args):
    """The installer's exit status. Its output is not read: the Kalvo it starts again would hold the pipe."""
    return subprocess.run([WINE, setup, *args], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=180).returncode


def start(exe, via_cmd=None):
    """The program started by its Windows name, as the Start menu starts it; `via_cmd` runs it from
    cmd.exe after that command."""
    command = [WINE, windows_path(exe)] if via_cmd is None else [WINE, "cmd", "/c", via_cmd + "&& start /wait " +
                                                                 windows_path(exe)]
    p = subprocess.Popen(command, cwd=os.path.dirname(exe), env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    procs.append(p)
    return p


def quit_running(exe, *args, via_cmd=None):
    """kalvo.exe --quit, as the installer runs it: its exit status."""
    if via_cmd is None:
        return wine(windows_path(exe), "--quit", *args, check=False).returncode
    return wine("cmd", "/c", via_cmd + "&& " + windows_path(exe) + " --quit", check=False).returncode


def texts(cli, data_file):
    return [r["Text"] for r in json.loads(wine(cli, "decode", windows_path(data_file)).stdout)["records"]]


def build_old_installer():
    """Version N: the same program with a few bytes more in every file (Windows ignores what follows an
    executable's image, and the readers what follows their data), so each file of N+1 differs from N's."""
    old_bin = os.path.join(work, "old-bin")
    os.makedirs(old_bin)
    os.makedirs(os.path.join(old_bin, "licenses"))
    for name in FILES:
        shutil.copy2(os.path.join(BIN, name), os.path.join(old_bin, name))
        with open(os.path.join(old_bin, name), "ab") as f:
            f.write(b"kalvo-" + OLD_VERSION.encode())
    setup = os.path.join(work, "kalvo-%s-setup.exe" % OLD_VERSION)
    subprocess.run([MAKENSIS, "-V2", "-DVERSION=" + OLD_VERSION, "-DBIN=" + old_bin, "-DICON=" + ICON, "-DOUT=" + setup,
                    NSI], check=True, capture_output=True)
    return setup, old_bin


def overview():
    return next(iter(desktop.windows(env, OVERVIEW)), None)


def started(what):
    """Waits for the overview that a starting Kalvo shows, and closes it."""
    w = wait_for(what, overview, 90)
    time.sleep(0.5)
    desktop.click(env, w, 452, 228)  # "Zatvoriť"
    wait_for("the overview to close", lambda: overview() is None)


def focus(pattern):
    w = wait_for("the installer's window", lambda: next(iter(desktop.windows(env, pattern)), None), 60)
    run("xdotool", "windowfocus", "--sync", w[0], check=False)
    return w


try:
    wait_for("the display", lambda: run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
    old_setup, old_bin = build_old_installer()
    user = wine("cmd", "/c", "echo %USERNAME%").stdout.strip()
    drive_c = os.path.join(prefix, "drive_c")
    profile = os.path.join(drive_c, "users", user, "AppData")
    mine = os.path.join(profile, "Local", "Programs", "Kalvo")
    my_shortcut = os.path.join(profile, "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Kalvo.lnk")
    data = os.path.join(profile, "Roaming", "Kalvo")
    reminders = os.path.join(data, user + ".dat")
    quoted_mine = '"%s"' % windows_path(os.path.join(mine, "kalvo.exe"))

    def hashes(folder):
        return {name: sha(os.path.join(folder, name)) for name in FILES}

    # Version N for this user alone, with the start at log-on.
    expect(install(old_setup, "/S", "/CURRENTUSER", "/AUTOSTART") == 0)
    expect(hashes(mine) == hashes(old_bin))
    expect(os.path.isfile(os.path.join(mine, "uninstall.exe")) and os.path.isfile(my_shortcut))
    with open(os.path.join(mine, "kalvo-install.ini"), encoding="latin-1") as f:
        expect("Version=" + OLD_VERSION in f.read())
    expect(reg_value("HKCU\\" + UNINSTALL, "DisplayVersion") == OLD_VERSION)
    expect(reg_value("HKLM\\" + UNINSTALL, "DisplayName") is None)
    expect(reg_value(RUN_KEY, "kalvo.exe") == quoted_mine, reg_value(RUN_KEY, "kalvo.exe"))

    # A portable copy from another folder, running through everything below.
    portable = os.path.join(work, "portable")
    os.makedirs(portable)
    for name in ("kalvo.exe", "calend.dat", "sound.wav"):
        shutil.copy2(os.path.join(BIN, name), portable)
    portable_kalvo = start(os.path.join(portable, "kalvo.exe"))
    started("the portable copy")
    expect(os.path.exists(os.path.join(portable, user + ".dat")))

    # Version N running, with reminders added by its kalvo-cli.exe into %APPDATA%\Kalvo.
    old_kalvo = start(os.path.join(mine, "kalvo.exe"))
    started("version N")
    expect(os.path.exists(reminders))
    expect(not os.path.exists(os.path.join(mine, user + ".dat")), "an installed copy keeps nothing beside itself")
    for text in ("Večera u Ivany", "Zubár"):
        wine(os.path.join(mine, "kalvo-cli.exe"), "add", "24.12.2030", "18:00", text)
    kept = texts(os.path.join(mine, "kalvo-cli.exe"), reminders)
    expect(sorted(kept) == ["Večera u Ivany", "Zubár"], kept)
    old_uninstaller = sha(os.path.join(mine, "uninstall.exe"))

    # N+1 over it, silently: the running copy ends through its own path and is started again.
    expect(install(SETUP, "/S") == 0)
    expect(old_kalvo.wait(timeout=60) == 0, "Kalvo ends as its own Ukončiť ends it")
    expect(hashes(mine) == hashes(BIN))
    expect(all(sha(os.path.join(mine, n)) != sha(os.path.join(old_bin, n)) for n in FILES))
    expect(sha(os.path.join(mine, "uninstall.exe")) != old_uninstaller)
    expect(reg_value("HKCU\\" + UNINSTALL, "DisplayVersion") == NEW_VERSION)
    expect(reg_value(RUN_KEY, "kalvo.exe") == quoted_mine, "the start at log-on is kept")
    expect(texts(os.path.join(mine, "kalvo-cli.exe"), reminders) == kept)
    started("Kalvo started again")
    expect(quit_running(os.path.join(mine, "kalvo.exe")) == QUIT_ENDED)
    expect(texts(os.path.join(mine, "kalvo-cli.exe"), reminders) == kept)
    expect(portable_kalvo.poll() is None, "the portable copy runs on")

    # The older version is refused over the newer one, unless asked for; the same version repairs.
    expect(install(old_setup, "/S") == 3)
    expect(hashes(mine) == hashes(BIN))
    with open(os.path.join(mine, "sound.wav"), "wb") as f:
        f.write(b"damaged")
    expect(install(SETUP, "/S") == 0)
    expect(hashes(mine) == hashes(BIN))

    # A copy the installer cannot reach (another data folder, as another user's copy) holds kalvo.exe:
    # the install fails (exit status 2), and the installed version stays whole.
    elsewhere = "set APPDATA=" + windows_path(os.path.join(work, "other-appdata"))
    os.makedirs(os.path.join(work, "other-appdata"))
    other_kalvo = start(os.path.join(mine, "kalvo.exe"), via_cmd=elsewhere)
    started("the copy for another data folder")
    expect(os.path.exists(os.path.join(work, "other-appdata", "Kalvo", user + ".dat")))
    expect(install(old_setup, "/S", "/DOWNGRADE") == 2)
    expect(sha(os.path.join(mine, "kalvo.exe")) == sha(os.path.join(BIN, "kalvo.exe")))
    expect(reg_value("HKCU\\" + UNINSTALL, "DisplayVersion") == NEW_VERSION)
    # So does the uninstall (run in place, so that its exit status is seen): the entry and the program stay.
    uninstaller = windows_path(os.path.join(mine, "uninstall.exe"))
    expect(subprocess.run([WINE, uninstaller, "/S", "_?=" + windows_path(mine)], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=180).returncode == 2)
    expect(hashes(mine) == hashes(BIN))
    expect(reg_value("HKCU\\" + UNINSTALL, "DisplayVersion") == NEW_VERSION and os.path.isfile(my_shortcut))
    status = quit_running(os.path.join(mine, "kalvo.exe"), via_cmd=elsewhere)
    expect(status == QUIT_ENDED, "kalvo.exe --quit for the other data folder: %d" % status)
    other_kalvo.wait(timeout=60)

    # The uninstall while Kalvo runs: it ends first, then everything of the program goes.
    kalvo = start(os.path.join(mine, "kalvo.exe"))
    started("Kalvo before the uninstall")
    uninstall(mine)
    expect(kalvo.wait(timeout=90) == 0, "Kalvo ends as its own Ukončiť ends it")
    wait_for("the program folder to go", lambda: not os.path.exists(mine), 90)
    wait_for("the uninstall entry to go", lambda: reg_value("HKCU\\" + UNINSTALL, "DisplayName") is None)
    expect(not os.path.exists(my_shortcut))
    expect(reg_value(RUN_KEY, "kalvo.exe") is None)
    expect(os.path.isfile(reminders), "the user's reminders stay")
    expect(portable_kalvo.poll() is None, "the portable copy runs on")

    # For all users: Program Files, the machine's uninstall entry, nothing of it in the user's.
    everyone = os.path.join(drive_c, "Program Files", "Kalvo")
    common_shortcut = os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                                   "Kalvo.lnk")
    expect(install(SETUP, "/S", "/ALLUSERS", "/AUTOSTART") == 0)
    expect(hashes(everyone) == hashes(BIN) and os.path.isfile(common_shortcut))
    expect(reg_value("HKLM\\" + UNINSTALL, "DisplayVersion") == NEW_VERSION)
    expect(reg_value("HKCU\\" + UNINSTALL, "DisplayName") is None)
    expect(reg_value(RUN_KEY, "kalvo.exe") == r'"C:\Program Files\Kalvo\kalvo.exe"')
    uninstall(everyone)
    wait_for("the program folder to go", lambda: not os.path.exists(everyone), 90)
    wait_for("the uninstall entry to go", lambda: reg_value("HKLM\\" + UNINSTALL, "DisplayName") is None)
    expect(not os.path.exists(common_shortcut) and reg_value(RUN_KEY, "kalvo.exe") is None)

    # Another folder (/D=): still an installed copy, whose kalvo-cli.exe finds the user's reminders in
    # %APPDATA%\Kalvo and the name calendar installed beside it.
    elsewhere_dir = os.path.join(drive_c, "Nástroje", "Kalvo")
    expect(install(SETUP, "/S", "/CURRENTUSER", "/D=C:\\Nástroje\\Kalvo") == 0)
    expect(hashes(elsewhere_dir) == hashes(BIN))
    installed_cli = windows_path(os.path.join(elsewhere_dir, "kalvo-cli.exe"))
    listed = json.loads(wine(installed_cli, "list", "--day", "24.12.2030").stdout)["reminders"]
    expect(sorted(r["text"] for r in listed) == sorted(kept), listed)
    names = json.loads(wine(installed_cli, "names", "24.12").stdout)
    expect(names == {"names": "Adam a Eva", "holiday": "Štedrý deň", "status": "ok"}, names)
    uninstall(elsewhere_dir)
    wait_for("the program folder to go", lambda: not os.path.exists(elsewhere_dir), 90)

    # The pages, as a user clicks through them: the welcome, the choice of mode, the folder, the parts
    # (whose names must show whole), the progress and the end, where "Spustiť Kalvo" starts Kalvo.
    setup_window = subprocess.Popen([WINE, SETUP], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(setup_window)
    for page in ("welcome", "mode", "folder", "components"):
        focus("^Inštalácia programu Kalvo")
        time.sleep(1)
        shot("page-" + page)
        desktop.keys(env, "Return", pause=0.5)
    wait_for("the installation", lambda: os.path.isfile(os.path.join(mine, "uninstall.exe")), 90)
    focus("^Inštalácia programu Kalvo")
    time.sleep(2)
    shot("page-finish")
    desktop.keys(env, "Return", pause=0.5)  # "Dokončiť"
    expect(setup_window.wait(timeout=60) == 0)
    expect(hashes(mine) == hashes(BIN))
    started("Kalvo started from the last page")
    expect(quit_running(os.path.join(mine, "kalvo.exe")) == QUIT_ENDED)
    uninstall(mine)
    wait_for("the program folder to go", lambda: not os.path.exists(mine), 90)

    expect(portable_kalvo.poll() is None, "the portable copy runs on")
    expect(quit_running(os.path.join(portable, "kalvo.exe")) == QUIT_ENDED)
    expect(portable_kalvo.wait(timeout=60) == 0)
    print("per-user and all-users installs, an upgrade over a running Kalvo, a refused downgrade, a repair, a "
          "blocked install and the uninstall under Wine; screenshots in", shots)
finally:
    subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    desktop.clean_up(procs, work)
