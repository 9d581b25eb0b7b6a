#!/usr/bin/env python3
"""The Windows programs as Windows loads them: they keep the loader's protections (ASLR with high-entropy
addresses and the relocations it needs, DEP, no writable code) and carry a manifest that names the Windows
versions they were made for, asks for no administrator rights and makes them sharp at every monitor's
scale. Reads the PE headers and the manifest's text itself, so it needs no Windows tools.

usage: windows_programs_test.py PROGRAM.exe...
"""

import struct
import sys

DYNAMIC_BASE = 0x0040
HIGH_ENTROPY_VA = 0x0020
NX_COMPAT = 0x0100
RELOCS_STRIPPED = 0x0001  # in the file header's characteristics
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000


# What every manifest must say, each with why it matters.
MANIFEST = (
    (b'level="asInvoker"', "runs with the rights of whoever starts it"),
    (b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "made for Windows 10 and 11"),
    (b"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "made for Windows 7"),
    (b"<dpiAwareness", "declares its scaling"),
    (b"PerMonitorV2", "draws at each monitor's own scale"),
)


class Fault(Exception):
    pass


def check(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise Fault("%s is not a Windows program" % path)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise Fault("%s has no PE header" % path)
    _machine, sections, _, _, _, optional_size, file_flags = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        raise Fault("%s is not a 64-bit program" % path)
    dll_flags = struct.unpack_from("<H", data, optional + 70)[0]
    missing = [name for name, bit in (("DYNAMIC_BASE", DYNAMIC_BASE), ("HIGH_ENTROPY_VA", HIGH_ENTROPY_VA),
                                      ("NX_COMPAT", NX_COMPAT)) if not dll_flags & bit]
    if missing:
        raise Fault("%s lacks %s (DllCharacteristics 0x%04x)" % (path, ", ".join(missing), dll_flags))
    if file_flags & RELOCS_STRIPPED:
        raise Fault("%s has its relocations stripped: ASLR cannot move it" % path)
    table = optional + optional_size
    for i in range(sections):
        name, _, _, _, _, _, _, _, _, flags = struct.unpack_from("<8sIIIIIIHHI", data, table + 40 * i)
        if flags & IMAGE_SCN_MEM_EXECUTE and flags & IMAGE_SCN_MEM_WRITE:
            raise Fault("%s: section %s is writable and executable" % (path, name.rstrip(b"\0").decode()))
    start = data.find(b"<assembly")
    if start < 0:
        raise Fault("%s carries no manifest" % path)
    manifest = data[start:data.find(b"</assembly>", start)]
    for needed, why in MANIFEST:
        if needed not in manifest:
            raise Fault("%s: its manifest does not say it %s (%s)" % (path, why, needed.decode()))


def main():
    failures = []
    for path in sys.argv[1:]:
        try:
            check(path)
            print("%s: ASLR (high entropy), DEP, manifest" % path)
        except Fault as e:
            failures.append(str(e))
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
