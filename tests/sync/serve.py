#!/usr/bin/env python3
"""Runs a real CalDAV server (and a fault proxy in front of it) for a test written in another language,
for as long as the test keeps this process's standard input open.

    serve.py radicale|xandikos [--auth basic] [--tls] [--read-only NAME]... [--no-new-calendars]
             [--proxy] [--proxy-host H]

Prints one JSON line: base, principal, calendar, user, password, fingerprint, storage, and with --proxy
proxy (the proxy's root) and proxy_calendar. Then answers one line per command read:

    fault KIND [METHOD|-] [TIMES] [ARG]   a fault for the proxy (see fault_proxy.py); "ok"
    digest                                the proxy asks for Digest with the server's user and password; "ok"
    principal-elsewhere                   the proxy names the principal at the server's own address; "ok"
    count                                 requests the proxy has seen
    requests                              their "METHOD path" lines, as a JSON list
    reset                                 forgets the faults and the requests; "ok"
    files                                 the ready calendar's files in the server's storage, as JSON
    new-certificate                       the server again on its port with a new certificate; its fingerprint
    quit                                  ends (so does the end of standard input)

Exit code 77 when the server's program is not installed. Whatever ends this process, the server is stopped
by its process id and the temporary folder removed.
"""

import argparse
import json
import os
import shutil
import signal
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fault_proxy  # noqa: E402
import servers  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["radicale", "xandikos"])
    parser.add_argument("--auth", choices=["basic"])
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--read-only", action="append", default=[])
    parser.add_argument("--no-new-calendars", action="store_true")
    parser.add_argument("--proxy", action="store_true")
    parser.add_argument("--proxy-host", default="127.0.0.1")
    args = parser.parse_args()

    folder = tempfile.mkdtemp(prefix="kalvo-%s-" % args.kind)
    server = proxy = None

    def clean(*_):
        if proxy is not None:
            proxy.stop()
        if server is not None:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)
        os._exit(0)

    signal.signal(signal.SIGTERM, clean)
    signal.signal(signal.SIGHUP, clean)
    try:
        try:
            server = servers.start(args.kind, folder, auth=args.auth, tls=args.tls, read_only=args.read_only,
                                   may_create=not args.no_new_calendars)
        except servers.Missing as missing:
            print(json.dumps({"missing": str(missing)}), flush=True)
            shutil.rmtree(folder, ignore_errors=True)
            sys.exit(77)
        info = {"base": server.base, "principal": server.principal, "calendar": server.calendar,
                "user": server.user, "password": server.password, "fingerprint": server.fingerprint,
                "storage": server.storage}
        if args.proxy:
            proxy = fault_proxy.FaultProxy(server.base, host=args.proxy_host)
            info["proxy"] = proxy.base
            info["proxy_calendar"] = proxy.base.rstrip("/") + server.calendar[len(server.base) - 1:]
        print(json.dumps(info), flush=True)
        for line in sys.stdin:
            words = line.split()
            if not words:
                continue
            answer = command(words, server, proxy, folder)
            if answer is None:
                break
            print(answer, flush=True)
    finally:
        clean()


def command(words, server, proxy, folder):
    name = words[0]
    if name == "quit":
        return None
    if name == "fault":
        method = words[2] if len(words) > 2 and words[2] != "-" else None
        times = int(words[3]) if len(words) > 3 else 1
        arg = words[4] if len(words) > 4 else None
        proxy.add(words[1], method, times, arg)
        return "ok"
    if name == "digest":
        proxy.require_digest(servers.USER, servers.PASSWORD)
        return "ok"
    if name == "principal-elsewhere":
        proxy.principal_elsewhere(server.base)
        return "ok"
    if name == "count":
        return str(proxy.count())
    if name == "requests":
        with proxy.lock:
            return json.dumps(proxy.requests)
    if name == "reset":
        proxy.reset()
        return "ok"
    if name == "files":
        return json.dumps(server.files())
    if name == "new-certificate":
        server.stop()
        cert, key, server.fingerprint = servers.make_certificate(folder, "server-%d" % os.getpid())
        server.certificate = (cert, key)
        server.start()
        return server.fingerprint
    return "unknown command"


if __name__ == "__main__":
    main()
