#!/usr/bin/env python3
"""Fails when the engine's layers (core, storage, namedays, scheduler, sync) include Qt or a layer above them.

The build already refuses an include of a layer a target does not link; this check also catches what the
compiler would still find: a path relative to the file's own folder ("../platform/x.h", "ical/x.h"), an
include the build of one configuration never compiles, and Qt, which the lowest layers must not need.

Usage: check-layer-includes.py [SRC_DIR]   (default: the src folder beside this script's folder)
"""

import os
import re
import sys

# What each checked layer may include, besides the standard library and its own files.
ALLOWED = {
    "core": {"core"},
    "storage": {"core", "storage"},
    "storage/ical": {"core", "storage", "storage/ical"},
    "namedays": {"core", "storage", "namedays"},
    "scheduler": {"core", "storage", "scheduler"},
    "sync": {"core", "storage", "storage/ical", "sync"},
}
# Every folder of src that is a layer of its own, the nested ones first.
LAYERS = ["storage/ical", "platform/qt", "platform/win32",
          "core", "storage", "namedays", "scheduler", "sync", "platform", "ui", "app", "cli", "caldav"]
TOP_NAMES = {layer.split("/")[0] for layer in LAYERS}

SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".cxx", ".inl", ".ipp")
DIRECTIVE = re.compile(r'^\s*#\s*(?:include|include_next|import)\s*([<"])([^>"]+)[>"]')
HAS_INCLUDE = re.compile(r'__has_include(?:_next)?\s*\(\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Q[A-Za-z]")


def layer_of(path):
    """The layer a path relative to src belongs to; None outside every layer."""
    for layer in LAYERS:
        if path == layer or path.startswith(layer + "/"):
            return layer
    return None


def target_of(src, own_dir, bracket, name):
    """Where an include leads, as a path relative to src; None when it leaves src."""
    parts = name.split("/")
    relative = name.startswith(".") or ".." in parts
    if not relative and parts[0] in TOP_NAMES:
        return os.path.normpath(name).replace(os.sep, "/")
    if bracket == "<":
        return ""  # a system or third-party header
    # A quoted name the compiler first looks up beside the including file.
    full = os.path.normpath(os.path.join(src, own_dir, name))
    rel = os.path.relpath(full, src).replace(os.sep, "/")
    return None if rel == ".." or rel.startswith("../") else rel


def check_file(src, rel_file, own_layer):
    problems = []
    own_dir = os.path.dirname(rel_file)
    with open(os.path.join(src, rel_file), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            found = [m.groups() for m in (DIRECTIVE.match(line),) if m] + HAS_INCLUDE.findall(line)
            for bracket, name in found:
                name = name.strip()
                shown = f"{bracket}{name}{'>' if bracket == '<' else bracket}"
                if QT_HEADER.match(name):
                    problems.append(f"{rel_file}:{number}: {shown}: Qt in the {own_layer} layer")
                    continue
                target = target_of(src, own_dir, bracket, name)
                if target == "":
                    continue
                if target is None:
                    problems.append(f"{rel_file}:{number}: {shown} leads out of src")
                    continue
                layer = layer_of(target)
                if layer not in ALLOWED[own_layer]:
                    problems.append(f"{rel_file}:{number}: {shown} reaches {layer or target}, "
                                    f"which the {own_layer} layer may not use")
    return problems


def main(argv):
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    src = os.path.abspath(src)
    if not os.path.isdir(os.path.join(src, "core")):
        print(f"{src}: no core folder, not a source tree", file=sys.stderr)
        return 2
    problems = []
    checked = 0
    for top in ("core", "storage", "namedays", "scheduler", "sync"):
        for folder, dirs, files in os.walk(os.path.join(src, top)):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                rel_file = os.path.relpath(os.path.join(folder, name), src).replace(os.sep, "/")
                problems += check_file(src, rel_file, layer_of(rel_file))
                checked += 1
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the layers", file=sys.stderr)
        return 1
    print(f"{checked} files of the lower layers checked, no include against the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
