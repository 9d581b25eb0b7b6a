#!/usr/bin/env python3
"""The CalDAV client's listings with many events on a real server, for Radicale and Xandikos on loopback:
the first full listing, the fetch of every event, a PROPFIND listing, and the listing of a sync with
nothing to do (requests and milliseconds). Prints a Markdown table.

    bench/caldav_listing.py BUILD_DIR [--events 10000] [--repeat 20]
"""

import argparse
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sync"))
import servers  # noqa: E402

EVENT = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Kalvo//bench//SK\r\nBEGIN:VEVENT\r\nUID:bench-{i}\r\n"
         "DTSTAMP:20260101T080000Z\r\nDTSTART:2026{month:02d}{day:02d}T{hour:02d}0000Z\r\nDURATION:PT1H\r\n"
         "SUMMARY:Pripomienka číslo {i}\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\n"
         "DESCRIPTION:Pripomienka číslo {i}\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")


def events(count):
    return {"bench-%d.ics" % i: EVENT.format(i=i, month=i % 12 + 1, day=i % 28 + 1, hour=i % 24)
            for i in range(count)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--events", type=int, default=10000)
    parser.add_argument("--repeat", type=int, default=20)
    args = parser.parse_args()
    bench = os.path.join(args.build_dir, "bin", "kalvo_caldav_bench")
    rows = []
    for kind in ("radicale", "xandikos"):
        with servers.running(kind, auth="basic") as server:
            server.seed(events(args.events))
            # The server's own first read of what was seeded (Radicale parses and caches every file) is
            # not the client's: it is done before the clock starts, and shown apart.
            started = time.monotonic()
            status, _, _ = server.request("PROPFIND", server.calendar, headers={"Depth": "1"}, timeout=3600)
            warm = time.monotonic() - started
            if status != 207:
                print("%s: the seeded calendar does not answer (%d)" % (kind, status), file=sys.stderr)
                return 1
            command = [bench, server.calendar]
            if server.user:
                command += [server.user, server.password]
            run = subprocess.run(command + ["--repeat", str(args.repeat)], capture_output=True, text=True)
            if run.returncode != 0:
                print("%s: %s" % (kind, run.stderr.strip()), file=sys.stderr)
                return 1
            result = json.loads(run.stdout)
            result["warm_s"] = warm
            rows.append((kind, result))
    print("| server | events | server's first read | full listing | fetch all | PROPFIND listing | "
          "nothing to do (median) |")
    print("|---|---|---|---|---|---|---|")
    for kind, r in rows:
        print("| %s | %d | %.0f s | %.0f ms, %d request(s) | %.0f ms, %d requests | %.0f ms | %.1f ms, %d request(s) |"
              % (kind, r["events"], r["warm_s"], r["full_listing_ms"], r["full_listing_requests"], r["fetch_ms"],
                 r["fetch_requests"], r["propfind_listing_ms"], r["idle_listing_ms_median"],
                 r["idle_listing_requests"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
