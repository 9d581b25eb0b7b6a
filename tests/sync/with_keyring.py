#!/usr/bin/env python3
"""Runs a command with a Secret Service of its own: a private session bus (dbus-run-session) and
GNOME Keyring in a temporary home, so the user's real keyring is never touched.

    with_keyring.py [--locked] -- COMMAND [ARGS...]

Without --locked the login keyring is made and unlocked with a test password; with it, the keyring stays
locked (no keyring unlocked, no prompter to ask the user). The command sees KALVO_TEST_KEYRING=unlocked or
locked. Exit code: the command's, or 77 when dbus-run-session or gnome-keyring-daemon is missing.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

TEST_PASSWORD = b"kalvo-test"


def outside(args):
    if not shutil.which("dbus-run-session") or not shutil.which("gnome-keyring-daemon"):
        print("dbus-run-session or gnome-keyring-daemon is missing", file=sys.stderr)
        return 77
    home = tempfile.mkdtemp(prefix="kalvo-keyring-")
    try:
        runtime = os.path.join(home, "run")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"),
                   XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_CACHE_HOME=os.path.join(home, "cache"),
                   XDG_RUNTIME_DIR=runtime, XDG_CURRENT_DESKTOP="GNOME")
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        command = ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inside"] + args
        return subprocess.call(command, env=env)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def has_secret_service():
    answer = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                             "string:org.freedesktop.secrets"], capture_output=True, text=True)
    return "boolean true" in answer.stdout


def inside(args):
    locked = bool(args) and args[0] == "--locked"
    if locked:
        args = args[1:]
    if args and args[0] == "--":
        args = args[1:]
    daemon_args = ["gnome-keyring-daemon", "--foreground", "--components=secrets"]
    if not locked:
        daemon_args.append("--unlock")
    daemon = subprocess.Popen(daemon_args, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        if not locked:
            daemon.stdin.write(TEST_PASSWORD)
        daemon.stdin.close()
        deadline = time.monotonic() + 10
        while not has_secret_service():
            if daemon.poll() is not None or time.monotonic() > deadline:
                print("gnome-keyring-daemon did not start", file=sys.stderr)
                return 1
            time.sleep(0.05)
        env = dict(os.environ, KALVO_TEST_KEYRING="locked" if locked else "unlocked")
        return subprocess.call(args, env=env)
    finally:
        daemon.terminate()
        try:
            daemon.wait(5)
        except subprocess.TimeoutExpired:
            daemon.kill()
            daemon.wait()


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2:]))
    sys.exit(outside(sys.argv[1:]))
