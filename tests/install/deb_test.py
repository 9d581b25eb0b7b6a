#!/usr/bin/env python3
"""The Debian package as a user gets it: built with cpack, checked by lintian, installed with apt-get into
this machine, /usr/bin/kalvo started in an X session (Xvfb) with a home and data folders of its own, and
purged again, leaving nothing of it in /usr.

usage: deb_test.py BUILD_DIR CPACK ARTIFACTS
Needs root, dpkg, apt-get, dpkg-shlibdeps, lintian, Xvfb and xdotool; skipped (77) without them. The
package is purged however the test ends, and one left behind by a killed earlier run is purged first.
"""

import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import desktop  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

BUILD, CPACK, ARTIFACTS = (os.path.abspath(a) for a in sys.argv[1:4])
APT_ENV = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
APT_WAIT = ["-o", "DPkg::Lock::Timeout=300"]  # another apt on the machine finishes first


def skip(why):
    print(why + ": skipped")
    sys.exit(77)


def run(*args, check=True, **kw):
    p = subprocess.run(list(args), capture_output=True, text=True, **kw)
    if check and p.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s%s" % (" ".join(args), p.returncode, p.stdout, p.stderr))
    return p


def state():
    """dpkg's word for the package: installed, config-files, half-installed, ... or not-installed."""
    p = run("dpkg-query", "-W", "-f=${Status}", "kalvo", check=False)
    words = p.stdout.split()
    return words[-1] if p.returncode == 0 and words else "not-installed"


def purge():
    p = run("apt-get", "purge", "-y", "-q", *APT_WAIT, "kalvo", env=APT_ENV, check=False)
    if state() != "not-installed":  # a package broken half-way is dpkg's to remove
        run("dpkg", "--purge", "kalvo", check=False)
    if state() != "not-installed":
        raise AssertionError("kalvo is still on the machine (%s):\n%s%s" % (state(), p.stdout, p.stderr))


def build_package(out):
    run(CPACK, "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out)
    debs = [f for f in os.listdir(out) if f.startswith("kalvo_") and f.endswith(".deb")]
    expect(len(debs) == 1, debs)
    return os.path.join(out, debs[0])


def check_contents(deb):
    listing = run("dpkg-deb", "-c", deb).stdout.splitlines()
    paths = {line.split()[-1].lstrip(".") for line in listing}
    for expected in ("/usr/bin/kalvo", "/usr/bin/kalvo-cli", "/usr/share/kalvo/calend.dat",
                     "/usr/share/kalvo/sound.wav", "/usr/share/applications/kalvo.desktop",
                     "/usr/share/metainfo/sk.kalvo.Kalvo.metainfo.xml",
                     "/usr/share/icons/hicolor/scalable/apps/kalvo.svg",
                     "/usr/share/dbus-1/interfaces/sk.kalvo.Kalvo1.xml",
                     "/usr/share/doc/kalvo/copyright", "/usr/share/doc/kalvo/changelog.gz"):
        expect(expected in paths, "%s is not in the package:\n%s" % (expected, "\n".join(sorted(paths))))
    # kalvo-cli's private modules, in a folder of the program's own.
    for module in ("kalvo-cli-ical.so", "kalvo-cli-bus.so", "kalvo-cli-sync.so"):
        expect(any(p.startswith("/usr/lib/") and p.endswith("/kalvo/cli/" + module) for p in paths),
            "%s is not in the package:\n%s" % (module, "\n".join(sorted(paths))))
    outside = [p for p in paths if p not in ("/", "/usr/") and not p.startswith("/usr/")]
    expect(not outside, outside)
    for line in listing:  # root owns everything, folders 0755, files 0644 or 0755
        mode, owner = line.split()[:2]
        expect(owner == "root/root", line)
        expect(mode in ("drwxr-xr-x", "-rw-r--r--", "-rwxr-xr-x"), line)
    depends = run("dpkg-deb", "-f", deb, "Depends").stdout
    for library in ("libqt6widgets6", "libqt6multimedia6", "libqt6svg6", "libqt6dbus6", "libical3", "libdbus-1-3",
                    "libqt6network6"):
        expect(library in depends, "%s missing from Depends: %s" % (library, depends))
    # The changelog's newest entry is this version.
    version = run("dpkg-deb", "-f", deb, "Version").stdout.strip()
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging", "debian",
                           "changelog"), encoding="utf-8") as f:
        expect(f.readline().startswith("kalvo (%s) " % version), "packaging/debian/changelog lacks " + version)
    return sorted(paths)


def check_lintian(deb, artifacts):
    p = run("lintian", "--fail-on", "error", "--display-info", "--tag-display-limit", "0", deb, check=False)
    with open(os.path.join(artifacts, "lintian.txt"), "w", encoding="utf-8") as f:
        f.write(p.stdout + p.stderr)
    errors = [line for line in p.stdout.splitlines() if line.startswith("E:")]
    expect(p.returncode == 0 and not errors, "lintian:\n" + p.stdout + p.stderr)
    # kalvo-cli's modules are private: no ldconfig for them.
    expect("maintscript-calls-ldconfig" not in p.stdout, "lintian:\n" + p.stdout)
    # Built with Debian's hardening flags: fortified calls, bound-at-start relocations, stack protector.
    hardening = [line for line in p.stdout.splitlines() if "hardening-" in line]
    expect(not hardening, "lintian reports missing hardening:\n" + "\n".join(hardening))
    print(p.stdout, end="")


def start_installed_program(work, artifacts, procs):
    display = desktop.start_xvfb(procs)
    env = desktop.session_env(work, display, KALVO_STARTUP_WAIT_MS="0", TZ="UTC")
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # not the session of whoever runs the test
    for d in (work, env["XDG_CONFIG_HOME"], env["XDG_DATA_HOME"]):
        os.makedirs(d, mode=0o700)
    # The installed companion finds the installed calendar.
    names = json.loads(run("/usr/bin/kalvo-cli", "names", "24.12", env=env).stdout)
    expect(names == {"names": "Adam a Eva", "holiday": "Štedrý deň", "status": "ok"}, names)
    # ... and its modules: the iCalendar export opens the installed one.
    calendar = os.path.join(work, "export.ics")
    run("/usr/bin/kalvo-cli", "--dir", work, "--user", "nikto", "export-ics", calendar, env=env)
    with open(calendar, "rb") as f:
        expect(f.read().startswith(b"BEGIN:VCALENDAR"), calendar)

    log_path = os.path.join(artifacts, "kalvo-stderr.txt")
    with open(log_path, "wb") as log:
        program = subprocess.Popen(["/usr/bin/kalvo"], env=env, cwd=work, stdout=subprocess.DEVNULL, stderr=log)
    procs.append(program)

    def shot(name):
        if shutil.which("import"):
            run("import", "-window", "root", os.path.join(artifacts, name + ".png"), env=env, check=False)

    def up(what, predicate):
        def alive_and(predicate):
            if program.poll() is not None:
                with open(log_path, encoding="utf-8", errors="replace") as log:
                    raise AssertionError("kalvo ended at start: " + log.read())
            return predicate()
        return desktop.wait_for(what, lambda: alive_and(predicate), 40, lambda: shot("failed"))

    # Its first start makes the user's empty reminder file in the user's data folder, then the overview.
    user_file = os.path.join(env["XDG_DATA_HOME"], "kalvo", pwd.getpwuid(os.geteuid()).pw_name + ".dat")
    up("the user's reminder file", lambda: os.path.exists(user_file))
    overview = up("the overview", lambda: desktop.windows(env, "Naplánované pripomienky"))
    print("overview:", overview)
    shot("overview")
    program.terminate()
    program.wait(timeout=30)
    # Nothing was written beside the installed program or its data.
    expect(sorted(os.listdir("/usr/share/kalvo")) == ["calend.dat", "sound.wav"], os.listdir("/usr/share/kalvo"))
    strays = [f for f in os.listdir("/usr/bin") if f.startswith("kalvo") or f.endswith(".dat")]
    expect(sorted(strays) == ["kalvo", "kalvo-cli"], strays)


def check_nothing_left(paths):
    left = []
    for p in paths:
        path = p.rstrip("/") or "/"
        if not os.path.lexists(path):
            continue
        # A folder that other packages share (/usr/share/applications) or that holds their files stays.
        if os.path.isdir(path) and not os.path.islink(path) and \
                (os.listdir(path) or run("dpkg-query", "-S", path, check=False).returncode == 0):
            continue
        left.append(path)
    found = run("find", "/usr", "-path", "/usr/local", "-prune", "-o", "-iname", "*kalvo*", "-print").stdout.split()
    expect(not left and not found, "left after purge: %s" % sorted(set(left) | set(found)))


def main():
    if os.geteuid() != 0:
        skip("not root")
    for tool in ("dpkg", "dpkg-deb", "dpkg-shlibdeps", "apt-get", "lintian", "Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            skip(tool + " is not installed")
    artifacts = os.path.join(ARTIFACTS, "deb")
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)
    # A run killed half-way leaves the package installed; this run starts from a machine without it.
    if state() != "not-installed":
        print("kalvo was installed (a killed earlier run?): purging it first")
        purge()

    work = tempfile.mkdtemp(prefix="kalvo-deb-")
    procs = []
    paths = []
    try:
        deb = build_package(os.path.join(work, "package"))
        shutil.copy2(deb, artifacts)
        paths = check_contents(deb)
        check_lintian(deb, artifacts)
        run("apt-get", "install", "-y", "-q", "--no-install-recommends", *APT_WAIT, deb, env=APT_ENV)
        expect(state() == "installed", state())
        start_installed_program(os.path.join(work, "home"), artifacts, procs)
    finally:
        for p in reversed(procs):
            if p.poll() is None:
                p.kill()
                p.wait()
        purge()
        shutil.rmtree(work, ignore_errors=True)
    check_nothing_left(paths)
    print("package built, installed, started and purged")


if __name__ == "__main__":
    # ctest ends a test that runs too long with a signal: the purge still happens.
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, lambda *_: sys.exit(1))
    main()
