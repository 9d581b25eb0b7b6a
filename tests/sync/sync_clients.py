"""The clients of the sync tests in Python: Kalvo folders and a third-party calendar (vdirsyncer with khal),
each on the same collection of a real server (servers.py), and a reader of the calendar objects the
server keeps in its own storage.

A Kalvo folder is synced and changed as the program does it: kalvo-cli adds reminders and acknowledges
alarms (its `simulate` runs the real scheduler), and tests/sync/sync_driver.cpp syncs (the account file,
the CalDAV client and the engine) and edits or deletes a record through the store, as the editor does.
"""

import datetime
import json
import os
import shutil
import subprocess

ZONE = "Europe/Bratislava"
USER = "eva"


class Skip(Exception):
    """A program the test needs is not installed."""


def require(*programs):
    for program in programs:
        if shutil.which(program) is None:
            raise Skip(program + " is not installed")


class Tools:
    """Where kalvo-cli and the sync driver are, and the environment they run in."""

    def __init__(self, cli, driver):
        self.cli = cli
        self.driver = driver
        self.env = dict(os.environ, TZ=ZONE, LANG="C.UTF-8")
        # No running program to hand the commands to: they work on the files.
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)

    def run(self, *args, check=True, timeout=120):
        done = subprocess.run(list(args), capture_output=True, text=True, env=self.env, timeout=timeout)
        if check and done.returncode != 0:
            raise AssertionError("%s ended with %d:\n%s%s" % (" ".join(args), done.returncode, done.stdout,
                                                              done.stderr))
        return done


class Kalvo:
    def __init__(self, tools, folder, name, log=None):
        self.log = log if log is not None else (lambda line: None)
        self.tools = tools
        self.folder = folder
        self.name = name
        self.conflicts = 0  # as the syncs reported them
        os.makedirs(folder, exist_ok=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def cli(self, *args, check=True):
        if args[0] != "decode":
            self.log("%s %s" % (self.name, " ".join(args)))
        return self.tools.run(self.tools.cli, "--dir", self.folder, "--user", USER, *args, check=check)

    def driver(self, command, *args, check=True):
        if command not in ("sync", "setup"):
            self.log("%s %s %s" % (self.name, command, " ".join(args)))
        return self.tools.run(self.tools.driver, command, "--dir", self.folder, "--user", USER, *args, check=check)

    def setup(self, server):
        args = ["--calendar", server.calendar, "--keep-archive"]
        if server.user:
            args += ["--login", server.user, "--password", server.password]
        self.driver("setup", *args)

    def sync_command(self):
        return [self.tools.driver, "sync", "--dir", self.folder, "--user", USER]

    def sync(self, expect_done=True):
        done = self.driver("sync", check=False)
        report = json.loads(done.stdout) if done.stdout.strip() else {}
        if expect_done and report.get("outcome") != "done":
            raise AssertionError("%s: the sync failed (%d): %s %s" % (self.name, done.returncode, done.stdout,
                                                                      done.stderr))
        self.conflicts += report.get("conflicts", 0)
        self.log("%s sync: %s" % (self.name, {k: v for k, v in report.items() if v and k not in ("outcome", "ms")}))
        return report

    def add(self, day, time, text, notice_from=None):
        args = ["add", day.strftime("%-d.%-m.%Y"), time, text]
        if notice_from is not None:
            args += ["--notice-from", notice_from.strftime("%-d.%-m.%Y")]
        self.cli(*args)

    def edit(self, text, new_text=None, time=None):
        args = ["--text", text]
        if new_text is not None:
            args += ["--new-text", new_text]
        if time is not None:
            args += ["--time", time]
        self.driver("edit", *args)

    def delete(self, text):
        self.driver("delete", "--text", text)

    def acknowledge(self, start, end):
        """Runs the scheduler from `start` to `end` (datetimes): every alarm in between is acknowledged."""
        form = "%Y-%m-%d %H:%M:%S"
        self.cli("simulate", "--from", start.strftime(form), "--to", end.strftime(form))

    def decode(self, name):
        if not os.path.exists(self.path(name)):
            return []
        return json.loads(self.cli("decode", self.path(name)).stdout)["records"]

    def records(self):
        return self.decode(USER + ".dat")

    def archive(self):
        return self.decode(USER + "_old.dat")

    def texts(self):
        return sorted(r["Text"] for r in self.records())


class ThirdParty:
    """vdirsyncer between the collection and a folder of .ics files, and khal writing events there."""

    def __init__(self, tools, folder, server):
        require("vdirsyncer", "khal")
        self.tools = tools
        self.vdir = os.path.join(folder, "vdir")
        os.makedirs(self.vdir)
        self.config = os.path.join(folder, "vdirsyncer.conf")
        auth = ""
        if server.user:
            auth = 'username = "%s"\npassword = "%s"\n' % (server.user, server.password)
        with open(self.config, "w") as f:
            f.write('[general]\nstatus_path = "%s"\n\n' % os.path.join(folder, "status") +
                    '[pair kalvo]\na = "local"\nb = "remote"\ncollections = null\nconflict_resolution = "b wins"\n\n'
                    '[storage local]\ntype = "filesystem"\npath = "%s"\nfileext = ".ics"\n\n' % self.vdir +
                    '[storage remote]\ntype = "caldav"\nurl = "%s"\n%s' % (server.calendar, auth))
        self.khal_config = os.path.join(folder, "khal.conf")
        with open(self.khal_config, "w") as f:
            f.write("[calendars]\n[[kalvo]]\npath = %s\n[locale]\nlocal_timezone = %s\ndefault_timezone = %s\n"
                    "timeformat = %%H:%%M\ndateformat = %%d.%%m.%%Y\nlongdateformat = %%d.%%m.%%Y\n"
                    "datetimeformat = %%d.%%m.%%Y %%H:%%M\nlongdatetimeformat = %%d.%%m.%%Y %%H:%%M\n"
                    "[sqlite]\npath = %s\n" % (self.vdir, ZONE, ZONE, os.path.join(folder, "khal.db")))
        self.vdirsyncer("discover")

    def vdirsyncer(self, *args):
        return self.tools.run("vdirsyncer", "-c", self.config, *args)

    def sync(self):
        self.vdirsyncer("sync")

    def khal(self, *args):
        return self.tools.run("khal", "-c", self.khal_config, *args)

    def new(self, start, summary, zone=None, repeat=None):
        """A new event of an hour through khal (`zone` for a time zone of its own)."""
        args = ["new", "-a", "kalvo"]
        if repeat:
            args += ["-r", repeat]
        args += [start.strftime("%d.%m.%Y"), start.strftime("%H:%M"),
                 (start + datetime.timedelta(hours=1)).strftime("%H:%M")]
        if zone:
            args.append(zone)
        self.khal(*args, summary)

    def files(self):
        found = {}
        for name in sorted(os.listdir(self.vdir)):
            if name.endswith(".ics"):
                with open(os.path.join(self.vdir, name), encoding="utf-8") as f:
                    found[name] = f.read()
        return found

    def rewrite(self, name, change):
        """Replaces a file of the folder with change(its text), as an editor would."""
        path = os.path.join(self.vdir, name)
        with open(path, encoding="utf-8", newline="") as f:
            text = f.read()
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(change(text))

    def remove(self, name):
        os.remove(os.path.join(self.vdir, name))


# Calendar objects, read just enough to check them.

def unfold(text):
    return text.replace("\r\n", "\n").replace("\n ", "").replace("\n\t", "")


def unescape(value):
    out, i = [], 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value):
            out.append("\n" if value[i + 1] in "nN" else value[i + 1])
            i += 2
        else:
            out.append(value[i])
            i += 1
    return "".join(out)


def components(text, kind="VEVENT"):
    """The components of that kind, each a list of (name with parameters, value), nested ones left out."""
    found, current, depth = [], None, 0
    for line in unfold(text).split("\n"):
        if line == "BEGIN:" + kind and current is None:
            current, depth = [], 0
            continue
        if current is None:
            continue
        if line.startswith("BEGIN:"):
            depth += 1
        elif line.startswith("END:"):
            if depth == 0:
                found.append(current)
                current = None
                continue
            depth -= 1
        elif depth == 0 and ":" in line:
            name, value = line.split(":", 1)
            current.append((name, value))
    return found


def prop(component, name):
    for key, value in component:
        if key.split(";")[0] == name:
            return value
    return None


def masters(text):
    """The events of an object that are no override of one occurrence."""
    return [c for c in components(text) if prop(c, "RECURRENCE-ID") is None]


def summary(text):
    found = masters(text)
    return unescape(prop(found[0], "SUMMARY") or "") if found else None
