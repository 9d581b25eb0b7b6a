#!/usr/bin/env python3
"""Checks that keep the source tree tidy, each run by ctest (see tests/CMakeLists.txt):

  check-tree.py format [ROOT]          every C++ file as clang-format 14 and the repository's .clang-format
                                       leave it (clang-format --dry-run -Werror)
  check-tree.py python-asserts [ROOT]  no Python test uses the assert statement, which python3 -O drops;
                                       tests/pysupport/expect.py has expect() instead
  check-tree.py build-output [ROOT]    git tracks no build output (Python byte code, objects, build folders)
  check-tree.py fix-python-asserts [ROOT]
                                       turns each assert statement of the Python tests into a call of
                                       expect() with the same condition and message, importing it

ROOT is the repository (default: the folder above this script's). The files are those git tracks; in a
tree that is not a git checkout (an unpacked source archive) the format and assert checks walk the
folders instead, and build-output is skipped. Exit status 0 pass, 1 fail, 77 skipped.
"""

import ast
import fnmatch
import os
import re
import shutil
import subprocess
import sys

SKIPPED = 77
CPP_FOLDERS = ("src", "tests", "bench", "fuzz", "tools")
CPP_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".cxx")
# What a build, an editor's build or Python leave behind; none of it belongs in git.
BUILD_OUTPUT = ["*.pyc", "*.pyo", "*/__pycache__/*", "__pycache__/*", "*.o", "*.obj", "*.a", "*.so", "*.so.*",
                "*.dll", "*.exe", "*.lib", "build/*", "*/CMakeFiles/*", "CMakeCache.txt", "*/CMakeCache.txt",
                "build.ninja", "*/build.ninja", ".ninja_*", "*/.ninja_*", "compile_commands.json"]


def tracked(root):
    """The files git tracks under root, relative to it; None when root is not a git checkout."""
    if not os.path.exists(os.path.join(root, ".git")) or not shutil.which("git"):
        return None
    out = subprocess.run(["git", "-C", root, "ls-files", "-z"], capture_output=True, check=True).stdout
    return [name for name in out.decode("utf-8").split("\0") if name]


def walked(root, folders, endings):
    found = []
    for folder in folders:
        for base, dirs, files in os.walk(os.path.join(root, folder)):
            dirs[:] = [d for d in dirs if d != "__pycache__"]
            found += [os.path.relpath(os.path.join(base, f), root) for f in files if f.endswith(endings)]
    return sorted(found)


def files_of(root, folders, endings):
    names = tracked(root)
    if names is None:
        return walked(root, folders, endings)
    return [n for n in names if n.split("/")[0] in folders and n.endswith(endings) and os.path.exists(os.path.join(root, n))]


def clang_format_14():
    """clang-format-14, or a clang-format that is version 14; other versions format some lines otherwise."""
    for name in ("clang-format-14", "clang-format"):
        path = shutil.which(name)
        if not path:
            continue
        version = subprocess.run([path, "--version"], capture_output=True, text=True).stdout
        if re.search(r"version 14\.", version):
            return path
    return None


def check_format(root):
    tool = clang_format_14()
    if not tool:
        print("clang-format 14 is not installed (scripts/install-deps.sh installs it); skipped")
        return SKIPPED
    names = files_of(root, CPP_FOLDERS, CPP_ENDINGS)
    failed = []
    for start in range(0, len(names), 200):
        batch = names[start:start + 200]
        p = subprocess.run([tool, "--dry-run", "-Werror", "--style=file", *batch], cwd=root, capture_output=True,
                           text=True)
        if p.returncode != 0:
            failed += sorted({line.split(":")[0] for line in p.stderr.splitlines() if ": error:" in line})
            sys.stderr.write(p.stderr)
    if failed:
        print("%d of %d C++ files are not formatted; run clang-format-14 -i on: %s"
              % (len(failed), len(names), " ".join(failed)))
        return 1
    print("%d C++ files formatted" % len(names))
    return 0


def check_python_asserts(root):
    found = []
    names = files_of(root, ("tests",), (".py",))
    for name in names:
        with open(os.path.join(root, name), encoding="utf-8") as f:
            tree = ast.parse(f.read(), name)
        found += ["%s:%d" % (name, node.lineno) for node in ast.walk(tree) if isinstance(node, ast.Assert)]
    if found:
        print("assert statements, which python3 -O drops (use expect() from tests/pysupport/expect.py;")
        print("scripts/check-tree.py fix-python-asserts replaces them):")
        print("\n".join("  " + place for place in found))
        return 1
    print("%d Python test files without assert statements" % len(names))
    return 0


def expect_import(name):
    """The lines that make expect() importable from the test file `name` (relative to the root)."""
    up = ", ".join(['".."'] * (name.count("/") - 1))
    return ['sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), %s, "pysupport"))' % up,
            "from expect import expect  # noqa: E402"]


def without_asserts(name, source):
    """source with its assert statements as expect() calls; None when it has none."""
    tree = ast.parse(source, name)
    asserts = [node for node in ast.walk(tree) if isinstance(node, ast.Assert)]
    if not asserts:
        return None
    data = source.encode("utf-8")
    starts = [0]
    for line in source.splitlines(keepends=True):
        starts.append(starts[-1] + len(line.encode("utf-8")))

    def offset(line, column):  # ast counts columns in UTF-8 bytes
        return starts[line - 1] + column

    def text(begin, end):
        return data[begin:end].decode("utf-8").replace(" \\\n", "\n").replace("\\\n", "\n")

    for node in sorted(asserts, key=lambda n: (n.lineno, n.col_offset), reverse=True):
        test_end = offset(node.test.end_lineno, node.test.end_col_offset)
        call = "expect(" + text(offset(node.test.lineno, node.test.col_offset), test_end)
        if node.msg:
            call += text(test_end, offset(node.msg.end_lineno, node.msg.end_col_offset))
        call += ")"
        data = data[:offset(node.lineno, node.col_offset)] + call.encode("utf-8") + \
            data[offset(node.end_lineno, node.end_col_offset):]
    lines = data.decode("utf-8").splitlines(keepends=True)
    imported = {alias.name for node in tree.body if isinstance(node, ast.Import) for alias in node.names}
    imports = [node.end_lineno for node in tree.body if isinstance(node, (ast.Import, ast.ImportFrom))]
    added = ["import %s\n" % module for module in ("os", "sys") if module not in imported]
    if not any("from expect import expect" in line for line in lines):
        added += [line + "\n" for line in expect_import(name)]
    at = max(imports) if imports else 0
    return "".join(lines[:at] + added + lines[at:])


def fix_python_asserts(root):
    changed = []
    for name in files_of(root, ("tests",), (".py",)):
        path = os.path.join(root, name)
        with open(path, encoding="utf-8") as f:
            fixed = without_asserts(name, f.read())
        if fixed is not None:
            with open(path, "w", encoding="utf-8") as f:
                f.write(fixed)
            changed.append(name)
    print("expect() in place of assert in: %s" % (" ".join(changed) or "nothing"))
    return 0


def check_build_output(root):
    names = tracked(root)
    if names is None:
        print("not a git checkout; skipped")
        return SKIPPED
    found = [n for n in names if any(fnmatch.fnmatchcase(n, pattern) for pattern in BUILD_OUTPUT)]
    if found:
        print("build output tracked by git (git rm --cached it; .gitignore should name it):")
        print("\n".join("  " + name for name in found))
        return 1
    print("%d tracked files, no build output among them" % len(names))
    return 0


CHECKS = {"format": check_format, "python-asserts": check_python_asserts, "build-output": check_build_output,
          "fix-python-asserts": fix_python_asserts}


def main(argv):
    if len(argv) not in (2, 3) or argv[1] not in CHECKS:
        print(__doc__, file=sys.stderr)
        return 2
    root = argv[2] if len(argv) == 3 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    return CHECKS[argv[1]](os.path.abspath(root))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
