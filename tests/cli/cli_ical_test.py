#!/usr/bin/env python3
"""kalvo-cli export-ics and import-ics as a user runs them: real processes, files in a temporary folder."""

import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

CLI = sys.argv.pop(1) if len(sys.argv) > 1 else "kalvo-cli"
# The Windows build runs under Wine through a wrapper script; there kalvo-cli.exe has libical built in and
# reads the Windows zone, which Wine takes from TZ.
WINDOWS_BUILD = CLI.endswith("-emulated") or CLI.endswith(".exe")
HERE = os.path.dirname(os.path.abspath(__file__))
ICAL_DIR = os.path.join(HERE, "..", "storage", "ical")


def string(b: bytes) -> bytes:
    return struct.pack("<i", len(b)) + b


def record(date=46400, time=0.375, text="Zubár".encode("cp1250"), notice=0, nfrom=0, nnext=0, period=-1, ntime=-1.0,
           picture=b"", melody=b"", nameday=0, birthday=0, weekday=-1) -> bytes:
    out = struct.pack("<id", date, time) + string(text) + bytes([notice]) + struct.pack("<iiid", nfrom, nnext, period, ntime)
    return out + string(picture) + string(melody) + bytes([nameday, birthday]) + struct.pack("<i", weekday)


def reminders(*records) -> bytes:
    return struct.pack("<d", 2.04) + struct.pack("<i", len(records)) + b"".join(records) if records else b""


def run(*args, stdin=None):
    env = dict(os.environ, TZ="Europe/Bratislava", LANG="C.UTF-8")
    p = subprocess.run([CLI, *args], input=stdin, capture_output=True, env=env)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8")


class CliICalTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.user_file = self.path("jana.dat")
        self.records = [
            record(),
            record(date=46410, time=0.75, text="Vianoce – štedrý večer".encode("cp1250"), notice=1, nfrom=46405,
                   nnext=46405, period=0, ntime=0.375),
            record(date=46420, time=0.5, text=b"Meniny J\xe1na", notice=1, nfrom=46419, nnext=46419, ntime=1 / 3,
                   nameday=1),
            record(date=46430, time=0.0, text=b"Narodeniny", notice=1, nfrom=46430, nnext=46430, ntime=0.25, birthday=1,
                   picture=b"C:\\obr\xe1zky\\tortu.jpg"),
        ]
        with open(self.user_file, "wb") as f:
            f.write(reminders(*self.records))

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def cli(self, *args, user="jana", stdin=None):
        if args and args[0] == "import-ics":
            args = (*args, "--today", "2027-01-01")  # the day recurrences and past events count from
        return run("--dir", self.dir, "--user", user, *args, stdin=stdin)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write(self, name, data: bytes):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def test_export_and_import_into_a_fresh_user_gives_back_the_same_reminders(self):
        code, out, err = self.cli("export-ics", self.path("moje.ics"))
        self.assertEqual((code, out, err), (0, "", ""))
        text = self.read("moje.ics")
        self.assertTrue(text.startswith(b"BEGIN:VCALENDAR\r\n"))
        self.assertIn(b"RRULE:FREQ=YEARLY", text)
        code, out, err = self.cli("import-ics", self.path("moje.ics"), "--yes", user="peter")
        self.assertEqual(code, 0, err)
        result = json.loads(out)
        self.assertEqual((result["offered"], result["added"], result["refused"], result["summary"]), (4, 4, [], ""))
        # The same records in the same order (the list is sorted and so was the file), byte for byte.
        self.assertEqual(self.read("peter.dat"), self.read("jana.dat"))

    def test_import_asks_for_each_item(self):
        self.cli("export-ics", self.path("moje.ics"))
        # yes, no, then "all" for the rest
        code, out, err = self.cli("import-ics", self.path("moje.ics"), user="peter", stdin="a\nn\nv\n".encode())
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out)["added"], 3)
        self.assertIn("Pridať pripomienku do zoznamu? (1/4)", err)
        self.assertNotIn("(4/4)", err)  # taken by "všetky" without a question
        decoded = json.loads(self.cli("decode", self.path("peter.dat"))[1])
        self.assertEqual(len(decoded["records"]), 3)
        # "none" takes nothing and writes nothing; so does the end of the input.
        for answers in (b"z\n", b""):
            code, out, err = self.cli("import-ics", self.path("moje.ics"), user="eva", stdin=answers)
            self.assertEqual((code, json.loads(out)["added"]), (0, 0))
            self.assertFalse(os.path.exists(self.path("eva.dat")))

    def test_import_of_another_programs_file_adds_to_the_list_and_tells_what_it_could_not_take(self):
        before = self.read("jana.dat")
        code, out, err = self.cli("import-ics", os.path.join(ICAL_DIR, "outlook.ics"), "--yes")
        self.assertEqual(code, 0, err)
        result = json.loads(out)
        self.assertEqual(result["added"], 2)
        self.assertTrue(result["summary"].startswith("3 udalosti sa nedali prevziať:\n"), result["summary"])
        self.assertIn("3 udalosti sa nedali prevziať", err)
        decoded = json.loads(self.cli("decode", self.user_file)[1])
        self.assertEqual(len(decoded["records"]), 6)
        self.assertIn("Porada oddelenia", [r["Text"] for r in decoded["records"]])
        self.assertNotEqual(self.read("jana.dat"), before)

    def test_bad_files_change_nothing(self):
        before = self.read("jana.dat")
        with open(os.path.join(ICAL_DIR, "google.ics"), "rb") as f:
            whole = f.read()
        cases = {
            "kvl.ics": reminders(record()),
            "text.ics": "Toto nie je kalendár\n".encode(),
            "truncated.ics": whole[: len(whole) // 2],
            "binary.ics": whole[:200] + b"\x00\xff\xfe\x00" + whole[200:],
            "empty.ics": b"",
        }
        for name, data in cases.items():
            self.write(name, data)
            code, out, err = self.cli("import-ics", self.path(name), "--yes")
            self.assertEqual((code, out), (2, ""), name)
            self.assertIn("Nepridala sa žiadna pripomienka.", err, name)
            self.assertEqual(self.read("jana.dat"), before, name)
        # 100 MB: refused before it is parsed.
        with open(self.path("huge.ics"), "wb") as f:
            f.write(b"BEGIN:VCALENDAR\r\n")
            f.truncate(100 * 1024 * 1024)
        code, out, err = self.cli("import-ics", self.path("huge.ics"), "--yes")
        self.assertEqual(code, 2)
        self.assertIn("príliš veľký", err)
        self.assertEqual(self.read("jana.dat"), before)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(["jana.dat", "huge.ics", *cases]))

    def test_a_damaged_user_file_is_not_overwritten(self):
        damaged = reminders(*self.records)[:-3]
        self.write("jana.dat", damaged)
        code, out, err = self.cli("import-ics", os.path.join(ICAL_DIR, "google.ics"), "--yes")
        self.assertEqual(code, 1)
        self.assertIn("nič sa nezmenilo", err)
        self.assertEqual(self.read("jana.dat"), damaged)

    def event(self, summary, start, rule=""):
        return (f"BEGIN:VEVENT\r\nUID:{summary}\r\nDTSTART:{start}\r\n" + (f"RRULE:{rule}\r\n" if rule else "") +
                f"SUMMARY:{summary}\r\nEND:VEVENT\r\n")

    def calendar(self, name, *events):
        self.write(name, ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + "".join(events) + "END:VCALENDAR\r\n").encode())
        return self.path(name)

    def test_a_recurrence_that_never_matches_is_refused_by_name_and_the_import_ends(self):
        f = self.calendar("nikdy.ics", self.event(
            "Nikdy", "19000101T000000", "FREQ=SECONDLY;BYSECOND=1;BYMINUTE=1;BYHOUR=1;BYMONTH=2;BYMONTHDAY=30"),
            self.event("Denne", "20261101T080000", "FREQ=DAILY"))
        p = subprocess.run([CLI, "--dir", self.dir, "--user", "jana", "import-ics", f, "--yes"], capture_output=True,
                           env=dict(os.environ, TZ="Europe/Bratislava", LANG="C.UTF-8"), timeout=60)
        self.assertEqual(p.returncode, 0, p.stderr)
        result = json.loads(p.stdout)
        self.assertEqual(result["added"], 1)
        self.assertEqual(result["refused"], [{"event": "„Nikdy“ (1.1.1900)",
                                              "reason": "jej opakovanie (RRULE) sa nedá vypočítať v rozumnom čase"}])

    def test_the_present_moment_decides_what_is_past_and_which_occurrence_comes_next(self):
        f = self.calendar("dnes.ics", self.event("Denne", "20261101T080000", "FREQ=DAILY"),
                          self.event("Rano", "20270101T070000"), self.event("Neskor", "20270101T100000"))
        code, out, err = run("--dir", self.dir, "--user", "nova", "import-ics", f, "--yes", "--now", "2027-01-01 09:38:00")
        self.assertEqual(code, 0, err)
        result = json.loads(out)
        self.assertEqual((result["added"], result["refused"]), (2, [{"event": "„Rano“ (1.1.2027)", "reason": "už minula"}]))
        records = json.loads(run("decode", self.path("nova.dat"))[1])["records"]
        self.assertEqual([(r["Text"], r["Date"], r["Time"]) for r in records],
                         [("Neskor", 46388, 10 / 24), ("Denne", 46389, 8 / 24)])  # tomorrow 8:00, not today's
        # --today stands for the start of that day; the two cannot be given together.
        code, out, _ = run("--dir", self.dir, "--user", "ina", "import-ics", f, "--yes", "--today", "2027-01-01")
        self.assertEqual((code, json.loads(out)["added"]), (0, 3))
        self.assertEqual(run("--dir", self.dir, "import-ics", f, "--today", "2027-01-01", "--now", "2027-01-01 09:00:00")[0], 2)
        self.assertEqual(run("--dir", self.dir, "import-ics", f, "--now", "2027-01-01 9:00")[0], 2)

    def test_export_names_in_slovak_what_it_left_out(self):
        # 1 January 3001 is day 402134: after the last year libical writes.
        self.write("jana.dat", reminders(record(), record(date=402134, text="Ďaleká budúcnosť".encode("cp1250"))))
        code, out, err = self.cli("export-ics", self.path("x.ics"))
        self.assertEqual((code, out), (0, ""), err)
        self.assertEqual(err, "kalvo-cli: pripomienka č. 2 (1.1.3001 „Ďaleká budúcnosť“) má dátum mimo rokov 1 až "
                              "3000, ktoré vie zapísať knižnica iCalendar; do súboru sa nezapísala\n")
        self.assertEqual(self.read("x.ics").count(b"BEGIN:VEVENT"), 1)

    def test_help_lists_the_icalendar_commands(self):
        code, out, _ = run("--help")
        self.assertEqual(code, 0)
        self.assertIn("export-ics SÚBOR", out)
        self.assertIn("import-ics SÚBOR [--yes]", out)

    def test_zoned_and_utc_times_around_summer_time_changes_become_the_local_clock(self):
        # Bratislava's clocks go forward at 2:00 on 28.3.2027, so 2:30 stands for 3:30; they go back at
        # 3:00 on 31.10.2027, so 0:30 and 1:30 UTC both read 2:30.
        f = self.calendar("posun.ics", self.event("Jar", "20270328T023000").replace(
            "DTSTART:", "DTSTART;TZID=Europe/Bratislava:"), self.event("Pred", "20271031T003000Z"),
                          self.event("Po", "20271031T013000Z"))
        code, out, err = run("--dir", self.dir, "--user", "nova", "import-ics", f, "--yes", "--today", "2027-01-01")
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out)["added"], 3)
        records = json.loads(run("decode", self.path("nova.dat"))[1])["records"]
        self.assertEqual([(r["Text"], r["Date"], round(r["Time"] * 1440)) for r in records],
                         [("Jar", 46474, 3 * 60 + 30), ("Pred", 46691, 2 * 60 + 30), ("Po", 46691, 2 * 60 + 30)])

    def test_usage_and_file_errors(self):
        self.assertEqual(self.cli("export-ics")[0], 2)
        self.assertEqual(self.cli("import-ics")[0], 2)
        self.assertEqual(self.cli("import-ics", "a.ics", "b.ics")[0], 2)
        self.assertEqual(run("--dir", self.dir, "import-ics", "a.ics", "--today", "2027-02-30")[0], 2)
        self.assertEqual(self.cli("export-ics", self.path("x.ics"), "--bogus")[0], 2)
        code, _, err = self.cli("import-ics", self.path("missing.ics"))
        self.assertEqual(code, 1)
        self.assertIn("súbor neexistuje", err)
        code, _, err = self.cli("export-ics", self.path("no/such/folder/x.ics"))
        self.assertEqual(code, 1)
        self.assertIn("súbor sa nepodarilo zapísať", err)
        # A user without a file exports an empty calendar.
        code, _, _ = self.cli("export-ics", self.path("nic.ics"), user="nikto")
        self.assertEqual(code, 0)
        self.assertEqual(self.read("nic.ics").count(b"BEGIN:VEVENT"), 0)


    def loaded(self, *args, **env):
        """The shared objects the dynamic loader opened for one run of kalvo-cli."""
        env = dict(os.environ, TZ="UTC", LANG="C.UTF-8", LD_DEBUG="files", **env)
        p = subprocess.run([CLI, "--dir", self.dir, "--user", "jana", *args], capture_output=True, env=env)
        return [line.split("file=", 1)[1].split()[0] for line in p.stderr.decode("utf-8", "replace").splitlines()
                if "file=" in line and "needed by" in line or "file=" in line and "dynamically loaded by" in line]

    @unittest.skipIf(WINDOWS_BUILD, "kalvo-cli.exe has no private modules")
    def test_only_the_commands_that_need_them_load_libical_and_libdbus(self):
        def has(names, library):
            return any(os.path.basename(n).startswith(library) for n in names)

        for args in (["--help"], ["week", self.user_file, "--day", "2027-01-15"],
                     ["due", self.user_file, "--at", "2027-01-15 12:00:00"], ["decode", self.user_file]):
            names = self.loaded(*args)
            self.assertFalse(has(names, "libical") or has(names, "libdbus"), "%s: %s" % (args[0], names))
        # list asks the running program first, through libdbus, where a session bus may be; a plain file
        # stands for the bus's socket, so that libdbus is loaded and finds no one there.
        stand_in = self.path("bus")
        self.write("bus", b"")
        names = self.loaded("list", "--day", "15.1.2027", DBUS_SESSION_BUS_ADDRESS="unix:path=" + stand_in)
        self.assertFalse(has(names, "libical"), names)
        self.assertTrue(has(names, "kalvo-cli-bus.so") and has(names, "libdbus"), names)
        # An address of nothing (no transport libdbus knows) needs no libdbus at all.
        names = self.loaded("list", "--day", "15.1.2027", DBUS_SESSION_BUS_ADDRESS="disabled:")
        self.assertFalse(has(names, "libical") or has(names, "libdbus"), names)
        names = self.loaded("export-ics", self.path("x.ics"))
        self.assertTrue(has(names, "kalvo-cli-ical.so") and has(names, "libical"), names)
        self.assertFalse(has(names, "libdbus"), names)

    @unittest.skipIf(WINDOWS_BUILD, "kalvo-cli.exe has no private modules")
    def test_a_missing_module_is_told_and_changes_nothing(self):
        # kalvo-cli alone, without the modules' folder beside its own.
        alone = os.path.join(self.dir, "alone", "bin")
        os.makedirs(alone)
        program = os.path.join(alone, "kalvo-cli")
        with open(CLI, "rb") as src, open(program, "wb") as dst:
            dst.write(src.read())
        os.chmod(program, 0o755)
        self.write("bus", b"")  # stands for a session bus's socket
        env = dict(os.environ, TZ="UTC", LANG="C.UTF-8", DBUS_SESSION_BUS_ADDRESS="unix:path=" + self.path("bus"))
        before = self.read("jana.dat")
        for args, module in ((["export-ics", self.path("x.ics")], "kalvo-cli-ical.so"),
                             (["add", "1.2.2027", "10:00", "Zubár"], "kalvo-cli-bus.so")):
            p = subprocess.run([program, "--dir", self.dir, "--user", "jana", *args], capture_output=True, env=env)
            err = p.stderr.decode("utf-8")
            self.assertEqual(p.returncode, 1, err)
            self.assertIn("Chýba súčasť programu", err)
            self.assertIn(module, err)
        self.assertFalse(os.path.exists(self.path("x.ics")))
        self.assertEqual(self.read("jana.dat"), before)
        # The commands that need no module work as ever.
        p = subprocess.run([program, "week", self.user_file, "--day", "2027-01-15"], capture_output=True, env=env)
        self.assertEqual(p.returncode, 0, p.stderr)

if __name__ == "__main__":
    unittest.main()
