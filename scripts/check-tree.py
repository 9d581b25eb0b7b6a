#!/usr/bin/env python3
"""Checks that keep the source tree tidy, each run by ctest (see tests/CMakeLists.txt):

  check-tree.py format [ROOT]          every C++ file as clang-format 14 and the repository's .clang-format
                                       leave it (clang-format --dry-run -Werror)
  check-tree.py python-asserts [ROOT]  no Python test uses the assert statement, which python3 -O drops;
                                       tests/pysupport/expect.py has expect() instead
  check-tree.py build-output [ROOT]    git tracks no build output (Python byte code, objects, build folders)

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
        print("assert statements, which python3 -O drops (use expect() from tests/pysupport/expect.py):")
        print("\n".join("  " + place for place in found))
        return 1
    print("%d Python test files without assert statements" % len(names))
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


CHECKS = {"format": check_format, "python-asserts": check_python_asserts, "build-output": check_build_output}


def main(argv):
    if len(argv) not in (2, 3) or argv[1] not in CHECKS:
        print(__doc__, file=sys.stderr)
        return 2
    root = argv[2] if len(argv) == 3 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    return CHECKS[argv[1]](os.path.abspath(root))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
