#!/usr/bin/env python3
"""The portable zip as a Windows user unpacks it: the program, kalvo-cli, the name calendar, the sound and
the licences of what the programs carry in one folder, and kalvo-cli.exe from that folder writing the
folder's reminders to an iCalendar file and reading them back, with nothing else installed.
    portable_zip_test.py ZIP FACE_LICENCE EMULATOR..."""

import json
import os
import struct
import subprocess
import sys
import tempfile
import zipfile
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pysupport"))
from expect import expect  # noqa: E402

ZIP, FACE_LICENCE, EMULATOR = sys.argv[1], sys.argv[2], sys.argv[3:]
# Each licence file with words its licence cannot be without: Qt's LGPL and the libraries inside the static
# Qt, libical's MPL, the winpthreads notice of MinGW-w64, GCC's runtime exception.
LICENCES = {
    "DejaVu": ["Bitstream"],
    "Qt": ["GNU Lesser General Public License", "src/3rdparty/libpng", "src/3rdparty/pcre2", "zlib"],
    "libical": ["MPL-2.0", "LGPL-2.1"],
    "MinGW-w64": ["winpthreads"],
    "GCC": ["GCC RUNTIME LIBRARY EXCEPTION"],
}


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


with tempfile.TemporaryDirectory(prefix="kalvo-zip-") as work:
    with zipfile.ZipFile(ZIP) as z:
        names = sorted(z.namelist())
        licences = ["licenses/%s.txt" % name for name in LICENCES]
        expect(names == sorted(["calend.dat", "kalvo-cli.exe", "kalvo.exe", "sound.wav", *licences]), names)
        z.extractall(work)
    with open(os.path.join(work, "licenses", "DejaVu.txt"), "rb") as shipped, open(FACE_LICENCE, "rb") as source:
        expect(shipped.read() == source.read(), "the face's licence as its package gives it")
    for name, words in LICENCES.items():
        with open(os.path.join(work, "licenses", name + ".txt"), encoding="utf-8") as shipped:
            text = shipped.read()
        expect(all(word in text for word in words), (name, words))
    cli = [*EMULATOR, os.path.join(work, "kalvo-cli.exe")]

    def run(*args):
        p = subprocess.run([*cli, *args], capture_output=True, env=dict(os.environ, LANG="C.UTF-8"), timeout=120)
        expect(p.returncode == 0, (args, p.returncode, p.stderr.decode("utf-8", "replace")))
        return p.stdout.decode("utf-8")

    help_text = run("--help")
    expect("export-ics SÚBOR" in help_text and "import-ics SÚBOR" in help_text, help_text)

    # One reminder of Jana's in the portable folder, which is where kalvo-cli keeps data beside itself.
    text = "Zubár".encode("cp1250")
    record = struct.pack("<id", 46400, 0.375) + struct.pack("<i", len(text)) + text + bytes([0])
    record += struct.pack("<iiid", 0, 0, -1, -1.0) + struct.pack("<i", 0) * 2 + bytes([0, 0]) + struct.pack("<i", -1)
    with open(os.path.join(work, "jana.dat"), "wb") as f:
        f.write(struct.pack("<d", 2.04) + struct.pack("<i", 1) + record)

    ics = os.path.join(work, "jana.ics")
    run("--user", "jana", "export-ics", windows_path(ics))
    with open(ics, "rb") as f:
        exported = f.read()
    expect(exported.startswith(b"BEGIN:VCALENDAR\r\n") and b"SUMMARY:Zub\xc3\xa1r\r\n" in exported, exported)
    result = json.loads(run("--user", "peter", "import-ics", windows_path(ics), "--yes", "--today", "2027-01-01"))
    expect(result["added"] == 1, result)
    with open(os.path.join(work, "jana.dat"), "rb") as a, open(os.path.join(work, "peter.dat"), "rb") as b:
        expect(a.read() == b.read())
print("%s: the five files, and kalvo-cli.exe's iCalendar from the unpacked folder" % os.path.basename(ZIP))
