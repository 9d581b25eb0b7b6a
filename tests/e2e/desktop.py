"""What the end-to-end tests share: a copy of the built program in a folder of its own, the settings file
it starts with, and the environment of an X session on a display of the test's own."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time


def require(*tools):
    """Skips the test (exit status 77) when a tool it drives is not installed."""
    for tool in tools:
        if shutil.which(tool) is None:
            print(tool + " is not installed: skipped")
            sys.exit(77)


def own_session_bus(flag):
    """Runs this script again inside a session bus of its own; `flag` marks the second run."""
    if os.environ.get(flag) != "1":
        os.environ[flag] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)


def click(env, w, x, y, button=1, settle=0.2, after=0.3):
    """A click at (x, y) inside the window `w` (an entry of windows()), with pauses for the program."""
    subprocess.run(["xdotool", "mousemove", "--sync", str(w[1] + x), str(w[2] + y)], env=env, check=True)
    time.sleep(settle)
    subprocess.run(["xdotool", "click", str(button)], env=env, check=True)
    time.sleep(after)


def keys(env, *names, pause=0.1):
    for k in names:
        subprocess.run(["xdotool", "key", k], env=env, check=True)
        time.sleep(pause)


def program_copy(bin_dir, artifacts, name, files=("kalvo", "kalvo-cli", "calend.dat", "sound.wav")):
    """(work, app, shots): a fresh work folder, the program copied into work/app (a portable install),
    and an emptied folder for the screenshots."""
    work = tempfile.mkdtemp(prefix="kalvo-%s-" % name)
    app = os.path.join(work, "app")
    os.makedirs(app)
    for program_file in files:
        shutil.copy2(os.path.join(bin_dir, program_file), app)
    # kalvo-cli's private modules go beside it, as in any portable copy.
    for folder, _, names in os.walk(os.path.join(bin_dir, "..", "lib")):
        for module in names:
            if module.startswith("kalvo-cli-") and module.endswith(".so"):
                shutil.copy2(os.path.join(folder, module), app)
    shots = os.path.join(artifacts, name)
    shutil.rmtree(shots, ignore_errors=True)
    os.makedirs(shots)
    return work, app, shots


def write_setup(app, delete_old, slide_names, overview_seconds):
    """setup.dat 2.1 with the standard melody, no time signal and animated windows."""
    setup = struct.pack("<d", 2.1) + struct.pack("<i", 7) + b"Default" + struct.pack("<i", -1)
    setup += bytes([delete_old, slide_names, 1]) + struct.pack("<i", 0) + struct.pack("<i", 0) + bytes([0])
    setup += struct.pack("<i", overview_seconds)
    with open(os.path.join(app, "setup.dat"), "wb") as f:
        f.write(setup)


def wine_prefix(work, template, wine):
    """A Wine prefix of the test's own in work/prefix: a copy of the build's prefix (its registry and
    services set up already), or a new one when the build has none."""
    prefix = os.path.join(work, "prefix")
    if os.path.isdir(os.path.join(template, "drive_c")):
        subprocess.run(["cp", "-a", template, prefix], check=True)
    else:
        subprocess.run([wine, "wineboot", "--init"], env=dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all"),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return prefix


def session_env(work, display, **extra):
    env = dict(os.environ, DISPLAY=display, HOME=work, XDG_RUNTIME_DIR=work, XDG_CONFIG_HOME=os.path.join(work, "cfg"),
               XDG_DATA_HOME=os.path.join(work, "data"), LANG="C.UTF-8", QT_QPA_PLATFORM="xcb")
    env.update(extra)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def wait_for(what, predicate, timeout, on_timeout):
    """predicate's first true value within timeout seconds; else on_timeout() (a screenshot) and a failure."""
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.15)
    on_timeout()
    raise AssertionError("timed out waiting for " + what)


def windows(env, name, by="--name"):
    """The visible windows that xdotool finds by name (or class), as (id, x, y, width, height)."""
    def xdotool(*args):
        return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True).stdout

    found = []
    for wid in xdotool("search", "--onlyvisible", by, name).split():
        g = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", wid).splitlines() if "=" in line)
        if g:
            found.append((wid, int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])))
    return found


def clean_up(procs, work):
    """Ends what the test started, the last first, and removes its work folder."""
    for p in reversed(procs):
        if p.poll() is None:
            p.kill()
            p.wait()
    shutil.rmtree(work, ignore_errors=True)


def start_xvfb(procs):
    """An Xvfb on a display number it picks itself, so tests running side by side never share one."""
    read_end, write_end = os.pipe()
    # -noreset: without it the server resets when its last client leaves, and a program started in that
    # moment finds no display.
    procs.append(subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-noreset",
                                   "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    if not number:
        raise AssertionError("Xvfb did not start")
    return ":" + number
