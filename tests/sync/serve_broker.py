#!/usr/bin/env python3
"""Starts test servers (serve.py) on this machine for a test program that cannot start them itself: a
Windows test under Wine cannot run the Linux Python and servers, but it can reach loopback ports.

    serve_broker.py -- COMMAND [ARGS...]

Listens on a random loopback port and runs COMMAND with KALVO_SERVE_BROKER=127.0.0.1:PORT. Each connection
to that port is one server: its first line is serve.py's arguments as a JSON list; from then on the
connection is serve.py's standard input and output (its JSON line first, then one answer per command).
Closing the connection closes serve.py's input, which stops the server by its process id. The exit status
is COMMAND's; every server still running when it ends is stopped.
"""

import json
import os
import signal
import socket
import subprocess
import sys
import threading

SERVE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "serve.py")


class Broker:
    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)
        self.lock = threading.Lock()
        self.processes = []
        threading.Thread(target=self.accept, daemon=True).start()

    @property
    def address(self):
        return "127.0.0.1:%d" % self.listener.getsockname()[1]

    def accept(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.serve, args=(connection,), daemon=True).start()

    def serve(self, connection):
        with connection:
            stream = connection.makefile("rwb", buffering=0)
            first = stream.readline()
            try:
                args = [str(a) for a in json.loads(first.decode("utf-8"))]
            except ValueError:
                return
            process = subprocess.Popen([sys.executable, SERVE] + args, stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, start_new_session=True)
            with self.lock:
                self.processes.append(process)
            answers = threading.Thread(target=self.relay, args=(process.stdout, connection), daemon=True)
            answers.start()
            try:
                for line in stream:
                    process.stdin.write(line)
                    process.stdin.flush()
            except (OSError, ValueError):
                pass
            stop(process)
            answers.join(5)

    @staticmethod
    def relay(source, connection):
        try:
            for line in source:
                connection.sendall(line)
        except OSError:
            pass
        try:
            connection.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    def close(self):
        self.listener.close()
        with self.lock:
            for process in self.processes:
                stop(process)


def stop(process):
    """Closes serve.py's input (it then stops its server), and ends it by its process id if it lingers."""
    try:
        process.stdin.close()
    except OSError:
        pass
    try:
        process.wait(15)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()


def main():
    argv = sys.argv[1:]
    if argv[:1] == ["--"]:
        argv = argv[1:]
    if not argv:
        sys.exit("usage: serve_broker.py -- COMMAND [ARGS...]")
    broker = Broker()
    try:
        child = subprocess.Popen(argv, env=dict(os.environ, KALVO_SERVE_BROKER=broker.address))
        try:
            code = child.wait()
        except KeyboardInterrupt:
            child.terminate()
            code = child.wait()
    finally:
        broker.close()
    sys.exit(code)


if __name__ == "__main__":
    main()
