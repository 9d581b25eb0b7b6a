#!/usr/bin/env python3
"""The tree checks themselves: a small git checkout in a temporary folder passes each of them, and each
fault put into it (a file clang-format would change, an assert statement, tracked byte code) makes its
check fail and name the file; the asserts' fixer leaves checks that python3 -O keeps.

Usage: tree_checks_test.py CHECK_SCRIPT CLANG_FORMAT_FILE
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK, STYLE = None, None

GOOD = {
    "src/core/clock.h": "#pragma once\n\nnamespace kalvo {\n\nint Now();\n\n}  // namespace kalvo\n",
    "tests/core/clock_test.cpp": '#include "core/clock.h"\n\nint Twice() { return 2 * kalvo::Now(); }\n',
    "tests/e2e/some_test.py": "from expect import expect\n\nexpect(1 + 1 == 2, \"sums\")\n",
    "tests/pysupport/expect.py": "def expect(condition, message=None):\n    pass\n",
    "README.md": "assert nothing here\n",
}


def run_check(name, root):
    p = subprocess.run([sys.executable, CHECK, name, root], capture_output=True, text=True)
    return p.returncode, p.stdout + p.stderr


class TreeChecksTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="kalvo-tree-")
        self.addCleanup(shutil.rmtree, self.root)
        shutil.copy(STYLE, os.path.join(self.root, ".clang-format"))
        for name, text in GOOD.items():
            self.write(name, text)
        subprocess.run(["git", "init", "-q", self.root], check=True)
        self.track()

    def write(self, name, text, mode="w"):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, mode) as f:
            f.write(text)

    def track(self):
        subprocess.run(["git", "-C", self.root, "add", "-A", "-f"], check=True)

    def assertPasses(self, check):
        status, out = run_check(check, self.root)
        if status == 77:
            self.skipTest(out.strip())
        self.assertEqual(status, 0, out)

    def assertFailsNaming(self, check, name):
        status, out = run_check(check, self.root)
        if status == 77:
            self.skipTest(out.strip())
        self.assertEqual(status, 1, out)
        self.assertIn(name, out)

    def test_clean_tree_passes_every_check(self):
        for check in ("format", "python-asserts", "build-output"):
            with self.subTest(check=check):
                self.assertPasses(check)

    def test_misformatted_cpp_fails(self):
        self.write("src/core/clock.cpp", '#include "core/clock.h"\nint kalvo::Now(){return 0;}\n')
        self.write("tests/core/wide_test.h", "int  Wide ( int x ) ;\n")
        self.track()
        self.assertFailsNaming("format", "src/core/clock.cpp")
        self.assertFailsNaming("format", "tests/core/wide_test.h")

    def test_misformatted_file_outside_git_is_not_judged(self):
        self.write("src/core/scratch.cpp", "int  Scratch ( ) ;\n")  # not added to git
        self.assertPasses("format")

    def test_assert_statement_in_a_test_fails(self):
        self.write("tests/cli/old_test.py", "import os\n\n\ndef f():\n    assert os.sep, 'no separator'\n")
        self.track()
        self.assertFailsNaming("python-asserts", "tests/cli/old_test.py:5")

    def test_tracked_byte_code_fails(self):
        self.write("tests/e2e/__pycache__/some_test.cpython-311.pyc", b"\x00\x01", "wb")
        self.track()
        self.assertFailsNaming("build-output", "tests/e2e/__pycache__/some_test.cpython-311.pyc")

    def test_tracked_build_folder_fails(self):
        self.write("build/ci/CMakeCache.txt", "CMAKE_BUILD_TYPE:STRING=RelWithDebInfo\n")
        self.track()
        self.assertFailsNaming("build-output", "build/ci/CMakeCache.txt")

    def test_fix_turns_asserts_into_expect_calls_that_python_O_keeps(self):
        shutil.copy(os.path.join(os.path.dirname(CHECK), "..", "tests", "pysupport", "expect.py"),
                    os.path.join(self.root, "tests", "pysupport", "expect.py"))
        self.write("tests/sync/old_test.py", "import json\n\nVALUE = json.loads('1')\n"
                   "assert VALUE == 1\n"
                   "def check(v):\n    assert v == VALUE, \\\n        'got %r' % v  # why\n"
                   "check(1)\ncheck(int('2'))\n")
        self.track()
        status, out = run_check("fix-python-asserts", self.root)
        self.assertEqual(status, 0, out)
        self.assertPasses("python-asserts")
        p = subprocess.run([sys.executable, "-O", os.path.join(self.root, "tests/sync/old_test.py")],
                           capture_output=True, text=True)
        self.assertNotEqual(p.returncode, 0, "the check of 2 was dropped under -O")
        self.assertIn("AssertionError: got 2", p.stderr)

    def test_without_git_the_tree_is_walked(self):
        shutil.rmtree(os.path.join(self.root, ".git"))
        self.write("tests/e2e/loose_test.py", "assert True\n")
        self.assertFailsNaming("python-asserts", "tests/e2e/loose_test.py:1")
        status, _ = run_check("build-output", self.root)
        self.assertEqual(status, 77)


if __name__ == "__main__":
    CHECK, STYLE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
