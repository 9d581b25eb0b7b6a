#!/usr/bin/env python3
"""`cmake --install` into a temporary prefix, then the installed programs as a user starts them.

usage: install_test.py BUILD_DIR
Everything happens in a temporary folder: the prefix, HOME and the XDG folders point there.
"""

import filecmp
import json
import os
import pwd
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

BUILD = os.path.abspath(sys.argv.pop(1))


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="kalvo-install-")
        cls.prefix = os.path.join(cls.tmp.name, "prefix")
        p = subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], capture_output=True, text=True)
        if p.returncode != 0:
            raise AssertionError("cmake --install failed:\n" + p.stdout + p.stderr)
        # A user of our own: nothing may reach the real home, data or autostart folders.
        home = os.path.join(cls.tmp.name, "home")
        cls.data_home = os.path.join(cls.tmp.name, "data")
        runtime = os.path.join(cls.tmp.name, "run")
        for d in (home, cls.data_home, runtime):
            os.makedirs(d, mode=0o700)
        cls.env = dict(os.environ, HOME=home, XDG_DATA_HOME=cls.data_home, XDG_CONFIG_HOME=os.path.join(home, "cfg"),
                       XDG_RUNTIME_DIR=runtime, TMPDIR=runtime,
                       PATH=os.path.join(cls.prefix, "bin") + os.pathsep + os.environ.get("PATH", ""),
                       TZ="UTC", LANG="C.UTF-8")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def installed(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_tree(self):
        bin_dir = self.installed("bin")
        self.assertEqual(sorted(os.listdir(bin_dir)), ["kalvo", "kalvo-cli"], "only the two programs go to bin")
        for program in ("kalvo", "kalvo-cli"):
            self.assertTrue(os.access(os.path.join(bin_dir, program), os.X_OK), program)
        self.assertEqual(sorted(os.listdir(self.installed("share", "kalvo"))), ["calend.dat", "sound.wav"])
        for asset in ("calend.dat", "sound.wav"):
            self.assertTrue(filecmp.cmp(self.installed("share", "kalvo", asset), os.path.join(BUILD, "bin", asset),
                                        shallow=False), asset)
        self.assertTrue(os.path.isfile(self.installed("share", "icons", "hicolor", "scalable", "apps", "kalvo.svg")))
        self.assertTrue(os.path.isfile(self.installed("share", "dbus-1", "interfaces", "sk.kalvo.Kalvo1.xml")))
        # What Debian's policy asks beside the programs: the copyright, the changelog and manual pages, the
        # compressed ones without a time stamp so that the same sources give the same package.
        self.assertEqual(sorted(os.listdir(self.installed("share", "doc", "kalvo"))), ["changelog.gz", "copyright"])
        self.assertEqual(sorted(os.listdir(self.installed("share", "man", "man1"))), ["kalvo-cli.1.gz", "kalvo.1.gz"])
        for packed in (self.installed("share", "doc", "kalvo", "changelog.gz"),
                       self.installed("share", "man", "man1", "kalvo.1.gz")):
            with open(packed, "rb") as f:
                header = f.read(8)
            self.assertEqual((header[:2], header[4:8]), (b"\x1f\x8b", b"\0\0\0\0"), packed)

    def test_desktop_entry(self):
        entry = self.installed("share", "applications", "kalvo.desktop")
        keys = {}
        with open(entry, encoding="utf-8") as f:
            for line in f:
                if "=" in line and not line.startswith("#"):
                    key, value = line.rstrip("\n").split("=", 1)
                    keys[key] = value
        self.assertEqual(keys["Type"], "Application")
        # The menu runs the installed program, with the icon that was installed beside it.
        self.assertEqual(shutil.which(shlex.split(keys["Exec"])[0], path=self.env["PATH"]),
                         self.installed("bin", "kalvo"))
        self.assertEqual(keys["Icon"], "kalvo")
        if shutil.which("desktop-file-validate"):
            p = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
            self.assertEqual((p.returncode, p.stdout + p.stderr), (0, ""))

    def test_metainfo(self):
        metainfo = self.installed("share", "metainfo", "sk.kalvo.Kalvo.metainfo.xml")
        with open(metainfo, encoding="utf-8") as f:
            self.assertIn("<launchable type=\"desktop-id\">kalvo.desktop</launchable>", f.read())
        if shutil.which("appstreamcli"):
            p = subprocess.run(["appstreamcli", "validate", "--no-net", metainfo], capture_output=True, text=True)
            self.assertEqual(p.returncode, 0, p.stdout + p.stderr)

    def test_installed_cli_finds_the_installed_calendar(self):
        p = subprocess.run([self.installed("bin", "kalvo-cli"), "names", "24.12"], env=self.env, capture_output=True)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(json.loads(p.stdout), {"names": "Adam a Eva", "holiday": "Štedrý deň", "status": "ok"})
        p = subprocess.run([self.installed("bin", "kalvo-cli"), "find", "Ľudmila"], env=self.env, capture_output=True)
        self.assertEqual(json.loads(p.stdout), {"found": True, "day": 16, "month": 9, "name": "Ľudmila", "status": "ok"})

    def test_installed_cli_opens_its_modules_from_the_installed_tree(self):
        modules = [os.path.join(root, f) for root, _, files in os.walk(self.installed("lib")) for f in files
                   if f.startswith("kalvo-cli-")]
        self.assertEqual(sorted(os.path.basename(m) for m in modules), ["kalvo-cli-bus.so", "kalvo-cli-ical.so",
                                                                              "kalvo-cli-sync.so"])
        for m in modules:
            self.assertTrue(os.path.dirname(m).endswith(os.path.join("kalvo", "cli")), m)  # a folder of the program's own
            self.assertEqual(os.stat(m).st_mode & 0o777, 0o644, m)
        env = dict(self.env, DBUS_SESSION_BUS_ADDRESS="disabled:")
        calendar = os.path.join(self.tmp.name, "export.ics")
        p = subprocess.run([self.installed("bin", "kalvo-cli"), "--dir", self.tmp.name, "--user", "nikto",
                            "export-ics", calendar], env=env, capture_output=True)
        self.assertEqual(p.returncode, 0, p.stderr)
        with open(calendar, "rb") as f:
            self.assertTrue(f.read().startswith(b"BEGIN:VCALENDAR"))
        p = subprocess.run([self.installed("bin", "kalvo-cli"), "--dir", self.tmp.name, "--user", "nikto",
                            "list", "--day", "1.2.2027"], env=env, capture_output=True)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(json.loads(p.stdout), {"day": "1.2.2027", "reminders": []})

    def test_installed_program_keeps_its_data_per_user(self):
        folder = os.path.join(self.data_home, "kalvo")
        user_file = os.path.join(folder, pwd.getpwuid(os.geteuid()).pw_name + ".dat")  # named after the account
        env = dict(self.env, QT_QPA_PLATFORM="offscreen", KALVO_STARTUP_WAIT_MS="0")
        program = subprocess.Popen([self.installed("bin", "kalvo")], env=env, cwd=self.tmp.name,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            # Its first start creates the user's empty reminder file in the per-user data folder.
            deadline = time.monotonic() + 30
            while not os.path.exists(user_file) and time.monotonic() < deadline:
                if program.poll() is not None:
                    self.fail("kalvo ended at start: " + program.stderr.read().decode())
                time.sleep(0.05)
            self.assertTrue(os.path.exists(user_file), "no " + user_file)
            self.assertEqual(os.path.getsize(user_file), 0)
        finally:
            program.terminate()
            program.wait(timeout=30)
            program.stderr.close()
        # Nothing was written beside the installed program or its data.
        self.assertEqual(sorted(os.listdir(self.installed("bin"))), ["kalvo", "kalvo-cli"])
        self.assertEqual(sorted(os.listdir(self.installed("share", "kalvo"))), ["calend.dat", "sound.wav"])
        # The command-line companion works on the same folder: a reminder put into the user's file there
        # fires in its simulation.
        record = {"Date": 46363, "Time": 0.375, "Text": "Zubár", "Notice": 0, "NoticeFrom": 0, "NoticeNext": 0,
                  "Period": -1, "NoticeTime": -1.0, "Picture": "", "Melody": "", "IsNameDay": 0, "IsBirthday": 0,
                  "NoticeWeekDay": -1}
        cli = self.installed("bin", "kalvo-cli")
        p = subprocess.run([cli, "encode", user_file], env=self.env, capture_output=True,
                           input=json.dumps({"records": [record]}).encode())
        self.assertEqual(p.returncode, 0, p.stderr)
        p = subprocess.run([cli, "simulate", "--from", "2026-12-07 08:59:59", "--to", "2026-12-07 09:00:01"],
                           env=self.env, capture_output=True)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual([json.loads(line)["lines"] for line in p.stdout.splitlines()], [["Zubár"]])

if __name__ == "__main__":
    unittest.main()
