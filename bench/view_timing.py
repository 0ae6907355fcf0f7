#!/usr/bin/env python3
"""Times the view that `tdftool view` serves, in headless Chromium.

    view_timing.py TDFTOOL TRACE

Starts `tdftool view TRACE`, measures the seconds until it prints its URL
and its peak memory and processor time then (from /proc), opens the page
and measures inside it, with performance.now(): the time until
tdfView.ready resolves; zoom and scroll steps at 100 % and with the whole
trace fitted, each until the next frame is drawn and until the events
around the view are at hand (tdfView.idle()); find of a common label and
goToTime. Prints each figure beside its target. The figures are for
reading, not for a test: they follow the machine.
"""

import os
import statistics
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "browser"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from html_view_timing import STEP_KINDS  # noqa: E402  the steps bench/html times on a file's page
from page_session import PageSession, ServedTrace, skip_without_browser  # noqa: E402

STEPS = 8

# Runs `step` (a function's source) STEPS times; the milliseconds of each
# until the next frame is drawn, and until the view is served.
TIMED_STEPS = """
const step = new Function(arguments[0]), count = arguments[1], done = arguments[arguments.length - 1];
const frames = [], served = [];
function next() {
  if (frames.length === count) { done([frames, served]); return; }
  const start = performance.now();
  step();
  requestAnimationFrame(() => setTimeout(() => {
    frames.push(performance.now() - start);
    tdfView.idle().then(() => requestAnimationFrame(() => { served.push(performance.now() - start); next(); }));
  }, 0));
}
next();
"""

# Runs an API call that may return a Promise; its milliseconds until done.
TIMED_CALL = """
const call = new Function(arguments[0]), done = arguments[arguments.length - 1];
const start = performance.now();
Promise.resolve(call()).then((result) => tdfView.idle().then(() =>
  requestAnimationFrame(() => done([performance.now() - start, result]))));
"""


def process_figures(pid):
    """Peak resident MB, user and kernel seconds of a running process."""
    peak = 0
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                peak = int(line.split()[1]) / 1024
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return peak, int(fields[11]) / ticks, int(fields[12]) / ticks


def measure_steps(session, where, prepare):
    worst = 0.0
    for name, source in STEP_KINDS:
        session.driver.execute_async_script(TIMED_CALL, prepare)
        frames, served = session.driver.execute_async_script(TIMED_STEPS, source, STEPS)
        worst = max(worst, max(served))
        print(f"  {where:<22} {name:<24} frame median {statistics.median(frames):7.1f} ms; "
              f"served median {statistics.median(served):7.1f} ms, max {max(served):7.1f} ms")
    return worst


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    tdftool, trace = sys.argv[1], sys.argv[2]
    skip_without_browser()
    start = time.monotonic()
    server = ServedTrace(tdftool, trace, budget=3600)
    serving = time.monotonic() - start
    peak, user, kernel = process_figures(server.process.pid)
    print(f"tdftool view: URL after {serving:.2f} s ({user:.2f} s user, {kernel:.2f} s kernel), "
          f"{peak:.0f} MB peak resident")
    session = PageSession()
    try:
        session.resize(1600, 900)
        session.driver.set_script_timeout(600)
        ready = session.open(server.url, budget=600)
        meta = session.driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "fetch('api/meta', {credentials: 'same-origin'}).then((r) => r.json()).then(done);")
        print(f"events: {meta['count']}, columns: {meta['columns']}")
        print(f"ready: {ready:.2f} s after the start of the navigation")
        middle = (meta["minTime"] + meta["maxTime"]) / 2
        actual = "document.getElementById('zoom-reset').click(); return tdfView.goToTime(0);"
        worst = measure_steps(session, "100 %, at the start", actual)
        at_middle = f"document.getElementById('zoom-reset').click(); return tdfView.goToTime({middle});"
        worst = max(worst, measure_steps(session, "100 %, in the middle", at_middle))
        fitted = "document.getElementById('zoom-fit').click();"
        worst = max(worst, measure_steps(session, "whole trace fitted", fitted))
        go, _ = session.driver.execute_async_script(TIMED_CALL, f"return tdfView.goToTime({middle});")
        find, hits = session.driver.execute_async_script(TIMED_CALL, "return tdfView.find('operation1');")
        print(f"goToTime(middle): {go:.1f} ms; find('operation1'): {find:.1f} ms, {hits} hits")
        peak, user, kernel = process_figures(server.process.pid)
        print(f"tdftool view after the session: {user:.2f} s user, {kernel:.2f} s kernel, {peak:.0f} MB peak resident")
    finally:
        session.close()
        server.stop()

    def verdict(ok):
        return "ok" if ok else "MISSED"

    print("targets:")
    print(f"  serving after     {serving:8.2f} s  (at most 60 s at 10^8 events)  {verdict(serving <= 60)}")
    print(f"  peak resident     {peak:8.0f} MB (at most 4096 MB)              {verdict(peak <= 4096)}")
    print(f"  ready in Chromium {ready:8.2f} s  (at most 3 s; 2 s at 10 M lines) {verdict(ready <= 3)}")
    print(f"  zoom/scroll step  {worst:8.1f} ms (at most 100 ms, until served) {verdict(worst <= 100)}")
    print(f"  find              {find:8.1f} ms (at most 2000 ms)              {verdict(find <= 2000)}")
    print(f"  goToTime          {go:8.1f} ms (at most 200 ms)               {verdict(go <= 200)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
