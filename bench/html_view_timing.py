#!/usr/bin/env python3
"""The browser half of bench/html: times the page in headless Chromium.

    html_view_timing.py TRACE PAGE WRITE_SECONDS [SCREENSHOT]

Step times are taken inside the page with performance.now(), from just
before the step's event until a task after the next animation frame (the
view draws in that frame), so the WebDriver's round trips don't count.
With SCREENSHOT, the view at the middle of the trace is saved there as a
PNG picture (the README's).
"""

import os
import statistics
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "browser"))
from page_session import PageSession, skip_without_browser  # noqa: E402
from trace_facts import read_trace_facts  # noqa: E402

STEPS = 8  # eight Ctrl+wheel steps zoom in 6.8 times, short of the view's limit of 8

# Runs `step` (a function's source) STEPS times, each waiting for the frame
# after it; returns the milliseconds of each.
TIMED_STEPS = """
const step = new Function(arguments[0]), count = arguments[1], done = arguments[arguments.length - 1];
const times = [];
function next() {
  if (times.length === count) { done(times); return; }
  const start = performance.now();
  step();
  requestAnimationFrame(() => setTimeout(() => { times.push(performance.now() - start); next(); }, 0));
}
next();
"""


def wheel(delta_x, delta_y, ctrl=False):
    """A wheel step over the middle of the diagram."""
    return f"""
        const body = document.getElementById('body'), r = body.getBoundingClientRect();
        body.dispatchEvent(new WheelEvent('wheel', {{deltaX: {delta_x}, deltaY: {delta_y}, ctrlKey: {str(ctrl).lower()},
          clientX: r.left + r.width / 2, clientY: r.top + r.height / 2, bubbles: true, cancelable: true}}));"""


STEP_KINDS = [
    ("zoom in (Ctrl+wheel)", wheel(0, -120, ctrl=True)),
    ("zoom out (Ctrl+wheel)", wheel(0, 120, ctrl=True)),
    ("scroll down (wheel)", wheel(0, 400)),
    ("scroll up (wheel)", wheel(0, -400)),
    ("scroll right (wheel)", wheel(300, 0)),
    ("scroll left (wheel)", wheel(-300, 0)),
]


def measure_steps(session, where, prepare):
    """Times each kind of step, after `prepare` (script source) has set the
    view up again, since the steps before may have moved or zoomed it."""
    worst = 0.0
    for name, source in STEP_KINDS:
        session.driver.execute_script(prepare)
        session.next_frame()
        times = session.driver.execute_async_script(TIMED_STEPS, source, STEPS)
        worst = max(worst, max(times))
        print(f"  {where:<22} {name:<24} median {statistics.median(times):7.1f} ms, max {max(times):7.1f} ms")
    return worst


def main():
    if len(sys.argv) not in (4, 5):
        print(__doc__)
        return 2
    trace, page, write_seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
    screenshot = sys.argv[4] if len(sys.argv) == 5 else None
    skip_without_browser()
    facts = read_trace_facts(trace)
    events = len(facts.events)
    page_bytes = os.path.getsize(page)

    session = PageSession()
    try:
        session.resize(1600, 900)
        session.driver.set_script_timeout(300)
        ready = session.open(page, budget=300)
        heap = session.driver.execute_script("return performance.memory ? performance.memory.usedJSHeapSize : 0")
        columns = session.view("columns")
        print(f"events: {events}; instances created: {facts.instances_created}, most alive at once: "
              f"{facts.most_alive}")
        print(f"ready: {ready:.2f} s after the start of the navigation; JS heap {heap / 1e6:.0f} MB")
        print("steps (each until the next frame is drawn):")
        middle = facts.events[events // 2].time
        actual_size = "document.getElementById('zoom-reset').click();"
        worst = measure_steps(session, "100 %, at the start", actual_size + "tdfView.goToTime(0);")
        at_middle = actual_size + f"tdfView.goToTime({middle});"
        worst = max(worst, measure_steps(session, "100 %, in the middle", at_middle))
        if screenshot:
            session.driver.execute_script(at_middle)
            session.next_frame()
            with open(screenshot, "wb") as picture:
                picture.write(session.driver.get_screenshot_as_png())
        fitted = "document.getElementById('zoom-fit').click();"
        worst = max(worst, measure_steps(session, "whole trace fitted", fitted))
    finally:
        session.close()

    def verdict(ok):
        return "ok" if ok else "MISSED"

    print("targets:")
    print(f"  page write        {write_seconds:8.2f} s       (at most 15 s)     {verdict(write_seconds <= 15)}")
    print(f"  page size         {page_bytes / events:8.1f} B/event (at most 80)       {verdict(page_bytes / events <= 80)}")
    print(f"  ready in Chromium {ready:8.2f} s       (at most 10 s)     {verdict(ready <= 10)}")
    print(f"  zoom/scroll step  {worst:8.1f} ms      (at most 100 ms)   {verdict(worst <= 100)}  (worst step)")
    print(f"  columns           {columns:8d}         (at most {facts.most_alive} + 2)     "
          f"{verdict(columns <= facts.most_alive + 2)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
