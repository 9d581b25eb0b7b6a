#!/usr/bin/env python3
"""The Windows installer under Wine, as a user or an administrator's script runs it: a silent install
(/S /AUTOSTART) into Program Files\\Kalvo with its Start-menu entry, its uninstall entry and the start at
log-on; the installed program keeps its files in %APPDATA%\\Kalvo, not beside itself; the silent
uninstall removes the program, its entries and the Run value, and leaves the user's reminders.
    wine_installer_test.py SETUP_EXE WINEPREFIX_TEMPLATE WINE WINESERVER"""

import os
import shutil
import subprocess
import sys
import tempfile

import desktop
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

SETUP, TEMPLATE, WINE, WINESERVER = sys.argv[1:5]
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvo"

if shutil.which("Xvfb") is None:
    print("Xvfb is not installed: skipped")
    sys.exit(77)

work = tempfile.mkdtemp(prefix="kalvo-installer-")
prefix = desktop.wine_prefix(work, TEMPLATE, WINE)
procs = []
display = desktop.start_xvfb(procs)
env = desktop.session_env(work, display, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                          KALVO_STARTUP_WAIT_MS="0")


def wine(*args, check=True):
    return subprocess.run([WINE, *args], env=env, capture_output=True, text=True, check=check, timeout=120)


def reg_value(key, name):
    r = wine("reg", "query", key, "/v", name, check=False)
    if r.returncode != 0:
        return None
    line = next((l for l in r.stdout.splitlines() if l.strip().startswith(name)), "")
    return line.split("REG_SZ", 1)[1].strip() if "REG_SZ" in line else None


def wait_for(what, predicate, timeout=30):
    return desktop.wait_for(what, predicate, timeout, lambda: None)


try:
    user = wine("cmd", "/c", "echo %USERNAME%").stdout.strip()
    drive_c = os.path.join(prefix, "drive_c")
    installed = os.path.join(drive_c, "Program Files", "Kalvo")
    shortcut = os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Kalvo.lnk")
    data = os.path.join(drive_c, "users", user, "AppData", "Roaming", "Kalvo")

    wine(SETUP, "/S", "/AUTOSTART")
    for name in ("kalvo.exe", "calend.dat", "sound.wav", "uninstall.exe"):
        expect(os.path.isfile(os.path.join(installed, name)), name)
    expect(os.path.isfile(shortcut))
    expect(reg_value(UNINSTALL_KEY, "DisplayName") == "Kalvo")
    expect(reg_value(RUN_KEY, "kalvo.exe") == r"C:\Program Files\Kalvo\kalvo.exe", reg_value(RUN_KEY, "kalvo.exe"))

    # The installed program writes the user's files to %APPDATA%\Kalvo, never beside itself.
    kalvo = subprocess.Popen([WINE, os.path.join(installed, "kalvo.exe")], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    procs.append(kalvo)
    wait_for("the reminder file in %APPDATA%\\Kalvo", lambda: os.path.exists(os.path.join(data, user + ".dat")), 90)
    expect(not os.path.exists(os.path.join(installed, user + ".dat")))
    kalvo.kill()
    kalvo.wait()
    subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # The uninstaller copies itself aside and returns at once; what it removes goes a moment later.
    wine(os.path.join(installed, "uninstall.exe"), "/S")
    wait_for("the program folder to go", lambda: not os.path.exists(installed))
    subprocess.run([WINESERVER, "-w"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    expect(not os.path.exists(shortcut))
    expect(reg_value(UNINSTALL_KEY, "DisplayName") is None)
    expect(reg_value(RUN_KEY, "kalvo.exe") is None)
    expect(os.path.isfile(os.path.join(data, user + ".dat")), "the user's reminders stay")
    print("installed silently, ran from Program Files with its files in %APPDATA%\\Kalvo, uninstalled")
finally:
    subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    desktop.clean_up(procs, work)
