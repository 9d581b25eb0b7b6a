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
        self.assertIn("nothing was changed", err)
        self.assertEqual(self.read("jana.dat"), damaged)

    def test_usage_and_file_errors(self):
        self.assertEqual(self.cli("export-ics")[0], 2)
        self.assertEqual(self.cli("import-ics")[0], 2)
        self.assertEqual(self.cli("import-ics", "a.ics", "b.ics")[0], 2)
        self.assertEqual(run("--dir", self.dir, "import-ics", "a.ics", "--today", "2027-02-30")[0], 2)
        self.assertEqual(self.cli("export-ics", self.path("x.ics"), "--bogus")[0], 2)
        code, _, err = self.cli("import-ics", self.path("missing.ics"))
        self.assertEqual(code, 1)
        self.assertIn("no such file", err)
        code, _, err = self.cli("export-ics", self.path("no/such/folder/x.ics"))
        self.assertEqual(code, 1)
        self.assertIn("cannot write", err)
        # A user without a file exports an empty calendar.
        code, _, _ = self.cli("export-ics", self.path("nic.ics"), user="nikto")
        self.assertEqual(code, 0)
        self.assertEqual(self.read("nic.ics").count(b"BEGIN:VEVENT"), 0)


if __name__ == "__main__":
    unittest.main()
