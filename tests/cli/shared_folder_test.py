#!/usr/bin/env python3
"""One folder, two users: what kalvo-cli adds is never lost and never written without the folder's lock.

Runs as root (as CI does) and acts as two users by numeric ids through setpriv; skipped elsewhere.
- User A's kalvo-cli makes the folder's lock file; user B then runs three loops of `add` side by side:
  every add reports success and every one is in B's file.
- A lock file closed to B (as an older Kalvo made it, 0600) makes B's add fail with a Slovak message
  and a non-zero status, and nothing is written; A's next add opens the lock file to B again.
- A folder B may not write still says plainly that access was refused."""

import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

if os.geteuid() != 0 or shutil.which("setpriv") is None:
    print("needs root and setpriv to act as two users: skipped")
    sys.exit(77)

USER_A, USER_B = 54321, 54322
LOOPS, ADDS = 3, 100

work = tempfile.mkdtemp(prefix="kalvo-shared-")
os.chmod(work, 0o755)
# The program with its private modules where both users may run it; without a session bus it works on
# the files.
cli = os.path.join(work, "kalvo-cli")
shutil.copy2(sys.argv[1], cli)
for where, _, names in os.walk(os.path.join(os.path.dirname(sys.argv[1]), "..", "lib")):
    for module in names:
        if module.startswith("kalvo-cli-") and module.endswith(".so"):
            shutil.copy2(os.path.join(where, module), work)
env = {"PATH": "/usr/bin:/bin", "TZ": "UTC", "LANG": "C.UTF-8", "HOME": work, "KALVO_LOCK_WAIT_MS": "10000"}


def folder(name, mode):
    path = os.path.join(work, name)
    os.mkdir(path)
    os.chmod(path, mode)
    return path


def as_user(uid, *args, **extra):
    command = ["setpriv", "--reuid=%d" % uid, "--regid=%d" % uid, "--clear-groups", *args]
    return subprocess.run(command, env=env, capture_output=True, text=True, **extra)


def add(uid, shared, user, text):
    return as_user(uid, cli, "--dir", shared, "--user", user, "add", "1.1.2030", "8:00", text)


def texts(shared, user):
    path = os.path.join(shared, user + ".dat")
    if not os.path.exists(path):
        return []
    out = subprocess.run([cli, "decode", path], env=env, capture_output=True, text=True, check=True).stdout
    return [r["Text"] for r in json.loads(out)["records"]]


def loop(shared, n):
    return [add(USER_B, shared, "b", "B %d-%d" % (n, i)).returncode for i in range(ADDS)]


try:
    # A's kalvo-cli makes the lock file; B's parallel adds all take it.
    shared = folder("shared", 0o777)
    first = add(USER_A, shared, "a", "od A")
    expect(first.returncode == 0, first)
    expect(os.stat(os.path.join(shared, ".kalvo.lock")).st_uid == USER_A)
    with ThreadPoolExecutor(LOOPS) as pool:
        codes = [c for result in pool.map(lambda n: loop(shared, n), range(LOOPS)) for c in result]
    expect(codes == [0] * (LOOPS * ADDS), codes)
    kept = texts(shared, "b")
    expect(sorted(kept) == sorted("B %d-%d" % (n, i) for n in range(LOOPS) for i in range(ADDS)),
        "%d of %d adds kept" % (len(set(kept)), LOOPS * ADDS))

    # A lock file only its owner may open: B's add is refused, not written without the lock.
    older = folder("older", 0o777)
    made = as_user(USER_A, "sh", "-c", "umask 077 && : > '%s/.kalvo.lock'" % older)
    expect(made.returncode == 0, made)
    refused = add(USER_B, older, "b", "bez zámku")
    expect(refused.returncode == 1, refused)
    expect("zámok priečinka .kalvo.lock vytvoril iný používateľ" in refused.stderr, refused.stderr)
    expect("Pripomienka sa nepridala" in refused.stderr, refused.stderr)
    expect(texts(older, "b") == [], texts(older, "b"))
    expect(add(USER_A, older, "a", "od A").returncode == 0)
    expect(stat.S_IMODE(os.stat(os.path.join(older, ".kalvo.lock")).st_mode) == 0o644)
    again = add(USER_B, older, "b", "so zámkom")
    expect(again.returncode == 0, again)
    expect(texts(older, "b") == ["so zámkom"])

    # A folder that is A's alone: B is told that access was refused, as before.
    private = folder("private", 0o755)
    os.chown(private, USER_A, USER_A)
    closed = add(USER_B, private, "b", "nikam")
    expect(closed.returncode == 1 and "prístup bol odmietnutý" in closed.stderr, closed)
    print("two users, one folder: %d parallel adds kept, a closed lock refused" % (LOOPS * ADDS))
finally:
    shutil.rmtree(work, ignore_errors=True)
