#!/usr/bin/env python3
"""kalvo-cli as a user runs it: real processes, files in a temporary folder, JSON on stdout."""

import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

CLI = sys.argv.pop(1) if len(sys.argv) > 1 else "kalvo-cli"

V204 = struct.pack("<d", 2.04)
V20 = struct.pack("<d", 2.0)
V21 = struct.pack("<d", 2.1)
V11 = struct.pack("<d", 1.1)


def string(b: bytes) -> bytes:
    return struct.pack("<i", len(b)) + b


def record(date=46363, time=0.375, text=b"Zub\xe1r", notice=0, nfrom=0, nnext=0, period=-1, ntime=-1.0,
           picture=b"", melody=b"", nameday=0, birthday=0, weekday=-1, v204=True) -> bytes:
    out = struct.pack("<id", date, time) + string(text) + bytes([notice]) + struct.pack("<iiid", nfrom, nnext, period, ntime)
    out += string(picture) + string(melody) + bytes([nameday, birthday])
    if v204:
        out += struct.pack("<i", weekday)
    return out


def settings_file(version=V21, melody=b"Default", interval=60, at=0.75, flags=(0, 1, 1), pictures=(b"", b""),
                  tail=(1, 20)) -> bytes:
    out = version + string(melody) + struct.pack("<i", interval)
    if interval == 60:
        out += struct.pack("<d", at)
    out += bytes(flags) + string(pictures[0]) + string(pictures[1])
    if tail is not None:
        out += bytes([tail[0]]) + struct.pack("<i", tail[1])
    return out


def calendar(*entries, count=None) -> bytes:
    out = V11 + struct.pack("<i", len(entries) if count is None else count)
    for day, month, holiday, n1, n2, n3 in entries:
        out += struct.pack("<ii", day, month) + string(holiday) + string(n1) + string(n2) + string(n3)
    return out


SETTINGS_KEYS = ["status", "version", "StandardMelody", "TimeSignalInterval", "TimeSignalAt", "DeleteOldReminders",
                 "SlideNameWindow", "AnimateWindows", "StandardPicture", "MainPicture", "MoveToNextYear",
                 "OverviewSeconds"]
def setup(melody=b"Default", interval=-1, at=0.0, delete_old=1, std_picture=b"", move=0) -> bytes:
    out = struct.pack("<d", 2.1) + string(melody) + struct.pack("<i", interval)
    if interval == 60:
        out += struct.pack("<d", at)
    return out + bytes([delete_old, 1, 1]) + string(std_picture) + string(b"") + bytes([move]) + struct.pack("<i", 20)


def reminders(*records) -> bytes:
    return V204 + struct.pack("<i", len(records)) + b"".join(records) if records else b""


# No session bus: a Kalvo running on the user's desktop must not take the tests' reminders.
ENV = dict(os.environ, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/kalvo-test-bus")


def run(*args, stdin=None):
    p = subprocess.run([CLI, *args], input=stdin, capture_output=True, env=ENV)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8")


class CliTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data: bytes):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def decode(self, data: bytes):
        code, out, err = run("decode", self.write("f.dat", data))
        self.assertEqual(code, 0, err)
        return json.loads(out)

    def test_decode_a_file_of_each_version(self):
        j = self.decode(V204 + struct.pack("<i", 1) + record(melody=b"a.wav", weekday=4))
        self.assertEqual(j["version"], 2.04)
        self.assertEqual(j["status"], "ok")
        self.assertEqual(list(j["records"][0].keys()),
                         ["Date", "Time", "Text", "Notice", "NoticeFrom", "NoticeNext", "Period", "NoticeTime",
                          "Picture", "Melody", "IsNameDay", "IsBirthday", "NoticeWeekDay"])
        self.assertEqual(j["records"][0]["Text"], "Zubár")
        self.assertEqual(j["records"][0]["NoticeWeekDay"], 4)
        old = self.decode(V20 + struct.pack("<i", 1) + record(v204=False))
        self.assertEqual(old["version"], 2.0)
        self.assertEqual(old["records"][0]["NoticeWeekDay"], 0)

    def test_statuses(self):
        self.assertEqual(self.decode(b""), {"version": None, "status": "empty", "records": []})
        self.assertEqual(self.decode(b"\x01\x02\x03")["status"], "truncated")
        j = self.decode(struct.pack("<d", 3.5) + struct.pack("<i", 1) + record())
        self.assertEqual((j["status"], j["version"], j["records"]), ("unknown-version", 3.5, []))
        two = V204 + struct.pack("<i", 2) + record(text=b"a") + record(text=b"b")
        j = self.decode(two[:-2])
        self.assertEqual((j["status"], len(j["records"])), ("truncated", 1))
        bad = V204 + struct.pack("<i", 2) + record(text=b"a") + struct.pack("<id", 1, 0.5) + struct.pack("<i", -4)
        j = self.decode(bad)
        self.assertEqual((j["status"], len(j["records"])), ("corrupt", 1))

    def test_undefined_code_page_bytes_and_doubles_round_trip(self):
        data = V204 + struct.pack("<i", 1) + record(text=b"\x81\x83\x88\x90\x98\x9a", time=0.1 + 0.2, ntime=-0.0)
        j = self.decode(data)
        self.assertEqual(j["records"][0]["Text"], "\u0081\u0083\u0088\u0090\u0098š")
        code, _, err = run("encode", self.path("back.dat"), stdin=json.dumps(j).encode())
        self.assertEqual(code, 0, err)
        with open(self.path("back.dat"), "rb") as f:
            self.assertEqual(f.read(), data)

    def test_encode_empty_and_errors(self):
        code, _, _ = run("encode", self.path("e.dat"), stdin=b'{"records": []}')
        self.assertEqual(code, 0)
        self.assertEqual(os.path.getsize(self.path("e.dat")), 0)
        j = self.decode(V204 + struct.pack("<i", 1) + record())
        missing = dict(j["records"][0])
        del missing["Melody"]
        code, _, err = run("encode", self.path("m.dat"), stdin=json.dumps({"records": [missing]}).encode())
        self.assertEqual(code, 2)
        self.assertIn("Melody", err)
        self.assertFalse(os.path.exists(self.path("m.dat")))
        smiley = dict(j["records"][0], Text="ok ☺")
        code, _, err = run("encode", self.path("s.dat"), stdin=json.dumps({"records": [j["records"][0], smiley]}).encode())
        self.assertEqual(code, 2)
        self.assertIn("záznam 1", err)
        self.assertIn("U+263A", err)
        self.assertFalse(os.path.exists(self.path("s.dat")))
        self.assertEqual(run("encode", self.path("x.dat"), stdin=b"not json")[0], 2)

    def test_due(self):
        # 7 Dec 2026 (day 46363): one at 9:00 today, one tomorrow, one yesterday at 23:00.
        f = self.write("d.dat", V204 + struct.pack("<i", 3) + record(time=0.375) + record(date=46364) +
                       record(date=46362, time=23 / 24))
        code, out, _ = run("due", f, "--at", "2026-12-07 08:59:59")
        self.assertEqual((code, json.loads(out)), (0, {"due": [2]}))
        code, out, _ = run("due", f, "--at", "2026-12-07 09:00:00")
        self.assertEqual(json.loads(out), {"due": [0, 2]})
        self.assertEqual(run("due", f, "--at", "2026-13-07 09:00:00")[0], 2)
        self.assertEqual(run("due", f)[0], 2)

    def test_usage_and_file_errors_are_told_in_slovak(self):
        reminder_file = self.write("r.dat", reminders(record()))
        record_json = self.decode(reminders(record()))["records"][0]
        not_a_record = json.dumps({"records": [dict(record_json, Time="9:00")]}).encode()
        cases = [(2, ()), (2, ("frobnicate",)), (2, ("--dir",)), (2, ("--user", "eva")),
                 (1, ("decode", self.path("none.dat"))), (1, ("decode", self.dir)), (2, ("decode",)),
                 (2, ("decode", reminder_file, "navyše")), (2, ("encode", self.path("x.dat")), b"not json"),
                 (2, ("encode", self.path("x.dat")), b"[]"), (2, ("encode", self.path("x.dat")), not_a_record),
                 (2, ("due", reminder_file)), (2, ("due", reminder_file, "--at", "2026-12-07")),
                 (2, ("due", reminder_file, "--at", "2026-12-07 24:00:00")),
                 (2, ("due", reminder_file, "--at", "2026-02-30 09:00:00")), (1, ("settings", self.dir)),
                 (2, ("names", "1-1")), (2, ("names", "30.2")), (2, ("week", reminder_file)),
                 (2, ("simulate", "--from", "2026-12-07 10:00:00")),
                 (2, ("simulate", "--from", "2026-12-07 10:00:00", "--to", "2026-12-07 09:00:00"))]
        english = re.compile(r"\b(the|no|not|needs?|cannot|expected|missing|unknown|must|record|got|such)\b", re.I)
        for code, args, *stdin in cases:
            got, _, err = run("--dir", self.dir, *args, stdin=stdin[0] if stdin else None)
            self.assertEqual(got, code, args)
            self.assertRegex(err, "^kalvo-cli: .*[áäčďéíľĺňóôŕšťúýž]", args)
            self.assertNotRegex(err, english, args)
        self.assertFalse(os.path.exists(self.path("x.dat")))
        code, out, _ = run("--help")
        self.assertEqual(code, 0)
        self.assertTrue(out.startswith("Použitie: kalvo-cli"), out)
        for command in ("decode SÚBOR", "settings [SÚBOR]", "names D.M", "find MENO", "week SÚBOR --day"):
            self.assertIn(command, out)
        self.assertNotRegex(out, english)

    def settings(self, data: bytes):
        code, out, err = run("settings", self.write("setup.dat", data))
        self.assertEqual(code, 0, err)
        j = json.loads(out)
        self.assertEqual(list(j.keys()), SETTINGS_KEYS)
        return j

    def test_settings_missing_file_gives_the_built_in_defaults(self):
        code, out, err = run("--dir", self.dir, "settings")
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out), {
            "status": "missing", "version": None, "StandardMelody": "Default", "TimeSignalInterval": -1,
            "TimeSignalAt": -1.0, "DeleteOldReminders": 1, "SlideNameWindow": 1, "AnimateWindows": 1,
            "StandardPicture": "", "MainPicture": "", "MoveToNextYear": 0, "OverviewSeconds": 0})
        # DIR/setup.dat is the default file.
        self.write("setup.dat", settings_file())
        code, out, _ = run("--dir", self.dir, "settings")
        self.assertEqual(json.loads(out)["status"], "ok")

    def test_settings_of_both_versions(self):
        j = self.settings(settings_file(pictures=(b"C:\\Obr\xe1zky\\a.jpg", b"")))
        self.assertEqual((j["status"], j["version"], j["TimeSignalInterval"], j["TimeSignalAt"]), ("ok", 2.1, 60, 0.75))
        self.assertEqual((j["DeleteOldReminders"], j["MoveToNextYear"], j["OverviewSeconds"]), (0, 1, 20))
        self.assertEqual(j["StandardPicture"], "C:\\Obrázky\\a.jpg")
        # No extra double unless the signal is at a set time.
        j = self.settings(settings_file(interval=12, tail=(0, 7)))
        self.assertEqual((j["TimeSignalInterval"], j["TimeSignalAt"], j["OverviewSeconds"]), (12, -1.0, 7))
        old = settings_file(version=V204, interval=30, tail=None)
        j = self.settings(old)
        self.assertEqual((j["status"], j["version"], j["MoveToNextYear"], j["OverviewSeconds"]), ("ok", 2.04, 1, 20))
        # Cut inside its last length: what was read stays, the two newer fields keep the built-in 0 and 0.
        j = self.settings(old[:-2])
        self.assertEqual((j["status"], j["TimeSignalInterval"], j["MoveToNextYear"], j["OverviewSeconds"]),
                         ("truncated", 30, 0, 0))

    def test_settings_damaged_files(self):
        j = self.settings(struct.pack("<d", 2.0) + settings_file()[8:])
        self.assertEqual((j["status"], j["version"], j["StandardMelody"], j["TimeSignalInterval"]),
                         ("unknown-version", 2.0, "Default", -1))
        j = self.settings(b"\xcd\xcc\xcc")
        self.assertEqual((j["status"], j["version"]), ("truncated", None))
        j = self.settings(settings_file()[:-2])  # inside OverviewSeconds
        self.assertEqual((j["status"], j["MoveToNextYear"], j["OverviewSeconds"]), ("truncated", 1, 0))
        j = self.settings(V21 + struct.pack("<i", -5) + b"Default")
        self.assertEqual((j["status"], j["StandardMelody"]), ("corrupt", "Default"))
        j = self.settings(V21 + struct.pack("<i", 0x7fffffff) + b"x")
        self.assertEqual(j["status"], "corrupt")
        os.mkdir(self.path("folder.dat"))
        self.assertEqual(run("settings", self.path("folder.dat"))[0], 1)
        self.assertEqual(run("settings", "a", "b")[0], 2)

    CAL = [(24, 12, "Štedrý deň".encode("cp1250"), b"Adam", b"Eva", b""),
           (28, 10, b"", "Šimon".encode("cp1250"), b"Simona", b""),
           (3, 3, b"", b"Bohumil", b"Bohumila", "Ľubomila".encode("cp1250")),
           (29, 2, b"", "Radomír".encode("cp1250"), b"", b""),
           (5, 3, b"", "Ján".encode("cp1250"), b"", b""),
           (5, 3, b"Sviatok", b"", b"", b""),
           (15, 6, b"", b"Simona", b"", b"")]

    def test_names_of_a_day(self):
        cal = self.write("cal.dat", calendar(*self.CAL))
        def names(dm, *extra):
            code, out, err = run("names", dm, "--calendar", cal, *extra)
            self.assertEqual(code, 0, err)
            return json.loads(out)
        self.assertEqual(names("24.12"), {"names": "Adam a Eva", "holiday": "Štedrý deň", "status": "ok"})
        self.assertEqual(list(names("24.12").keys()), ["names", "holiday", "status"])
        self.assertEqual(names("3.3")["names"], "Bohumil, Bohumila a Ľubomila")
        self.assertEqual(names("05.03"), {"names": "Ján", "holiday": "Sviatok", "status": "ok"})
        self.assertEqual(names("29.2")["names"], "Radomír")
        self.assertEqual(names("1.1"), {"names": "", "holiday": "", "status": "ok"})
        for bad in ("31.4", "30.2", "0.1", "1.13", "1-1", "x"):
            self.assertEqual(run("names", bad, "--calendar", cal)[0], 2, bad)
        code, _, err = run("names", "1.1", "--calendar", self.path("none.dat"))
        self.assertEqual((code, err.strip()), (1, "kalvo-cli: " + self.path("none.dat") + ": kalendár mien neexistuje"))
        # DIR/calend.dat by default.
        self.write("calend.dat", calendar(*self.CAL))
        code, out, _ = run("--dir", self.dir, "names", "28.10")
        self.assertEqual(json.loads(out)["names"], "Šimon a Simona")

    def test_a_damaged_calendar_says_so(self):
        # A file that can be opened but not read whole is done, as every damaged file: its status says
        # what was wrong, stderr says it in Slovak, and what could be read is used.
        whole = calendar(*self.CAL)
        cases = [("v.dat", V204 + whole[8:], "unknown-version", "", "nie je kalendár mien"),
                 ("cut.dat", whole[:-5], "truncated", "Šimon a Simona", "neúplný"),
                 ("bad.dat", calendar(*self.CAL, count=len(self.CAL) + 1) + struct.pack("<iii", 1, 1, -7), "corrupt",
                  "Šimon a Simona", "poškodený")]
        for name, data, status, names, problem in cases:
            for command, arg in (("names", "28.10"), ("find", "Simona")):
                code, out, err = run(command, arg, "--calendar", self.write(name, data))
                self.assertEqual(code, 0, (name, command, err))
                self.assertEqual(json.loads(out)["status"], status, name)
                self.assertIn("kalendár mien sa nedá prečítať celý (", err, name)
                self.assertIn(problem, err, name)
            self.assertEqual(json.loads(run("names", "28.10", "--calendar", self.path(name))[1])["names"], names)
        if os.name == "posix" and os.geteuid() != 0:
            locked = self.write("locked.dat", whole)
            os.chmod(locked, 0)
            code, _, err = run("names", "28.10", "--calendar", locked)
            self.assertEqual(code, 1, err)
            self.assertIn("kalendár mien sa nedá otvoriť", err)

    def test_names_from_the_calendar_beside_the_program(self):
        # The build places calend.dat next to the programs, and that is the default folder.
        code, out, err = run("names", "24.12")
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out), {"names": "Adam a Eva", "holiday": "Štedrý deň", "status": "ok"})

    def test_find_a_name(self):
        cal = self.write("cal.dat", calendar(*self.CAL))
        def find(name):
            code, out, err = run("find", name, "--calendar", cal)
            self.assertEqual(code, 0, err)
            return json.loads(out)
        self.assertEqual(find("Simona"), {"found": True, "day": 28, "month": 10, "name": "Simona", "status": "ok"})
        self.assertEqual(find("šimon"), {"found": True, "day": 28, "month": 10, "name": "Šimon", "status": "ok"})
        self.assertEqual(find("ľubomila")["name"], "Ľubomila")
        for miss in ("ŠIMON", "Šimo", "Simona ", ""):
            self.assertEqual(find(miss), {"found": False, "day": None, "month": None, "name": None, "status": "ok"},
                             miss)
        self.assertEqual(run("find", "--calendar", cal)[0], 2)

    def test_week_as_the_week_view_shows_it(self):
        # Monday 7 Dec 2026 is day 46363. A Thursday event with a daily notice from Monday, a once-only
        # notice from Monday, a name day on Friday with its notice on Wednesday.
        f = self.write("w.dat", V204 + struct.pack("<i", 3) +
                       record(date=46366, time=0.375, text=b"Porada", notice=1, nfrom=46363, nnext=46363, period=0,
                              ntime=1 / 3) +
                       record(date=46366, time=0.5, text=b"Raz", notice=1, nfrom=46363, nnext=46363, ntime=1 / 3) +
                       record(date=46367, time=0.5, text=b"Meniny", notice=1, nfrom=46365, nnext=46365, ntime=1 / 3,
                              nameday=1))
        code, out, err = run("week", f, "--day", "2026-12-13")
        self.assertEqual(code, 0, err)
        j = json.loads(out)
        self.assertEqual(list(j.keys()), ["month", "days"])
        self.assertEqual(j["month"], "december 2026")
        self.assertEqual([d["date"] for d in j["days"]],
                         ["2026-12-%02d" % d for d in range(7, 14)])
        self.assertEqual(list(j["days"][0].keys()), ["date", "count", "rows"])
        self.assertEqual([d["count"] for d in j["days"]], [2, 1, 1, 2, 0, 0, 0])
        self.assertEqual(j["days"][0]["rows"], ["#10.12.2026 o 9:00:00 (denne) -Porada", "#10.12.2026 o 12:00:00 -Raz"])
        self.assertEqual(j["days"][2]["rows"], ["#10.12.2026 o 9:00:00 (denne) -Porada"])
        self.assertEqual(j["days"][3]["rows"], ["10.12.2026 o 9:00:00 (denne) -Porada", "10.12.2026 o 12:00:00 -Raz"])
        # A week across the new year is named after its Sunday.
        code, out, _ = run("week", f, "--day", "2026-12-31")
        self.assertEqual(json.loads(out)["month"], "január 2027")
        self.assertEqual(run("week", f)[0], 2)
        self.assertEqual(run("week", f, "--day", "2026-02-30")[0], 2)
        self.assertEqual(run("week", self.path("none.dat"), "--day", "2026-12-07")[0], 1)

    def simulate(self, start, end, user="eva"):
        code, out, err = run("--dir", self.dir, "--user", user, "simulate", "--from", start, "--to", end)
        self.assertEqual(code, 0, err)
        return [json.loads(line) for line in out.splitlines()]

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def test_simulate_fires_archives_and_saves_without_sorting(self):
        # 7 Dec 2026 is day 46363. An old one (fires at once), one at 9:00, a name day moved on, one tomorrow.
        # The name day moves into the place of the removed 9:00 record and its event fires next, in the same
        # tick.
        old = record(date=46350, time=0.5, text=b"star\xfd")
        nine = record(time=0.375, text=b"o deviatej")
        nameday = record(date=46363, time=0.375, text=b"J\xe1n", notice=1, nfrom=46363, nnext=46363, ntime=0.25,
                         nameday=1)
        later = record(date=46364, time=0.375, text=b"zajtra")
        self.write("eva.dat", reminders(later, old, nine, nameday))
        settings = self.write("setup.dat", setup(delete_old=0, move=1))
        lines = self.simulate("2026-12-07 08:59:59", "2026-12-07 09:00:01")
        self.assertEqual(lines, [
            {"at": "2026-12-07 08:59:59", "signal": False, "header": "Dátum: 24.11.2026       Čas: 12:00:00",
             "lines": ["starý"], "picture": None, "sound": "sound.wav"},
            {"at": "2026-12-07 08:59:59", "signal": False, "header": "Dátum: 7.12.2026       Čas: 9:00:00",
             "lines": ["Ján"], "picture": None, "sound": "sound.wav"},
            {"at": "2026-12-07 09:00:00", "signal": False, "header": "Dátum: 7.12.2026       Čas: 9:00:00",
             "lines": ["o deviatej"], "picture": None, "sound": "sound.wav"},
            {"at": "2026-12-07 09:00:00", "signal": False, "header": "Dátum: 7.12.2026       Čas: 9:00:00",
             "lines": ["Ján"], "picture": None, "sound": "sound.wav"},
        ])
        moved = record(date=46728, time=0.375, text=b"J\xe1n", notice=1, nfrom=46363, nnext=46363, ntime=-0.25,
                       nameday=1)
        self.assertEqual(self.read("eva.dat"), reminders(later, moved))
        archived = record(date=46363, time=0.375, text=b"J\xe1n", notice=1, nfrom=46363, nnext=46363, ntime=-0.25,
                          nameday=1)
        self.assertEqual(self.read("eva_old.dat"), reminders(old, nine, archived))
        self.assertEqual(self.read("setup.dat"), setup(delete_old=0, move=1))
        self.assertEqual(os.path.getsize(settings), len(setup()))

    def test_simulate_brings_back_what_was_put_off_and_keeps_it_until_then(self):
        zubar = record(time=0.375, text=b"Zub\xe1r")          # 7.12.2026 9:00, put off to 9:05
        notice = record(date=46370, text=b"Porada")           # a notice put off to 9:07, the event next week
        self.write("eva.dat", reminders(zubar, notice))
        self.write("setup.dat", setup(delete_old=0))
        one = lambda r: (V204 + struct.pack("<i", 1) + r).hex()
        self.write("eva.snooze", ("# Kalvo\n2026-12-07 09:05:00\tevent\t" + one(zubar) + "\n"
                                  "2026-12-07 09:07:00\tnotice\t" + one(notice) + "\n").encode())
        lines = self.simulate("2026-12-07 09:00:00", "2026-12-07 09:06:00")
        self.assertEqual([(l["at"], l["lines"]) for l in lines], [("2026-12-07 09:05:00", ["Zubár"])])
        self.assertEqual(self.read("eva.dat"), reminders(notice))
        self.assertEqual(self.read("eva_old.dat"), reminders(zubar))
        self.assertIn(b"\tnotice\t", self.read("eva.snooze"))
        lines = self.simulate("2026-12-07 09:06:01", "2026-12-07 09:10:00")
        self.assertEqual([(l["at"], l["lines"]) for l in lines], [("2026-12-07 09:07:00", ["Porada"])])
        self.assertFalse(os.path.exists(self.path("eva.snooze")))
        self.assertEqual(self.read("eva.dat"), reminders(notice))

    def test_simulate_with_the_lateness_limit_lists_what_was_missed_in_one_alarm(self):
        self.write("eva.dat", reminders(record(date=46360, text=b"Koncert"), record(date=46363, time=0.34, text=b"Dnes")))
        self.write("setup.dat", setup())
        self.write("setup.ini", b"[General]\nLatenessLimitOn=true\nLatenessLimitHours=24\n")
        lines = self.simulate("2026-12-07 09:00:00", "2026-12-07 09:00:05")
        self.assertEqual([(l["header"], l["lines"], l["sound"]) for l in lines], [
            ("Zmeškané", ["4.12.2026 9:00:00  Koncert"], None),
            ("Dátum: 7.12.2026       Čas: 8:09:36", ["Dnes"], "sound.wav"),
        ])
        self.assertEqual(self.read("eva_old.dat"), reminders(record(date=46360, text=b"Koncert")))
        self.assertEqual(self.read("eva.dat"), b"")

    def test_simulate_time_signal_over_a_list_and_on_an_empty_list(self):
        self.write("setup.dat", setup(interval=1))
        pic = self.write("obr.jpg", b"x")
        self.write("eva.dat", reminders(record(date=46400, picture=pic.encode(), melody=b"/nikde/nie.wav")))
        before = self.read("eva.dat")
        self.assertEqual(self.simulate("2026-12-07 09:59:59", "2026-12-07 10:00:01"), [
            {"at": "2026-12-07 10:00:00", "signal": True, "header": "Čas",
             "lines": [" ", "Časové znamenie !!!  Dátum: 7.12.2026       Čas: 10:00:00"], "picture": pic,
             "sound": None}])
        self.assertEqual(self.read("eva.dat"), before)
        # A user without any file: the signal fires as a reminder of its own and leaves an empty file.
        self.assertEqual(self.simulate("2026-12-07 09:59:59", "2026-12-07 10:00:01", user="jano"), [
            {"at": "2026-12-07 10:00:00", "signal": False, "header": "Dátum: 7.12.2026       Čas: 10:00:00",
             "lines": ["Časové znamenie !!!"], "picture": None, "sound": "sound.wav"}])
        self.assertEqual(self.read("jano.dat"), b"")
        self.assertFalse(os.path.exists(self.path("jano_old.dat")))

    def test_simulate_usage_and_file_errors(self):
        self.assertEqual(run("--dir", self.dir, "simulate", "--from", "2026-12-07 10:00:00")[0], 2)
        self.assertEqual(run("--dir", self.dir, "simulate", "--from", "2026-12-07 10:00:00",
                             "--to", "2026-12-07 09:59:59")[0], 2)
        self.assertEqual(run("--dir", self.dir, "simulate", "--from", "2026-12-07 25:00:00",
                             "--to", "2026-12-08 09:59:59")[0], 2)
        # A reminder file that exists but cannot be read is never overwritten.
        os.makedirs(self.path("eva.dat"))
        code, _, err = run("--dir", self.dir, "--user", "eva", "simulate", "--from", "2026-12-07 08:00:00",
                           "--to", "2026-12-07 10:00:00")
        self.assertEqual(code, 1, err)
        self.assertTrue(os.path.isdir(self.path("eva.dat")))

    # Under Wine the Windows zone comes from TZ, and kalvo-cli.exe reads the Windows zone.
    def test_simulate_walks_the_local_clock_across_daylight_saving(self):
        # 28 Mar 2027 (day 46474): at 2:00 the clocks go forward, so 2:30 never comes; the reminder of
        # 2:30 fires when the clock jumps to 3:00. 31 Oct 2027 (day 46691): 2:00-2:59 comes twice.
        self.write("eva.dat", reminders(record(date=46474, time=2.5 / 24, text=b"jar"),
                                        record(date=46691, time=2.5 / 24, text=b"jesen")))
        self.write("setup.dat", setup(delete_old=0))
        env = dict(ENV, TZ="Europe/Bratislava")

        def simulate(start, end):
            p = subprocess.run([CLI, "--dir", self.dir, "--user", "eva", "simulate", "--from", start, "--to", end],
                               capture_output=True, env=env)
            self.assertEqual(p.returncode, 0, p.stderr.decode("utf-8"))
            return [json.loads(line)["at"] for line in p.stdout.decode("utf-8").splitlines()]

        self.assertEqual(simulate("2027-03-28 01:00:00", "2027-03-28 04:00:00"), ["2027-03-28 03:00:00"])
        self.assertEqual(simulate("2027-10-31 01:00:00", "2027-10-31 04:00:00"), ["2027-10-31 02:30:00"])

    def add(self, *args):
        return run("--dir", self.dir, "--user", "eva", "add", *args)

    def test_add_and_list_a_day_on_the_file(self):
        # No program keeps this folder, so both work on the file.
        self.assertEqual(self.add("9.12.2026", "9:00", "Zubár")[0], 0)
        code, _, err = self.add("9.12.2026", "8:30", "Porada", "--notice-from", "1.12.2026", "--period", "týždenne",
                                "--notice-time", "7:05", "--weekday", "streda")
        self.assertEqual(code, 0, err)
        self.assertEqual(self.add("10.12.2026", "8:00", "Iný deň", "--notice-from", "10.12.2026")[0], 0)
        records = self.decode(self.read("eva.dat"))["records"]
        self.assertEqual([r["Text"] for r in records], ["Porada", "Zubár", "Iný deň"])  # sorted as the program sorts
        weekly, daily = records[0], records[2]
        self.assertEqual((weekly["Notice"], weekly["NoticeFrom"], weekly["NoticeNext"], weekly["Period"],
                          weekly["NoticeWeekDay"]), (1, 46357, 46357, 1, 2))
        self.assertAlmostEqual(weekly["NoticeTime"], (7 * 60 + 5) / 1440)
        self.assertEqual((daily["Period"], daily["NoticeWeekDay"], daily["NoticeTime"]), (0, -1, records[2]["Time"]))
        code, out, err = run("--dir", self.dir, "--user", "eva", "list", "--day", "9.12.2026")
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out), {"day": "9.12.2026", "reminders": [
            {"date": "9.12.2026", "time": "8:30:00", "text": "Porada", "kind": "reminder", "notice": True,
             "noticeFrom": "1.12.2026", "period": "týždenne", "noticeTime": "7:05:00"},
            {"date": "9.12.2026", "time": "9:00:00", "text": "Zubár", "kind": "reminder", "notice": False,
             "noticeFrom": "", "period": "", "noticeTime": ""}]})
        code, out, _ = run("--dir", self.dir, "--user", "nikto", "list", "--day", "9.12.2026")
        self.assertEqual((code, json.loads(out)["reminders"]), (0, []))

    def test_add_tells_exactly_what_is_wrong(self):
        code, _, err = self.add("29.2.2027", "9:00", "x")
        self.assertEqual((code, err.strip()), (2, 'kalvo-cli: Dátum "29.2.2027" neexistuje: február 2027 má len 28 dní.'))
        code, _, err = self.add("1.3.2027", "9:00", "Test 😀 Ωmega")
        self.assertEqual(code, 2)
        self.assertIn("„😀“, „Ω“", err)
        self.assertEqual(self.add("1.3.2027", "9:00", "ľ" * 1000)[0], 0)  # the editor's limit, in characters
        code, _, err = self.add("1.3.2027", "9:00", "a" * 1001)
        self.assertEqual(code, 2)
        self.assertIn("najviac 1000 znakov", err)
        # Into a folder that does not exist: nothing is kept anywhere, and it says so.
        code, _, err = run("--dir", self.path("nie/je"), "--user", "eva", "add", "1.3.2027", "9:00", "x")
        self.assertEqual(code, 1, err)
        self.assertNotIn("pamäti", err)
        self.assertIn("Pripomienka sa nepridala a nikde nezostala", err)

    def test_add_refuses_bad_arguments_in_slovak(self):
        cases = [("30.2.2026", "9:00", "x"), ("9.12.26", "9:00", "x"), ("9.12.2026", "9", "x"),
                 ("9.12.2026", "9:00", ""), ("9.12.2026", "9:00", "\u65e5"), ("9.12.2026", "9:00", "zmaž\x7f"),
                 ("9.12.2026", "9:00", "a\tb"),
                 ("9.12.2026", "9:00", "x", "--notice-from", "10.12.2026"),
                 ("9.12.2026", "9:00", "x", "--period", "denne"),
                 ("9.12.2026", "9:00", "x", "--notice-from", "1.12.2026", "--period", "týždenne"),
                 ("9.12.2026", "9:00", "x", "--notice-from", "1.12.2026", "--period", "hodinovo"),
                 ("9.12.2026", "9:00"), ("9.12.2026", "9:00", "x", "y"), ("9.12.2026", "9:00", "x", "--weekday")]
        for args in cases:
            code, _, err = self.add(*args)
            self.assertEqual(code, 2, args)
            self.assertRegex(err, "[áäčďéíľĺňóôŕšťúýž]", args)  # told in Slovak
        self.assertFalse(os.path.exists(self.path("eva.dat")))
        for args in (("--day", "2026-12-09"), ("--day",), ("--day", "9.12.2026", "x")):
            code, _, err = run("--dir", self.dir, "list", *args)
            self.assertEqual(code, 2, args)
            self.assertRegex(err, "[áäčďéíľĺňóôŕšťúýž]", args)
        # The old shared file is the program's to offer at its first start.
        self.write("memo.dat", reminders(record()))
        self.assertEqual(self.add("9.12.2026", "9:00", "x")[0], 1)
        self.assertFalse(os.path.exists(self.path("eva.dat")))


if __name__ == "__main__":
    unittest.main(verbosity=1)
