#!/usr/bin/env python3
"""The layer check itself: a small source tree in a temporary folder passes, and each kind of wrong include
put into it makes the check fail and name the file.

Usage: layer_includes_test.py CHECK_SCRIPT
"""

import contextlib
import importlib.util
import io
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = None

# Includes the lower layers may have: the tree built from these passes.
GOOD = {
    "core/clock.h": '#include <chrono>\n#include "core/datetime.h"\n',
    "core/datetime.h": "#include <cstdint>\n#include <queue>\n",
    "storage/file_io.cpp": '#include "storage/file_io.h"\n#include "core/clock.h"\n',
    "storage/file_io.h": '#include "file_io_parts.h"\n',
    "storage/file_io_parts.h": "",
    "storage/ical/exchange.cpp": '#include "../file_io.h"\n#include "storage/ical/exchange.h"\n#include <libical/ical.h>\n',
    "storage/ical/exchange.h": '#include "core/clock.h"\n',
    "namedays/calendar.cpp": '#include "namedays/calendar.h"\n#include "storage/file_io.h"\n',
    "namedays/calendar.h": "// #include <QString> in a comment of its own line is no include\n",
    "scheduler/scheduler.h": '#include "scheduler/sound_output.h"\n#  include "storage/file_io.h"\n',
    "scheduler/sound_output.h": "#include <filesystem>\n",
    "sync/engine.cpp": '#include "sync/engine.h"\n#include "storage/ical/exchange.h"\n#include "core/clock.h"\n',
    "sync/engine.h": '#include "storage/file_io.h"\n',
    # The layers above may use everything.
    "platform/platform.h": '#include "scheduler/sound_output.h"\n',
    "ui/window.cpp": '#include <QWidget>\n#include "platform/platform.h"\n',
    "app/main.cpp": '#include <QApplication>\n#include "ui/window.h"\n',
}

# One wrong include each: file, text, what the check must name.
BAD = [
    ("core/bad_qt.h", "#include <QString>\n", "Qt"),
    ("storage/bad_qt_module.cpp", "#include <QtCore/QDateTime>\n", "Qt"),
    ("scheduler/bad_platform.h", '#include "platform/platform.h"\n', "platform"),
    ("core/bad_storage.h", '#include "storage/file_io.h"\n', "storage"),
    ("namedays/bad_relative.cpp", '#include "../ui/window.h"\n', "ui"),
    ("storage/bad_beside.cpp", '#include "ical/exchange.h"\n', "storage/ical"),
    ("storage/bad_ical.cpp", '#include "storage/ical/exchange.h"\n', "storage/ical"),
    ("scheduler/bad_sibling.cpp", '#include "namedays/calendar.h"\n', "namedays"),
    ("storage/bad_angle.cpp", "#  include <app/main.h>\n", "app"),
    ("core/bad_outside.cpp", '#include "../../tests/support/temp_folder.h"\n', "out of src"),
    ("scheduler/bad_has_include.h", "#if __has_include(<QObject>)\n#endif\n", "Qt"),
    ("sync/bad_qt.cpp", "#include <QNetworkReply>\n", "Qt"),
    ("sync/bad_scheduler.h", '#include "scheduler/sound_output.h"\n', "scheduler"),
    ("storage/ical/bad_upwards.cpp", '#include "../../scheduler/scheduler.h"\n', "scheduler"),
]


def write_tree(root, files):
    for name, text in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)


class Result:
    def __init__(self, returncode, stdout, stderr):
        self.returncode, self.stdout, self.stderr = returncode, stdout, stderr


def run_check(src):
    """The check's main() in this process: a dozen trees stay quick even on a busy machine."""
    spec = importlib.util.spec_from_file_location("check_layer_includes", CHECK)
    check = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(check)
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        code = check.main([CHECK, src])
    return Result(code, out.getvalue(), err.getvalue())


class LayerCheckTest(unittest.TestCase):
    def test_a_tree_that_keeps_the_layers_passes(self):
        with tempfile.TemporaryDirectory() as tmp:
            write_tree(tmp, GOOD)
            result = run_check(tmp)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_each_wrong_include_fails_and_is_named(self):
        for name, text, reason in BAD:
            with self.subTest(name=name), tempfile.TemporaryDirectory() as tmp:
                write_tree(tmp, {**GOOD, name: text})
                result = run_check(tmp)
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                lines = [line for line in result.stdout.splitlines() if line.startswith(name + ":")]
                self.assertEqual(len(lines), 1, result.stdout)
                self.assertIn(reason, lines[0])

    def test_the_script_run_as_ctest_runs_it_exits_with_failure(self):
        with tempfile.TemporaryDirectory() as tmp:
            write_tree(tmp, {**GOOD, "scheduler/bad.h": '#include "platform/platform.h"\n'})
            result = subprocess.run([sys.executable, CHECK, tmp], capture_output=True, text=True, timeout=60)
            self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
            self.assertIn("scheduler/bad.h:1:", result.stdout)

    def test_a_folder_without_the_layers_is_refused(self):
        with tempfile.TemporaryDirectory() as tmp:
            self.assertEqual(run_check(tmp).returncode, 2)


if __name__ == "__main__":
    CHECK = sys.argv.pop(1)
    unittest.main()
