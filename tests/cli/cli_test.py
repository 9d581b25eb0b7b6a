#!/usr/bin/env python3
"""kalvo-cli as a user runs it: real processes, files in a temporary folder, JSON on stdout."""

import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

CLI = sys.argv.pop(1) if len(sys.argv) > 1 else "kalvo-cli"

V204 = struct.pack("<d", 2.04)
V20 = struct.pack("<d", 2.0)


def string(b: bytes) -> bytes:
    return struct.pack("<i", len(b)) + b


def record(date=46363, time=0.375, text=b"Zub\xe1r", notice=0, nfrom=0, nnext=0, period=-1, ntime=-1.0,
           picture=b"", melody=b"", nameday=0, birthday=0, weekday=-1, v204=True) -> bytes:
    out = struct.pack("<id", date, time) + string(text) + bytes([notice]) + struct.pack("<iiid", nfrom, nnext, period, ntime)
    out += string(picture) + string(melody) + bytes([nameday, birthday])
    if v204:
        out += struct.pack("<i", weekday)
    return out


def setup(melody=b"Default", interval=-1, at=0.0, delete_old=1, std_picture=b"", move=0) -> bytes:
    out = struct.pack("<d", 2.1) + string(melody) + struct.pack("<i", interval)
    if interval == 60:
        out += struct.pack("<d", at)
    return out + bytes([delete_old, 1, 1]) + string(std_picture) + string(b"") + bytes([move]) + struct.pack("<i", 20)


def reminders(*records) -> bytes:
    return V204 + struct.pack("<i", len(records)) + b"".join(records) if records else b""


def run(*args, stdin=None):
    p = subprocess.run([CLI, *args], input=stdin, capture_output=True)
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
        self.assertIn("record 1", err)
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

    def test_usage_and_file_errors(self):
        self.assertEqual(run("decode", self.path("none.dat"))[0], 1)
        self.assertEqual(run("frobnicate")[0], 2)
        self.assertEqual(run()[0], 2)
        code, out, _ = run("--help")
        self.assertEqual(code, 0)
        self.assertIn("decode FILE", out)
        self.assertEqual(run("--dir")[0], 2)

    def simulate(self, start, end, user="eva"):
        code, out, err = run("--dir", self.dir, "--user", user, "simulate", "--from", start, "--to", end)
        self.assertEqual(code, 0, err)
        return [json.loads(line) for line in out.splitlines()]

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def test_simulate_fires_archives_and_saves_without_sorting(self):
        # 7 Dec 2026 is day 46363. An old one (fires at once), one at 9:00, a name day moved on, one tomorrow.
        # The name day moves into the place of the removed 9:00 record, so its event fires a tick later.
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
            {"at": "2026-12-07 09:00:01", "signal": False, "header": "Dátum: 7.12.2026       Čas: 9:00:00",
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

if __name__ == "__main__":
    unittest.main(verbosity=1)
