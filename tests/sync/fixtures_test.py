#!/usr/bin/env python3
"""The sync tests' own tools: servers that start, answer and leave nothing behind, however their
test ends, and a fault proxy that does what it is told."""

import json
import os
import shutil
import subprocess
import sys
import time
import unittest
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import fault_proxy  # noqa: E402
import servers  # noqa: E402


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie left for its parent to collect counts as gone.
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(") ")[1][0] != "Z"
    except OSError:
        return False


def wait_gone(pid, seconds=10):
    deadline = time.monotonic() + seconds
    while alive(pid) and time.monotonic() < deadline:
        time.sleep(0.05)
    return not alive(pid)


class ServersTest(unittest.TestCase):
    def test_each_server_answers_and_leaves_nothing(self):
        for kind in ("radicale", "xandikos"):
            with self.subTest(kind=kind):
                try:
                    with servers.running(kind, auth="basic") as server:
                        pid, folder = server.process.pid, server.folder
                        status, _, _ = server.request("PROPFIND", server.calendar, headers={"Depth": "0"})
                        self.assertEqual(status, 207)
                        server.put(server.calendar + "a.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:t\r\n"
                                   "BEGIN:VEVENT\r\nUID:a\r\nDTSTAMP:20260101T000000Z\r\n"
                                   "DTSTART:20260101T100000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                        self.assertEqual(list(server.files()), ["a.ics"])
                except servers.Missing:
                    self.skipTest(kind + " is not installed")
                self.assertTrue(wait_gone(pid))
                self.assertFalse(os.path.exists(folder))

    def test_a_killed_serve_py_takes_its_server_along(self):
        serve = subprocess.Popen([sys.executable, os.path.join(HERE, "serve.py"), "xandikos"],
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        info = json.loads(serve.stdout.readline())
        if "missing" in info:
            serve.wait()
            serve.stdin.close()
            serve.stdout.close()
            self.skipTest("xandikos is not installed")
        port = int(info["base"].rsplit(":", 1)[1].strip("/"))
        serve.kill()
        serve.wait()
        serve.stdin.close()
        serve.stdout.close()
        deadline = time.monotonic() + 10
        while servers._listening(port) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertFalse(servers._listening(port))
        shutil.rmtree(os.path.dirname(info["storage"]), ignore_errors=True)  # serve.py had no time to


class ProxyTest(unittest.TestCase):
    def test_faults_are_taken_once_by_matching_requests(self):
        try:
            with servers.running("xandikos") as server:
                proxy = fault_proxy.FaultProxy(server.base)
                try:
                    proxy.add("412", method="PUT")
                    proxy.add("503", method="GET", times=2, arg="7")
                    url = proxy.base + "user/calendars/calendar/"
                    request = urllib.request.Request(url, method="PROPFIND", headers={"Depth": "0"})
                    with urllib.request.urlopen(request) as answer:
                        self.assertEqual(answer.status, 207)
                    for expected in (503, 503):
                        with self.assertRaises(urllib.error.HTTPError) as busy:
                            urllib.request.urlopen(url + "x.ics")
                        self.assertEqual(busy.exception.code, expected)
                        self.assertEqual(busy.exception.headers["Retry-After"], "7")
                    with self.assertRaises(urllib.error.HTTPError) as gone:
                        urllib.request.urlopen(url + "x.ics")
                    self.assertEqual(gone.exception.code, 404)  # the server's own answer now
                    put = urllib.request.Request(url + "x.ics", data=b"x", method="PUT")
                    with self.assertRaises(urllib.error.HTTPError) as refused:
                        urllib.request.urlopen(put)
                    self.assertEqual(refused.exception.code, 412)
                    self.assertEqual(proxy.count(), 5)
                finally:
                    proxy.stop()
        except servers.Missing:
            self.skipTest("xandikos is not installed")


if __name__ == "__main__":
    unittest.main()
